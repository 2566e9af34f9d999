#include "cli/cli_form.h"

namespace mardo {

void CliForm::ScanProgress(const mardo::ScanProgress& progress) {
  if (!showProgress_) return;
  std::string directory(progress.directory);
  constexpr size_t kRoom = 60;  // keep the line within a common terminal width
  if (directory.size() > kRoom) directory = "..." + directory.substr(directory.size() - kRoom + 3);
  err_ << "\r\033[K" << progress.entries << " entries  " << directory << std::flush;
  progressShown_ = true;
}

void CliForm::BeginWait() {
  if (cancellable_ != nullptr) *cancellable_ = true;
}

void CliForm::EndWait() {
  if (cancellable_ != nullptr) *cancellable_ = false;
  if (progressShown_) err_ << "\r\033[K" << std::flush;
  progressShown_ = false;
}

}  // namespace mardo
