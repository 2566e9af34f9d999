#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "store/buffered_file.h"
#include "store/catalog.h"
#include "support/catalog_bytes.h"
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
  const int32_t t = catalog.cataloguedTime;
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
    EXPECT_EQ(catalog->files[2]->catalog, catalog.get());
  }
}

TEST(CatalogFile, RejectsForeignAndNewerFiles) {
  TempDir tmp;
  EXPECT_EQ(ReadBytes(tmp, Bytes({0, 0, 0, 0, 0, 0, 0, 0})), nullptr);
  EXPECT_EQ(ReadBytes(tmp, "abcdefghijklmnopqrstuvwxyz"), nullptr);
  EXPECT_EQ(ReadBytes(tmp, Bytes({0x28, 0x06, 0xA4, 0xD0, 3, 0})), nullptr);  // remainder off by one
  CatalogBytes newer(3, false);
  newer.Version(4).Time(0).String("").String("").String("").U32(0).F32(-1).I32(0).I32(0);
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
  newer.Version(4).Time(0).String("").String("").String("").U32(0).F32(-1).I32(0).I32(0);
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

TEST(CatalogFile, LongStringsAreCutAtACharacterBoundary) {
  TempDir tmp;
  Catalog catalog;
  catalog.filePath = tmp / "long.mvl";
  std::string deep = "x";                                   // puts byte 255 inside a character
  while (deep.size() < 300) deep += "\\\xC3\xA9t\xC3\xA9";  // "\été": 6 bytes
  catalog.AddDirectory(deep);
  const std::string name255(255, 'n');
  catalog.AddFile(name255, 0, 1, 0);
  catalog.AddFile("\xFF\x80\x80\x80\x80", 0, 2, 0);  // any bytes at all
  ASSERT_TRUE(catalog.Write());
  const auto back = ReadFile(catalog.filePath);
  ASSERT_NE(back, nullptr);
  const std::string_view cut = back->dirs[0]->Path();
  EXPECT_LE(cut.size(), 255u);
  EXPECT_EQ(cut, deep.substr(0, cut.size()));
  EXPECT_NE(static_cast<unsigned char>(deep[cut.size()]) & 0xC0, 0x80);  // not inside a character
  EXPECT_EQ(catalog.dirs[0]->Path(), deep);                              // memory keeps it whole
  EXPECT_EQ(back->files[0]->Name(), name255);
  EXPECT_EQ(back->files[1]->Name(), "\xFF\x80\x80\x80\x80");
  EXPECT_EQ(BufferedFile::StoredStringLength(std::string(300, '\x80')), 252u);
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

// Runs `body` in a child process and gives its exit status; the child may change limits and
// identity without touching the test program.
int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(CatalogFile, AFailedWriteLeavesTheOldFileAsItWas) {
  TempDir tmp;
  Catalog old;
  old.filePath = tmp / "keep.mvl";
  old.volumeLabel = "OLD";
  ASSERT_TRUE(old.Write());
  const std::string before = tmp.ReadFile("keep.mvl");

  // The disk fills up half-way: the process may not write more than 64 KiB to any file.
  const int status = InChild([&] {
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
  const int status = InChild([&] {
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
