#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/directory_reader.h"
#include "scan/directory_cursor.h"

namespace mardo {

// Lists the directories of a breadth-first walk ahead of the walker, in walk order: on helper
// threads, and on the walker's own thread while it waits for a listing. Finished listings wait in
// a bounded ring until the walker takes them, strictly one after the other, so the walk comes out
// the same whichever thread listed what. A directory is listed only once the walker has put it in
// the walk's list, and at most kSlots listings are held at a time.
class ListingQueue {
 public:
  static constexpr int32_t kSlots = 32;

  // `walk`: the walk's list, which must outlive the queue; a directory in it is fixed once the
  // walker says it is known. `root` (directory 0, listed by the walker) stays the
  // caller's and open until the queue is gone. `helpers`: threads besides the caller's, which
  // need a reader that may be shared between threads.
  ListingQueue(DirectoryReader& reader, DirectoryHandle root, uint64_t rootDevice, const WalkList& walk,
               int helpers);
  // Stops the helpers (each ends the listing it is making) and closes every handle of the queue.
  ~ListingQueue();
  ListingQueue(const ListingQueue&) = delete;
  ListingQueue& operator=(const ListingQueue&) = delete;

  // The listing of directory `index`, taken from 1 on one after the other; `known` (above
  // `index`): the directories in the walk's list now. Lists it or others on this thread while no
  // helper has it ready. False when it could not be listed or is not to be entered. `listing`
  // stays valid until the next Take.
  bool Take(int32_t index, int32_t known, const DirectoryContents*& listing);

 private:
  struct Slot {
    DirectoryContents listing;
    int32_t index = -1;
    bool ready = false;
    bool listed = false;
  };

  Slot& SlotOf(int32_t index) { return slots_[static_cast<size_t>(index % kSlots)]; }
  bool Claimable() const { return next_ < known_ && next_ < walkerAt_ + kSlots; }
  // Claims the next directory and lists it with `cursor`, the lock let go of meanwhile.
  void ListNext(std::unique_lock<std::mutex>& lock, DirectoryCursor& cursor);
  bool ListOne(DirectoryCursor& cursor, int32_t index, DirectoryContents& listing);
  void Help();

  DirectoryReader& reader_;
  const DirectoryHandle root_;
  const uint64_t rootDevice_;
  const WalkList& walk_;
  DirectoryCursor cursor_;  // the walker's
  std::vector<Slot> slots_;

  std::mutex mutex_;               // guards what follows and the flags of the slots
  std::condition_variable work_;   // idle helpers wait for a directory to list
  std::condition_variable ready_;  // the walker waits for its listing
  int32_t known_ = 1;
  int32_t walkerAt_ = 1;  // the directory the walker takes or walks; those before are done
  int32_t next_ = 1;      // the next directory to claim
  int32_t waitingFor_ = -1;
  int idle_ = 0;
  bool stop_ = false;
  std::vector<std::thread> helpers_;
};

}  // namespace mardo
