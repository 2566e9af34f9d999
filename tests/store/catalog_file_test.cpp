#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/buffered_file.h"
#include "store/catalog.h"
#include "support/catalog_bytes.h"
#include "support/in_child.h"
#include "support/temp_tree.h"

namespace mardo {
namespace {

using test::CatalogBytes;
using test::TempDir;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

std::unique_ptr<Catalog> ReadFile(const std::string& path) {
  auto catalog = std::make_unique<Catalog>();
  catalog->filePath = path;
  return catalog->Read() ? std::move(catalog) : nullptr;
}

std::unique_ptr<Catalog> ReadBytes(const TempDir& tmp, const std::string& bytes) {
  const std::string path = tmp.MakeFile("probe.mvl", 0, -1, bytes);
  return ReadFile(path);
}

TEST(CatalogFile, WritesTheExactBytesOfASmallCatalog) {
  TempDir tmp;
  Catalog catalog;
  catalog.volumeLabel = "CD1";
  catalog.filePath = tmp / "cd1.mvl";
  ASSERT_TRUE(catalog.Write());
  const auto t = static_cast<int32_t>(catalog.cataloguedTime);
  EXPECT_GT(t, 0);
  const std::string expected = Bytes({0x27, 0x06, 0xA4, 0xD0, 0x03, 0x00}) +
                               Bytes({t & 0xFF, (t >> 8) & 0xFF, (t >> 16) & 0xFF, (t >> 24) & 0xFF}) +
                               Bytes({0x00}) + Bytes({0x03, 'C', 'D', '1'}) + Bytes({0x00}) +
                               Bytes({0, 0, 0, 0}) + Bytes({0x00, 0x00, 0x80, 0xBF}) + Bytes({0, 0, 0, 0}) +
                               Bytes({0, 0, 0, 0});
  EXPECT_EQ(tmp.ReadFile("cd1.mvl"), expected);
}

TEST(CatalogFile, WritesEntriesLittleEndianWithTheirStrings) {
  TempDir tmp;
  Catalog catalog;
  catalog.filePath = tmp / "e.mvl";
  catalog.volumeRoot = "/media/usb/";
  catalog.serialNumber = 0xABCD1234;
  catalog.freeSpace = 1.5f;
  catalog.AddDirectory("", 2, 15.0);
  catalog.AddFile("Sub", 0x01020304, -3, 258);
  catalog.AddFile("", -1, 0, 0);
  ASSERT_TRUE(catalog.Write());
  const std::string bytes = tmp.ReadFile("e.mvl");
  const std::string dirs = Bytes({1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x2E, 0x40});
  const std::string files = Bytes({2,   0,   0,   0,    4,    3,    2,    1, 0xFD, 0xFF, 0xFF, 0xFF, 2, 1, 3,
                                   'S', 'u', 'b', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0,    0,    0,    0,    0, 0});
  EXPECT_EQ(bytes.substr(bytes.size() - dirs.size() - files.size()), dirs + files);
  EXPECT_EQ(bytes.substr(10, 12), Bytes({11, '/', 'm', 'e', 'd', 'i', 'a', '/', 'u', 's', 'b', '/'}));
}

TEST(CatalogFile, ReadsEveryVersionWithItsDefaults) {
  TempDir tmp;
  for (int version = 0; version <= 3; ++version) {
    CatalogBytes b(version);
    b.Time(1000).RootIfAny("/r/").String("LABEL").String("Name").U32(77).FreeIfAny(2.5f);
    b.I32(2).Dir("", 3, 30.0).Dir("\\d", 1, 10.0);
    b.I32(3).File(100, 20, 0, "a.txt").File(200, -1, 0, "d").File(300, 10, 1, "b.txt");
    const auto catalog = ReadBytes(tmp, b.Bytes());
    ASSERT_NE(catalog, nullptr) << version;
    EXPECT_EQ(catalog->formatVersion, version);
    EXPECT_EQ(catalog->cataloguedTime, 1000);
    EXPECT_EQ(catalog->volumeRoot, version >= 2 ? "/r/" : "");
    EXPECT_EQ(catalog->volumeLabel, "LABEL");
    EXPECT_EQ(catalog->DisplayName(), "Name");
    EXPECT_EQ(catalog->serialNumber, 77u);
    EXPECT_EQ(catalog->freeSpace, version >= 1 ? 2.5f : -1.0f);
    ASSERT_EQ(catalog->dirs.Size(), 2);
    EXPECT_EQ(catalog->dirs[1]->Path(), "\\d");
    EXPECT_EQ(catalog->dirs[0]->fileCount, version >= 3 ? 3 : 0);
    EXPECT_EQ(catalog->dirs[0]->totalLength, version >= 3 ? 30.0 : 0.0);
    ASSERT_EQ(catalog->files.Size(), 3);
    EXPECT_EQ(catalog->files[1]->Name(), "d");
    EXPECT_EQ(catalog->files[1]->length, -1);
    EXPECT_EQ(catalog->files[2]->dirNumber, 1);
    EXPECT_EQ(catalog->files[2]->lastWriteTime, 300);
    EXPECT_EQ(catalog->files[2]->OwningCatalog(), catalog.get());
  }
}

TEST(CatalogFile, RejectsForeignAndNewerFiles) {
  TempDir tmp;
  EXPECT_EQ(ReadBytes(tmp, Bytes({0, 0, 0, 0, 0, 0, 0, 0})), nullptr);
  EXPECT_EQ(ReadBytes(tmp, "abcdefghijklmnopqrstuvwxyz"), nullptr);
  EXPECT_EQ(ReadBytes(tmp, Bytes({0x28, 0x06, 0xA4, 0xD0, 3, 0})), nullptr);  // remainder off by one
  CatalogBytes newer(3, false);
  newer.Version(5).Time(0).String("").String("").String("").U32(0).F32(-1).I32(0).I32(0);
  EXPECT_EQ(ReadBytes(tmp, newer.Bytes()), nullptr);
  EXPECT_EQ(ReadBytes(tmp, ""), nullptr);
  EXPECT_EQ(ReadFile(tmp / "missing.mvl"), nullptr);
  EXPECT_EQ(ReadFile(tmp.Path()), nullptr);  // a directory
}

TEST(CatalogFile, ARejectedFileSaysWhy) {
  TempDir tmp;
  auto reason = [&](const std::string& path) {
    Catalog catalog;
    catalog.filePath = path;
    std::string error;
    EXPECT_FALSE(catalog.Read(&error));
    return error;
  };
  EXPECT_EQ(reason(tmp.MakeFile("text.mvl", 0, -1, "abcdefghijklmnopqrstuvwxyz")), "not a catalog file");
  EXPECT_EQ(reason(tmp.MakeFile("empty.mvl", 0, -1, "")), "not a catalog file");
  CatalogBytes newer(3, false);
  newer.Version(5).Time(0).String("").String("").String("").U32(0).F32(-1).I32(0).I32(0);
  EXPECT_EQ(reason(tmp.MakeFile("newer.mvl", 0, -1, newer.Bytes())), "a catalog of a newer format");
  CatalogBytes cut(3);
  cut.Time(0).String("/media/usb/");
  EXPECT_EQ(reason(tmp.MakeFile("cut.mvl", 0, -1, cut.Bytes())), "the file ends early");
  CatalogBytes lying(3);  // a count the rest of the file cannot hold
  lying.Time(0).String("").String("").String("").U32(0).F32(-1).I32(1);
  EXPECT_EQ(reason(tmp.MakeFile("lying.mvl", 0, -1, lying.Bytes())), "a damaged catalog file");
  CatalogBytes stray(3);
  stray.Time(0).String("").String("").String("").U32(0).F32(-1).I32(1).Dir("", 0, 0).I32(1).File(1, 1, 1,
                                                                                                 "a");
  EXPECT_EQ(reason(tmp.MakeFile("stray.mvl", 0, -1, stray.Bytes())), "a damaged catalog file");
  EXPECT_EQ(reason(tmp / "missing.mvl"), "No such file or directory");
}

TEST(CatalogFile, RejectsEveryTruncationAndLyingCount) {
  TempDir tmp;
  CatalogBytes b(3);
  b.Time(5).String("/").String("L").String("").U32(1).F32(1).I32(2).Dir("", 1, 1).Dir("\\x", 0, 0);
  b.I32(2).File(1, 1, 0, "one").File(2, -1, 0, "x");
  const std::string whole = b.Bytes();
  ASSERT_NE(ReadBytes(tmp, whole), nullptr);
  for (size_t n = 0; n < whole.size(); ++n) {
    EXPECT_EQ(ReadBytes(tmp, whole.substr(0, n)), nullptr) << "cut at " << n;
  }
  ASSERT_NE(ReadBytes(tmp, whole + "trailing bytes are not read"), nullptr);

  CatalogBytes huge(3);
  huge.Time(0).String("").String("").String("").U32(0).F32(-1).I32(0).I32(0x7FFFFFFF).File(1, 1, 0, "a");
  EXPECT_EQ(ReadBytes(tmp, huge.Bytes()), nullptr);
  CatalogBytes hugeDirs(2);
  hugeDirs.Time(0).String("").String("").String("").U32(0).F32(-1).I32(0x40000000).Dir("", 0, 0);
  EXPECT_EQ(ReadBytes(tmp, hugeDirs.Bytes()), nullptr);
  CatalogBytes stray(3);  // an entry in a directory the catalog does not have
  stray.Time(0).String("").String("").String("").U32(0).F32(-1).I32(1).Dir("", 0, 0).I32(1).File(1, 1, 1,
                                                                                                 "a");
  EXPECT_EQ(ReadBytes(tmp, stray.Bytes()), nullptr);
  CatalogBytes negative(3);  // counts below zero read no entries
  negative.Time(0).String("").String("").String("").U32(0).F32(-1).I32(-5).I32(-1);
  const auto empty = ReadBytes(tmp, negative.Bytes());
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->files.Size(), 0);
}

// One catalog whose fields are all at or beyond what version 3 holds, one way or another.
struct WidthCase {
  const char* what;
  std::function<void(Catalog&)> fill;
  bool wide;
};

std::vector<WidthCase> WidthCases() {
  const std::string t255(255, 't');
  const std::string t256(256, 't');
  auto dirs = [](int32_t n) {
    return [n](Catalog& c) {
      for (int32_t k = 1; k < n; ++k) c.AddDirectory("\\d" + std::to_string(k));
      c.AddFile("deepest", 0, 1, n - 1);
    };
  };
  auto file = [](int64_t time, int64_t length, std::string name) {
    return [=](Catalog& c) { c.AddFile(name, time, length, 0); };
  };
  return {
      {"every field at its version-3 limit",
       [=](Catalog& c) {
         c.volumeRoot = c.volumeLabel = c.catalogName = t255;
         c.AddDirectory(t255);
         c.AddFile(t255, INT32_MIN, INT32_MAX, 1);
         c.AddFile("d", INT32_MAX, -1, 0);
       },
       false},
      {"32,768 directories", dirs(32768), false},
      {"32,769 directories", dirs(32769), true},
      {"70,000 directories (a 32-bit directory number)", dirs(70000), true},
      {"a length of 2 GiB", file(0, int64_t{1} << 31, "big"), true},
      {"a time before 1901", file(int64_t{INT32_MIN} - 1, 1, "old"), true},
      {"a time after 2038", file(int64_t{INT32_MAX} + 1, 1, "new"), true},
      {"a 256-byte root", [=](Catalog& c) { c.volumeRoot = t256; }, true},
      {"a 256-byte label", [=](Catalog& c) { c.volumeLabel = t256; }, true},
      {"a 256-byte catalog name", [=](Catalog& c) { c.catalogName = t256; }, true},
      {"a 256-byte directory path", [=](Catalog& c) { c.AddDirectory(t256); }, true},
      {"a 256-byte file name", file(0, 1, t256), true},
  };
}

// What a reader sees of a catalog, field by field.
std::string Fields(const Catalog& c) {
  std::string out =
      c.volumeRoot + "|" + c.volumeLabel + "|" + c.catalogName + "|" + std::to_string(c.serialNumber);
  for (const DirRecord* d : c.dirs)
    out += "|d:" + std::string(d->Path()) + ":" + std::to_string(d->fileCount);
  for (const FileRecord* f : c.files) {
    out += "|f:" + std::string(f->Name()) + ":" + std::to_string(f->lastWriteTime) + ":" +
           std::to_string(f->length) + ":" + std::to_string(f->dirNumber);
  }
  return out;
}

TEST(CatalogFile, Version3IsWrittenWheneverItHoldsTheCatalogTruthfully) {
  TempDir tmp;
  constexpr int64_t kNow = 1800000000;
  for (const WidthCase& w : WidthCases()) {
    Catalog catalog;
    catalog.filePath = tmp / "width.mvl";
    catalog.AddDirectory("");
    w.fill(catalog);
    EXPECT_EQ(catalog.NeedsWideVersion(kNow), w.wide) << w.what;
    ASSERT_TRUE(catalog.Write()) << w.what;
    const int16_t version = w.wide ? 4 : 3;
    EXPECT_EQ(catalog.formatVersion, version) << w.what;
    EXPECT_EQ(tmp.ReadFile("width.mvl").substr(4, 2), Bytes({version, 0})) << w.what;
    const auto back = ReadFile(catalog.filePath);
    ASSERT_NE(back, nullptr) << w.what;
    EXPECT_EQ(back->formatVersion, version) << w.what;
    EXPECT_EQ(Fields(*back), Fields(catalog)) << w.what;
  }
  // Each write decides again: a catalog that no longer needs version 4 goes back to version 3.
  Catalog again;
  again.filePath = tmp / "again.mvl";
  again.AddDirectory("");
  again.AddFile("big", 0, int64_t{1} << 31, 0);
  ASSERT_TRUE(again.Write());
  EXPECT_EQ(again.formatVersion, 4);
  again.ClearRecords();
  again.AddDirectory("");
  again.AddFile("small", 0, 1, 0);
  ASSERT_TRUE(again.Write());
  EXPECT_EQ(again.formatVersion, 3);
  // The moment of writing is a time of the file too.
  Catalog empty;
  EXPECT_FALSE(empty.NeedsWideVersion(INT32_MAX));
  EXPECT_TRUE(empty.NeedsWideVersion(int64_t{INT32_MAX} + 1));
}

TEST(CatalogFile, Version4IsWrittenAndReadAsDocumented) {
  TempDir tmp;
  Catalog catalog;
  catalog.filePath = tmp / "big.mvl";
  catalog.volumeRoot = "/media/big/";
  catalog.volumeLabel = "BIG";
  catalog.serialNumber = 7;
  catalog.freeSpace = 2.0f;
  const std::string deep = "\\" + std::string(300, 'p');
  catalog.AddDirectory("", 3, 5368709129.0);
  catalog.AddDirectory(deep, 2, 5368709127.0);
  catalog.AddFile("a", 1, 2, 0);
  catalog.AddFile(std::string(300, 'p'), 2, -1, 0);
  catalog.AddFile("film.mkv", 1700000000, 5368709120, 1);
  catalog.AddFile("future", int64_t{1} << 33, 7, 1);
  ASSERT_TRUE(catalog.Write());
  EXPECT_EQ(catalog.formatVersion, 4);
  CatalogBytes expected(4);
  expected.Time(catalog.cataloguedTime).String("/media/big/").String("BIG").String("").U32(7).F32(2.0f);
  expected.I32(2).Dir("", 3, 5368709129.0).Dir(deep, 2, 5368709127.0);
  expected.I32(4).File(1, 2, 0, "a").File(2, -1, 0, std::string(300, 'p'));
  expected.File(1700000000, 5368709120, 1, "film.mkv").File(int64_t{1} << 33, 7, 1, "future");
  const std::string bytes = tmp.ReadFile("big.mvl");
  EXPECT_EQ(bytes, expected.Bytes());
  // The tags: 00 all narrow, 02 a wide length, 01 a wide time.
  EXPECT_NE(bytes.find(Bytes({0x02, 0x00, 0xF1, 0x53, 0x65, 0x00, 0x00, 0x00, 0x40, 0x01, 0x00, 0x00, 0x00})),
            std::string::npos);
  const auto back = ReadFile(catalog.filePath);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Fields(*back), Fields(catalog));
  EXPECT_EQ(back->files[2]->length, 5368709120);

