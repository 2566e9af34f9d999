#include "store/buffered_file.h"

#include <algorithm>
#include <bit>

namespace mardo {

BufferedFile::BufferedFile(std::string path, int32_t mode) : path_(std::move(path)), mode_(mode) {}

BufferedFile::~BufferedFile() = default;  // an uncommitted replacement is discarded by file_

bool BufferedFile::Open() {
  position_ = fill_ = 0;
  consumed_ = 0;
  bool opened = false;
  if (mode_ == kRead) {
    opened = file_.OpenForReading(path_);
  } else if (mode_ == kWrite) {
    opened = file_.CreateReplacement(path_);
  }
  if (!opened) {
    Fail(mode_ == kRead || mode_ == kWrite ? file_.ErrorText() : "not a read or write mode");
    return false;
  }
  buffer_ = std::make_unique<uint8_t[]>(kBufferSize);  // zero-filled
  open_ = true;
  return true;
}

void BufferedFile::Fail(std::string reason) {
  if (!failed_) error_ = std::move(reason);
  failed_ = true;
}

bool BufferedFile::Refill() {
  position_ = fill_ = 0;
  if (!open_ || failed_) {
    failed_ = true;
    return false;
  }
  const int64_t got = file_.Read(buffer_.get(), kBufferSize);
  if (got <= 0) {
    Fail(got < 0 ? file_.ErrorText() : "the file ends early");
    return false;
  }
  fill_ = static_cast<size_t>(got);
  consumed_ += got;
  return true;
}

void BufferedFile::ReadBytes(void* destination, size_t count) {
  auto* out = static_cast<uint8_t*>(destination);
  while (count > 0) {
    if (position_ >= fill_ && !Refill()) {
      std::memset(out, 0, count);
      return;
    }
    const size_t take = std::min(count, fill_ - position_);
    std::memcpy(out, buffer_.get() + position_, take);
    position_ += take;
    out += take;
    count -= take;
  }
}

void BufferedFile::ReadString(std::string& destination) {
  const size_t length = ReadByte();
  if (failed_ || static_cast<int64_t>(length) > Remaining()) {
    Fail("a string runs past the end of the file");
    destination.clear();
    return;
  }
  destination.resize(length);
  ReadBytes(destination.data(), length);
}

void BufferedFile::ReadText(std::string& destination, size_t longest) {
  size_t length = ReadByte();
  if (length == 255) length = ReadU32();
  if (failed_ || static_cast<int64_t>(length) > Remaining() || length > longest) {
    Fail(length > longest ? "a text is longer than a catalog holds"
                          : "a string runs past the end of the file");
    destination.clear();
    return;
  }
  destination.resize(length);
  ReadBytes(destination.data(), length);
}

uint32_t BufferedFile::ReadU32() {
  uint8_t b[4];
  ReadBytes(b, 4);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

uint16_t BufferedFile::ReadU16() {
  uint8_t b[2];
  ReadBytes(b, 2);
  return static_cast<uint16_t>(uint16_t{b[0]} | uint16_t{b[1]} << 8);
}

int64_t BufferedFile::ReadI64() {
  const uint64_t low = ReadU32();
  const uint64_t high = ReadU32();
  return static_cast<int64_t>(low | high << 32);
}

float BufferedFile::ReadF32() {
  return std::bit_cast<float>(ReadU32());
}

double BufferedFile::ReadF64() {
  const uint64_t low = ReadU32();
  const uint64_t high = ReadU32();
  return std::bit_cast<double>(low | high << 32);
}

void BufferedFile::Flush() {
  if (position_ > 0 && open_ && !failed_ && !file_.Write(buffer_.get(), position_)) Fail(file_.ErrorText());
  position_ = 0;
}

void BufferedFile::WriteBytes(const void* source, size_t count) {
  const auto* in = static_cast<const uint8_t*>(source);
  while (count > 0) {
    const size_t take = std::min(count, kBufferSize - position_);
    std::memcpy(buffer_.get() + position_, in, take);
    position_ += take;
    in += take;
    count -= take;
    if (position_ == kBufferSize) Flush();
  }
}

void BufferedFile::WriteString(std::string_view text) {
  // The writer chooses version 4 for longer texts; a longer one here would be a writer's fault,
  // and the length byte must never disagree with the bytes that follow.
  const size_t length = std::min<size_t>(text.size(), 255);
  WriteByte(static_cast<uint8_t>(length));
  WriteBytes(text.data(), length);
}

void BufferedFile::WriteText(std::string_view text) {
  if (text.size() < 255) {
    WriteByte(static_cast<uint8_t>(text.size()));
  } else {
    WriteByte(255);
    WriteU32(static_cast<uint32_t>(text.size()));
  }
  WriteBytes(text.data(), text.size());
}

void BufferedFile::WriteU32(uint32_t value) {
  const uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  WriteBytes(b, 4);
}

void BufferedFile::WriteU16(uint16_t value) {
  const uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  WriteBytes(b, 2);
}

void BufferedFile::WriteI64(int64_t value) {
  const auto bits = static_cast<uint64_t>(value);
  WriteU32(static_cast<uint32_t>(bits));
  WriteU32(static_cast<uint32_t>(bits >> 32));
}

void BufferedFile::WriteF32(float value) {
  WriteU32(std::bit_cast<uint32_t>(value));
}

void BufferedFile::WriteF64(double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  WriteU32(static_cast<uint32_t>(bits));
  WriteU32(static_cast<uint32_t>(bits >> 32));
}

bool BufferedFile::Close() {
  if (!open_) return !failed_;
  if (mode_ == kWrite) {
    Flush();
    if (!failed_ && !file_.Commit()) Fail(file_.ErrorText());
  }
  file_.Close();  // discards the replacement if it was not committed
  open_ = false;
  return !failed_;
}

bool BufferedFile::Remove() {
  if (mode_ != kDelete) return true;
  std::string reason;
  if (NativeFile::Remove(path_, &reason)) return true;
  Fail(reason);
  return false;
}

}  // namespace mardo
