#pragma once

#include <cstdint>
#include <string_view>

namespace mardo {

// One catalogued directory. Its index in the catalog's directory array is its directory number;
// number 0 is the scan root. 24 bytes; the path lives in the owning catalog.
class DirRecord {
  // First, so that the record packs into 24 bytes.
  const char* pathPtr_;
  uint32_t pathSize_;

 public:
  DirRecord(std::string_view path, int32_t files, double total)
      : pathPtr_(path.data()),
        pathSize_(static_cast<uint32_t>(path.size())),
        fileCount(files),
        totalLength(total) {}

  // Volume-relative path in catalog form: empty for the volume root, else a backslash before each
  // name ("\docs\old").
  std::string_view Path() const { return {pathPtr_, pathSize_}; }

  // Files of the directory's whole subtree (directories are not counted).
  int32_t fileCount = 0;
  // Sum of those files' sizes, in bytes.
  double totalLength = 0.0;
};

}  // namespace mardo
