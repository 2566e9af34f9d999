#include "store/catalog_library.h"

#include <algorithm>
#include <exception>

#include "base/all_cores.h"
#include "base/app_title.h"
#include "base/format_text.h"
#include "base/text_compare.h"
#include "base/utf8_text.h"
#include "platform/directory_lock.h"
#include "platform/file_system.h"
#include "platform/native_file.h"
#include "platform/user_prompts.h"
#include "store/buffered_file.h"
#include "store/store_texts.h"

namespace mardo {
namespace {

bool HasCatalogExtension(std::string_view name) {
  const std::string_view ext = CatalogLibrary::kCatalogExtension;
  return name.size() >= ext.size() && EqualNoCase(name.substr(name.size() - ext.size()), ext);
}

// The same label and serial number, not an empty label with serial number 0.
bool SameVolume(const Catalog& a, const Catalog& b) {
  return a.volumeLabel == b.volumeLabel && a.serialNumber == b.serialNumber &&
         (!a.volumeLabel.empty() || a.serialNumber != 0);
}

// Reads catalogs on both cores; each result (or the reason a file was not read) lands in its own
// slot, so the order stays the order of `paths`.
std::vector<std::unique_ptr<Catalog>> ReadCatalogs(const std::vector<std::string>& paths,
                                                   std::vector<std::string>& reasons) {
  std::vector<std::unique_ptr<Catalog>> read(paths.size());
  reasons.assign(paths.size(), std::string());
  RunOnAllCores(paths.size(), [&](size_t i) {
    // Nothing a catalog file does may end the thread, and with it the program: a file that
    // fails in any way is passed over with its reason, and the others are read.
    try {
      auto catalog = std::make_unique<Catalog>();
      catalog->filePath = paths[i];
      if (catalog->Read(&reasons[i])) read[i] = std::move(catalog);
    } catch (const std::exception&) {
      reasons[i] = texts::kCatalogTooLarge;
    }
  });
  return read;
}

}  // namespace

CatalogLibrary::CatalogLibrary(const std::vector<std::string>& arguments,
                               std::optional<std::string> startDirectory)
    : options_(ParseStartOptions(arguments)) {
  std::string start = startDirectory ? *startDirectory : CurrentDirectory();
  if (!start.empty() && start.back() == '/') start.pop_back();
  startDirectory_ = start;
  directories_.push_back(start);
  ParseDirOption();
}

void CatalogLibrary::ParseDirOption() {
  const std::string value = options_.DirList();
  size_t i = 0;
  if (i < value.size() && value[i] == '"') ++i;
  while (i < value.size() && value[i] != '"') {
    const size_t end = std::min(value.find_first_of(",\"", i), value.size());
    const std::string entry = value.substr(i, end - i);
    const bool absolute = (!entry.empty() && entry[0] == '/') || (entry.size() >= 2 && entry[1] == ':');
    directories_.push_back(absolute ? entry : startDirectory_ + "/" + entry);
    i = end < value.size() ? end + 1 : end;
  }
}

void CatalogLibrary::Append(std::unique_ptr<Catalog> catalog) {
  recordCount_ += catalog->files.Size();
  catalogCount_ += 1;
  catalogs_.Add(std::move(catalog));
}

std::vector<std::string> CatalogLibrary::CatalogFiles(std::vector<FileIdentity>* identities) const {
  std::vector<std::string> paths;
  if (identities != nullptr) identities->clear();
  for (const std::string& dir : directories_) {
    std::vector<FileIdentity> found;
    const std::vector<std::string> names = ListRegularFiles(dir, &found, &HasCatalogExtension);
    std::vector<size_t> order(names.size());
    for (size_t i = 0; i < names.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&names](size_t a, size_t b) { return names[a] < names[b]; });
    for (const size_t i : order) {
      paths.push_back(JoinNativePath(dir, names[i]));
      if (identities != nullptr) identities->push_back(found[i]);
    }
  }
  return paths;
}

std::vector<CatalogLibrary::SkippedFile> CatalogLibrary::LoadAll() {
  const std::vector<std::string> paths = CatalogFiles();
  std::vector<std::string> reasons;
  std::vector<std::unique_ptr<Catalog>> read = ReadCatalogs(paths, reasons);
  std::vector<SkippedFile> skipped;
  for (size_t i = 0; i < read.size(); ++i) {
    if (read[i]) {
      Append(std::move(read[i]));
    } else {
      skipped.push_back({paths[i], std::move(reasons[i])});
    }
  }
  return skipped;
}

