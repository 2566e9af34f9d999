// Feeds arbitrary bytes to the catalog index reader, with its checksums compared and without
// (so that the structural checks behind them are reached too). Whatever opens is read whole; a
// catalog made from it must keep the invariants rows rely on.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "index/catalog_index.h"
#include "index/index_format.h"

namespace {

std::string ScratchPath() {
  const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/mardo-index-fuzz-" + std::to_string(::getpid()) + ".idx";
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void ReadWhole(mardo::CatalogIndex& index) {
  std::vector<uint32_t> records;
  std::vector<uint32_t> trigrams = {mardo::index_format::Trigram('a', 'b', 'c'), 0};
  for (uint32_t r = 0; r < index.RecordCount(); ++r) {
    if (!index.CheckRecord(r)) break;
    const std::string_view name = index.Name(r);
    if (name.size() >= 3 && trigrams.size() < 64) {
      trigrams.push_back(mardo::index_format::Trigram(
          static_cast<uint8_t>(name[0]), static_cast<uint8_t>(name[1]), static_cast<uint8_t>(name[2])));
    }
    records.push_back(r);
  }
  for (const uint32_t trigram : trigrams) {
    mardo::CatalogIndex::Postings postings;
    if (!index.FindPostings(trigram, postings)) continue;
    uint32_t r = 0;
    uint32_t count = 0;
    for (uint32_t target = 0; postings.NextAtLeast(target, r); target = r + 1) {
      Check(r >= target && r < index.RecordCount());
      ++count;
      if (r == UINT32_MAX) break;
    }
    Check(count <= postings.Count());
  }
  if (index.Damaged()) return;
  const auto catalog = index.MakeCatalog(records, "fuzz.mvl");
  if (!catalog) return;
  Check(catalog->files.Size() == static_cast<int32_t>(records.size()));
  for (const mardo::FileRecord* entry : catalog->files) {
    Check(entry->OwningCatalog() == catalog.get());
    Check(catalog->ContainingDirectory(*entry) != nullptr);
    if (entry->length < 0 && -static_cast<int64_t>(entry->length) < catalog->dirs.Size()) {
      Check(catalog->DirectoryOf(*entry) != nullptr);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using Checksums = mardo::CatalogIndex::Checksums;
  for (const Checksums checksums : {Checksums::kSkip, Checksums::kVerify}) {
    if (auto index = mardo::CatalogIndex::OpenBytes(std::vector<uint8_t>(data, data + size), checksums)) {
      ReadWhole(*index);
    }
  }
  // The same bytes read from a file, piece by piece.
  static const std::string path = ScratchPath();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return 0;
  const bool written = ::write(fd, data, size) == static_cast<ssize_t>(size);
  ::close(fd);
  if (!written) return 0;
  auto file = std::make_unique<mardo::PagedFile>();
  if (file->Open(path)) {
    if (auto index = mardo::CatalogIndex::OpenFile(std::move(file), Checksums::kSkip)) ReadWhole(*index);
  }
  ::unlink(path.c_str());
  return 0;
}
