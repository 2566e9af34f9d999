#include "index/catalog_bytes.h"

#include <cstring>

namespace mardo::catalog_bytes {
namespace {

constexpr uint32_t kFormatBase = 500410407;
constexpr uint32_t kVersionStep = 1000000000;
constexpr int16_t kWideVersion = 4;

constexpr uint8_t kWideTime = 1;
constexpr uint8_t kWideLength = 2;
constexpr uint8_t kWideDirNumber = 4;
constexpr uint8_t kTagBits = kWideTime | kWideLength | kWideDirNumber;

// Reads fields one after the other; once a read fails, every later one fails too.
class Cursor {
 public:
  Cursor(const uint8_t* p, size_t size) : p_(p), size_(size) {}
  template <class T>
  T Get() {
    T value{};
    if (!ok_ || size_ - at_ < sizeof(T)) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, p_ + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  // A version 0-3 string (wide: false) or a version-4 text.
  std::string_view Text(bool wide) {
    uint64_t length = Get<uint8_t>();
    if (wide && length == 255) length = Get<uint32_t>();
    if (!ok_ || length > kLongestText || length > size_ - at_) {
      ok_ = false;
      return {};
    }
    const std::string_view text(reinterpret_cast<const char*>(p_ + at_), length);
    at_ += length;
    return text;
  }
  size_t Used() const { return ok_ ? at_ : 0; }

 private:
  const uint8_t* p_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

}  // namespace

size_t ParseHeader(const uint8_t* p, size_t size, Header& header) {
  Cursor in(p, size);
  const auto word = in.Get<uint32_t>();
  if (word == 0 || word % kVersionStep != kFormatBase) return 0;
  header.version = static_cast<int16_t>(word / kVersionStep);
  if (header.version > 2) header.version = in.Get<int16_t>();
  if (header.version > kWideVersion) return 0;  // a negative one reads as version 0 does
  const bool wide = header.version >= kWideVersion;
  header.cataloguedTime = wide ? in.Get<int64_t>() : in.Get<int32_t>();
  header.volumeRoot = header.version >= 2 ? in.Text(wide) : std::string_view();
  header.volumeLabel = in.Text(wide);
  header.catalogName = in.Text(wide);
  header.serialNumber = in.Get<uint32_t>();
  header.freeSpace = header.version >= 1 ? in.Get<float>() : -1.0f;
  header.dirCount = in.Get<int32_t>();
  return in.Used();
}

size_t ParseDirEntry(const uint8_t* p, size_t size, int16_t version, DirEntry& entry) {
  Cursor in(p, size);
  entry.path = in.Text(version >= kWideVersion);
  entry.fileCount = version >= 3 ? in.Get<int32_t>() : 0;
  entry.totalLength = version >= 3 ? in.Get<double>() : 0.0;
  return in.Used();
}

size_t ParseFileEntry(const uint8_t* p, size_t size, bool wide, FileEntry& entry) {
  if (!wide) {
    // The common case first: fixed fields and a short name.
    if (size < 11 || size < 11u + p[10]) return 0;
    int32_t time = 0;
    int32_t length = 0;
    int16_t dir = 0;
    std::memcpy(&time, p, 4);
    std::memcpy(&length, p + 4, 4);
    std::memcpy(&dir, p + 8, 2);
    entry.time = time;
    entry.length = length;
    entry.dirNumber = dir;
    entry.name = std::string_view(reinterpret_cast<const char*>(p + 11), p[10]);
    return 11u + p[10];
  }
  Cursor in(p, size);
  const auto tag = in.Get<uint8_t>();
  if ((tag & ~kTagBits) != 0) return 0;
  entry.time = (tag & kWideTime) != 0 ? in.Get<int64_t>() : in.Get<int32_t>();
  entry.length = (tag & kWideLength) != 0 ? in.Get<int64_t>() : in.Get<int32_t>();
  entry.dirNumber = (tag & kWideDirNumber) != 0 ? int64_t{in.Get<uint32_t>()} : int64_t{in.Get<uint16_t>()};
  entry.name = in.Text(true);
  return in.Used();
}

size_t ParseCount(const uint8_t* p, size_t size, int32_t& count) {
  Cursor in(p, size);
  count = in.Get<int32_t>();
  return in.Used();
}

}  // namespace mardo::catalog_bytes
