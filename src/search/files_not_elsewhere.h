#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/catalog_library.h"

namespace mardo {

// What a search for files without a copy elsewhere found: every such file, also those the hit
// limit kept off the list, and their bytes.
struct NotElsewhereTotals {
  int64_t files = 0;
  int64_t bytes = 0;  // held at the largest int64_t rather than wrapping
  // Only the catalogs not searched counted as elsewhere ("Selected Catalogs only").
  bool againstUnsearched = false;

  // "1,204 files (3.2 GB) have no copy on another volume".
  std::string Summary() const;
};

// Finds the files of the searched catalogs that have no copy on another volume. A copy is a file
// (never a directory entry) of the same name, compared without regard to case, and the same
// length, whatever its date or folder. With `againstUnsearched` only the catalogs whose selected
// flag is clear count as elsewhere; otherwise every catalog but the file's own does. Copies
// inside one catalog never count.
//
// The searched files are keyed by (folded name, length) in an open hash table, a bitmap of their
// lengths letting most other files pass without their name being hashed; every other catalog's
// files are then probed once. Memory: about 36 bytes per searched file, none per other file.
class FilesNotElsewhere {
 public:
  explicit FilesNotElsewhere(bool againstUnsearched) : againstUnsearched_(againstUnsearched) {}

  // The files that passed the search's conditions, catalog by catalog in library order: the
  // catalog's position in the library, then its files. Directory entries are passed over.
  void StartCatalog(int32_t position) { spans_.push_back({static_cast<uint32_t>(position), files_.size()}); }
  void Add(const FileRecord* file) {
    if (!file->IsDirectory()) files_.push_back(file);
  }

  // Looks for the copies in `library` (whose selected flags mark the searched catalogs) and
  // appends to `rows` the first `hitLimit` files without one, in the order they were added.
  // `everyFileAdded`: no condition narrowed the files, so each searched catalog's files are all
  // known already.
  NotElsewhereTotals Finish(const CatalogLibrary& library, bool everyFileAdded, int32_t hitLimit,
                            std::vector<const FileRecord*>& rows);

 private:
  bool againstUnsearched_;
  // The files of one catalog: from `first` to the next span's first.
  struct Span {
    uint32_t position;  // the catalog's place in the library
    size_t first;
  };
  std::vector<Span> spans_;
  std::vector<const FileRecord*> files_;
};

}  // namespace mardo
