#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <thread>

namespace mardo {

class ScanJob;

// Runs one ScanJob on a thread of its own while the window goes on. Progress and the end arrive as
// signals on this object's thread. A scan can be abandoned: a scan of a medium that no longer
// answers may sit in a system call for as long as the system likes, and the window must still
// close at once. The thread then owns the job and what it needs, and reports to nobody.
class BackgroundScan final : public QObject {
  Q_OBJECT
 public:
  explicit BackgroundScan(QObject* parent = nullptr);
  ~BackgroundScan() override;

  // Starts the job; `starting` (may be empty) runs on the scan's thread before the walk.
  void Start(std::unique_ptr<ScanJob> job, std::function<void()> starting);
  bool Running() const { return thread_.joinable(); }
  // Asks the walk to stop; Finished follows.
  void Cancel();
  // After Finished: the job, to commit.
  std::unique_ptr<ScanJob> TakeJob();
  // Cancels a running scan and leaves its thread to end by itself, with the job; nothing of it
  // reaches this object any more. Never waits.
  void Abandon();

 signals:
  void Progress(const QString& text);
  void Finished();

 private:
  struct Shared;
  void OnThreadEnded();

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace mardo