std::vector<CatalogLibrary::SkippedFile> CatalogLibrary::UnreadableDirectories() const {
  std::vector<SkippedFile> unreadable;
  for (const std::string& dir : directories_) {
    std::string reason = DirectoryReadError(dir);
    if (!reason.empty()) unreadable.push_back({dir, std::move(reason)});
  }
  return unreadable;
}

std::string LoadProblemsText(std::span<const CatalogLibrary::SkippedFile> directories,
                             std::span<const CatalogLibrary::SkippedFile> files) {
  std::string text;
  const auto list = [&text](const char* heading, std::span<const CatalogLibrary::SkippedFile> items) {
    if (items.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += heading;
    const size_t shown = std::min(items.size(), texts::kMaxNamedLoadProblems);
    for (size_t i = 0; i < shown; ++i)
      text += FormatText(texts::kLoadProblem, items[i].path.c_str(), items[i].reason.c_str());
    if (items.size() > shown)
      text += FormatText(texts::kMoreLoadProblems, static_cast<int>(items.size() - shown));
  };
  list(texts::kUnreadableCatalogDirectories, directories);
  list(texts::kSkippedCatalogFiles, files);
  return text;
}

void CatalogLibrary::AdoptCatalog(std::unique_ptr<Catalog> catalog) {
  Append(std::move(catalog));
}

bool CatalogLibrary::AddCatalog(std::unique_ptr<Catalog>& pending, std::string* error) {
  pending->UpdateDisplayName();
  const bool named = !pending->filePath.empty();
  const std::string dir = named ? ParentDirectory(pending->filePath) : NewFileDirectory();
  bool written = false;
  {
    // Other processes (on this machine, or on others where the directory is a share) may be
    // choosing a name or writing a catalog of the same volume here right now.
    const DirectoryLock lock(dir);
    NativeFile::RemoveDeadReplacements(dir);
    if (!named) {
      // A catalog of the same volume written here since the library was loaded is replaced, as
      // the library's own would have been, rather than joined by a second one.
      pending->filePath = UnknownFileOfVolume(dir, *pending);
      if (pending->filePath.empty()) pending->filePath = MakeFileName(pending->DisplayName());
    }
    written = pending->Write(error);
  }
  // A catalog whose file could not be written changes nothing: it stays pending, for another try.
  if (!written) return false;
  Append(std::move(pending));
  pending = std::make_unique<Catalog>();
  return true;
}

std::string CatalogLibrary::NewFileDirectory() const {
  return startDirectory_.empty() ? "/" : startDirectory_;
}

std::string CatalogLibrary::UnknownFileOfVolume(const std::string& dir, const Catalog& catalog) const {
  std::vector<std::string> names = ListRegularFiles(dir, nullptr, &HasCatalogExtension);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string path = JoinNativePath(dir, name);
    const bool known = std::any_of(catalogs_.begin(), catalogs_.end(),
                                   [&path](const Catalog* loaded) { return loaded->filePath == path; });
    if (known) continue;
    Catalog other;
    other.filePath = path;
    if (other.Read() && SameVolume(other, catalog)) return path;
  }
  return {};
}

std::string CatalogLibrary::MakeFileName(std::string_view displayName) const {
  constexpr int kNameCharacters = 16;
  std::string base;
  size_t at = 0;
  for (int n = 0; n < kNameCharacters && at < displayName.size(); ++n) {
    const Utf8Character c = DecodeUtf8(displayName, at);
    const bool kept = c.valid && (IsLetterOrDigit(c.codePoint) || c.codePoint == '$' || c.codePoint == '_');
    base += kept ? displayName.substr(at, c.length) : std::string_view("-");
    at += c.length;
  }
  const std::string dir = NewFileDirectory();
  std::string path = JoinNativePath(dir, base + kCatalogExtension);
  for (int n = 1; NativeFile::Exists(path); ++n) {
    path = JoinNativePath(dir, base + std::to_string(n) + kCatalogExtension);
  }
  return path;
}

