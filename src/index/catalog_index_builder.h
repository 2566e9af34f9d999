#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "store/catalog.h"

namespace mardo {

// The bytes of the index file of a loaded catalog (see index_format.h), stamped with the path and
// identity of the catalog file it was read from. Empty when the catalog is too large for the
// format (4 GiB of names or of directory paths).
std::vector<uint8_t> BuildCatalogIndex(const Catalog& catalog, std::string_view sourcePath,
                                       const FileIdentity& source);

// The bytes of an index file without records that says the catalog file (with this identity)
// could not be indexed, so that searches read it whole without trying again.
std::vector<uint8_t> BuildUnindexedMarker(std::string_view sourcePath, const FileIdentity& source);

}  // namespace mardo
