#include "base/all_cores.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace mardo {

void RunOnAllCores(size_t count, const std::function<void(size_t)>& body) {
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < count; i = next++) body(i);
  };
  const size_t threads = std::min<size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::thread> helpers;
  for (size_t t = 1; t < threads; ++t) helpers.emplace_back(worker);
  worker();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace mardo
