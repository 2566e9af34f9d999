#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mardo {

class FileRecord;

// A file that an action had to leave alone, and why (for one message listing them all).
struct FileProblem {
  std::string path;
  std::string reason;
};

// The native paths of the selected file rows, shared by the drag and the delete.
struct FilePaths {
  std::vector<const FileRecord*> files;  // the file rows that have a path here, in row order
  std::vector<std::string> paths;        // their native paths, in the same order
  std::vector<FileProblem> leftOut;      // file rows whose catalog cannot name a path here
};

// Goes through the rows in the order given (ascending row order): directory entries and null
// rows are passed over; a file whose catalog is older than version 2, comes from another system
// or does not locate it is left out with the reason.
FilePaths CollectFilePaths(std::span<const FileRecord* const> rows);

// The path list: each path followed by one zero byte. Its length is PathListLength.
std::string BuildPathList(std::span<const std::string> paths);
size_t PathListLength(std::span<const std::string> paths);

// The drop block of a file drag (DROPFILES with single-byte names), PathListLength + 24 bytes:
// at 0 the offset of the file list (20, 32-bit little-endian), at 4 to 19 zeros (drop point,
// non-client flag, wide-character flag), at 20 the path list, then four zero bytes that end the
// list. With no path, 24 bytes.
inline constexpr size_t kDropFilesHeaderSize = 20;
std::vector<uint8_t> MakeDropFiles(std::string_view pathList);

// `heading`, then one line "path: reason" per problem, at most texts::kMaxListedFiles of them and
// then the count of the others; empty when there is no problem.
std::string FileProblemsMessage(std::string_view heading, std::span<const FileProblem> problems);

}  // namespace mardo
