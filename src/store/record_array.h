#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <span>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "store/field.h"

namespace mardo {

// Who destroys the records an array points to.
enum class Ownership {
  kHeap,      // records come in as std::unique_ptr and are deleted by the array
  kBlocks,    // records are created by the array in pages it owns: no allocation per record;
              // a record taken out with RemoveAt stays valid until the array is emptied by
              // DeleteAll or destroyed. Each page names the array's owner (RecordPages).
  kBorrowed,  // records belong to someone else; the array never destroys them
};

// The pages that kBlocks arrays keep their records in: aligned blocks of kPageSize bytes, each
// beginning with the owner the array was given (SetOwner), so that a record finds its owner from
// its own address with one mask and one load.
struct RecordPages {
  static constexpr size_t kPageSize = 16 * 1024;

  // The owner named by the page that holds `record`, a record of a kBlocks array.
  static void* OwnerOf(const void* record) {
    const uintptr_t page = reinterpret_cast<uintptr_t>(record) & ~uintptr_t{kPageSize - 1};
    return *reinterpret_cast<void* const*>(page);
  }
};

// A view of a RecordArray that hands out its records as const: whoever holds it can read the
// records and find them, but can neither change nor remove them. It follows the array as it
// changes.
template <class T>
class ReadOnlyRecords {
 public:
  explicit ReadOnlyRecords(const std::vector<T*>& records) : slots_(&records) {}

  int32_t Size() const { return static_cast<int32_t>(slots_->size()); }
  bool Empty() const { return slots_->empty(); }
  const T* operator[](int32_t position) const { return (*slots_)[static_cast<size_t>(position)]; }
  const T* Last() const { return slots_->back(); }
  const T* const* begin() const { return slots_->data(); }
  const T* const* end() const { return slots_->data() + slots_->size(); }
  // First slot holding exactly this pointer, or -1.
  int32_t IndexOf(const T* record) const {
    const auto found = std::find(slots_->begin(), slots_->end(), record);
    return found == slots_->end() ? -1 : static_cast<int32_t>(found - slots_->begin());
  }

 private:
  const std::vector<T*>* slots_;
};

// An array of record pointers, with a typed field search and a multi-key shell sort.
// Positions are signed 32-bit, counted from 0. The pointer block grows geometrically; the growth
// step is the least number of slots added at a time (loading sets it to the stored count, so the
// block is allocated once).
template <class T, Ownership kOwnership = Ownership::kHeap>
class RecordArray {
  static_assert(kOwnership != Ownership::kBlocks || std::is_trivially_destructible_v<T>,
                "records kept in blocks are released with their blocks");

 public:
  static constexpr int32_t kDefaultGrowBy = 8;

  // While set, kFieldString compares without regard to case.
  bool ignoreCase = true;

  RecordArray() = default;
  explicit RecordArray(int32_t growBy) : growBy_(std::max(growBy, 1)) {}
  RecordArray(const RecordArray&) = delete;
  RecordArray& operator=(const RecordArray&) = delete;
  ~RecordArray() { DeleteAll(); }

  int32_t Size() const { return static_cast<int32_t>(slots_.size()); }
  bool Empty() const { return slots_.empty(); }
  int32_t GrowBy() const { return growBy_; }
  T* At(int32_t position) const { return slots_[static_cast<size_t>(position)]; }
  T* operator[](int32_t position) const { return At(position); }
  T* Last() const { return slots_.back(); }
  std::span<T* const> Slots() const { return slots_; }
  ReadOnlyRecords<T> ReadOnly() const { return ReadOnlyRecords<T>(slots_); }
  auto begin() const { return slots_.begin(); }
  auto end() const { return slots_.end(); }

  // Appends a record and returns its position.
  int32_t Add(std::unique_ptr<T> record) requires(kOwnership == Ownership::kHeap) {
    return Append(record.release());
  }
  int32_t Add(T* record) requires(kOwnership == Ownership::kBorrowed) { return Append(record); }

  // The owner every page of a kBlocks array names, for records to find it (RecordPages::OwnerOf).
  // Set before the first record is created.
  void SetPageOwner(void* owner) requires(kOwnership == Ownership::kBlocks) { blocks_.SetOwner(owner); }

  // Creates a record owned by the array and appends it.
  template <class... Args>
  T* Emplace(Args&&... args) requires(kOwnership != Ownership::kBorrowed) {
    T* record = nullptr;
    if constexpr (kOwnership == Ownership::kBlocks) {
      record = new (blocks_.Allocate(growBy_)) T(std::forward<Args>(args)...);
    } else {
      record = new T(std::forward<Args>(args)...);
    }
    Append(record);
    return record;
  }

