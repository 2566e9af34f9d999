#include "bench/corpus.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <unordered_set>

#include "base/text_compare.h"

namespace mardo::bench {
namespace {

constexpr int64_t kFrom2005 = 1104537600;  // 2005-01-01 UTC
constexpr int64_t kTo2025 = 1767225600;    // 2026-01-01 UTC

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Every ancestor directory of a relative path ("a/b/c" gives "a/b" and "a").
template <class F>
void ForEachParent(std::string_view path, F&& f) {
  for (size_t slash = path.rfind('/'); slash != std::string_view::npos && slash > 0;
       slash = path.rfind('/', slash - 1)) {
    f(path.substr(0, slash));
  }
}

}  // namespace

std::string_view ContentsPath(std::string_view line) {
  while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r')) line.remove_suffix(1);
  size_t end = line.size();
  while (end > 0 && !IsBlank(line[end - 1])) --end;  // the package column
  while (end > 0 && IsBlank(line[end - 1])) --end;
  return line.substr(0, end);
}

std::vector<CorpusFile> MakeCorpus(std::vector<std::string> paths, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> logSize(0.0, std::log(64.0 * 1024 * 1024 * 1024));
  std::uniform_int_distribution<int64_t> time(kFrom2005, kTo2025 - 1);
  std::vector<CorpusFile> files;
  files.reserve(paths.size());
  for (std::string& path : paths) {
    while (!path.empty() && path.front() == '/') path.erase(0, 1);
    if (path.empty()) continue;
    // exp of a uniform draw: log-uniform, so small files dominate and a few are huge.
    const auto size = static_cast<int64_t>(std::exp(logSize(random))) - 1;
    files.push_back({std::move(path), size, time(random)});
  }
  return files;
}

std::vector<size_t> SplitVolumes(const std::vector<CorpusFile>& files, size_t minimum,
                                 size_t maxDirectories) {
  const size_t volumes = std::max<size_t>(minimum, 1);
  const size_t target = std::max<size_t>(1, (files.size() + volumes - 1) / volumes);
  std::vector<size_t> starts{0};
  std::unordered_set<std::string_view> dirs;
  for (size_t i = 0; i < files.size(); ++i) {
    size_t added = 0;
    ForEachParent(files[i].path, [&](std::string_view dir) { added += dirs.count(dir) == 0 ? 1 : 0; });
    // The root of the volume is a directory too.
    const bool full = dirs.size() + added + 1 > maxDirectories || i - starts.back() >= target;
    if (full && i > starts.back()) {
      starts.push_back(i);
      dirs.clear();
    }
    ForEachParent(files[i].path, [&](std::string_view dir) { dirs.insert(dir); });
  }
  return starts;
}

std::pair<size_t, size_t> TreeSlice(const std::vector<CorpusFile>& files, size_t count,
                                    size_t maxDirectories) {
  std::vector<size_t> starts = SplitVolumes(files, 1, maxDirectories);
  starts.push_back(files.size());
  size_t best = 0;
  for (size_t v = 1; v + 1 < starts.size(); ++v) {
    if (starts[v + 1] - starts[v] > starts[best + 1] - starts[best]) best = v;
  }
  return {starts[best], std::min(starts[best + 1], starts[best] + count)};
}

void WriteMlocateHeader(std::string& out, std::string_view root) {
  out.append("\0mlocate", 8);
  out.append(4, '\0');  // configuration block size, big-endian: none
  out.push_back('\0');  // format version 0
  out.push_back('\0');  // no visibility check
  out.append(2, '\0');
  out.append(root);
  out.push_back('\0');
}

void WriteMlocateCatalog(std::string& out, const Catalog& catalog) {
  std::string root = catalog.volumeRoot;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  // The entries of each directory, in catalog order.
  std::vector<std::vector<const FileRecord*>> byDir(static_cast<size_t>(catalog.dirs.Size()));
  for (const FileRecord* entry : catalog.files) {
    if (entry->dirNumber >= 0 && entry->dirNumber < catalog.dirs.Size())
      byDir[static_cast<size_t>(entry->dirNumber)].push_back(entry);
  }
  for (int32_t k = 0; k < catalog.dirs.Size(); ++k) {
    out.append(16, '\0');  // modification time (seconds, nanoseconds) and padding
    std::string path = root + std::string(catalog.dirs[k]->Path());
    for (char& c : path) c = c == '\\' ? '/' : c;
    out.append(path);
    out.push_back('\0');
    for (const FileRecord* entry : byDir[static_cast<size_t>(k)]) {
      out.push_back(entry->IsDirectory() ? '\1' : '\0');
      out.append(entry->Name());
      out.push_back('\0');
    }
    out.push_back('\2');
  }
}

MemoryTree::MemoryTree(std::string root, const std::vector<CorpusFile>& files, size_t first, size_t last) {
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  DirAt(root);
  for (size_t i = first; i < last; ++i) {
    const CorpusFile& file = files[i];
    std::string parent = root;
    std::string_view rest = file.path;
    // Create the directories on the way down, each once.
    for (size_t slash = rest.find('/'); slash != std::string_view::npos; slash = rest.find('/')) {
      const std::string name(rest.substr(0, slash));
      std::string path = parent + "/" + name;
      if (dirs_.find(path) == dirs_.end()) {
        DirAt(parent).items.push_back({name, true, 4096, file.time});
        DirAt(path);
      }
      parent = std::move(path);
      rest.remove_prefix(slash + 1);
    }
    if (rest.empty()) continue;
    Dir& dir = DirAt(parent);
    const std::string path = parent + "/" + std::string(rest);
    if (dirs_.count(path) != 0) continue;  // a name that is a directory elsewhere in the list
    dir.items.push_back({std::string(rest), false, file.size, file.time});
  }
}

MemoryTree::Dir& MemoryTree::DirAt(const std::string& path) {
  return dirs_[path];
}

DirectoryHandle MemoryTree::OpenDirectory(const std::string& path) {
  if (dirs_.find(path) == dirs_.end()) return DirectoryHandle{};
  if (free_.empty()) {
    open_.push_back(path);
    return DirectoryHandle{static_cast<int>(open_.size() - 1)};
  }
  const int handle = free_.back();
  free_.pop_back();
  open_[static_cast<size_t>(handle)] = path;
  return DirectoryHandle{handle};
}

DirectoryHandle MemoryTree::OpenSubdirectory(DirectoryHandle parent, std::string_view name) {
  if (!parent.Valid()) return DirectoryHandle{};
  const std::string& base = open_[static_cast<size_t>(parent.value)];
  return OpenDirectory(base + (base.back() == '/' ? "" : "/") + std::string(name));
}

void MemoryTree::CloseDirectory(DirectoryHandle directory) {
  if (!directory.Valid()) return;
  open_[static_cast<size_t>(directory.value)].clear();
  free_.push_back(directory.value);
}

bool MemoryTree::List(DirectoryHandle directory) {
  current_ = nullptr;
  if (!directory.Valid()) return false;
  const auto it = dirs_.find(open_[static_cast<size_t>(directory.value)]);
  if (it == dirs_.end()) return false;
  Dir& dir = it->second;
  if (!dir.sorted) {
    // The order of a real listing: folded names, then bytes; a name listed twice counts once.
    std::sort(dir.items.begin(), dir.items.end(), [](const Item& a, const Item& b) {
      const int folded = CompareNoCase(a.name, b.name);
      return folded != 0 ? folded < 0 : a.name < b.name;
    });
    dir.items.erase(std::unique(dir.items.begin(), dir.items.end(),
                                [](const Item& a, const Item& b) { return a.name == b.name; }),
                    dir.items.end());
    dir.sorted = true;
  }
  current_ = &dir;
  next_ = 0;
  return true;
}

bool MemoryTree::Next(DirectoryEntry& entry) {
  if (current_ == nullptr || next_ >= current_->items.size()) return false;
  const Item& item = current_->items[next_++];
  entry.name = item.name;
  entry.isDirectory = item.isDirectory;
  entry.size = item.size;
  entry.lastWriteTime = item.time;
  entry.device = 1;
  return true;
}

}  // namespace mardo::bench
