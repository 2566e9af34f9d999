#include "cli/cli_form.h"

#include "cli/text_escape.h"

namespace mardo {

void CliForm::ScanProgress(const mardo::ScanProgress& progress) {
  if (!showProgress_) return;
  // Only ever shown on a terminal: the path is escaped, then cut to keep the line within a common
  // terminal width, at a character boundary.
  std::string directory = EscapeControls(progress.directory, true);
  constexpr size_t kRoom = 60;
  if (directory.size() > kRoom) {
    size_t cut = directory.size() - kRoom + 3;
    while (cut < directory.size() && (static_cast<unsigned char>(directory[cut]) & 0xC0) == 0x80) ++cut;
    directory = "..." + directory.substr(cut);
  }
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
