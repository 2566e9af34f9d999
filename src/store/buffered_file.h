#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/native_file.h"

namespace mardo {

// The stream every catalog file is read, written or deleted through, one operation per object.
// All traffic goes through a 128 KiB buffer. Reading never returns bytes the file does not hold:
// past its end the stream fails and gives zeros. Writing goes to a replacement file that takes
// the target's place only when Close finds everything written, so a failed write leaves the old
// file as it was.
class BufferedFile {
 public:
  enum Mode : int32_t { kRead = 0, kWrite = 1, kDelete = 2 };
  static constexpr size_t kBufferSize = 128 * 1024;

  BufferedFile(std::string path, int32_t mode);
  ~BufferedFile();
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;

  // Opens for reading (mode 0) or creates the replacement (mode 1); other modes fail.
  bool Open();

  uint8_t ReadByte() {
    if (position_ < fill_) return buffer_[position_++];
    return Refill() ? buffer_[position_++] : 0;
  }
  void ReadBytes(void* destination, size_t count);
  // A string of a version 0-3 file: one length byte, then that many bytes.
  void ReadString(std::string& destination);
  // A text of a version-4 file: one byte L; below 255, L bytes follow; 255, a u32 N and N bytes.
  // A text longer than `longest` fails the stream.
  void ReadText(std::string& destination, size_t longest);
  uint32_t ReadU32();
  int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
  int64_t ReadI64();
  uint16_t ReadU16();
  int16_t ReadI16() { return static_cast<int16_t>(ReadU16()); }
  float ReadF32();
  double ReadF64();
  // The bytes already in the buffer, for parsing in place: Buffered() of them start at Peek();
  // Skip(n) consumes n <= Buffered() of them.
  size_t Buffered() const { return fill_ - position_; }
  const uint8_t* Peek() const { return buffer_.get() + position_; }
  void Skip(size_t count) { position_ += count; }
  // Bytes of the file not read yet.
  int64_t Remaining() const { return file_.Size() - consumed_ + static_cast<int64_t>(fill_ - position_); }

  void WriteByte(uint8_t byte) {
    buffer_[position_++] = byte;
    if (position_ == kBufferSize) Flush();
  }
  void WriteBytes(const void* source, size_t count);
  // A string of a version-3 file: the length byte, then the bytes (at most 255 of them).
  void WriteString(std::string_view text);
  // A text of a version-4 file, as ReadText reads it.
  void WriteText(std::string_view text);
  void WriteU32(uint32_t value);
  void WriteI32(int32_t value) { WriteU32(static_cast<uint32_t>(value)); }
  void WriteI64(int64_t value);
  void WriteU16(uint16_t value);
  void WriteI16(int16_t value) { WriteU16(static_cast<uint16_t>(value)); }
  void WriteF32(float value);
  void WriteF64(double value);

  // In write mode, writes what is left in the buffer and puts the file in place. Returns whether
  // everything was read or written without error.
  bool Close();
  // In delete mode, deletes the file (a file already gone counts as deleted); other modes do
  // nothing and return true.
  bool Remove();

  // Whether a read ran past the end or any operation failed.
  bool Failed() const { return failed_; }
  // The reason of the first failure, for the user.
  const std::string& ErrorText() const { return error_; }

 private:
  bool Refill();
  void Flush();
  void Fail(std::string reason);

  std::string path_;
  int32_t mode_;
  NativeFile file_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t position_ = 0;
  size_t fill_ = 0;
  int64_t consumed_ = 0;  // bytes taken from the file into the buffer so far
  bool open_ = false;
  bool failed_ = false;
  std::string error_;
};

}  // namespace mardo
