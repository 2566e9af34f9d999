#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mardo::test {

// A fresh directory under $TMPDIR (or /tmp), removed with everything in it at destruction.
class TempDir {
 public:
  // kMemory: in /dev/shm when it can be written, for trees of many thousand directories, which a
  // disk busy with other work makes and removes slowly.
  enum Where { kTemporary, kMemory };

  explicit TempDir(Where where = kTemporary);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path() + "/" + relative.
  std::string operator/(std::string_view relative) const;

  // Creates a directory (and its parents) below the temporary directory.
  std::string MakeDir(std::string_view relative, int64_t mtime = -1) const;
  // Creates a file of `size` bytes (sparse beyond the written content), with an optional
  // last-write time in seconds since 1970.
  std::string MakeFile(std::string_view relative, int64_t size = 0, int64_t mtime = -1,
                       std::string_view content = {}) const;
  std::string MakeSymlink(std::string_view relative, std::string_view target) const;
  std::string ReadFile(std::string_view relative) const;
  // Creates the directories `names` below `relative` (which is created if missing), each inside
  // the one before, and a file `fileName` of `fileSize` bytes in each of them. Works through
  // descriptors, so that the paths may pass the system's path limit.
  void MakeDeepChain(std::string_view relative, const std::vector<std::string>& names,
                     std::string_view fileName, int64_t fileSize) const;

 private:
  std::string path_;
};

// Removes the directory `path` with everything in it, however deep it goes and whatever the
// permissions of its directories.
void RemoveTree(const std::string& path);

// Sets the last-write time of a path without following a final link.
void SetMtime(const std::string& path, int64_t mtime);

// Sets TZ for the rest of the test program and applies it.
void SetTimeZone(const char* tz);

}  // namespace mardo::test
