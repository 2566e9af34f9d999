#include "platform/paged_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/large_memory.h"

namespace mardo {
namespace {

constexpr size_t kPage = 4096;

// Whether transparent huge pages back anonymous memory without being asked for ("always").
bool HugePagesUnasked() {
  static const bool always = [] {
    char text[64] = {};
    const int fd = ::open("/sys/kernel/mm/transparent_hugepage/enabled", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    return got > 0 && std::strstr(text, "[always]") != nullptr;
  }();
  return always;
}

std::atomic<bool> roomLeftToExit{false};  // LeaveRoomToExit

}  // namespace

PagedFile::~PagedFile() {
  Close();
}

void PagedFile::LeaveRoomToExit() {
  roomLeftToExit = true;
}

bool PagedFile::Open(const std::string& path) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    Close();
    return false;
  }
  identity_ = IdentityOfStat(st);
  size_ = static_cast<size_t>(st.st_size);
  reserved_ = (size_ + kPage - 1) / kPage * kPage;
  if (reserved_ > 0) {
    void* p = ::mmap(nullptr, reserved_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                     -1, 0);
    if (p == MAP_FAILED) {
      reserved_ = 0;
      Close();
      return false;
    }
    data_ = static_cast<uint8_t*>(p);
    // Pieces are small and scattered: whole huge pages would cost more than they save. (Asked
    // only where the system would use them unasked.)
    if (HugePagesUnasked()) ::madvise(p, reserved_, MADV_NOHUGEPAGE);
  }
  loaded_.assign(reserved_ / kPage, false);
  return true;
}

void PagedFile::Close() {
  if (data_ != nullptr && !roomLeftToExit) ::munmap(data_, reserved_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  data_ = nullptr;
  size_ = reserved_ = 0;
  identity_ = {};
  loaded_.clear();
}

bool PagedFile::Load(size_t offset, size_t size) {
  if (offset > size_ || size > size_ - offset) return false;
  if (size == 0) return true;
  size_t page = offset / kPage;
  const size_t endPage = (offset + size + kPage - 1) / kPage;
  while (page < endPage) {
    if (loaded_[page]) {
      ++page;
      continue;
    }
    size_t run = page;
    while (run < endPage && !loaded_[run]) ++run;
    // Read the pages [page, run) whole, less what lies past the end of the file.
    size_t at = page * kPage;
    const size_t until = std::min(run * kPage, size_);
    MapForWriting(data_ + at, until - at);
    while (at < until) {
      const ssize_t got = ::pread(fd_, data_ + at, until - at, static_cast<off_t>(at));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;  // an error, or the file was cut short since it was opened
      at += static_cast<size_t>(got);
    }
    for (; page < run; ++page) loaded_[page] = true;
  }
  return true;
}

void PagedFile::ReadSoon(size_t offset, size_t size) const {
  if (fd_ >= 0 && size > 0)
    ::posix_fadvise(fd_, static_cast<off_t>(offset), static_cast<off_t>(size), POSIX_FADV_WILLNEED);
}

void PagedFile::ReadScattered() const {
  if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
}

bool PagedFile::ReadInto(size_t offset, size_t size, uint8_t* out) const {
  if (offset > size_ || size > size_ - offset) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace mardo
