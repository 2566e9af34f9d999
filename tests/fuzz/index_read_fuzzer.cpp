// Feeds arbitrary bytes to the catalog index reader, with its checksums compared and without (so
// that the structural checks behind them are reached too). An input is a catalog file and an
// index of it: a u32 size, the catalog file's bytes, then the index file's bytes. Whatever opens
// is read whole; a catalog made from it must keep the invariants rows rely on.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/text_compare.h"
#include "index/catalog_index.h"
#include "index/index_format.h"

namespace {

namespace fmt = mardo::index_format;

std::string ScratchPath(const char* what) {
  const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/mardo-index-fuzz-" + std::to_string(::getpid()) + what;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  const bool written = ::write(fd, data, size) == static_cast<ssize_t>(size);
  ::close(fd);
  return written;
}

void ReadWhole(mardo::CatalogIndex& index) {
  std::vector<uint32_t> records;
  std::vector<uint32_t> trigrams = {fmt::Trigram('a', 'b', 'c'), 0};
  std::vector<mardo::CatalogIndex::Entry> entries;
  std::vector<uint32_t> blocks;
  for (uint32_t b = 0; b < std::min<uint32_t>(index.BlockCount(), 64); ++b) blocks.push_back(b);
  const bool asked = index.ReadBlocksSoon(blocks, 64 * 1024);  // false: damaged, and read no further
  Check(asked || index.Damaged());
  index.ReadBlockSummariesSoon(blocks, /*lengths=*/true);
  index.ReadBlockPlacesSoon();  // after it, where blocks lie is not asked for again
  using Summary = mardo::CatalogIndex::Summary;
  for (uint32_t b = 0; b < index.BlockCount(); ++b) {
    // Blocks read as searches read them: without a date or a length condition, with one, and for
    // one exact length.
    const Summary summaries[] = {Summary::kAll, Summary::kTimesAndKinds, Summary::kUnused};
    if (!index.ReadBlock(b, entries, summaries[b % 3])) break;
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::string_view name = entries[i].name;
      if (name.size() >= 3 && trigrams.size() < 64) {
        const uint32_t trigram = fmt::Trigram(static_cast<uint8_t>(mardo::FoldAscii(name[0])),
                                              static_cast<uint8_t>(mardo::FoldAscii(name[1])),
                                              static_cast<uint8_t>(mardo::FoldAscii(name[2])));
        trigrams.push_back(trigram);
        // And as the trigram of an empty file's name, of the start of names and of their end,
        // listed after all the others.
        if (entries[i].length == 0) trigrams.push_back(trigram | fmt::kEmptyFileTrigram);
        trigrams.push_back(trigram | fmt::kStartOnlyTrigram);
        const size_t end = name.size() - 3;
        trigrams.push_back(fmt::kNameEndTrigram |
                           fmt::Trigram(static_cast<uint8_t>(mardo::FoldAscii(name[end])),
                                        static_cast<uint8_t>(mardo::FoldAscii(name[end + 1])),
                                        static_cast<uint8_t>(mardo::FoldAscii(name[end + 2]))));
      }
      records.push_back(b * fmt::kBlockRecords + static_cast<uint32_t>(i));
    }
  }
  index.FindPostingsSoon(trigrams);
  for (const uint32_t trigram : trigrams) {
    mardo::CatalogIndex::Postings postings;
    if (!index.FindPostings(trigram, postings)) continue;
    postings.ReadSoon();
    uint32_t b = 0;
    uint32_t count = 0;
    for (uint32_t target = 0; postings.NextAtLeast(target, b); target = b + 1) {
      Check(b >= target && b < index.BlockCount());
      ++count;
      if (b == UINT32_MAX) break;
    }
    Check(count <= postings.Count());
  }
  if (index.Damaged()) return;
  using Directories = mardo::CatalogIndex::Directories;
  for (const Directories directories : {Directories::kNumbered, Directories::kCompact}) {
    const auto catalog = index.MakeCatalog(records, "fuzz.mvl", directories);
    if (!catalog) return;
    Check(catalog->files.Size() == static_cast<int32_t>(records.size()));
    for (const mardo::FileRecord* entry : catalog->files) {
      Check(entry->OwningCatalog() == catalog.get());
      Check(catalog->ContainingDirectory(*entry) != nullptr);
      if (entry->length < 0 && -static_cast<int64_t>(entry->length) < catalog->dirs.Size()) {
        Check(catalog->DirectoryOf(*entry) != nullptr);
      }
      // A path is spelled up to the root where the catalog keeps its directories' numbering
      // (elsewhere paths are shown as stored, and no walk is made).
      for (int32_t d = entry->dirNumber; catalog->KeepsDirectoryNumbering() && d > 0;) {
        const mardo::FileRecord* dir = catalog->EntryOfDirectory(d);
        if (dir == nullptr) break;
        Check(dir->dirNumber < d);
        d = dir->dirNumber;
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using Checksums = mardo::CatalogIndex::Checksums;
  uint32_t catalogSize = 0;
  if (size >= 4) std::memcpy(&catalogSize, data, 4);
  if (size < 4 || catalogSize > size - 4) catalogSize = 0;
  const size_t indexAt = size >= 4 ? 4 + size_t{catalogSize} : 0;
  const std::vector<uint8_t> catalog(data + (size >= 4 ? 4 : 0), data + (size >= 4 ? 4 : 0) + catalogSize);
  std::vector<uint8_t> bytes(data + indexAt, data + size);
  // Indexes are made again by every other revision of the code: the seeds stand for this one.
  if (bytes.size() >= fmt::kHeaderSize) {
    const uint32_t revision = fmt::CodeRevision();
    std::memcpy(bytes.data() + fmt::kRevisionAt, &revision, 4);
  }
  for (const Checksums checksums : {Checksums::kSkip, Checksums::kVerify}) {
    if (auto index = mardo::CatalogIndex::OpenBytes(bytes, catalog, checksums)) ReadWhole(*index);
  }
  // The same bytes read from files, piece by piece, the index stamped with the scratch catalog
  // file's identity.
  static const std::string indexPath = ScratchPath(".idx");
  static const std::string catalogPath = ScratchPath(".mvl");
  auto source = std::make_unique<mardo::PagedFile>();
  if (WriteFile(catalogPath, catalog.data(), catalog.size()) && source->Open(catalogPath)) {
    if (bytes.size() >= fmt::kHeaderSize) {
      const mardo::FileIdentity& id = source->Identity();
      std::memcpy(bytes.data() + fmt::kDeviceAt, &id.device, 8);
      std::memcpy(bytes.data() + fmt::kInodeAt, &id.inode, 8);
      std::memcpy(bytes.data() + fmt::kSourceSizeAt, &id.size, 8);
      std::memcpy(bytes.data() + fmt::kModifiedAt, &id.modifiedNs, 8);
      std::memcpy(bytes.data() + fmt::kChangedAt, &id.changedNs, 8);
    }
    auto file = std::make_unique<mardo::PagedFile>();
    if (WriteFile(indexPath, bytes.data(), bytes.size()) && file->Open(indexPath)) {
      if (auto index = mardo::CatalogIndex::OpenFile(std::move(file), std::move(source), Checksums::kSkip)) {
        index->SetFromDisk(true);  // the pieces read next are asked for ahead too
        ReadWhole(*index);
      }
    }
  }
  ::unlink(indexPath.c_str());
  ::unlink(catalogPath.c_str());
  return 0;
}
