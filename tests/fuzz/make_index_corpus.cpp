// Writes the seed corpus of the index reader's fuzz target into the directory given: indexes of
// small catalogs of every version, and damaged copies of them.
#include <cstdio>
#include <string>
#include <vector>

#include "index/catalog_index_builder.h"
#include "index/index_format.h"
#include "store/catalog.h"

namespace {

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_index_corpus DIRECTORY\n");
    return 2;
  }
  const std::string dir = argv[1];
  mardo::FileIdentity source{1, 2, 300, 400, 500};
  int written = 0;
  for (int16_t version = 0; version <= 4; ++version) {
    mardo::Catalog catalog;
    catalog.formatVersion = version;
    catalog.volumeLabel = "LABEL";
    catalog.catalogName = version == 2 ? "" : "Name";
    catalog.volumeRoot = version >= 2 ? "/media/usb/" : "";
    catalog.AddDirectory("", 2, 15.0);
    catalog.AddDirectory("\\Sub", 1, 5.0);
    catalog.AddFile("A.TXT", 1000, 10, 0);
    catalog.AddFile("Sub", 2000, -1, 0);
    catalog.AddFile("b.txt", 3000, 5, 1);
    catalog.AddFile("abcabc.Lib", 4000, 7, 1);
    catalog.AddFile(std::string("nul\0inside", 10), 5000, 8, 0);
    catalog.AddFile("", 6000, 9, 0);
    catalog.AddFile("far", 7000, -30000, 1);
    if (version == 4) {
      catalog.volumeLabel = std::string(300, 'L');
      catalog.AddFile("film.mkv", int64_t{1} << 33, int64_t{5} << 30, 1);
      catalog.AddFile("lowest", -1, mardo::FileRecord::kLowestLength, 0);
    }
    const std::vector<uint8_t> bytes = mardo::BuildCatalogIndex(catalog, "/catalogs/v.mvl", source);
    Save(dir + "/v" + std::to_string(version) + ".idx", bytes);
    ++written;
    if (version != 3) continue;
    for (const size_t cut :
         {size_t{8}, mardo::index_format::kHeaderSize, bytes.size() / 2, bytes.size() - 1}) {
      Save(dir + "/v3-cut-" + std::to_string(cut) + ".idx",
           std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
      ++written;
    }
    for (const size_t at : {size_t{20}, size_t{64}, size_t{100}, bytes.size() / 3, bytes.size() - 3}) {
      std::vector<uint8_t> damaged = bytes;
      damaged[at] ^= 0xFF;
      Save(dir + "/v3-flip-" + std::to_string(at) + ".idx", damaged);
      ++written;
    }
  }
  mardo::Catalog empty;
  Save(dir + "/empty.idx", mardo::BuildCatalogIndex(empty, "", source));
  Save(dir + "/unindexed.idx", mardo::BuildUnindexedMarker("/catalogs/huge.mvl", source));
  ++written;
  Save(dir + "/text.idx", std::vector<uint8_t>{'M', 'a', 'r', 'd', 'o', 'I', 'd', 'x', 'n', 'o'});
  written += 2;
  std::printf("wrote %d seeds to %s\n", written, dir.c_str());
  return 0;
}
