#include "base/all_cores.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace mardo {

void RunOnThreads(size_t count, size_t threads, const std::function<void(size_t)>& body) {
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < count; i = next++) body(i);
  };
  threads = std::min(count, std::max<size_t>(threads, 1));
  std::vector<std::thread> helpers;
  for (size_t t = 1; t < threads; ++t) helpers.emplace_back(worker);
  worker();
  for (std::thread& helper : helpers) helper.join();
}

void RunOnAllCores(size_t count, const std::function<void(size_t)>& body) {
  RunOnThreads(count, std::max(1u, std::thread::hardware_concurrency()), body);
}

}  // namespace mardo
