#include "cli/cli_app.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "store/catalog.h"
#include "support/catalog_bytes.h"
#include "support/volume_fixture.h"

namespace mardo {
namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

class CliTest : public testing::Test {
 protected:
  void SetUp() override {
    test::SetTimeZone("UTC0");
    // Searches keep their catalog indexes here, not in the user's cache.
    ::setenv("XDG_CACHE_HOME", (machine_.tmp / "cache").c_str(), 1);
  }

  // Runs mardo-cli with the catalogs of <tmp>/catalogs and the fixture machine's volumes.
  Outcome Cli(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    CliContext context{in, out, err, catalogs_, machine_.paths};
    context.inputIsTerminal = !input.empty();
    context.now = 1007204400;  // 2001-12-01 11:00 UTC
    const int status = RunCli(args, context);
    return {status, out.str(), err.str()};
  }

  // A catalog file written directly: label, name, and entries in directory 0 and "\docs".
  void WriteCatalog(const std::string& file, const std::string& label, const std::string& name,
                    std::vector<std::tuple<std::string, int32_t, int32_t, int16_t>> entries) {
    Catalog catalog;
    catalog.filePath = catalogs_ + "/" + file;
    catalog.volumeRoot = "/media/x/";
    catalog.volumeLabel = label;
    catalog.catalogName = name;
    catalog.serialNumber = 7;
    catalog.AddDirectory("", 3, 3 * 1048576.0);
    catalog.AddDirectory("\\docs", 2, 2 * 1048576.0);
    for (const auto& [n, length, t, dir] : entries) catalog.AddFile(n, t, length, dir);
    ASSERT_TRUE(catalog.Write());
  }