  // A reader of versions 0 to 3 sees the version-3 format word, then a version field above 3:
  // it refuses the file as one of a newer format, as this reader refuses version 5.
  EXPECT_EQ(bytes.substr(0, 6), Bytes({0x27, 0x06, 0xA4, 0xD0, 0x04, 0x00}));
  std::string newer = bytes;
  newer[4] = 5;
  std::string error;
  Catalog five;
  five.filePath = tmp.MakeFile("five.mvl", 0, -1, newer);
  EXPECT_FALSE(five.Read(&error));
  EXPECT_EQ(error, "a catalog of a newer format");
}

TEST(CatalogFile, RejectsVersion4EntriesThatNameNoDirectory) {
  TempDir tmp;
  auto file = [](auto&& entries) {
    CatalogBytes b(4);
    b.Time(0).String("").String("").String("").U32(0).F32(-1).I32(1).Dir("", 0, 0).I32(1);
    entries(b);
    return b.Bytes();
  };
  ASSERT_NE(ReadBytes(tmp, file([](CatalogBytes& b) { b.File(1, -1, 0, "a"); })), nullptr);
  // A tag bit that means nothing, a 32-bit directory number past the last directory, a length
  // that names no directory number, a name that runs past the end.
  EXPECT_EQ(ReadBytes(tmp, file([](CatalogBytes& b) { b.Byte(8).I32(1).I32(1).I16(0).String("a"); })),
            nullptr);
  EXPECT_EQ(ReadBytes(tmp, file([](CatalogBytes& b) { b.Byte(4).I32(1).I32(1).U32(1).String("a"); })),
            nullptr);
  EXPECT_EQ(ReadBytes(tmp, file([](CatalogBytes& b) { b.File(1, INT64_MIN, 0, "a"); })), nullptr);
  EXPECT_EQ(ReadBytes(tmp, file([](CatalogBytes& b) { b.Byte(0).I32(1).I32(1).I16(0).Byte(255).U32(9); })),
            nullptr);
}

