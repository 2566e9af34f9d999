// Writes the seed corpus of the index reader's fuzz target into OUT: for each catalog file of the
// catalog reader's corpus (CATALOGS) that reads, the catalog file and its index (a u32 size, the
// catalog's bytes, the index's bytes); damaged copies of some; a catalog that numbers its
// directories as a scan does, with names holding '\'; a marker and bytes that are no index.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "index/catalog_index_builder.h"
#include "index/index_format.h"
#include "store/catalog.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void Save(const std::string& path, const std::vector<uint8_t>& catalog, const std::vector<uint8_t>& index) {
  std::vector<uint8_t> bytes(4);
  const auto size = static_cast<uint32_t>(catalog.size());
  for (int k = 0; k < 4; ++k) bytes[static_cast<size_t>(k)] = static_cast<uint8_t>(size >> (8 * k));
  bytes.insert(bytes.end(), catalog.begin(), catalog.end());
  bytes.insert(bytes.end(), index.begin(), index.end());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_index_corpus CATALOGS OUT\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const std::string out = argv[2];
  std::vector<std::string> catalogs;
  for (const auto& entry : fs::directory_iterator(argv[1])) catalogs.push_back(entry.path());
  // A catalog numbered as a scan numbers it, over several blocks and groups of directories.
  const std::string numbered = (fs::path(out) / "numbered.mvl").string();
  {
    mardo::Catalog catalog;
    catalog.filePath = numbered;
    catalog.volumeLabel = "NUMBERED";
    catalog.AddDirectory("");
    std::vector<std::string> paths = {""};
    for (int32_t d = 1; d < 90; ++d) {
      const int32_t parent = d / 3;
      const std::string name = d % 5 == 0 ? "a\\b" + std::to_string(d) : "dir" + std::to_string(d);
      paths.push_back(paths[static_cast<size_t>(parent)] + "\\" + name);
      catalog.AddDirectory(paths.back(), 1, 10.0);
      catalog.AddFile(name, 1000 + d, -d, parent);
      catalog.AddFile("file" + std::to_string(d) + ".txt", 2000 + d, d, d);
      if (d % 4 == 0)
        catalog.AddFile("Empty" + std::to_string(d % 3) + ".txt", 3000 + d, 0, d);  // listed twice
    }
    if (!catalog.Write()) return 1;
    catalogs.push_back(numbered);
  }
  std::sort(catalogs.begin(), catalogs.end());
  int written = 0;
  for (const std::string& path : catalogs) {
    mardo::FileIdentity identity;
    if (!mardo::IdentityOfFile(path, identity)) continue;
    std::vector<uint8_t> index;
    try {
      index = mardo::BuildCatalogIndex(path, identity);
    } catch (const std::exception&) {
      continue;  // a catalog too large to index (as the index cache passes it over)
    }
    if (index.empty()) continue;
    const std::vector<uint8_t> catalog = ReadBytes(path);
    const std::string name = fs::path(path).filename().string();
    Save(out + "/" + name + ".seed", catalog, index);
    ++written;
    if (written % 8 != 1 && path != numbered) continue;
    for (const size_t at : {size_t{20}, size_t{100}, index.size() / 3, index.size() - 3}) {
      std::vector<uint8_t> damaged = index;
      damaged[at] ^= 0xFF;
      Save(out + "/" + name + "-flip-" + std::to_string(at) + ".seed", catalog, damaged);
      ++written;
    }
    Save(out + "/" + name + "-cut.seed", catalog,
         std::vector<uint8_t>(index.begin(), index.begin() + index.size() / 2));
    Save(out + "/" + name + "-short-catalog.seed", std::vector<uint8_t>(catalog.begin(), catalog.end() - 3),
         index);
    written += 2;
  }
  fs::remove(numbered);
  Save(out + "/unindexed.seed", {},
       mardo::BuildUnindexedMarker("/catalogs/huge.mvl", mardo::FileIdentity{1, 2, 3, 4, 5}));
  Save(out + "/text.seed", {}, std::vector<uint8_t>{'M', 'a', 'r', 'd', 'o', 'I', 'd', 'x', 'n', 'o'});
  written += 2;
  std::printf("wrote %d seeds to %s\n", written, out.c_str());
  return 0;
}
