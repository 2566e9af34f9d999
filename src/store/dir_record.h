#pragma once

#include <cstdint>
#include <string>

namespace mardo {

// One catalogued directory. Its index in the catalog's directory array is its directory number;
// number 0 is the scan root.
struct DirRecord {
  // Volume-relative path in catalog form: empty for the volume root, else a backslash before each
  // name ("\docs\old").
  std::string path;
  // Files of the directory's whole subtree (directories are not counted).
  int32_t fileCount = 0;
  // Sum of those files' sizes, in bytes.
  double totalLength = 0.0;
};

}  // namespace mardo
