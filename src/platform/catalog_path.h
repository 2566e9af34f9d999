#pragma once

#include <string>
#include <string_view>

namespace mardo {

// Paths inside a catalog use '\' as the separator on every platform. These two functions are the
// one place where catalog paths and native paths meet.

// The catalog path of `nativePath` below the mount point that holds it:
// ("/media/usb", "/media/usb/photos/2000") gives "\photos\2000"; the mount point itself gives "".
std::string CatalogPathFromNative(std::string_view mountPoint, std::string_view nativePath);

// The native path of a catalogued directory: ("/media/usb/", "\photos\2000") gives
// "/media/usb/photos/2000"; an empty catalog path gives the root without its final separator
// (except for "/").
std::string NativePathFromCatalog(std::string_view volumeRoot, std::string_view catalogPath);

// Whether a path has the form of another platform's catalogs: a drive letter ("E:\docs") or a
// share ("\\srv\share").
bool IsWindowsStylePath(std::string_view path);

}  // namespace mardo
