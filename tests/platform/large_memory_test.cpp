#include "platform/large_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace mardo {
namespace {

TEST(LargeMemory, ArraysKeepTheirValuesAsTheyGrowIntoMemoryAlignedForHugePages) {
  std::vector<uint32_t, LargeAllocator<uint32_t>> values;
  const size_t count = 3 * kLargeArrayBytes / sizeof(uint32_t) + 7;  // past the size of a huge page
  for (uint32_t k = 0; k < count; ++k) values.push_back(k * 2654435761u);
  ASSERT_EQ(values.size(), count);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(values.data()) % (size_t{2} << 20), 0u);
  for (uint32_t k = 0; k < count; ++k) ASSERT_EQ(values[k], k * 2654435761u) << k;

  for (const size_t size : {size_t{0}, size_t{1}, kLargeArrayBytes - 1, kLargeArrayBytes,
                            (size_t{5} << 20) + 3, kHugeArrayBytes + 1}) {
    const LargeArray<uint8_t> array(size);
    if (size == 0) continue;
    array[0] = 1;
    array[size - 1] = 2;  // the whole size is writable
    EXPECT_EQ(array[0] + array[size - 1], size == 1 ? 4 : 3) << size;
  }
}

TEST(LargeMemory, MemoryGivenItsPagesAtOnceAndArraysGrownForFillingKeepTheirValues) {
  std::vector<uint8_t> bytes(3 * 4096 + 100);
  for (size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(k * 7);
  MapForWriting(bytes.data() + 5, bytes.size() - 5);  // from inside a page
  for (size_t k = 0; k < bytes.size(); ++k) ASSERT_EQ(bytes[k], static_cast<uint8_t>(k * 7)) << k;

  // From empty, small, and past the size where arrays get memory of their own.
  for (const size_t start : {size_t{0}, size_t{3}, kLargeArrayBytes / sizeof(uint32_t) + 1}) {
    std::vector<uint32_t, LargeAllocator<uint32_t>> values;
    for (uint32_t k = 0; k < start; ++k) values.push_back(k * 2654435761u);
    for (const size_t more : {size_t{1}, size_t{5000}}) {
      const size_t before = values.capacity();
      GrowForFilling(values, more);
      EXPECT_GE(values.capacity(), values.size() + more) << start;
      if (values.capacity() != before) {
        EXPECT_GE(values.capacity(), 2 * before) << start;
      }
    }
    ASSERT_EQ(values.size(), start);
    for (uint32_t k = 0; k < start; ++k) ASSERT_EQ(values[k], k * 2654435761u) << start << " " << k;
  }
}

}  // namespace
}  // namespace mardo
