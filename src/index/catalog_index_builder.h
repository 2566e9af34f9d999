#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace mardo {

// The bytes of the index file (see index_format.h) of the catalog file at `sourcePath`, read as it
// is now, stamped with its path and identity. Empty when the file is not the one with the identity
// `source` all through the reading, when the catalog reader would not accept it, or when the
// catalog is too large for the format (4 GiB of posting lists).
std::vector<uint8_t> BuildCatalogIndex(std::string_view sourcePath, const FileIdentity& source);

// The bytes of an index file without records that says the catalog file (with this identity)
// could not be indexed, so that searches read it whole without trying again.
std::vector<uint8_t> BuildUnindexedMarker(std::string_view sourcePath, const FileIdentity& source);

}  // namespace mardo
