#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/directory_reader.h"
#include "store/catalog.h"

namespace mardo::bench {

// The path of one line of a Debian Contents list ("usr/bin/ls   utils/coreutils"): everything
// before the last run of blanks. Empty for a line without a package column.
std::string_view ContentsPath(std::string_view line);

// One file of the corpus, with a plausible size and last-write time drawn from a fixed seed, so
// that every run builds the same corpus.
struct CorpusFile {
  std::string path;  // relative, '/' separated
  int64_t size;
  int64_t time;
};

// Sizes are log-uniform from 0 bytes to 64 GiB (most files small, a few huge: one in seven of
// 2 GiB or more); times are uniform over 2005 to 2025.
std::vector<CorpusFile> MakeCorpus(std::vector<std::string> paths, uint64_t seed);

// Splits the corpus (in order) into volumes of consecutive files, about `minimum` of them, more
// when a volume would hold more than `maxDirectories` directories. Returns the index of each
// volume's first file.
std::vector<size_t> SplitVolumes(const std::vector<CorpusFile>& files, size_t minimum, size_t maxDirectories);

// The files [first, last) for the directory tree on disk: at most `count` consecutive files, from
// the densest run of at most `maxDirectories` directories.
std::pair<size_t, size_t> TreeSlice(const std::vector<CorpusFile>& files, size_t count,
                                    size_t maxDirectories);

// Writes one catalog's directories and entries in the mlocate database format (a directory
// header with the native path, then one entry per file or subdirectory), so that plocate-build
// can index exactly the names the catalog holds without a tree on disk. The database's header
// comes from WriteMlocateHeader, once, before the first catalog.
void WriteMlocateHeader(std::string& out, std::string_view root);
void WriteMlocateCatalog(std::string& out, const Catalog& catalog);

// A directory tree in memory, read like a real one: what the tree scanner walks to turn a slice
// of the corpus into a catalog through the same code as a real disk.
class MemoryTree final : public DirectoryReader {
 public:
  // The files [first, last) of `files`, below the root `root` (an absolute native path).
  MemoryTree(std::string root, const std::vector<CorpusFile>& files, size_t first, size_t last);

  DirectoryHandle OpenDirectory(const std::string& path) override;
  DirectoryHandle OpenSubdirectory(DirectoryHandle parent, std::string_view name) override;
  void CloseDirectory(DirectoryHandle directory) override;
  bool List(DirectoryHandle directory) override;
  uint64_t Device() const override { return 1; }
  bool Next(DirectoryEntry& entry) override;
  void Close() override { current_ = nullptr; }

  size_t DirectoryCount() const { return dirs_.size(); }

 private:
  struct Item {
    std::string name;
    bool isDirectory;
    int64_t size;
    int64_t time;
  };
  struct Dir {
    std::vector<Item> items;
    bool sorted = false;
  };
  Dir& DirAt(const std::string& path);

  std::unordered_map<std::string, Dir> dirs_;
  std::vector<std::string> open_;  // the path of each handle; empty once closed
  std::vector<int> free_;          // handles to use again
  Dir* current_ = nullptr;
  size_t next_ = 0;
};

}  // namespace mardo::bench
