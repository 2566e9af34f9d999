#include "cli/scan_report.h"

#include "base/format_text.h"
#include "cli/cli_app.h"
#include "cli/cli_texts.h"
#include "cli/text_escape.h"

namespace mardo {

namespace {

// A warning about `count` paths, the first of which are `paths`.
std::string PathsWarning(int32_t count, const std::vector<std::string>& paths, const char* one,
                         const char* many, bool terminal) {
  if (count <= 0) return {};
  std::string text = count == 1 ? std::string(one) : FormatText(many, count);
  const auto shown = static_cast<int32_t>(paths.size());
  if (count == 1 && shown == 1) return text + ": " + ForStream(paths[0], terminal);
  if (shown > 0) text += ':';
  for (const std::string& path : paths) text += "\n  " + ForStream(path, terminal);
  if (shown > 0 && count > shown) text += FormatText(texts::cli::kUnreadableMore, count - shown);
  return text;
}

}  // namespace

std::string UnreadableWarning(const AddWorkflow::Result& result, bool terminal) {
  const std::string directories =
      PathsWarning(result.unreadableCount, result.unreadablePaths, texts::cli::kUnreadableOne,
                   texts::cli::kUnreadableMany, terminal);
  const std::string entries =
      PathsWarning(result.unreadableEntryCount, result.unreadableEntryPaths, texts::cli::kUnreadableEntryOne,
                   texts::cli::kUnreadableEntryMany, terminal);
  return directories.empty() || entries.empty() ? directories + entries : directories + "\n" + entries;
}

int ReportScan(const AddWorkflow::Result& result, bool strict, OutputChannel out, OutputChannel err) {
  out.stream.flush();
  for (const std::string& note : result.ignoreNotes)
    err.stream << "Warning: " << ForStream(note, err.terminal) << '\n';
  const std::string warning = UnreadableWarning(result, err.terminal);
  if (!warning.empty()) err.stream << warning << '\n';
  switch (result.outcome) {
    case AddWorkflow::Outcome::kStored:
      out.stream << ForStream(result.message, out.terminal) << '\n';
      return strict && (result.unreadableCount > 0 || result.unreadableEntryCount > 0) ? kExitIncomplete
                                                                                       : kExitSuccess;
    case AddWorkflow::Outcome::kNotWritten:
      return kExitError;
    case AddWorkflow::Outcome::kNothing:
      break;
  }
  if (result.cancelled || result.refused) {
    out.stream.flush();
    err.stream << ForStream(result.message, err.terminal) << '\n';
    return result.cancelled ? kExitNothing : kExitError;
  }
  if (!result.message.empty()) out.stream << ForStream(result.message, out.terminal) << '\n';
  return kExitNothing;
}

}  // namespace mardo
