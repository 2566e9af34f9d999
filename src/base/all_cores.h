#pragma once

#include <cstddef>
#include <functional>

namespace mardo {

// Runs body(0) to body(count - 1), each once, on as many threads as the machine has cores (the
// caller's thread among them), and returns when all are done. Items are handed out in order;
// `body` must not throw.
void RunOnAllCores(size_t count, const std::function<void(size_t)>& body);

// The same on up to `threads` threads, for work that mostly waits for the disk.
void RunOnThreads(size_t count, size_t threads, const std::function<void(size_t)>& body);

}  // namespace mardo
