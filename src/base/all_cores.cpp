#include "base/all_cores.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace mardo {
namespace {

// One call's items, shared by the caller and the helpers it got.
struct Job {
  const std::function<void(size_t)>* body = nullptr;
  size_t count = 0;
  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::condition_variable done;
  size_t working = 0;  // helpers not yet through with it
};

void Work(Job& job) {
  for (size_t i = job.next++; i < job.count; i = job.next++) (*job.body)(i);
}

// Helper threads kept from call to call: starting a thread, and the first use of its stack and
// heap, cost far more than handing it work (on a virtual machine, up to milliseconds). They wait
// for work while the program runs and end with it; the pool is never destroyed, so that a helper
// still waiting at exit touches nothing destroyed.
class Helpers {
 public:
  static Helpers& Shared() {
    static auto* helpers = new Helpers;
    return *helpers;
  }

  struct Helper;

  // Hands `job` to up to `wanted` helpers, idle ones first, each as soon as it is had (starting
  // several takes a while); those that took it are added to `handed`.
  void Hand(Job& job, size_t wanted, std::vector<Helper*>& handed) {
    std::vector<Helper*> idle;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      while (idle.size() < wanted && !idle_.empty()) {
        idle.push_back(idle_.back());
        idle_.pop_back();
      }
    }
    // Woken by this thread, a helper would be run on this thread's core, the two taking turns
    // there while another core idles (for tens of milliseconds, as seen on virtual machines):
    // it is kept to the other cores the program may use, if there are any and they are enough
    // for the helpers. (Helpers beyond the cores mostly wait for the disk: the system places
    // them best, on any of the cores.)
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const bool known = ::sched_getaffinity(0, sizeof allowed, &allowed) == 0;
    cpu_set_t others = allowed;
    const int here = ::sched_getcpu();
    const bool elsewhere = known && here >= 0 && here < CPU_SETSIZE &&
                           (CPU_CLR(here, &others), CPU_COUNT(&others) >= static_cast<int>(wanted));
    for (size_t k = 0; k < wanted; ++k) {
      Helper* helper = k < idle.size() ? idle[k] : Start();
      if (helper == nullptr) break;  // no thread to be had: the caller's does the rest
      if (known) ::pthread_setaffinity_np(helper->handle, sizeof allowed, elsewhere ? &others : &allowed);
      {
        const std::lock_guard<std::mutex> lock(job.mutex);
        ++job.working;
      }
      const std::lock_guard<std::mutex> lock(helper->mutex);
      helper->job = &job;
      helper->wake.notify_one();
      handed.push_back(helper);
    }
  }

  // Takes `job` back from the helpers of `handed` that have not begun it: the caller's thread did
  // every item meanwhile, and a helper may take long to wake (on a virtual machine, an idle core
  // up to a millisecond or more). They are idle again at once.
  void Recall(Job& job, const std::vector<Helper*>& handed) {
    for (Helper* helper : handed) {
      {
        const std::lock_guard<std::mutex> lock(helper->mutex);
        if (helper->job != &job || helper->begun) continue;
        helper->job = nullptr;  // its wait goes on
      }
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(helper);
      }
      const std::lock_guard<std::mutex> lock(job.mutex);
      --job.working;
    }
  }

  struct Helper {
    pthread_t handle{};
    std::mutex mutex;
    std::condition_variable wake;
    Job* job = nullptr;
    bool begun = false;  // with job: it took the job, which can no longer be recalled
  };

 private:
  Helper* Start() {
    auto* helper = new Helper;
    try {
      std::thread thread([this, helper] { Serve(*helper); });
      helper->handle = thread.native_handle();
      thread.detach();
    } catch (const std::system_error&) {
      delete helper;
      return nullptr;
    }
    return helper;
  }

  void Serve(Helper& helper) {
    for (;;) {
      Job* job = nullptr;
      {
        std::unique_lock<std::mutex> lock(helper.mutex);
        helper.wake.wait(lock, [&helper] { return helper.job != nullptr; });
        job = helper.job;
        helper.begun = true;
      }
      Work(*job);
      // Idle again before the caller hears that the job is done, so that its next call finds
      // this helper rather than starting another.
      {
        const std::lock_guard<std::mutex> lock(helper.mutex);
        helper.job = nullptr;
        helper.begun = false;
      }
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(&helper);
      }
      // The caller waits for this before its job ends: nothing touches the job afterwards.
      const std::lock_guard<std::mutex> lock(job->mutex);
      if (--job->working == 0) job->done.notify_all();
    }
  }

  std::mutex mutex_;
  std::vector<Helper*> idle_;
};

}  // namespace

void RunOnThreads(size_t count, size_t threads, const std::function<void(size_t)>& body) {
  threads = std::min(count, std::max<size_t>(threads, 1));
  if (threads <= 1) {
    for (size_t i = 0; i < count; ++i) body(i);
    return;
  }
  Job job;
  job.body = &body;
  job.count = count;
  std::vector<Helpers::Helper*> handed;
  Helpers::Shared().Hand(job, threads - 1, handed);
  Work(job);
  if (handed.empty()) return;
  Helpers::Shared().Recall(job, handed);
  std::unique_lock<std::mutex> lock(job.mutex);
  job.done.wait(lock, [&job] { return job.working == 0; });
}

void RunOnAllCores(size_t count, const std::function<void(size_t)>& body) {
  RunOnThreads(count, std::max(1u, std::thread::hardware_concurrency()), body);
}

}  // namespace mardo