  // Inserts the record before `position` (at the end when position is the size).
  void InsertAt(int32_t position, std::unique_ptr<T> record) requires(kOwnership == Ownership::kHeap) {
    InsertSlots(position, record.release(), 1);
  }
  // Inserts `count` copies of the pointer before `position`. An owning array may hold a record
  // only once, so there it takes back a record that RemoveAt took out.
  void InsertAt(int32_t position, T* record, int32_t count = 1) requires(kOwnership != Ownership::kHeap) {
    InsertSlots(position, record, count);
  }

  // Takes one pointer out without destroying the record. The caller of a heap array becomes its
  // owner.
  auto RemoveAt(int32_t position) {
    T* record = slots_[static_cast<size_t>(position)];
    slots_.erase(slots_.begin() + position);
    if constexpr (kOwnership == Ownership::kHeap) {
      return std::unique_ptr<T>(record);
    } else {
      return record;
    }
  }

  // Empties the array without destroying the records. A heap array hands them to the caller.
  auto RemoveAll() {
    if constexpr (kOwnership == Ownership::kHeap) {
      std::vector<std::unique_ptr<T>> taken;
      taken.reserve(slots_.size());
      for (T* record : slots_) taken.emplace_back(record);
      slots_.clear();
      return taken;
    } else {
      slots_.clear();
    }
  }

  // Sets the size (new slots are null; slots cut off from an owning array have their records
  // destroyed, since nobody else holds them) and, when growBy is 1 or more, the growth step.
  void SetSize(int32_t newSize, int32_t growBy = -1) {
    if (growBy >= 1) growBy_ = growBy;
    newSize = std::max(newSize, 0);
    while (Size() > newSize) {
      Destroy(slots_.back());
      slots_.pop_back();
    }
    if (newSize == 0) {
      std::vector<T*>().swap(slots_);
      return;
    }
    Reserve(newSize);
    slots_.resize(static_cast<size_t>(newSize), nullptr);
  }

  // Destroys the record at `position` (if the slot is not null), then removes the slot.
  void RemoveAndDelete(int32_t position) {
    Destroy(slots_[static_cast<size_t>(position)]);
    slots_.erase(slots_.begin() + position);
  }

  // Destroys the given records and removes their slots in one pass, keeping the order of the
  // others: removing k of n records costs O(n + k log k). Pointers not in the array are ignored.
  // Returns the number of slots removed.
  int32_t RemoveAndDeleteAll(std::span<const T* const> doomed) {
    if (doomed.empty() || slots_.empty()) return 0;
    std::vector<const T*> sorted(doomed.begin(), doomed.end());
    std::sort(sorted.begin(), sorted.end(), std::less<const T*>());
    const auto removed = std::remove_if(slots_.begin(), slots_.end(), [&sorted](T* record) {
      if (record == nullptr ||
          !std::binary_search(sorted.begin(), sorted.end(), record, std::less<const T*>()))
        return false;
      Destroy(record);
      return true;
    });
    const auto count = static_cast<int32_t>(slots_.end() - removed);
    slots_.erase(removed, slots_.end());
    return count;
  }

  // Destroys every non-null record, empties the array and frees the pointer block.
  void DeleteAll() {
    for (T* record : slots_) Destroy(record);
    std::vector<T*>().swap(slots_);
    if constexpr (kOwnership == Ownership::kBlocks) blocks_.Release();
  }

  // Exchanges two pointers when neither slot is null.
  void Swap(int32_t i, int32_t j) {
    T*& a = slots_[static_cast<size_t>(i)];
    T*& b = slots_[static_cast<size_t>(j)];
    if (a != nullptr && b != nullptr) std::swap(a, b);
  }

  // First slot holding exactly this pointer, or -1.
  int32_t IndexOf(const T* record) const {
    for (int32_t i = 0; i < Size(); ++i) {
      if (slots_[static_cast<size_t>(i)] == record) return i;
    }
    return -1;
  }

  // First position after `after` whose field equals `value` (text byte for byte), or -1.
  // Pass -1 to search from the start.
  int32_t FindField(const FieldValue& value, FieldGetter<T> field, int32_t kind, int32_t after) const {
    for (int32_t i = std::max(after + 1, 0); i < Size(); ++i) {
      const T* record = slots_[static_cast<size_t>(i)];
      if (record != nullptr && FieldValueMatches(kind, field(*record), value)) return i;
    }
    return -1;
  }

  // 1 when A's field orders after B's, -1 before, 0 equal.
  int CompareField(int32_t kind, const FieldValue& a, const FieldValue& b) const {
    return CompareFieldValues(kind, a, b, ignoreCase);
  }

  // Shell sort (gapped insertion sort with exchanges) over the pointers, in place and not stable.
  // `direction` is the comparison result at which two elements stand in the wrong order: 1 sorts
  // ascending, -1 descending. Later keys are consulted only while all earlier keys compare equal.
  // Returns the element count.
  int32_t SortByKeys(std::span<const SortKey<T>> keys, int32_t direction) {
    const int32_t n = Size();
    if (n < 2 || keys.empty()) return n;
    for (const int32_t gap : SortGaps(n)) SortPass(keys, direction, n, gap);
    return n;
  }

