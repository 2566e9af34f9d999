#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "store/catalog.h"
#include "store/record_array.h"

namespace mardo {

// Every catalog the program knows while it runs, with the directories they are read from: the
// start directory and the "-dir" directories of the command line.
class CatalogLibrary {
 public:
  static constexpr const char* kCatalogExtension = ".mvl";

  // `arguments`: the program's arguments after its name. Without `startDirectory` the start
  // directory is the current directory (one trailing separator removed).
  explicit CatalogLibrary(std::vector<std::string> arguments = {},
                          std::optional<std::string> startDirectory = std::nullopt);

  // The first argument "-name" or "/name" (name compared without regard to case) gives true and
  // the argument after it as `value` (empty when it is the last); otherwise `value` is the default.
  bool GetOption(std::string_view name, std::string& value, std::string_view defaultValue = {}) const;

  // Reads every catalog file (regular files ending in ".mvl" in any case) of every catalog
  // directory, in directory order and, within one directory, in byte order of the file names.
  // Files that are not catalogs are skipped silently.
  void LoadAll();

  // The paths of the catalog files LoadAll reads, in the order it reads them; with `identities`,
  // the identity each file had when it was listed, at the same positions.
  std::vector<std::string> CatalogFiles(std::vector<FileIdentity>* identities = nullptr) const;

  // Appends a catalog that is already in memory, without writing it.
  void AdoptCatalog(std::unique_ptr<Catalog> catalog);

  // Takes the pending catalog over: fixes its display name, gives it a file path (MakeFileName)
  // unless it has one, writes it and appends it; `pending` becomes a new empty catalog. The
  // catalog joins the library even when its file could not be written; then the result is false
  // and `error` (if given) says why.
  bool AddCatalog(std::unique_ptr<Catalog>& pending, std::string* error = nullptr);

  // The path in the start directory for a new catalog file named after `displayName`.
  std::string MakeFileName(std::string_view displayName) const;

  // Compares a pending catalog with the library: 1 same volume (label and serial number, not an
  // empty label with serial 0), 2 same catalog name (not empty), 3 both, 0 none. The first
  // catalog that matches becomes the current one.
  int FindSameVolume(const Catalog& catalog);

  // The display name of the first catalog with exactly this label and serial number, or "".
  std::string NameForVolume(std::string_view label, uint32_t serial) const;

  // Deletes the catalog's file and, when that worked (or the file was already gone), the catalog.
  // With no catalog, the current one. A catalog not in the library gives false.
  bool DeleteCatalog(const Catalog* catalog = nullptr);

  // Takes the catalog out of the library and destroys it, leaving its file alone (a replacement
  // is about to be written over it). False when the catalog is not in the library.
  bool RemoveCatalog(const Catalog* catalog);

  // The catalog at the current index, or nullptr.
  Catalog* CurrentCatalog() const;
  int32_t CurrentIndex() const { return currentIndex_; }

  const RecordArray<Catalog>& Catalogs() const { return catalogs_; }
  const std::vector<std::string>& CatalogDirectories() const { return directories_; }
  const std::string& StartDirectory() const { return startDirectory_; }
  const std::vector<std::string>& Arguments() const { return arguments_; }
  int32_t CatalogCount() const { return catalogCount_; }
  // Records (files and directory entries) of all catalogs together.
  int32_t RecordCount() const { return recordCount_; }

 private:
  void ParseDirOption();
  void Append(std::unique_ptr<Catalog> catalog);

  std::vector<std::string> arguments_;
  RecordArray<Catalog> catalogs_;
  std::vector<std::string> directories_;
  std::string startDirectory_;
  int32_t catalogCount_ = 0;
  int32_t recordCount_ = 0;
  int32_t currentIndex_ = 0;
};

}  // namespace mardo
