#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "index/catalog_index.h"
#include "store/catalog.h"

namespace mardo {

// The directory of catalog index files: one per catalog file, named after the catalog file's path
// and stamped with that file's identity, size and modification time. The catalog files stay the
// only source of truth: an index that does not match its catalog file as it is now, or that does
// not pass its checks, is made again from the catalog file. A directory that cannot be written
// only costs speed: the catalog files are then read as they are. A catalog file that cannot be
// indexed (too large for the index format, or for memory) gets a marker in place of its index, so
// that it is read whole, without trying again, until it changes.
class IndexCache {
 public:
  // Makes the bytes of an index file (BuildCatalogIndex); empty, or throwing, when it cannot.
  using Builder = std::function<std::vector<uint8_t>(std::string_view, const FileIdentity&)>;

  // `directory`: where the index files live (created when missing); empty for no index at all.
  // `builder`: how indexes are made; BuildCatalogIndex unless given. The temporaries that crashed
  // writers left there are removed.
  explicit IndexCache(std::string directory, Builder builder = {});

  // $XDG_CACHE_HOME/mardo, or ~/.cache/mardo; empty when neither is known.
  static std::string DefaultDirectory();

  // What a search works on for one catalog file: its current index, or the whole catalog read
  // from the file, or neither when the file cannot be read or is not a catalog (LoadAll skips it).
  struct Entry {
    std::unique_ptr<CatalogIndex> index;
    std::unique_ptr<Catalog> catalog;
    // When neither: why the file was passed over (the system's text; empty for a file that
    // opened but is not a catalog).
    std::string skipReason;
    bool Readable() const { return index != nullptr || catalog != nullptr; }
  };

  // The index of the catalog file at `path`, made or made again first when it is missing, stale
  // or damaged; the catalog itself when no index can be written. Safe to call from several
  // threads for different paths.
  Entry Open(const std::string& path);

  // Only what needs no index to be made, for a file whose identity is known (from its directory
  // listing): true with `entry` filled (the index, or nothing for a file that cannot be read),
  // false when Open would have to make the index.
  bool OpenCurrent(const std::string& path, const FileIdentity& identity, Entry& entry);

  // Reads the catalog file at `path` (whose index turned out damaged while it was searched) and
  // writes its index again; the entry holds the catalog read.
  Entry Reread(const std::string& path);

  // Deletes the index files whose catalog file is gone, and those that are not sound.
  void RemoveOrphans();

  // Whether reading the index of the catalog file at `catalogPath` would wait for the disk (its
  // first page is not in memory). `probe` replaces how that is found out (tests say so, and a
  // caller that asked for the openings itself).
  bool IndexWaitsForDisk(const std::string& catalogPath) const;
  void SetDiskProbe(std::function<bool(const std::string& indexPath)> probe) {
    diskProbe_ = std::move(probe);
  }
  // Asks the system to read what opening these catalog files' indexes reads, without waiting
  // for it: from the disk, the reads of all of them overlap.
  void ReadOpeningsSoon(const std::vector<std::string>& catalogPaths) const;

  const std::string& Directory() const { return directory_; }
  std::string IndexPath(const std::string& catalogPath) const;
  // How many index files this cache wrote.
  int32_t Written() const { return written_; }

 private:
  // Reads the catalog and, when the directory can be written, writes its index (or, when none can
  // be made, the marker that says so). With `keepCatalog` the entry holds the catalog, else the
  // index written (or the catalog when none could be written).
  Entry Build(const std::string& path, const FileIdentity& identity, bool keepCatalog);
  // Reads the catalog file whole: the entry holds it, or why it was passed over.
  static Entry ReadCatalog(const std::string& path);
  bool WriteIndexFile(const std::string& path, const std::vector<uint8_t>& bytes);
  // The index or marker of the catalog file at `path` as it is (`identity`), or nullptr.
  std::unique_ptr<CatalogIndex> MapIndex(const std::string& path, const FileIdentity& identity) const;

  std::string directory_;
  Builder builder_;
  bool writable_ = false;
  std::atomic<int32_t> written_{0};
  std::function<bool(const std::string&)> diskProbe_;
};

}  // namespace mardo