int CatalogLibrary::FindSameVolume(const Catalog& catalog) {
  for (int32_t i = 0; i < catalogs_.Size(); ++i) {
    const Catalog& e = *catalogs_[i];
    int result = SameVolume(e, catalog) ? 1 : 0;
    if (!e.catalogName.empty() && e.catalogName == catalog.catalogName) result += 2;
    if (result != 0) {
      currentIndex_ = i;
      return result;
    }
  }
  return 0;
}

std::string CatalogLibrary::NameForVolume(std::string_view label, uint32_t serial) const {
  for (const Catalog* c : catalogs_) {
    if (c->volumeLabel == label && c->serialNumber == serial) return c->DisplayName();
  }
  return {};
}

bool CatalogLibrary::DeleteCatalog(const Catalog* catalog, std::string* error) {
  if (catalog != nullptr) {
    const int32_t position = catalogs_.IndexOf(catalog);
    if (position < 0) return false;
    currentIndex_ = position;
  }
  const Catalog* doomed = CurrentCatalog();
  if (doomed == nullptr) return false;
  BufferedFile file(doomed->filePath, BufferedFile::kDelete);
  if (!file.Remove()) {
    if (error != nullptr) *error = file.ErrorText();
    return false;
  }
  Destroy(currentIndex_);
  return true;
}

bool CatalogLibrary::RemoveCatalog(const Catalog* catalog) {
  const int32_t position = catalogs_.IndexOf(catalog);
  if (position < 0) return false;
  Destroy(position);
  return true;
}

void CatalogLibrary::Destroy(int32_t position) {
  const Catalog* doomed = catalogs_[position];
  // Observers may remove themselves while told; iterate over a copy.
  for (CatalogObserver* observer : std::vector<CatalogObserver*>(observers_))
    observer->CatalogRemoving(*doomed);
  recordCount_ -= doomed->files.Size();
  catalogCount_ -= 1;
  catalogs_.RemoveAndDelete(position);
}

int32_t CatalogLibrary::RemoveRecords(const Catalog& catalog, std::span<const FileRecord* const> records) {
  const int32_t position = catalogs_.IndexOf(&catalog);
  if (position < 0 || records.empty()) return 0;
  for (CatalogObserver* observer : std::vector<CatalogObserver*>(observers_))
    observer->RecordsRemoving(catalog, records);
  const int32_t removed = catalogs_[position]->RemoveFiles(records);
  recordCount_ -= removed;
  return removed;
}

void CatalogLibrary::AddObserver(CatalogObserver* observer) {
  if (observer != nullptr && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void CatalogLibrary::RemoveObserver(CatalogObserver* observer) {
  std::erase(observers_, observer);
}

std::string CatalogListText(std::span<const Catalog* const> catalogs) {
  std::string text;
  for (const Catalog* catalog : catalogs) {
    if (!text.empty()) text += "\n";
    text += FormatText(texts::kCatalogAndFile, catalog->DisplayName().c_str(), catalog->filePath.c_str());
  }
  return text;
}

DeleteCatalogsResult DeleteSelectedCatalogs(CatalogLibrary& library, UserPrompts& prompts,
                                            std::span<const Catalog* const> selected) {
  DeleteCatalogsResult result;
  const std::string details = CatalogListText(selected);
  result.confirmed = prompts.Ask({.text = texts::kReallyDelete,
                                  .caption = texts::kApplicationTitle,
                                  .details = details,
                                  .defaultYes = false});
  if (!result.confirmed) return result;
  // The rows may go away with their catalogs: work on a copy of the selection.
  const std::vector<const Catalog*> doomed(selected.begin(), selected.end());
  for (const Catalog* catalog : doomed) {
    if (!library.Contains(catalog)) continue;
    const std::string path = catalog->filePath;
    std::string error;
    if (library.DeleteCatalog(catalog, &error)) {
      ++result.deleted;
    } else {
      result.failures.push_back(FormatText(texts::kCatalogNotDeleted, path.c_str(), error.c_str()));
    }
  }
  return result;
}

void CatalogLibrary::SetSelected(int32_t position, bool selected) {
  if (position >= 0 && position < catalogs_.Size()) catalogs_[position]->selected = selected;
}

const Catalog* CatalogLibrary::CurrentCatalog() const {
  return currentIndex_ >= 0 && currentIndex_ < catalogs_.Size() ? catalogs_[currentIndex_] : nullptr;
}

}  // namespace mardo
