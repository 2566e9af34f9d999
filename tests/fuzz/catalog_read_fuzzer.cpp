// Feeds arbitrary bytes to Catalog::Read, and to the index builder, which reads catalog files
// itself. A catalog that reads must keep its invariants and must come back field for field when
// written and read again; a file that does not read gets no index, and an index made tells the
// entries the catalog holds.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "index/catalog_index.h"
#include "index/catalog_index_builder.h"
#include "store/catalog.h"

namespace {

std::string ScratchPath(const char* suffix) {
  const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/mardo-fuzz-" + std::to_string(::getpid()) + suffix;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string input = ScratchPath(".mvl");
  static const std::string output = ScratchPath("-out.mvl");
  const int fd = ::open(input.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return 0;
  const bool written = ::write(fd, data, size) == static_cast<ssize_t>(size);
  ::close(fd);
  if (!written) return 0;

  std::vector<uint8_t> index;
  mardo::FileIdentity identity;
  if (mardo::IdentityOfFile(input, identity)) {
    try {
      index = mardo::BuildCatalogIndex(input, identity);
    } catch (const std::bad_alloc&) {
      index.clear();  // more than memory holds: no index, as the index cache takes it
    }
  }

  mardo::Catalog catalog;
  catalog.filePath = input;
  if (!catalog.Read()) {
    Check(index.empty());
    return 0;
  }
  if (!index.empty()) {
    const auto opened = mardo::CatalogIndex::OpenBytes(index, std::vector<uint8_t>(data, data + size));
    Check(opened != nullptr && opened->RecordCount() == static_cast<uint32_t>(catalog.files.Size()));
    std::vector<mardo::CatalogIndex::Entry> entries;
    for (uint32_t r = 0; r < opened->RecordCount(); ++r) {
      if (r % mardo::index_format::kBlockRecords == 0)
        Check(opened->ReadBlock(r / mardo::index_format::kBlockRecords, entries));
      const mardo::CatalogIndex::Entry& e = entries[r % mardo::index_format::kBlockRecords];
      const mardo::FileRecord& f = *catalog.files[static_cast<int32_t>(r)];
      Check(e.name == f.Name() && e.length == f.length && e.time == f.lastWriteTime &&
            e.dirNumber == f.dirNumber);
    }
  }
  Check(catalog.formatVersion <= mardo::Catalog::kWideVersion);
  for (const mardo::FileRecord* entry : catalog.files) {
    Check(entry->OwningCatalog() == &catalog);
    Check(catalog.ContainingDirectory(*entry) != nullptr);
    Check(entry->length >= mardo::FileRecord::kLowestLength);
    (void)catalog.DirectoryOf(*entry);
  }

  // Whatever was read is written whole (as version 3 or 4) and reads back the same.
  catalog.filePath = output;
  if (!catalog.Write()) return 0;
  mardo::Catalog again;
  again.filePath = output;
  Check(again.Read());
  Check(again.formatVersion == catalog.formatVersion);
  Check(again.volumeRoot == catalog.volumeRoot && again.volumeLabel == catalog.volumeLabel &&
        again.catalogName == catalog.catalogName && again.serialNumber == catalog.serialNumber);
  Check(again.files.Size() == catalog.files.Size() && again.dirs.Size() == catalog.dirs.Size());
  for (int32_t k = 0; k < again.dirs.Size(); ++k) Check(again.dirs[k]->Path() == catalog.dirs[k]->Path());
  for (int32_t i = 0; i < again.files.Size(); ++i) {
    const mardo::FileRecord& a = *again.files[i];
    const mardo::FileRecord& b = *catalog.files[i];
    Check(a.Name() == b.Name() && a.length == b.length && a.lastWriteTime == b.lastWriteTime &&
          a.dirNumber == b.dirNumber);
  }
  ::unlink(output.c_str());
  return 0;
}
