#include "scan/listing_queue.h"

#include <algorithm>
#include <system_error>

namespace mardo {
namespace {

// A listing taken with room for more entries than this gives its buffers back, so that a few
// huge directories do not keep every slot large.
constexpr size_t kKeptEntries = 4096;

bool HasSubdirectories(const DirectoryContents& listing, uint64_t device) {
  for (size_t i = 0; i < listing.Size(); ++i) {
    const DirectoryEntry entry = listing.Entry(i);
    if (entry.isDirectory && entry.device == device) return true;
  }
  return false;
}

}  // namespace

ListingQueue::ListingQueue(DirectoryReader& reader, DirectoryHandle root, uint64_t rootDevice,
                           const WalkList& walk, int helpers)
    : reader_(reader),
      root_(root),
      rootDevice_(rootDevice),
      walk_(walk),
      cursor_(reader, root),
      slots_(static_cast<size_t>(kSlots)) {
  // A helper the system cannot start leaves its share to the walker's thread.
  try {
    for (int i = 0; i < helpers; ++i) helpers_.emplace_back([this] { Help(); });
  } catch (const std::system_error&) {
  }
}

ListingQueue::~ListingQueue() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& helper : helpers_) helper.join();
}

bool ListingQueue::ListOne(DirectoryCursor& cursor, int32_t index, DirectoryContents& listing) {
  listing.Clear();
  if (!walk_[index].enter) return false;
  const DirectoryHandle handle = cursor.Open(walk_, index);
  if (!handle.Valid() || !reader_.ListInto(handle, listing)) {
    reader_.CloseDirectory(handle);
    return false;
  }
  cursor.Keep(index, handle, HasSubdirectories(listing, rootDevice_));
  return true;
}

void ListingQueue::ListNext(std::unique_lock<std::mutex>& lock, DirectoryCursor& cursor) {
  const int32_t index = next_++;
  Slot& slot = SlotOf(index);
  slot.index = index;
  slot.ready = false;
  lock.unlock();
  const bool listed = ListOne(cursor, index, slot.listing);
  lock.lock();
  slot.listed = listed;
  slot.ready = true;
  if (waitingFor_ == index) ready_.notify_one();
}

void ListingQueue::Help() {
  DirectoryCursor cursor(reader_, root_);
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (Claimable()) {
      ListNext(lock, cursor);
      continue;
    }
    ++idle_;
    work_.wait(lock);
    --idle_;
  }
}

bool ListingQueue::Take(int32_t index, int32_t known, const DirectoryContents*& listing) {
  if (index > 1) {
    // The walker is done with the previous listing, and no one claims its slot before walkerAt_
    // moves on.
    DirectoryContents& done = SlotOf(index - 1).listing;
    if (done.Capacity() > kKeptEntries) done.Release();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  known_ = known;
  walkerAt_ = index;
  // A helper is woken only for more than the walker's own next directory, so that a walk down a
  // single branch does not pay a wake-up per directory.
  if (idle_ > 0 && std::max(next_, index + 1) < std::min(known_, walkerAt_ + kSlots)) work_.notify_all();
  Slot& slot = SlotOf(index);
  while (slot.index != index || !slot.ready) {
    if (Claimable()) {
      ListNext(lock, cursor_);
      continue;
    }
    waitingFor_ = index;
    ready_.wait(lock);
    waitingFor_ = -1;
  }
  listing = &slot.listing;
  return slot.listed;
}

}  // namespace mardo