  // The gaps SortByKeys uses for n elements, in order: h is halved until it reaches 0, and each h
  // gives the gap 2 * (h / 2) + 1 above 15, else 2 * (h / 4) + 1. For n = 40: 21, 5, 3, 1, 1.
  static std::vector<int32_t> SortGaps(int32_t n) {
    std::vector<int32_t> gaps;
    for (int32_t h = n / 2; h != 0; h /= 2) gaps.push_back(h > 15 ? 2 * (h / 2) + 1 : 2 * (h / 4) + 1);
    return gaps;
  }

 private:
  // Pages of records for kBlocks arrays, taken from the system in runs of whole pages. Pages never
  // move; each new run is at least the growth step and at least as large as everything allocated
  // so far, so there are few runs.
  class Blocks {
   public:
    static constexpr size_t kHeader = std::max(sizeof(void*), alignof(T));
    static constexpr size_t kPerPage = (RecordPages::kPageSize - kHeader) / sizeof(T);
    static_assert(kPerPage >= 1, "a record must fit a page");

    ~Blocks() { Release(); }
    void SetOwner(void* owner) { owner_ = owner; }
    void* Allocate(int32_t growBy) {
      if (left_ == 0) NextPage(static_cast<size_t>(std::max(growBy, 1)));
      --left_;
      char* at = next_;
      next_ += sizeof(T);
      return at;
    }
    void Release() {
      for (const Run& run : runs_) ::operator delete (run.base, std::align_val_t{RecordPages::kPageSize});
      runs_.clear();
      pagesLeft_ = pagesAllocated_ = left_ = 0;
      next_ = nullptr;
    }

   private:
    struct Run {
      char* base;
      size_t pages;
    };
    void NextPage(size_t growBy) {
      if (pagesLeft_ == 0) {
        const size_t pages =
            std::max((growBy + kPerPage - 1) / kPerPage, std::max<size_t>(pagesAllocated_, 1));
        auto* base = static_cast<char*>(
            ::operator new (pages* RecordPages::kPageSize, std::align_val_t{RecordPages::kPageSize}));
        runs_.push_back({base, pages});
        pagesAllocated_ += pages;
        pagesLeft_ = pages;
        page_ = base;
      } else {
        page_ += RecordPages::kPageSize;
      }
      --pagesLeft_;
      *reinterpret_cast<void**>(page_) = owner_;
      next_ = page_ + kHeader;
      left_ = kPerPage;
    }

    std::vector<Run> runs_;
    void* owner_ = nullptr;
    char* page_ = nullptr;  // the page records are taken from
    char* next_ = nullptr;  // its next free record
    size_t left_ = 0;       // records left in it
    size_t pagesLeft_ = 0;  // pages of the last run not begun
    size_t pagesAllocated_ = 0;
  };

  static void Destroy(T* record) {
    if (record == nullptr) return;
    if constexpr (kOwnership == Ownership::kHeap) {
      delete record;
    } else if constexpr (kOwnership == Ownership::kBlocks) {
      record->~T();
    }
  }

  void Reserve(int32_t needed) {
    const size_t want = static_cast<size_t>(needed);
    if (want <= slots_.capacity()) return;
    const size_t capacity = slots_.capacity();
    slots_.reserve(std::max(want, capacity + std::max<size_t>(static_cast<size_t>(growBy_), capacity)));
  }

  int32_t Append(T* record) {
    Reserve(Size() + 1);
    slots_.push_back(record);
    return Size() - 1;
  }

  void InsertSlots(int32_t position, T* record, int32_t count) {
    if (count <= 0) return;
    position = std::clamp(position, 0, Size());
    Reserve(Size() + count);
    slots_.insert(slots_.begin() + position, static_cast<size_t>(count), record);
  }

  static FieldValue Read(const SortKey<T>& key, const T* record) {
    return record != nullptr ? key.field(*record) : FieldValue{};
  }

  void SortPass(std::span<const SortKey<T>> keys, int32_t direction, int32_t n, int32_t gap) {
    for (int32_t i = 1; i <= n - gap; ++i) {
      int32_t m = i;
      while (m > 0) {
        const T* a = slots_[static_cast<size_t>(m - 1)];
        const T* b = slots_[static_cast<size_t>(m - 1 + gap)];
        bool exchange = false;
        for (const SortKey<T>& key : keys) {
          const int result = CompareField(key.kind, Read(key, a), Read(key, b));
          if (result == 0) continue;  // this key ties: the next one decides
          exchange = result == direction;
          break;
        }
        if (!exchange) break;
        Swap(m - 1, m - 1 + gap);
        m -= gap;
      }
    }
  }

  std::vector<T*> slots_;
  int32_t growBy_ = kDefaultGrowBy;
  [[no_unique_address]] std::conditional_t<kOwnership == Ownership::kBlocks, Blocks, std::monostate> blocks_;
};

}  // namespace mardo
