#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace mardo {

// What tells one version of a file from another without reading it: the file (device and inode),
// its size and its modification and status-change times in nanoseconds since 1970.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;

  bool operator==(const FileIdentity&) const = default;
};

// The identity a stat call gave.
FileIdentity IdentityOfStat(const struct ::stat& st);

// The identity of the file at `path` (links followed); false when it does not exist.
bool IdentityOfFile(const std::string& path, FileIdentity& identity);

// The directory for the user's cache files: $XDG_CACHE_HOME when it is an absolute path, else
// $HOME/.cache; empty when neither is known.
std::string UserCacheDirectory();

// Creates `path` and its missing parents (mode 0700 for the ones it creates). True when the
// directory exists afterwards.
bool MakeDirectories(const std::string& path);

// The process's current directory, whole; empty when it cannot be read.
std::string CurrentDirectory();

// The absolute path with every link, "." and ".." resolved; empty when `path` does not exist.
// A relative path is taken from the current directory.
std::string CanonicalPath(const std::string& path);

// `dir` + "/" + `name`, without doubling a separator that `dir` already ends with.
std::string JoinNativePath(std::string_view dir, std::string_view name);

// The directory that holds `path`: everything before its last separator; "/" for an entry of the
// root, "." for a bare name.
std::string ParentDirectory(std::string_view path);

// The existing directories that a catalog path may name below a volume root ("/media/usb/"). On
// Linux a name may hold a backslash, so "\a\b" may be "a/b" or the single name "a\b": every
// reading that exists is returned, up to `limit` of them. Links are not followed.
std::vector<std::string> FindNativeDirectories(std::string_view volumeRoot, std::string_view catalogPath,
                                               size_t limit);

// Whether this process may create files in the directory `path`.
bool IsWritableDirectory(const std::string& path);

// The system's text for an errno value.
std::string SystemErrorText(int errorNumber);

// Why the directory at `path` (links followed) cannot be opened and read: the system's text, or
// empty when it can.
std::string DirectoryReadError(const std::string& path);

}  // namespace mardo

namespace mardo {

// Names of the regular files in `dir` (links followed), in no particular order; empty when the
// directory cannot be read. With `identities`, each file's identity at the same position. With
// `wanted`, only names it accepts are looked at (the others cost no call to the system).
std::vector<std::string> ListRegularFiles(const std::string& dir,
                                          std::vector<FileIdentity>* identities = nullptr,
                                          bool (*wanted)(std::string_view name) = nullptr);

// Whether this process may open the file at `path` for reading; if not, `error` (if given)
// receives the system's text.
bool IsReadableFile(const std::string& path, std::string* error = nullptr);

// Whether reading the first bytes of the file at `path` would wait for its disk (they are not in
// memory); false where the system cannot tell, and for a file that cannot be read.
bool StartWaitsForDisk(const std::string& path);

// Asks the system to read the first `size` bytes of the file at `path` into memory, without
// waiting for them; nothing for a file that cannot be read.
void ReadStartSoon(const std::string& path, uint64_t size);

}  // namespace mardo
