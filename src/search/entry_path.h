#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mardo {

class Catalog;
class FileRecord;

// The path of directory `dirNumber` on its volume as the user sees it, with '/' between names
// ("/holiday/2006"); "" for the root of the volume. Below the catalog's root directory the path is
// built from the directory entries' own names, so a name holding '\' stays one name; the root
// directory's stored path (a catalog of a subdirectory) has its '\' shown as '/'.
std::string ShownDirectoryPath(const Catalog& catalog, int32_t dirNumber);

// A catalog path ("\\holiday\\2006") as the user sees it ("/holiday/2006"); "" for the root.
std::string ShownCatalogPath(std::string_view catalogPath);

// The path of an entry as the user sees it, without the volume root: its directory's shown path,
// '/' and its name ("/docs/a.txt", "/a.txt" in the root directory).
std::string ShownEntryPath(const FileRecord& entry);

// The native path of directory `dirNumber` of `catalog` on this machine, or nullopt when the
// catalog cannot name one here (a catalog older than version 2 records no volume root; a root
// such as "E:\" or "\\srv\share\" belongs to another system). Below the catalog's root directory
// the path is built from the directory entries' own names, so a name holding a backslash keeps it;
// only the root directory's stored path is read, and when the medium is present and that path
// fits several directories, the first that exists is taken.
std::optional<std::string> NativeDirectoryPath(const Catalog& catalog, int32_t dirNumber);

// The native path of an entry: its directory's native path, a separator and its name.
std::optional<std::string> NativeEntryPath(const FileRecord& entry);

// For messages about entries that have no native path here: where the catalog says directory
// `dirNumber` lies, in the form of the catalog's own system ("E:\docs" for a root "E:\",
// "/media/usb/docs" for "/media/usb/"), read from the stored paths; without a volume root (a
// catalog older than version 2) the catalog path alone ("\docs").
std::string DisplayDirectoryPath(const Catalog& catalog, int32_t dirNumber);
std::string DisplayEntryPath(const FileRecord& entry);

// Why NativeDirectoryPath gives nothing: a catalog older than version 2, a root of another
// system, or a catalog that does not locate the directory.
std::string UnreachableReason(const Catalog& catalog);

}  // namespace mardo
