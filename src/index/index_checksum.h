#pragma once

#include <cstddef>
#include <cstdint>

namespace mardo {

// A fast 64-bit checksum of a run of bytes (four independent lanes of multiply-rotate, mixed at
// the end), for telling a damaged index file from a sound one. Not for security.
uint64_t IndexChecksum(const void* data, size_t size, uint64_t seed = 0);

}  // namespace mardo
