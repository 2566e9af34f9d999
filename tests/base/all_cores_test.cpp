#include "base/all_cores.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace mardo {
namespace {

// Helper threads are kept from call to call: calls from several threads at once, and calls
// made from within an item, must each run every item once and return only when all are done.
TEST(AllCores, EveryItemRunsOnceBeforeTheCallReturnsWhateverTheCallersAndNesting) {
  constexpr size_t kItems = 300;
  constexpr size_t kInner = 7;
  auto oneCall = [&](size_t threads) {
    std::vector<std::atomic<int>> runs(kItems);
    std::vector<std::atomic<int>> innerRuns(kItems * kInner);
    RunOnThreads(kItems, threads, [&](size_t i) {
      runs[i]++;
      if (i % 50 == 0) RunOnAllCores(kInner, [&](size_t k) { innerRuns[i * kInner + k]++; });
    });
    for (size_t i = 0; i < kItems; ++i) {
      EXPECT_EQ(runs[i].load(), 1) << i;
      for (size_t k = 0; k < kInner; ++k) EXPECT_EQ(innerRuns[i * kInner + k].load(), i % 50 == 0 ? 1 : 0);
    }
  };
  for (const size_t threads : {size_t{1}, size_t{2}, size_t{8}}) {
    std::vector<std::thread> callers;
    for (int c = 0; c < 3; ++c) callers.emplace_back([&] { oneCall(threads); });
    for (std::thread& caller : callers) caller.join();
    oneCall(threads);  // the helpers of the calls before, idle again
  }
  // Short calls: the caller often does every item before a helper wakes, and takes the job back
  // from it; the helper must then neither run an item nor be lost to later calls.
  for (int call = 0; call < 2000; ++call) {
    std::vector<std::atomic<int>> runs(3);
    RunOnThreads(3, 3, [&](size_t i) { runs[i]++; });
    for (const std::atomic<int>& r : runs) ASSERT_EQ(r.load(), 1) << call;
  }
}

}  // namespace
}  // namespace mardo
