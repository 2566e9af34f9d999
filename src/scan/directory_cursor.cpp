#include "scan/directory_cursor.h"

#include <algorithm>

namespace mardo {
namespace {

// Directories of the chain kept open besides the root: deeper trees let go of the upper part of
// the chain, so that no depth exhausts the descriptors.
constexpr size_t kHeldDepth = 32;
// Listed directories kept open until their subdirectories come; wider levels reopen the rest.
constexpr size_t kHeldUpcoming = 64;

}  // namespace

DirectoryCursor::DirectoryCursor(DirectoryReader& reader, DirectoryHandle root) : reader_(reader) {
  chain_.push_back(Link{0, root});
}

DirectoryCursor::~DirectoryCursor() {
  CloseAll();
}

void DirectoryCursor::CutChain(size_t size) {
  while (chain_.size() > std::max<size_t>(size, 1)) {
    reader_.CloseDirectory(chain_.back().handle);
    chain_.pop_back();
  }
}

void DirectoryCursor::Push(int32_t index, DirectoryHandle handle) {
  chain_.push_back(Link{index, handle});
  if (chain_.size() > kHeldDepth + 1) {
    Link& above = chain_[chain_.size() - 1 - kHeldDepth];
    reader_.CloseDirectory(above.handle);
    above.handle = DirectoryHandle{};
  }
}

void DirectoryCursor::CloseAll() {
  CutChain(1);
  for (const Link& link : upcoming_) reader_.CloseDirectory(link.handle);
  upcoming_.clear();
}

void WalkList::Append(WalkDirectory directory) {
  const auto index = static_cast<uint32_t>(size_);
  const int run = std::bit_width(index / kFirstRun + 1) - 1;
  auto& block = runs_[static_cast<size_t>(run)];
  if (!block) block = std::make_unique<WalkDirectory[]>(size_t{kFirstRun} << run);
  block[index - kFirstRun * ((1u << run) - 1)] = std::move(directory);
  ++size_;
}

DirectoryHandle DirectoryCursor::Open(const WalkList& walk, int32_t index) {
  const WalkDirectory& directory = walk[index];
  const DirectoryHandle parent = Reach(walk, directory.parent);
  return parent.Valid() ? reader_.OpenSubdirectory(parent, directory.Name()) : DirectoryHandle{};
}

void DirectoryCursor::Keep(int32_t index, DirectoryHandle handle, bool hasSubdirectories) {
  if (hasSubdirectories && upcoming_.size() < kHeldUpcoming) {
    upcoming_.push_back(Link{index, handle});
  } else {
    reader_.CloseDirectory(handle);
  }
}

// Breadth first, the subdirectories of one directory come one after the other and the parents in
// walk order. So a parent is often still open from its own listing; otherwise the chain mostly
// stays or moves by a step: about one opening per directory, however deep.
DirectoryHandle DirectoryCursor::Reach(const WalkList& walk, int32_t index) {
  if (chain_.back().index == index) return chain_.back().handle;
  DirectoryHandle kept;
  while (!upcoming_.empty() && upcoming_.front().index <= index) {
    if (upcoming_.front().index == index) {
      kept = upcoming_.front().handle;
    } else {
      reader_.CloseDirectory(upcoming_.front().handle);
    }
    upcoming_.pop_front();
  }
  // Up from `index` to the deepest of its ancestors still open on the chain (the root at least).
  way_.clear();
  int32_t above = index;
  while (above > 0) {
    const size_t depth = walk[above].depth;
    if (depth < chain_.size() && chain_[depth].index == above && chain_[depth].handle.Valid()) break;
    way_.push_back(above);
    above = walk[above].parent;
  }
  CutChain(walk[above].depth + 1);
  for (auto step = way_.rbegin(); step != way_.rend(); ++step) {
    DirectoryHandle handle;
    if (!kept.Valid()) {
      handle = reader_.OpenSubdirectory(chain_.back().handle, walk[*step].Name());
      if (!handle.Valid()) return handle;
    } else if (*step == index) {
      handle = kept;  // the ancestors above it stay closed until a reopening needs them
      kept = DirectoryHandle{};
    }
    Push(*step, handle);
  }
  reader_.CloseDirectory(kept);
  return chain_.back().handle;
}

}  // namespace mardo
