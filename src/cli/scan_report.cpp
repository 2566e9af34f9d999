#include "cli/scan_report.h"

#include "base/format_text.h"
#include "cli/cli_app.h"
#include "cli/cli_texts.h"
#include "cli/text_escape.h"

namespace mardo {

std::string UnreadableWarning(const AddWorkflow::Result& result, bool terminal) {
  if (result.unreadableCount <= 0) return {};
  const int32_t count = result.unreadableCount;
  std::string text = count == 1 ? texts::cli::kUnreadableOne : FormatText(texts::cli::kUnreadableMany, count);
  const auto shown = static_cast<int32_t>(result.unreadablePaths.size());
  if (count == 1 && shown == 1) return text + ": " + ForStream(result.unreadablePaths[0], terminal);
  if (shown > 0) text += ':';
  for (const std::string& path : result.unreadablePaths) text += "\n  " + ForStream(path, terminal);
  if (shown > 0 && count > shown) text += FormatText(texts::cli::kUnreadableMore, count - shown);
  return text;
}

int ReportScan(const AddWorkflow::Result& result, bool strict, OutputChannel out, OutputChannel err) {
  const std::string warning = UnreadableWarning(result, err.terminal);
  if (!warning.empty()) {
    out.stream.flush();
    err.stream << warning << '\n';
  }
  switch (result.outcome) {
    case AddWorkflow::Outcome::kStored:
      out.stream << ForStream(result.message, out.terminal) << '\n';
      return strict && result.unreadableCount > 0 ? kExitIncomplete : kExitSuccess;
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