  test::VolumeFixture machine_;
  std::string catalogs_ = machine_.tmp.MakeDir("catalogs");
};

TEST_F(CliTest, HelpAndUsageErrors) {
  EXPECT_EQ(Cli({"--help"}).status, 0);
  EXPECT_NE(Cli({"--help"}).out.find("Usage: mardo-cli"), std::string::npos);
  EXPECT_NE(Cli({"search", "--help"}).out.find("--pattern TEXT"), std::string::npos);
  EXPECT_EQ(Cli({}).status, 2);
  const Outcome unknown = Cli({"frobnicate"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err.rfind("Unknown command: frobnicate\n", 0), 0u);
  EXPECT_EQ(Cli({"search", "--bogus"}).err.rfind("Unknown option: --bogus\n", 0), 0u);
  EXPECT_EQ(Cli({"search", "--pattern"}).err.rfind("The option --pattern needs a value\n", 0), 0u);
  EXPECT_EQ(Cli({"search", "--length", "~", "5"}).err, "Unknown operator: ~ (use < <= = >= >)\n");
  EXPECT_EQ(Cli({"search", "--length", "<", "5k"}).err, "The length must be a number of bytes: 5k\n");
  EXPECT_EQ(Cli({"search", "--mode", "fuzzy"}).status, 2);
  EXPECT_EQ(Cli({"catalogs", "--format", "xml"}).err, "Unknown format: xml (use tsv, csv or json)\n");
}

TEST_F(CliTest, SearchNeedsACondition) {
  const Outcome run = Cli({"search"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Define at least one search condition.\n");
}

TEST_F(CliTest, SearchPrintsRowsInTheListsOrderAndTheCountLast) {
  WriteCatalog("a.mvl", "A", "",
               {{"b.txt", 5, 100, 0}, {"docs", -1, 50, 0}, {"B.txt", 7, 200, 1}, {"a.txt", 3, 0, 1}});
  const Outcome run = Cli({"search", "--pattern", "."});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "a.txt\t70-01-01\t3\tA\t/docs\n"
            "B.txt\t70-01-01\t7\tA\t/docs\n"
            "b.txt\t70-01-01\t5\tA\t\n");
  EXPECT_EQ(run.err, "3\n");

  const Outcome dirs = Cli({"search", "--length", "<", "0"});
  EXPECT_EQ(dirs.out, "docs\t70-01-01\t2.000\tA\t\n");

  const Outcome limited = Cli({"search", "--pattern", "t", "--limit", "2"});
  EXPECT_EQ(limited.err, ">2\n");
  const Outcome none = Cli({"search", "--pattern", "zzz"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "0\n");
}

TEST_F(CliTest, SearchByDateAndInSelectedCatalogs) {
  WriteCatalog("a.mvl", "A", "", {{"old.txt", 1, 946684800, 0}, {"new.txt", 1, 1007164800, 0}});
  WriteCatalog("b.mvl", "B", "Second", {{"new.txt", 2, 1007164800, 0}});
  EXPECT_EQ(Cli({"search", "--date", "=", "--format", "csv"}).out,
            "Name,Date,Length,Volume,Path\r\nnew.txt,01-12-01,1,A,\r\nnew.txt,01-12-01,2,Second,\r\n");
  EXPECT_EQ(Cli({"search", "--date", "<", "000102"}).out, "old.txt\t00-01-01\t1\tA\t\n");
  EXPECT_EQ(Cli({"search", "--date", ">=", "-1", "--only", "Second"}).out,
            "new.txt\t01-12-01\t2\tSecond\t\n");
  EXPECT_EQ(Cli({"search", "--pattern", "x", "--only", "Nope"}).err, "No catalog named 'Nope'\n");
  EXPECT_EQ(Cli({"search", "--pattern", "new", "--date-format", "%Y/%m/%d %H:%M"}).out,
            "new.txt\t2001/12/01 00:00\t1\tA\t\nnew.txt\t2001/12/01 00:00\t2\tSecond\t\n");
}

TEST_F(CliTest, SearchAnswersFromCatalogIndexesKeptUpToDate) {
  WriteCatalog("a.mvl", "A", "", {{"report.txt", 10, 0, 1}, {"docs", -1, 0, 0}});
  const Outcome first = Cli({"search", "--pattern", "o"});
  EXPECT_EQ(first.out, "docs\t70-01-01\t2.000\tA\t\nreport.txt\t70-01-01\t10\tA\t/docs\n");
  EXPECT_TRUE(std::filesystem::is_directory(machine_.tmp / "cache/mardo"));
  EXPECT_EQ(Cli({"search", "--pattern", "o"}).out, first.out);
  // The catalog is replaced: the next search sees the new one.
  WriteCatalog("a.mvl", "A", "", {{"other.txt", 10, 0, 0}});
  EXPECT_EQ(Cli({"search", "--pattern", "o"}).out, "other.txt\t70-01-01\t10\tA\t\n");
}

TEST_F(CliTest, DuplicatesAcrossCatalogs) {
  WriteCatalog("a.mvl", "A", "", {{"same.jpg", 100, 0, 0}, {"solo", 1, 0, 0}});
  WriteCatalog("b.mvl", "B", "", {{"SAME.JPG", 100, 0, 1}, {"other", 1, 0, 0}});
  const Outcome run = Cli({"search", "--mode", "duplicates"});
  EXPECT_EQ(run.out, "same.jpg\t70-01-01\t100\tA\t\nSAME.JPG\t70-01-01\t100\tB\t/docs\n");
  EXPECT_EQ(run.err, "2\n");
  EXPECT_EQ(Cli({"search", "--mode", "same-names", "--pattern", "o"}).status, 1);
}

TEST_F(CliTest, JsonRowsAreKeyedByTheHeaders) {
  WriteCatalog("a.mvl", "A", "", {{"quote\"back\\slash\ttab", 1, 0, 0}});
  EXPECT_EQ(Cli({"search", "--pattern", "quote", "--format", "json"}).out,
            "[\n  {\"Name\": \"quote\\\"back\\\\slash\\ttab\", \"Date\": \"70-01-01\", \"Length\": \"1\", "
            "\"Volume\": \"A\", \"Path\": \"\"}\n]\n");
  EXPECT_EQ(Cli({"search", "--pattern", "nothing", "--format", "json"}).out, "[]\n");
}

TEST_F(CliTest, CatalogsListsEveryCatalogByName) {
  WriteCatalog("b.mvl", "ZED", "", {{"f", 1, 0, 0}});
  WriteCatalog("a.mvl", "LABEL", "Alpha", {{"f", 1, 0, 0}, {"g", 1, 0, 0}});
  const Outcome run = Cli({"catalogs", "--date-format", "-"});
  ASSERT_EQ(run.status, 0);
  std::istringstream lines(run.out);
  std::string first, second;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(first.substr(0, first.rfind('\t')), "Alpha\t-\t---N/A---\t2\tLABEL\t7");
  EXPECT_EQ(first.substr(first.rfind('\t') + 1), catalogs_ + "/a.mvl");
  EXPECT_EQ(second.rfind("ZED\t", 0), 0u);
}

TEST_F(CliTest, LsListsOneDirectory) {
  WriteCatalog("a.mvl", "A", "",
               {{"z.txt", 5, 0, 0}, {"docs", -1, 0, 0}, {"b.txt", 7, 0, 1}, {"a.txt", 3, 0, 1}});
  EXPECT_EQ(Cli({"ls", "A"}).out, "docs\t70-01-01 00:00:00\t2.000\t\nz.txt\t70-01-01 00:00:00\t5\t\n");
  EXPECT_EQ(Cli({"ls", "A", "\\docs"}).out, Cli({"ls", "A", "/docs/"}).out);
  const Outcome limited = Cli({"ls", "A", "\\docs", "--limit", "1"});
  EXPECT_EQ(limited.out, "b.txt\t70-01-01 00:00:00\t7\t/docs\n");  // the first stored entry
  EXPECT_EQ(limited.err, "Only the first 1 entries are listed (--limit shows more).\n");
  EXPECT_EQ(Cli({"ls", "B"}).err, "No catalog named 'B'\n");
  EXPECT_EQ(Cli({"ls", "A", "\\nope"}).err, "No directory '/nope' in catalog 'A'\n");
  EXPECT_EQ(Cli({"ls", "A", "\\nope"}).status, 2);
}

TEST_F(CliTest, AddSearchListAndDeleteEndToEnd) {
  machine_.tmp.MakeFile("media/usb/holiday/beach.jpg", 1000);
  machine_.tmp.MakeFile("media/usb/notes.tmp", 10);
  const Outcome add = Cli({"add", machine_.Usb(), "--ignore", "*.tmp"});
  EXPECT_EQ(add.status, 0);
  EXPECT_EQ(add.out, "2 files added to catalog from PHOTOS\n");
  EXPECT_TRUE(std::filesystem::exists(catalogs_ + "/PHOTOS.mvl"));
  EXPECT_EQ(Cli({"search", "--pattern", "beach"}).out.substr(0, 9), "beach.jpg");
  EXPECT_EQ(Cli({"ls", "PHOTOS", "\\holiday"}).out.substr(0, 9), "beach.jpg");

  // Again: the question is answered No without a terminal, Yes with --yes.
  const Outcome again = Cli({"add", machine_.Usb()});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err,
            "Yes replaces the catalog 'PHOTOS' (" + catalogs_ +
                "/PHOTOS.mvl).\nAlready existing. Overwrite ? no (nobody to ask; --yes answers yes)\n");
  EXPECT_EQ(again.out, "");
  machine_.tmp.MakeFile("media/usb/more.txt", 1);
  const Outcome yes = Cli({"add", machine_.Usb(), "--yes", "--label", "Holiday"});
  EXPECT_EQ(yes.status, 0);
  EXPECT_EQ(yes.out, "4 files added to catalog from PHOTOS\n");
  EXPECT_EQ(Cli({"refresh", "Holiday"}).status, 0);

  const Outcome asked = Cli({"delete", "Holiday"}, "n\n");
  EXPECT_EQ(asked.status, 1);
  EXPECT_EQ(asked.err, "Really want to delete ? [y/N] ");
  const Outcome deleted = Cli({"delete", "Holiday"}, "y\n");
  EXPECT_EQ(deleted.status, 0);
  EXPECT_EQ(deleted.out, "Deleted Holiday (" + catalogs_ + "/PHOTOS.mvl)\n");
  EXPECT_FALSE(std::filesystem::exists(catalogs_ + "/PHOTOS.mvl"));
  EXPECT_EQ(Cli({"delete", "Holiday", "--yes"}).err, "No catalog named 'Holiday'\n");
}

TEST_F(CliTest, AddNamesTheRootItCannotCatalogue) {
  const Outcome run = Cli({"add", machine_.tmp / "media/none"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Volume label error: " + machine_.tmp / "media/none" + ": No such file or directory\n");
  const std::string file = machine_.tmp.MakeFile("media/usb/plain.txt", 3);
  EXPECT_EQ(Cli({"add", file}).err, "Volume label error: " + file + ": Not a directory\n");
  const Outcome nothing = Cli({"add", ""});
  EXPECT_EQ(nothing.status, 2);
  EXPECT_EQ(nothing.err,
            "No directory to catalogue: the root '' is empty (name one, as in mardo-cli add /media/usb)\n");
  EXPECT_EQ(Cli({"add"}).err.rfind("Usage: mardo-cli add ROOT", 0), 0u);
  machine_.tmp.MakeDir("media/usb/empty");
  const Outcome empty = Cli({"add", machine_.Usb() + "/empty"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.out, "No files added to catalog from [\\empty]\n");
}

TEST_F(CliTest, DumpPrintsEveryField) {
  test::CatalogBytes b(2);
  b.Time(-5).String("E:\\").String("CD1").String("").U32(4000000000u).F32(1.25f);
  b.I32(2).Dir("").Dir("\\d");
  b.I32(2).File(100, -1, 0, "d").File(-7, 12, 1, "f\tx");
  machine_.tmp.MakeFile("v2.mvl", 0, -1, b.Bytes());
  const Outcome run = Cli({"dump", machine_.tmp / "v2.mvl"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "format\t2\ncatalogued\t-5\nroot\tE:\\\nlabel\tCD1\nname\t\nserial\t4000000000\nfree\t1.250\n"
            "dirs\t2\ndir\t0\t\t0\t0\ndir\t1\t\\d\t0\t0\n"
            "files\t2\nfile\t0\t100\t-1\t0\td\nfile\t1\t-7\t12\t1\tf\\tx\n");  // the tab escaped
  const Outcome bad = Cli({"dump", machine_.tmp / "mountinfo"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err,
            "The catalog file '" + machine_.tmp / "mountinfo" + "' could not be read: not a catalog file\n");
  EXPECT_EQ(
      Cli({"dump", machine_.tmp / "none.mvl"}).err,
      "The catalog file '" + machine_.tmp / "none.mvl" + "' could not be read: No such file or directory\n");
}

TEST_F(CliTest, GlobalOptionsReadMoreDirectoriesAndExpertMode) {
  const std::string other = machine_.tmp.MakeDir("other");
  Catalog catalog;
  catalog.filePath = other + "/o.mvl";
  catalog.volumeLabel = "OTHER";
  catalog.AddDirectory("");
  for (int i = 0; i < 6000; ++i) catalog.AddFile("n" + std::to_string(i), 0, 1, 0);
  ASSERT_TRUE(catalog.Write());
  EXPECT_EQ(Cli({"search", "--pattern", "n", "--limit", "6000"}).status, 1);  // not in the start directory
  EXPECT_EQ(
      Cli({"-dir", other, "search", "--pattern", "n", "--limit", "6000"}).err,
      "Note: --limit 6000 is read as 2560 (the hit limit is a whole number from 1 to 5120, or more with "
      "-dd)\n>2560\n");
  EXPECT_EQ(Cli({"-DIR", other, "/dd", "search", "--pattern", "n", "--limit", "6000"}).err, ">6000\n");
  EXPECT_EQ(Cli({"--dd", "catalogs"}).status, 2);
}

TEST_F(CliTest, ArgumentsACommandDoesNotTakeAreErrors) {
  const Outcome bare = Cli({"search", "passwd"});
  EXPECT_EQ(bare.status, 2);
  EXPECT_EQ(bare.out, "");
  EXPECT_EQ(bare.err.rfind("Unexpected argument: passwd (the pattern goes after --pattern: mardo-cli search "
                           "--pattern passwd)\n",
                           0),
            0u);
  EXPECT_EQ(Cli({"catalogs", "extra"}).err.rfind("Unexpected argument: extra\n", 0), 0u);
  EXPECT_EQ(Cli({"ls", "A", "\\docs", "more"}).err.rfind("Unexpected argument: more\n", 0), 0u);
  EXPECT_EQ(Cli({"dump", "a.mvl", "b.mvl"}).status, 2);
  EXPECT_EQ(Cli({"search", "-pattern", "x"})
                .err.rfind("Unknown option: -pattern (options begin with two dashes: --pattern)\n", 0),
            0u);
  EXPECT_EQ(Cli({"search", "--pattern", "x", "-dir", "d"})
                .err.rfind("Unknown option: -dir (-dir and -dd go before", 0),
            0u);
  EXPECT_EQ(Cli({"dump", "-doc.mvl"})
                .err.rfind("Unknown option: -doc.mvl (a name that begins with '-' goes after "
                           "'--', as in mardo-cli dump -- -doc.mvl)\n",
                           0),
            0u);
  EXPECT_EQ(Cli({"search", "--pattern", "a", "--pattern", "b"})
                .err.rfind("The option --pattern is given more than once\n", 0),
            0u);
  EXPECT_NE(Cli({"--help"}).out.find("after '--'"), std::string::npos);
}

TEST_F(CliTest, DoubleDashEndsTheOptions) {
  WriteCatalog("-x.mvl", "--help", "", {{"f", 1, 0, 0}});
  const Outcome dump = Cli({"dump", "--", catalogs_ + "/-x.mvl"});
  EXPECT_EQ(dump.status, 0);
  EXPECT_NE(dump.out.find("label\t--help\n"), std::string::npos);
  EXPECT_EQ(Cli({"ls", "--", "--help"}).out, "f\t70-01-01 00:00:00\t1\t\n");
  // Values of options may begin with '-'.
  EXPECT_EQ(Cli({"search", "--pattern", "-", "--date", "<", "-1"}).status, 1);
}

TEST_F(CliTest, RepeatedOrDoubtfulCatalogDirectories) {
  const Outcome twice = Cli({"-dir", "old", "-DIR", "new", "catalogs"});
  EXPECT_EQ(twice.status, 2);
  EXPECT_EQ(twice.err,
            "-dir is given more than once; name every catalog directory in one -dir, separated by commas: "
            "-dir \"old,new\"\n");

  machine_.tmp.MakeDir("catalogs/old");
  const Outcome doubtful = Cli({"-dir", "old, missing,,/nowhere/at/all", "catalogs"});
  EXPECT_EQ(doubtful.status, 0);
  EXPECT_EQ(
      doubtful.err,
      "Warning: the -dir entry ' missing' begins or ends with a space, which is taken as part of the "
      "directory's name (separate the entries with commas only: -dir \"a,b\")\n"
      "Warning: the catalog directory '" +
          catalogs_ +
          "/ missing' cannot be read: No such file or directory\n"
          "Warning: -dir holds an empty entry, which names the start directory again\n"
          "Warning: the catalog directory '/nowhere/at/all' cannot be read: No such file or directory\n");
  EXPECT_EQ(Cli({"-dir", "old", "catalogs"}).err, "");

  // A list that looks like an option is still the list, and expert mode stays off.
  const Outcome optionLike = Cli({"-dir", "/dd", "search", "--pattern", "x", "--limit", "6000"});
  EXPECT_EQ(
      optionLike.err,
      "Warning: the -dir list '/dd' looks like an option; it is read as a directory, since the list is "
      "always the argument right after -dir\n"
      "Note: --limit 6000 is read as 2560 (the hit limit is a whole number from 1 to 5120, or more with "
      "-dd)\n"
      "Warning: the catalog directory '/dd' cannot be read: No such file or directory\n0\n");
}

TEST_F(CliTest, NotesSayWhichValueTheSearchUses) {
  WriteCatalog("a.mvl", "A", "", {{"f", 1, 0, 0}});
  auto err = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "search");
    args.insert(args.end(), {"--pattern", "zzz"});
    const std::string text = Cli(args).err;
    return text.substr(0, text.size() - 2);  // without the count "0\n"
  };
  const std::string forms = " (dates are YYMMDD, YYMM or YY, -N for N days ago, or none for today)\n";
  EXPECT_EQ(err({"--date", ">=", "2026-12-01"}), "Note: the date '2026-12-01' is read as 2020-01-01" + forms);
  EXPECT_EQ(err({"--date", "=", "010230"}), "Note: the date '010230' is read as 2001-03-02" + forms);
  EXPECT_EQ(err({"--date", "=", "011301"}), "Note: the date '011301' is read as 2001-01-01" + forms);
  EXPECT_EQ(err({"--date", "=", "5"}), "Note: the date '5' is read as 2005-01-01" + forms);
  EXPECT_EQ(err({"--date", "=", "-0"}),
            "Note: the date '-0' is read as 2000-01-01" + forms);  // "%2d" reads 0
  for (const char* exact : {"011106", "0111", "01", "-1", "-30", "500101"}) {
    EXPECT_EQ(err({"--date", "=", exact}), "") << exact;
  }
  EXPECT_EQ(err({"--date", "="}), "");

  EXPECT_EQ(
      err({"--limit", "0"}),
      "Note: --limit 0 is read as 2560 (the hit limit is a whole number from 1 to 5120, or more with -dd)\n");
  EXPECT_EQ(err({"--limit", "12x"}).substr(0, 33), "Note: --limit 12x is read as 12 (");
  EXPECT_EQ(err({"--limit", "12"}), "");
  EXPECT_EQ(err({"--length", ">", "99999999999"}), "");
  EXPECT_EQ(err({"--length", ">", "9223372036854775807"}), "");
  EXPECT_EQ(
      err({"--length", ">", "9223372036854775808"}),
      "Note: the length 9223372036854775808 is read as 9223372036854775807, the largest length a catalog "
      "holds\n");
  EXPECT_EQ(err({"--length", ">", "0010"}), "");
}

TEST_F(CliTest, CatalogFilesThatCannotBeReadAreNamed) {
  WriteCatalog("a.mvl", "A", "", {{"f", 1, 0, 0}});
  machine_.tmp.MakeFile("catalogs/broken.mvl", 0, -1, "not a catalog");
  const std::string warning =
      "Warning: skipped the catalog file '" + catalogs_ + "/broken.mvl': not a catalog file\n";
  const Outcome catalogs = Cli({"catalogs", "--date-format", "-"});
  EXPECT_EQ(catalogs.status, 0);
  EXPECT_EQ(catalogs.out.substr(0, 2), "A\t");
  EXPECT_EQ(catalogs.err, warning);
  const Outcome search = Cli({"search", "--pattern", "f"});
  EXPECT_EQ(search.out, "f\t70-01-01\t1\tA\t\n");
  EXPECT_EQ(search.err, warning + "1\n");
  EXPECT_EQ(Cli({"ls", "A"}).err, warning);
}

TEST_F(CliTest, ARefreshThatCannotBeDoneSaysWhyAndFails) {
  machine_.tmp.MakeFile("media/usb/photos/a.jpg", 10);
  ASSERT_EQ(Cli({"add", machine_.Usb() + "/photos", "--label", "Photos"}).status, 0);
  std::filesystem::remove_all(machine_.Usb() + "/photos");
  const Outcome run = Cli({"refresh", "Photos"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("Volume label error: " + machine_.Usb() +
                              "/photos: No such file or directory\n"
                              "The catalog file cannot be refreshed",
                          0),
            0u)
      << run.err;
  EXPECT_EQ(Cli({"catalogs", "--date-format", "-"}).out.substr(0, 7), "Photos\t");  // still there
}

TEST_F(CliTest, ACatalogThatCannotBeWrittenIsNotReportedAsAdded) {
  machine_.tmp.MakeFile("media/usb/a.txt", 10);
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  const std::string gone = machine_.tmp / "gone";  // the start directory does not exist
  CliContext context{in, out, err, gone, machine_.paths};
  EXPECT_EQ(RunCli({"add", machine_.Usb()}, context), 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(),
            "The catalog file '" + gone + "/PHOTOS.mvl' could not be written.\nNo such file or directory\n");
}

TEST_F(CliTest, ACancelledScanSaysSoOnStandardError) {
  machine_.tmp.MakeFile("media/usb/a.txt", 10);
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  const std::atomic<bool> cancel{true};
  CliContext context{in, out, err, catalogs_, machine_.paths};
  context.cancel = &cancel;
  EXPECT_EQ(RunCli({"add", machine_.Usb()}, context), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Scan cancelled: nothing added to catalog from PHOTOS\n");
  EXPECT_FALSE(std::filesystem::exists(catalogs_ + "/PHOTOS.mvl"));
}

// Input that runs an action when the program first reads it: what happens while a question waits.
class InputAtQuestion : public std::streambuf {
 public:
  InputAtQuestion(std::string text, std::function<void()> action)
      : text_(std::move(text)), action_(std::move(action)) {}

 protected:
  int_type underflow() override {
    if (action_) std::exchange(action_, nullptr)();
    if (gptr() == nullptr) setg(text_.data(), text_.data(), text_.data() + text_.size());
    return gptr() < egptr() ? traits_type::to_int_type(*gptr()) : traits_type::eof();
  }

 private:
  std::string text_;
  std::function<void()> action_;
};

TEST_F(CliTest, DeleteSaysWhyEachCatalogStayed) {
  WriteCatalog("a.mvl", "A", "", {{"f", 1, 0, 0}});
  WriteCatalog("b.mvl", "B", "", {{"f", 1, 0, 0}});
  // While the question waits, a.mvl turns into a directory, which no one can delete as a file.
  InputAtQuestion input("y\n", [&] {
    std::filesystem::remove(catalogs_ + "/a.mvl");
    machine_.tmp.MakeFile("catalogs/a.mvl/inside");
  });
  std::istream in(&input);
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{in, out, err, catalogs_, machine_.paths};
  context.inputIsTerminal = true;
  EXPECT_EQ(RunCli({"delete", "A", "B"}, context), 2);
  EXPECT_EQ(out.str(), "Deleted B (" + catalogs_ + "/b.mvl)\n");
  EXPECT_EQ(err.str(), "Really want to delete ? [y/N] The catalog file '" + catalogs_ +
                           "/a.mvl' could not be deleted: Is a directory\n");
  EXPECT_FALSE(std::filesystem::exists(catalogs_ + "/b.mvl"));
}

}  // namespace
}  // namespace mardo
