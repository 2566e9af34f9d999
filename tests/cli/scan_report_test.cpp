#include "cli/scan_report.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/cli_app.h"

namespace mardo {
namespace {

using Outcome = AddWorkflow::Outcome;

struct Report {
  int status;
  std::string out;
  std::string err;
};

Report Reported(const AddWorkflow::Result& result, bool strict = false, bool terminal = false) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = ReportScan(result, strict, {out, terminal}, {err, terminal});
  return {status, out.str(), err.str()};
}

AddWorkflow::Result Stored(int32_t unreadable = 0, std::vector<std::string> paths = {}) {
  AddWorkflow::Result result;
  result.outcome = Outcome::kStored;
  result.message = "12 files added to catalog from PHOTOS";
  result.catalogPath = "/c/PHOTOS.mvl";
  result.unreadableCount = unreadable;
  result.unreadablePaths = std::move(paths);
  return result;
}

TEST(ScanReport, AStoredCatalogIsTheOnlyThingOnStandardOutput) {
  const Report run = Reported(Stored());
  EXPECT_EQ(run.status, kExitSuccess);
  EXPECT_EQ(run.out, "12 files added to catalog from PHOTOS\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Reported(Stored(), true).status, kExitSuccess);
}

TEST(ScanReport, UnreadableDirectoriesAreAWarningAndFailOnlyUnderStrict) {
  const Report one = Reported(Stored(1, {"/media/usb/private"}));
  EXPECT_EQ(one.status, kExitSuccess);
  EXPECT_EQ(one.out, "12 files added to catalog from PHOTOS\n");
  EXPECT_EQ(one.err,
            "Warning: 1 directory could not be read and is catalogued as empty: /media/usb/private\n");

  const Report many = Reported(Stored(5, {"/m/a", "/m/b", "/m/c"}), true);
  EXPECT_EQ(many.status, kExitIncomplete);
  EXPECT_EQ(many.out, "12 files added to catalog from PHOTOS\n");
  EXPECT_EQ(many.err,
            "Warning: 5 directories could not be read and are catalogued as empty:\n"
            "  /m/a\n  /m/b\n  /m/c\n  (and 2 more)\n");

  // The count alone, when the paths were not kept.
  EXPECT_EQ(UnreadableWarning(Stored(2)),
            "Warning: 2 directories could not be read and are catalogued as empty");
  EXPECT_EQ(UnreadableWarning(Stored()), "");
  // Paths are escaped for a terminal.
  EXPECT_EQ(UnreadableWarning(Stored(1, {"/m/\x1b[2J"}), true),
            "Warning: 1 directory could not be read and is catalogued as empty: /m/\\x1b[2J");
}

TEST(ScanReport, EntriesThatCouldNotBeReadAreAWarningOfTheirOwn) {
  AddWorkflow::Result result = Stored(1, {"/m/private"});
  result.unreadableEntryCount = 1;
  result.unreadableEntryPaths = {"/m/DSC_0001.JPG"};
  const Report run = Reported(result, true);
  EXPECT_EQ(run.status, kExitIncomplete);
  EXPECT_EQ(run.err,
            "Warning: 1 directory could not be read and is catalogued as empty: /m/private\n"
            "Warning: 1 entry could not be read and is left out of the catalog: /m/DSC_0001.JPG\n");
  result.unreadableCount = 0;
  result.unreadablePaths.clear();
  result.unreadableEntryCount = 3;
  EXPECT_EQ(Reported(result).status, kExitSuccess);
  EXPECT_EQ(UnreadableWarning(result),
            "Warning: 3 entries could not be read and are left out of the catalog:\n"
            "  /m/DSC_0001.JPG\n  (and 2 more)");
}

TEST(ScanReport, ACatalogNotWrittenIsNeverReportedAsAdded) {
  AddWorkflow::Result result = Stored();
  result.outcome = Outcome::kNotWritten;
  result.writeError = "No space left on device";
  const Report run = Reported(result, true);
  EXPECT_EQ(run.status, kExitError);
  EXPECT_EQ(run.out, "");  // the workflow has told why on standard error
}

TEST(ScanReport, CancelledAndRefusedScansGoToStandardError) {
  AddWorkflow::Result cancelled;
  cancelled.cancelled = true;
  cancelled.message = "Scan cancelled: nothing added to catalog from PHOTOS";
  const Report stopped = Reported(cancelled);
  EXPECT_EQ(stopped.status, kExitNothing);
  EXPECT_EQ(stopped.out, "");
  EXPECT_EQ(stopped.err, "Scan cancelled: nothing added to catalog from PHOTOS\n");

  AddWorkflow::Result refused;
  refused.refused = true;
  refused.message = "The tree holds more than 32768 directories, more than one catalog can hold.";
  const Report big = Reported(refused);
  EXPECT_EQ(big.status, kExitError);
  EXPECT_EQ(big.out, "");
  EXPECT_EQ(big.err, refused.message + "\n");

  AddWorkflow::Result empty;
  empty.message = "No files added to catalog from [\\empty]";
  const Report none = Reported(empty);
  EXPECT_EQ(none.status, kExitNothing);
  EXPECT_EQ(none.out, "No files added to catalog from [\\empty]\n");
}

}  // namespace
}  // namespace mardo