TEST(CatalogFile, ASoundCatalogFollowedByATerabyteOfHolesIsReadWithoutReservingIt) {
  TempDir tmp;
  Catalog catalog;
  catalog.filePath = tmp / "holes.mvl";
  catalog.AddDirectory("");
  catalog.AddFile("a.txt", 1, 10, 0);
  ASSERT_TRUE(catalog.Write());
  // Four KiB on disk; the reader sees a terabyte it must not take as a measure of the names.
  ASSERT_EQ(::truncate(catalog.filePath.c_str(), int64_t{1} << 40), 0);
  const auto back = ReadFile(catalog.filePath);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Fields(*back), Fields(catalog));

  // A text that claims more than a catalog holds, over the holes, is refused at once.
  CatalogBytes claim(4);
  claim.Time(0).Byte(255).U32(20u << 20);
  const std::string path = tmp.MakeFile("claim.mvl", 0, -1, claim.Bytes());
  ASSERT_EQ(::truncate(path.c_str(), int64_t{1} << 40), 0);
  Catalog claimed;
  claimed.filePath = path;
  std::string error;
  EXPECT_FALSE(claimed.Read(&error));
  EXPECT_EQ(error, "a text is longer than a catalog holds");
}

TEST(CatalogFile, LargeCatalogsRoundTripAndOldVersionsComeBackAsVersion3) {
  TempDir tmp;
  Catalog catalog;
  catalog.filePath = tmp / "big.mvl";
  catalog.volumeLabel = "BIG";
  catalog.AddDirectory("", 0, 0.0);
  for (int i = 0; i < 30000; ++i) catalog.AddFile("file-" + std::to_string(i) + ".dat", i, i * 3, 0);
  ASSERT_TRUE(catalog.Write());
  EXPECT_GT(std::filesystem::file_size(catalog.filePath), BufferedFile::kBufferSize * 3);
  const auto back = ReadFile(catalog.filePath);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->files.Size(), 30000);
  for (int32_t i = 0; i < 30000; i += 997) {
    EXPECT_EQ(back->files[i]->Name(), catalog.files[i]->Name());
    EXPECT_EQ(back->files[i]->length, i * 3);
  }
  back->filePath = tmp / "again.mvl";
  ASSERT_TRUE(back->Write());
  // Same content; only the catalogued time may differ.
  std::string first = tmp.ReadFile("big.mvl");
  std::string second = tmp.ReadFile("again.mvl");
  first.replace(6, 4, 4, '\0');
  second.replace(6, 4, 4, '\0');
  EXPECT_EQ(first, second);

  CatalogBytes v0(0);
  v0.Time(9).String("OLD").String("").U32(5).I32(1).Dir("").I32(1).File(1, 2, 0, "f");
  const auto old = ReadBytes(tmp, v0.Bytes());
  ASSERT_NE(old, nullptr);
  old->filePath = tmp / "old3.mvl";
  ASSERT_TRUE(old->Write());
  const auto upgraded = ReadFile(old->filePath);
  ASSERT_NE(upgraded, nullptr);
  EXPECT_EQ(upgraded->formatVersion, 3);
  EXPECT_EQ(upgraded->volumeRoot, "");
  EXPECT_EQ(upgraded->freeSpace, -1.0f);
  EXPECT_EQ(upgraded->dirs[0]->fileCount, 0);
  EXPECT_EQ(upgraded->volumeLabel, "OLD");
}

