#include "store/record_array.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "store/catalog.h"
#include "store/catalog_library.h"

namespace mardo {
namespace {

// A record that counts its destructions and carries one field of each kind family.
struct Probe {
  static inline int destroyed = 0;
  std::string text;
  int32_t number = 0;
  double real = 0.0;
  explicit Probe(std::string t = {}, int32_t n = 0, double r = 0.0)
      : text(std::move(t)), number(n), real(r) {}
  ~Probe() { ++destroyed; }

  static FieldValue Text(const Probe& p) { return FieldValue::Text(p.text); }
  static FieldValue Number(const Probe& p) { return FieldValue::Integer(p.number); }
  static FieldValue Real(const Probe& p) { return FieldValue::Real(p.real); }
};

std::vector<std::string> Names(const RecordArray<FileRecord, Ownership::kBlocks>& files) {
  std::vector<std::string> names;
  for (const FileRecord* r : files) names.emplace_back(r->Name());
  return names;
}

TEST(RecordArraySort, GapsHalveAndStayOdd) {
  using Array = RecordArray<Probe>;
  EXPECT_EQ(Array::SortGaps(1000), (std::vector<int32_t>{501, 251, 125, 63, 31, 7, 3, 1, 1}));
  EXPECT_EQ(Array::SortGaps(40), (std::vector<int32_t>{21, 5, 3, 1, 1}));
  EXPECT_EQ(Array::SortGaps(2), (std::vector<int32_t>{1}));
  EXPECT_EQ(Array::SortGaps(3), (std::vector<int32_t>{1}));
}

TEST(RecordArraySort, EmptyAndSingleArraysAreUntouched) {
  RecordArray<Probe> array;
  const SortKey<Probe> key{&Probe::Text, kFieldString};
  EXPECT_EQ(array.SortByKeys({&key, 1}, 1), 0);
  Probe* only = array.Emplace("x");
  EXPECT_EQ(array.SortByKeys({&key, 1}, 1), 1);
  EXPECT_EQ(array[0], only);
}

TEST(RecordArraySort, NamesSortInStricmpOrder) {
  Catalog catalog;
  for (const char* name : {"b", "A", "_x", "a"}) catalog.AddFile(name, 0, 0, 0);
  catalog.files.SortByKeys({&kFileNameKey, 1}, 1);
  const auto names = Names(catalog.files);
  EXPECT_EQ(names[0], "_x");
  EXPECT_TRUE((names[1] == "A" && names[2] == "a") || (names[1] == "a" && names[2] == "A"));
  EXPECT_EQ(names[3], "b");

  // With the flag cleared the order is plain unsigned bytes: 'A' < '_' < 'a' < 'b'.
  catalog.files.ignoreCase = false;
  catalog.files.SortByKeys({&kFileNameKey, 1}, 1);
  EXPECT_EQ(Names(catalog.files), (std::vector<std::string>{"A", "_x", "a", "b"}));
}

TEST(RecordArraySort, LaterKeysBreakTiesInEitherDirection) {
  Catalog catalog;
  catalog.AddFile("x", 0, 5, 0);
  catalog.AddFile("X", 0, 3, 0);
  catalog.AddFile("a", 0, 9, 0);
  const SortKey<FileRecord> keys[] = {kFileNameKey, kFileLengthKey};
  catalog.files.SortByKeys(keys, 1);
  EXPECT_EQ(Names(catalog.files), (std::vector<std::string>{"a", "X", "x"}));
  catalog.files.SortByKeys(keys, -1);
  EXPECT_EQ(Names(catalog.files), (std::vector<std::string>{"x", "X", "a"}));
}

TEST(RecordArraySort, LargeArraysEndSortedOnEveryKey) {
  Catalog catalog;
  uint32_t seed = 12345;
  for (int i = 0; i < 5000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const std::string name(1, static_cast<char>('a' + (seed >> 16) % 7));
    // Lengths beyond 32 bits, whose low halves order otherwise.
    catalog.AddFile(name, 0, (static_cast<int64_t>((seed >> 8) % 100) - 50) * (int64_t{3} << 30), 0);
  }
  const SortKey<FileRecord> keys[] = {kFileLengthKey, kFileNameKey};
  EXPECT_EQ(catalog.files.SortByKeys(keys, 1), 5000);
  for (int32_t i = 1; i < catalog.files.Size(); ++i) {
    const FileRecord* a = catalog.files[i - 1];
    const FileRecord* b = catalog.files[i];
    ASSERT_TRUE(a->length < b->length || (a->length == b->length && a->Name() <= b->Name())) << i;
  }
}

TEST(RecordArrayFind, MatchesExactlyAndFromAfterThePosition) {
  Catalog catalog;
  catalog.AddFile("abc", 100, 1, 0);
  catalog.AddFile("Abc", 200, 2, 0);
  catalog.AddFile("Abc", 300, 0x105, 0);
  auto& files = catalog.files;
  EXPECT_EQ(files.FindField(FieldValue::Text("Abc"), &FileRecord::NameField, kFieldString, -1), 1);
  EXPECT_EQ(files.FindField(FieldValue::Text("Abc"), &FileRecord::NameField, kFieldString, 1), 2);
  EXPECT_EQ(files.FindField(FieldValue::Text("ABC"), &FileRecord::NameField, kFieldString, -1), -1);
  EXPECT_EQ(files.FindField(FieldValue::Text("Abc"), &FileRecord::NameField, kFieldString, 2), -1);
  EXPECT_EQ(files.FindField(FieldValue::Integer(300), &FileRecord::TimeField, kFieldTime, -1), 2);
  // An 8-bit kind sees the low byte of a wider field.
  EXPECT_EQ(files.FindField(FieldValue::Integer(5), &FileRecord::LengthField, kFieldU8, -1), 2);
  // Kind 9 and unknown kinds never match.
  EXPECT_EQ(files.FindField(FieldValue::Integer(1), &FileRecord::LengthField, kFieldNone, -1), -1);
  EXPECT_EQ(files.FindField(FieldValue::Integer(1), &FileRecord::LengthField, 14, -1), -1);
}

TEST(RecordArrayCompare, EachKindHasItsOwnOrder) {
  RecordArray<Probe> array;
  const auto i = [](int64_t v) { return FieldValue::Integer(v); };
  const auto r = [](double v) { return FieldValue::Real(v); };
  const auto t = [](std::string_view v) { return FieldValue::Text(v); };
  EXPECT_EQ(array.CompareField(kFieldU8, i(0xFF), i(1)), 1);
  EXPECT_EQ(array.CompareField(kFieldI8, i(0xFF), i(1)), -1);
  EXPECT_EQ(array.CompareField(kFieldU16, i(0x8000), i(1)), 1);
  EXPECT_EQ(array.CompareField(kFieldI16, i(0x8000), i(1)), -1);
  EXPECT_EQ(array.CompareField(kFieldI32, i(-5), i(3)), -1);
  EXPECT_EQ(array.CompareField(kFieldTime, i(7), i(7)), 0);
  // Lengths and times are 64-bit: a 32-bit kind sees only the low half.
  EXPECT_EQ(array.CompareField(kFieldI64, i(int64_t{5} << 32), i(1)), 1);
  EXPECT_EQ(array.CompareField(kFieldTime, i(int64_t{1} << 33), i(1)), 1);
  EXPECT_EQ(array.CompareField(kFieldI32, i(int64_t{5} << 32), i(1)), -1);
  EXPECT_EQ(array.CompareField(kFieldF32, r(2.0), r(1.0)), 1);
  EXPECT_EQ(array.CompareField(kFieldF64, r(NAN), r(1.0)), -1);
  EXPECT_EQ(array.CompareField(kFieldF64, r(1.0), r(NAN)), -1);
  EXPECT_EQ(array.CompareField(kFieldCharArray, t("ABC"), t("abd")), -1);
  EXPECT_EQ(array.CompareField(kFieldStringPtr, t("abc"), t("ABC")), 0);
  EXPECT_EQ(array.CompareField(kFieldString, t("\xC3\xA9"), t("z")), 1);  // bytes from 0x80 after ASCII
  EXPECT_EQ(array.CompareField(kFieldBlock, t("ab"), t("abc")), -1);
  EXPECT_EQ(array.CompareField(kFieldBlock, t("b"), t("abc")), 1);
  EXPECT_EQ(array.CompareField(kFieldBlock, t("B"), t("b")), -1);
  EXPECT_EQ(array.CompareField(kFieldNone, i(1), i(2)), 0);
  EXPECT_EQ(array.CompareField(42, i(1), i(2)), 0);
  EXPECT_EQ(array.CompareField(kFieldI32, t("1"), i(2)), 0);  // a value of the wrong type is no value
}

TEST(RecordArrayOwnership, RemovingHandsTheRecordBackAndDeletingDestroysIt) {
  Probe::destroyed = 0;
  std::unique_ptr<Probe> kept;
  {
    RecordArray<Probe> array;
    array.Emplace("a");
    array.Emplace("b");
    array.Emplace("c");
    array.Add(nullptr);
    kept = array.RemoveAt(1);
    EXPECT_EQ(kept->text, "b");
    EXPECT_EQ(Probe::destroyed, 0);
    array.RemoveAndDelete(0);
    EXPECT_EQ(Probe::destroyed, 1);
    EXPECT_EQ(array.Size(), 2);
    array.Swap(0, 1);  // one slot is null: nothing happens
    EXPECT_EQ(array[0]->text, "c");
    array.InsertAt(0, std::move(kept));
    kept = array.RemoveAt(0);
    array.SetSize(1);  // the cut slot was null
    EXPECT_EQ(Probe::destroyed, 1);
  }
  EXPECT_EQ(Probe::destroyed, 2);  // "c" went with the array, "b" lives on
  EXPECT_EQ(kept->text, "b");
}

TEST(RecordArrayOwnership, BorrowedArraysNeverDestroy) {
  Probe::destroyed = 0;
  Probe a("a");
  Probe b("b");
  {
    RecordArray<Probe, Ownership::kBorrowed> refs;
    refs.Add(&a);
    refs.InsertAt(0, &b, 3);
    EXPECT_EQ(refs.Size(), 4);
    EXPECT_EQ(refs.IndexOf(&a), 3);
    EXPECT_EQ(refs.IndexOf(&b), 0);
    refs.RemoveAndDelete(0);
    refs.DeleteAll();
  }
  EXPECT_EQ(Probe::destroyed, 0);
}

TEST(RecordArrayGrowth, TheGrowthStepIsAMinimumAndTheBlockIsAllocatedOnce) {
  RecordArray<Probe> array;
  array.SetSize(0, 1000);
  array.Emplace();
  const auto* block = array.Slots().data();
  for (int i = 1; i < 1000; ++i) array.Emplace();
  EXPECT_EQ(array.Slots().data(), block);
  for (int i = 0; i < 100000; ++i) array.Emplace();  // grows geometrically from here
  EXPECT_EQ(array.Size(), 101000);
  array.SetSize(5);
  EXPECT_EQ(array.Size(), 5);
}

TEST(RecordArrayOwnership, BatchRemovalKeepsTheOrderAndDestroysOnlyTheGivenRecords) {
  RecordArray<Probe> array;
  std::vector<Probe*> probes;
  for (int i = 0; i < 10; ++i) {
    array.Add(std::make_unique<Probe>("p" + std::to_string(i)));
    probes.push_back(array.Last());
  }
  Probe stranger("stranger");
  Probe::destroyed = 0;
  const std::vector<const Probe*> doomed = {probes[7], probes[0], &stranger, probes[3], probes[9]};
  EXPECT_EQ(array.RemoveAndDeleteAll(doomed), 4);
  EXPECT_EQ(Probe::destroyed, 4);
  std::vector<std::string> left;
  for (const Probe* p : array) left.push_back(p->text);
  EXPECT_EQ(left, (std::vector<std::string>{"p1", "p2", "p4", "p5", "p6", "p8"}));
  EXPECT_EQ(array.RemoveAndDeleteAll({}), 0);
  Probe::destroyed = 0;
}

TEST(RecordArrayOwnership, BatchRemovalOfBlockRecordsKeepsTheirNamesInArenaOrder) {
  auto owned = std::make_unique<Catalog>();
  Catalog& catalog = *owned;
  catalog.AddDirectory("");
  std::vector<const FileRecord*> odd;
  for (int i = 0; i < 5000; ++i) {
    const FileRecord* r = catalog.AddFile("n" + std::to_string(i), 0, i, 0);
    if (i % 2 == 1) odd.push_back(r);
  }
  CatalogLibrary library({}, std::string("/"));
  library.AdoptCatalog(std::move(owned));
  EXPECT_EQ(library.RemoveRecords(catalog, odd), 2500);
  ASSERT_EQ(catalog.files.Size(), 2500);
  for (int32_t i = 0; i < catalog.files.Size(); ++i) EXPECT_EQ(catalog.files[i]->length, 2 * i);
  EXPECT_TRUE(catalog.NamesInArenaOrder());
}

}  // namespace
}  // namespace mardo
