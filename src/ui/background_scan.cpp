#include "ui/background_scan.h"

#include <QMetaObject>

#include <atomic>
#include <mutex>

#include "base/format_text.h"
#include "scan/add_workflow.h"
#include "scan/scan_texts.h"

namespace mardo {

// What the scan's thread and the window share. The thread holds it as long as it runs, so it
// outlives a BackgroundScan that abandoned the scan.
struct BackgroundScan::Shared {
  std::mutex mutex;
  BackgroundScan* owner = nullptr;  // guarded by `mutex`; nullptr once abandoned
  std::atomic<bool> cancel{false};
  std::unique_ptr<ScanJob> job;
  std::function<void()> starting;

  // Runs `report` (given the owner) on the owner's thread, unless the scan was abandoned by then.
  // Posting under the lock: the owner clears itself under the same lock when it abandons the scan,
  // and Qt drops what was posted to an object when the object goes.
  template <class Report>
  void Post(Report report) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (owner == nullptr) return;
    BackgroundScan* target = owner;
    const Shared* self = this;
    QMetaObject::invokeMethod(
        target,
        [target, self, report = std::move(report)] {
          // A report of a scan this owner abandoned in the meantime is not for it.
          if (target->shared_.get() == self) report(target);
        },
        Qt::QueuedConnection);
  }
};

BackgroundScan::BackgroundScan(QObject* parent) : QObject(parent) {}

BackgroundScan::~BackgroundScan() {
  Abandon();
}

void BackgroundScan::Start(std::unique_ptr<ScanJob> job, std::function<void()> starting) {
  if (Running()) return;
  shared_ = std::make_shared<Shared>();
  shared_->owner = this;
  shared_->job = std::move(job);
  shared_->starting = std::move(starting);
  thread_ = std::thread([shared = shared_] {
    if (shared->starting) shared->starting();
    // The scanner reports at most every 100 ms.
    shared->job->Run(&shared->cancel, [&shared](const ScanProgress& progress) {
      const QString text =
          QString::fromStdString(FormatText(texts::kScanProgress, static_cast<long long>(progress.entries),
                                            std::string(progress.directory).c_str()));
      shared->Post([text](BackgroundScan* owner) { emit owner->Progress(text); });
    });
    shared->Post([](BackgroundScan* owner) { owner->OnThreadEnded(); });
  });
}

void BackgroundScan::OnThreadEnded() {
  if (thread_.joinable()) thread_.join();
  emit Finished();
}

void BackgroundScan::Cancel() {
  if (shared_) shared_->cancel = true;
}

std::unique_ptr<ScanJob> BackgroundScan::TakeJob() {
  if (!shared_ || Running()) return nullptr;
  std::unique_ptr<ScanJob> job = std::move(shared_->job);
  shared_.reset();
  return job;
}

void BackgroundScan::Abandon() {
  if (!Running()) return;
  shared_->cancel = true;
  {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->owner = nullptr;
  }
  thread_.detach();
  shared_.reset();
}

}  // namespace mardo
