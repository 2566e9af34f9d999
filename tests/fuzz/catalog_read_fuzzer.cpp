// Feeds arbitrary bytes to Catalog::Read. A catalog that reads must keep its invariants and must
// come back field for field when written and read again.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

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

  mardo::Catalog catalog;
  catalog.filePath = input;
  if (!catalog.Read()) return 0;
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
