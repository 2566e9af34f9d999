#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/start_options.h"
#include "platform/file_system.h"
#include "store/catalog.h"
#include "store/record_array.h"

namespace mardo {

class UserPrompts;

// Told before catalogs or records of the library are destroyed, so that whoever keeps references
// to them (the window's lists, the browsing state) drops them first.
class CatalogObserver {
 public:
  virtual ~CatalogObserver() = default;
  // `catalog` and every record of it are about to be destroyed.
  virtual void CatalogRemoving(const Catalog& catalog) = 0;
  // These file records of `catalog` are about to be destroyed.
  virtual void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) = 0;
};

// Every catalog the program knows while it runs, with the directories they are read from: the
// start directory and the "-dir" directories of the command line.
class CatalogLibrary {
 public:
  static constexpr const char* kCatalogExtension = ".mvl";

  // `arguments`: the program's arguments after its name, read by ParseStartOptions. Without
  // `startDirectory` the start directory is the current directory (one trailing separator removed).
  explicit CatalogLibrary(const std::vector<std::string>& arguments = {},
                          std::optional<std::string> startDirectory = std::nullopt);

  // The program's own options (-dir, -dd), as the front ends read them too.
  const StartOptions& Options() const { return options_; }

  // A catalog file that LoadAll passed over, and why.
  struct SkippedFile {
    std::string path;
    std::string reason;
  };

  // Reads every catalog file (regular files ending in ".mvl" in any case) of every catalog
  // directory, in directory order and, within one directory, in byte order of the file names.
  // Files that cannot be read or are not catalogs are skipped; they are returned, in the same
  // order, for a front end that names them.
  std::vector<SkippedFile> LoadAll();

  // The catalog directories (the start directory and the "-dir" ones) that cannot be read, with
  // the system's reason; LoadAll finds no catalog in them.
  std::vector<SkippedFile> UnreadableDirectories() const;

  // The paths of the catalog files LoadAll reads, in the order it reads them; with `identities`,
  // the identity each file had when it was listed, at the same positions.
  std::vector<std::string> CatalogFiles(std::vector<FileIdentity>* identities = nullptr) const;

  // Appends a catalog that is already in memory, without writing it.
  void AdoptCatalog(std::unique_ptr<Catalog> catalog);

  // Takes the pending catalog over: fixes its display name, gives it a file path unless it has one,
  // writes it and appends it; `pending` becomes a new empty catalog. The path is that of a catalog
  // file of the same volume that appeared in the start directory since it was loaded (written by
  // another process), else a new one (MakeFileName). The name is chosen and the file written under
  // the directory's lock, and the temporaries that crashed writers left there are removed first.
  // A catalog whose file could not be written does not join the library: the result is false,
  // `error` (if given) says why, `pending` keeps the catalog and the library stays as it was.
  bool AddCatalog(std::unique_ptr<Catalog>& pending, std::string* error = nullptr);

  // The path in the start directory for a new catalog file named after `displayName`: its first 16
  // characters, letters and digits of any script kept, '$' and '_' too, every other character one
  // '-' ("Fotos Müller" gives "Fotos-Müller.mvl"); a number is added when the name is taken.
  std::string MakeFileName(std::string_view displayName) const;

  // Compares a pending catalog with the library: 1 same volume (label and serial number, not an
  // empty label with serial 0), 2 same catalog name (not empty), 3 both, 0 none. The first
  // catalog that matches becomes the current one.
  int FindSameVolume(const Catalog& catalog);

  // The display name of the first catalog with exactly this label and serial number, or "".
  std::string NameForVolume(std::string_view label, uint32_t serial) const;

  // Deletes the catalog's file and, when that worked (or the file was already gone), the catalog.
  // With no catalog, the current one. A catalog not in the library gives false; a file that could
  // not be deleted gives false and its reason in `error` (if given).
  bool DeleteCatalog(const Catalog* catalog = nullptr, std::string* error = nullptr);

  // Takes the catalog out of the library and destroys it, leaving its file alone (a replacement
  // is about to be written over it). False when the catalog is not in the library.
  bool RemoveCatalog(const Catalog* catalog);

  // Destroys these file records of a loaded catalog (in memory only; the catalog file stays as it
  // is) and keeps the record count. Returns the number removed.
  int32_t RemoveRecords(const Catalog& catalog, std::span<const FileRecord* const> records);

  // Whether the catalog is one of the library's (by identity).
  bool Contains(const Catalog* catalog) const {
    return catalog != nullptr && catalogs_.IndexOf(catalog) >= 0;
  }

  // Observers are told before catalogs or records are destroyed. Not owned; an observer removes
  // itself before it goes.
  void AddObserver(CatalogObserver* observer);
  void RemoveObserver(CatalogObserver* observer);

  // Marks whether the catalog at `position` takes part in the next search.
  void SetSelected(int32_t position, bool selected);

  // The catalog at the current index, or nullptr.
  const Catalog* CurrentCatalog() const;
  int32_t CurrentIndex() const { return currentIndex_; }

  // The catalogs, read-only: records and catalogs are removed only through the library, so that
  // its observers are always told first.
  ReadOnlyRecords<Catalog> Catalogs() const { return catalogs_.ReadOnly(); }
  const std::vector<std::string>& CatalogDirectories() const { return directories_; }
  const std::string& StartDirectory() const { return startDirectory_; }
  int32_t CatalogCount() const { return catalogCount_; }
  // Records (files and directory entries) of all catalogs together.
  int64_t RecordCount() const { return recordCount_; }

 private:
  void ParseDirOption();
  // Where new catalog files go: the start directory.
  std::string NewFileDirectory() const;
  // The first catalog file in `dir`, by name, that the library did not load and that holds a
  // catalog of the same volume as `catalog`; "" when there is none.
  std::string UnknownFileOfVolume(const std::string& dir, const Catalog& catalog) const;
  void Append(std::unique_ptr<Catalog> catalog);
  // Tells the observers, then destroys the catalog at `position` and keeps the counts.
  void Destroy(int32_t position);

  StartOptions options_;
  RecordArray<Catalog> catalogs_;
  std::vector<std::string> directories_;
  std::string startDirectory_;
  int32_t catalogCount_ = 0;
  int64_t recordCount_ = 0;
  int32_t currentIndex_ = 0;
  std::vector<CatalogObserver*> observers_;
};

// What deleting the selected catalogs did.
struct DeleteCatalogsResult {
  bool confirmed = false;  // the user answered Yes
  int32_t deleted = 0;
  std::vector<std::string> failures;  // one text per catalog whose file could not be deleted
};

// What the user is told after loading met directories that cannot be read and catalog files that
// were skipped: each named with its reason, at most 20 of each kind, the rest counted. Empty when
// there is nothing to tell.
std::string LoadProblemsText(std::span<const CatalogLibrary::SkippedFile> directories,
                             std::span<const CatalogLibrary::SkippedFile> files);

// "NAME (FILE)" for each catalog, one per line: what a question about them acts on.
std::string CatalogListText(std::span<const Catalog* const> catalogs);

// Deletes these catalogs (the selected rows of the catalog list, from the top) with their files,
// after the question "Really want to delete ?", which names them in its details and defaults to
// No. A catalog whose file cannot be deleted stays, and the reason is kept. The caller then
// rebuilds the catalog list and empties the results list.
DeleteCatalogsResult DeleteSelectedCatalogs(CatalogLibrary& library, UserPrompts& prompts,
                                            std::span<const Catalog* const> selected);

}  // namespace mardo
