#include "index/library_maker.h"

#include <filesystem>

#include "store/catalog.h"
#include "support/catalog_bytes.h"

namespace mardo::test {
namespace {

// Name parts with case variants, so that folding matters, and parts that share trigrams.
const char* const kParts[] = {"lib",      "LIB",      "Lib",  ".so", ".SO", "read", "ME",  "me",
                              "a",        "B",        "ab",   "x",   " ",   "-",    "_",   "1",
                              "\xC3\xA9", "\xC3\x89", "frob", "NIC", "*",   "|",    "abc", "ABC"};
const char* const kLabels[] = {"DISK", "Disk", "", "PHOTOS", "Backup"};
const char* const kNames[] = {"", "", "Music", "Work", "music"};

}  // namespace

std::string LibraryMaker::RandomName() {
  std::string name;
  for (int k = Pick(5); k >= 0; --k) name += kParts[Pick(static_cast<int>(std::size(kParts)))];
  if (Pick(40) == 0) name.clear();  // an empty name
  if (Pick(60) == 0) name = std::string(255, 'z').replace(100, 3, "abc");
  return name;
}

void LibraryMaker::WriteCatalog(const std::string& path, int version, bool big) {
  const int dirCount = big ? 1500 + Pick(1500) : 1 + Pick(6);
  const int fileCount = big ? 2500 + Pick(2000) : Pick(120);
  const std::string label = kLabels[Pick(static_cast<int>(std::size(kLabels)))];
  const std::string name = kNames[Pick(static_cast<int>(std::size(kNames)))];
  CatalogBytes bytes(version);
  bytes.Time(900000000 + Pick(100000000))
      .RootIfAny("/media/x/")
      .String(label)
      .String(name)
      .U32(static_cast<uint32_t>(random_()));
  bytes.FreeIfAny(static_cast<float>(Pick(5000)) - 1.0f);
  bytes.I32(dirCount);
  for (int k = 0; k < dirCount; ++k) {
    std::string dirPath = k == 0 ? "" : "\\d" + std::to_string(k);
    if (k > 0 && Pick(10) == 0) dirPath += "\\Sub DIR";
    bytes.Dir(dirPath, Pick(1000), static_cast<double>(Pick(1 << 30)) * (Pick(2) + 1));
  }
  bytes.I32(fileCount);
  for (int i = 0; i < fileCount; ++i) {
    int64_t length = Pick(3) == 0 ? Pick(2000) : Pick(100);
    if (Pick(6) == 0) length = -(1 + Pick(dirCount));           // a directory entry
    if (Pick(80) == 0) length = -(dirCount + 5 + Pick(30000));  // one whose directory is missing
    if (Pick(80) == 0) length = 2147483647;
    int64_t time = 946684800 + Pick(4) * 86400 + Pick(86400);
    if (version >= 4 && Pick(8) == 0) {
      // Beyond 4 GiB, with low 32 bits that small lengths have too.
      length = (int64_t{1} << 32) * (1 + Pick(3)) + Pick(100);
    }
    if (version >= 4 && Pick(20) == 0) time += int64_t{1} << 32;
    bytes.File(time, length, Pick(dirCount), RandomName());
  }
  if (Pick(5) == 0) bytes.U32(0xDEADBEEF);  // bytes after the last entry are not read
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.Bytes().data(), 1, bytes.Bytes().size(), out);
  std::fclose(out);
}

std::vector<std::string> LibraryMaker::MakeLibrary(const TempDir& tmp) {
  for (const std::string dir : {"", "a/", "b/"}) {
    const int files = Pick(4);
    for (int f = 0; f < files; ++f) {
      const std::string name = "cat" + std::to_string(Pick(100)) + (Pick(8) == 0 ? ".MVL" : ".mvl");
      WriteCatalog(tmp / (dir + name), Pick(5), Pick(12) == 0);
    }
    if (Pick(3) == 0) {
      // A catalog cut short, a file that is not a catalog, and a catalog under another extension.
      const std::string cut = tmp / (dir + "cut.mvl");
      WriteCatalog(cut, 3);
      std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
      tmp.MakeFile(dir + "notes.mvl", 0, -1, "not a catalog at all");
      WriteCatalog(tmp / (dir + "other.txt"), 3);
    }
  }
  return {"-dir", "a,b,a," + (tmp / "b")};
}

std::string LibraryMaker::RandomPattern() {
  std::string text;
  switch (Pick(6)) {
    case 0:  // short: one or two bytes
      text = std::string(kParts[Pick(static_cast<int>(std::size(kParts)))]).substr(0, 1 + Pick(2));
      break;
    case 1:
      text = std::string(kParts[Pick(8)]) + "*" + kParts[Pick(static_cast<int>(std::size(kParts)))];
      break;
    default:
      for (int k = Pick(3); k >= 0; --k) text += kParts[Pick(static_cast<int>(std::size(kParts)))];
  }
  if (Pick(4) == 0) text = "|" + text;
  if (Pick(4) == 0) text += "|";
  if (Pick(10) == 0) text = "*" + text;
  if (Pick(10) == 0) text += "*";
  return text;
}

SearchConditions LibraryMaker::MakeConditions() {
  SearchConditions c;
  if (Pick(5) != 0) {
    c.patternText = RandomPattern();
    c.flags |= SearchConditions::kNameCondition;
  }
  if (Pick(4) == 0) {
    c.dateOperator = static_cast<CompareOperator>(1 + Pick(5));
    c.dayStart = 946684800 + Pick(4) * 86400;
    c.dayEnd = c.dayStart + 86399;
    c.flags |= SearchConditions::kDateCondition;
  }
  if (Pick(4) == 0) {
    c.lengthOperator = static_cast<CompareOperator>(1 + Pick(5));
    c.lengthValue = Pick(3) == 0 ? 0 : Pick(200);
    if (Pick(4) == 0) c.lengthValue += int64_t{1} << 32;
    if (Pick(8) == 0) c.lengthValue = -c.lengthValue;  // tells directory entries apart by number
    c.flags |= SearchConditions::kLengthCondition;
  }
  const int mode = Pick(5);
  if (mode == 3) c.flags |= SearchConditions::kGroupingMode;
  if (mode == 4) c.flags |= SearchConditions::kGroupingMode | SearchConditions::kSameNames;
  const int32_t limits[] = {1, 2, 3, 5, 10, 100, 512, 100000};
  c.hitLimit = limits[Pick(static_cast<int>(std::size(limits)))];
  return c;
}

std::vector<std::string> LibraryMaker::MakeOnlyNames() {
  std::vector<std::string> names;
  if (Pick(3) != 0) return names;
  for (int k = Pick(2); k >= 0; --k) {
    names.push_back(Pick(2) == 0 ? kLabels[Pick(static_cast<int>(std::size(kLabels)))]
                                 : kNames[Pick(static_cast<int>(std::size(kNames)))]);
  }
  if (Pick(6) == 0) names.push_back("Nobody");
  return names;
}

}  // namespace mardo::test
