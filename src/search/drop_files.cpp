#include "search/drop_files.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/format_text.h"
#include "search/entry_path.h"
#include "search/search_texts.h"
#include "store/catalog.h"

namespace mardo {

FilePaths CollectFilePaths(std::span<const FileRecord* const> rows) {
  FilePaths out;
  for (const FileRecord* row : rows) {
    if (row == nullptr || row->IsDirectory()) continue;
    if (std::optional<std::string> path = NativeEntryPath(*row)) {
      out.files.push_back(row);
      out.paths.push_back(std::move(*path));
    } else {
      out.leftOut.push_back({DisplayEntryPath(*row), UnreachableReason(*row->OwningCatalog())});
    }
  }
  return out;
}

size_t PathListLength(std::span<const std::string> paths) {
  size_t length = 0;
  for (const std::string& path : paths) length += path.size() + 1;
  return length;
}

std::string BuildPathList(std::span<const std::string> paths) {
  std::string list;
  list.reserve(PathListLength(paths));
  for (const std::string& path : paths) {
    list.append(path);
    list.push_back('\0');
  }
  return list;
}

std::vector<uint8_t> MakeDropFiles(std::string_view pathList) {
  std::vector<uint8_t> block(kDropFilesHeaderSize + pathList.size() + 4, 0);
  block[0] = static_cast<uint8_t>(kDropFilesHeaderSize);
  std::copy(pathList.begin(), pathList.end(), block.begin() + kDropFilesHeaderSize);
  return block;
}

std::string FileProblemsMessage(std::string_view heading, std::span<const FileProblem> problems) {
  if (problems.empty()) return {};
  std::string message(heading);
  const size_t listed = std::min(problems.size(), static_cast<size_t>(texts::kMaxListedFiles));
  for (size_t i = 0; i < listed; ++i) {
    message.append(FormatText(texts::kFileAndReason, problems[i].path.c_str(), problems[i].reason.c_str()));
  }
  if (problems.size() > listed) {
    message.append(FormatText(texts::kMoreFiles, static_cast<int>(problems.size() - listed)));
  }
  return message;
}

}  // namespace mardo
