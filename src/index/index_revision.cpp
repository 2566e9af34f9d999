#include "index/index_format.h"

namespace mardo::index_format {

uint32_t CodeRevision() {
  // A digest of the sources that read and write indexes, given by the build (CMakeLists.txt).
  return MARDO_INDEX_REVISION;
}

}  // namespace mardo::index_format
