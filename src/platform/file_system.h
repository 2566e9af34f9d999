#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mardo {

// The process's current directory, whole; empty when it cannot be read.
std::string CurrentDirectory();

// The absolute path with every link, "." and ".." resolved; empty when `path` does not exist.
// A relative path is taken from the current directory.
std::string CanonicalPath(const std::string& path);

// `dir` + "/" + `name`, without doubling a separator that `dir` already ends with.
std::string JoinNativePath(std::string_view dir, std::string_view name);

// The existing directories that a catalog path may name below a volume root ("/media/usb/"). On
// Linux a name may hold a backslash, so "\a\b" may be "a/b" or the single name "a\b": every
// reading that exists is returned, up to `limit` of them. Links are not followed.
std::vector<std::string> FindNativeDirectories(std::string_view volumeRoot, std::string_view catalogPath,
                                               size_t limit);

// The system's text for an errno value.
std::string SystemErrorText(int errorNumber);

// Why the directory at `path` (links followed) cannot be opened and read: the system's text, or
// empty when it can.
std::string DirectoryReadError(const std::string& path);

}  // namespace mardo

namespace mardo {

// Names of the regular files in `dir` (links followed), in no particular order; empty when the
// directory cannot be read.
std::vector<std::string> ListRegularFiles(const std::string& dir);

}  // namespace mardo