TEST(CatalogFile, AFailedWriteLeavesTheOldFileAsItWas) {
  TempDir tmp;
  Catalog old;
  old.filePath = tmp / "keep.mvl";
  old.volumeLabel = "OLD";
  ASSERT_TRUE(old.Write());
  const std::string before = tmp.ReadFile("keep.mvl");

  // The disk fills up half-way: the process may not write more than 64 KiB to any file.
  const int status = test::InChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    Catalog big;
    big.filePath = old.filePath;
    big.AddDirectory("");
    for (int i = 0; i < 20000; ++i) big.AddFile("entry-" + std::to_string(i), 0, i, 0);
    std::string error;
    if (big.Write(&error)) return 1;
    return error == "File too large" ? 0 : 2;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(tmp.ReadFile("keep.mvl"), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp.Path()), {}), 1);  // no leftovers

  Catalog nowhere;
  nowhere.filePath = tmp / "missing-dir/x.mvl";
  std::string error;
  EXPECT_FALSE(nowhere.Write(&error));
  EXPECT_EQ(error, "No such file or directory");
}

TEST(CatalogFile, AReadOnlyDirectoryRefusesTheWriteAndKeepsTheOldFile) {
  TempDir tmp;
  const std::string dir = tmp.MakeDir("ro");
  Catalog old;
  old.filePath = dir + "/keep.mvl";
  ASSERT_TRUE(old.Write());
  const std::string before = tmp.ReadFile("ro/keep.mvl");
  std::filesystem::permissions(tmp.Path(), std::filesystem::perms::all);
  std::filesystem::permissions(dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                        std::filesystem::perms::others_read |
                                        std::filesystem::perms::others_exec);
  const int status = test::InChild([&] {
    // Root writes anywhere: take the identity of an ordinary user first.
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
    Catalog replacement;
    replacement.filePath = old.filePath;
    std::string error;
    if (replacement.Write(&error)) return 1;
    return error == "Permission denied" ? 0 : 2;
  });
  if (status == 3) GTEST_SKIP() << "this machine does not let root take another identity";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(tmp.ReadFile("ro/keep.mvl"), before);
}

TEST(BufferedFile, ReadsNothingStalePastTheEndAndDeletesOnlyInDeleteMode) {
  TempDir tmp;
  const std::string path = tmp.MakeFile("f", 0, -1, "AB");
  BufferedFile reader(path, BufferedFile::kRead);
  ASSERT_TRUE(reader.Open());
  EXPECT_EQ(reader.Remaining(), 2);
  EXPECT_EQ(reader.ReadByte(), 'A');
  EXPECT_EQ(reader.ReadByte(), 'B');
  EXPECT_FALSE(reader.Failed());
  EXPECT_EQ(reader.ReadByte(), 0);
  EXPECT_TRUE(reader.Failed());
  EXPECT_FALSE(reader.Close());
  EXPECT_TRUE(BufferedFile(path, BufferedFile::kRead).Remove());  // not delete mode: nothing
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_FALSE(BufferedFile(path, BufferedFile::kDelete).Open());
  EXPECT_TRUE(BufferedFile(path, BufferedFile::kDelete).Remove());
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(BufferedFile(path, BufferedFile::kDelete).Remove());  // already gone
  EXPECT_FALSE(BufferedFile(tmp.Path(), BufferedFile::kDelete).Remove());
}

}  // namespace
}  // namespace mardo
