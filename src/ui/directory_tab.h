#pragma once

#include <QObject>

#include <cstdint>
#include <span>
#include <vector>

#include "search/directory_browser.h"
#include "store/catalog_library.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace mardo {

class SearchAdd;

// The Directory tab: one catalogued directory in the directory list, the caption that names its
// catalog, the hit limit, "Dirs before files", Parent and Subdirectory. It keeps the browsing
// state, which forgets what the library destroys. Its controls are children of the form.
class DirectoryTab final : public QObject, public CatalogObserver {
  Q_OBJECT
 public:
  explicit DirectoryTab(SearchAdd& form);
  ~DirectoryTab() override;

  // The settings' values at set-up.
  void SetUp(int32_t hitLimit, bool dirsFirst);

  int32_t HitLimit() const { return hitLimit_; }
  bool DirsFirst() const { return dirsFirst_; }
  const DirectoryBrowser& Browser() const { return browser_; }

  // The tab strip chose `newTab` while `shownTab` is shown: the listing it needs, or the refusal.
  DirectoryBrowser::TabChange ChangeTab(int32_t newTab, int32_t shownTab);
  // Shows a listing or a message.
  void ApplyStep(const DirectoryBrowser::Step& step);

  // Double click or Enter on a directory row; Parent (button, Ctrl+U); Subdirectory.
  void OpenDirectoryEntry();
  void OnParent();
  void OnSubdirectory();
  void OnDirsFirstClicked();
  // The hit-limit field: normalised when it loses the focus; read as a whole number before a
  // search or a listing uses it (false, with the message, when it holds no number).
  void OnHitLimitLostFocus();
  bool ReadHitLimitField();

  void CatalogRemoving(const Catalog& catalog) override;
  void RecordsRemoving(const Catalog& catalog, std::span<const FileRecord* const> records) override;

  // The controls, by their place: row 0 (caption, hit limit, "Dirs before files"), row 1 (Parent,
  // Subdirectory).
  QLabel* captionLabel = nullptr;
  QLabel* hitLimitLabel = nullptr;
  QLineEdit* hitLimitEdit = nullptr;
  QLabel* hitLimitNote = nullptr;
  QCheckBox* dirsFirstBox = nullptr;
  QPushButton* parentButton = nullptr;
  QPushButton* subdirectoryButton = nullptr;

  // In visual order.
  std::vector<QWidget*> OwnControls() const;

 private:
  void ApplyListing(const DirectoryShow& show);

  SearchAdd& form_;
  DirectoryBrowser browser_;
  int32_t hitLimit_ = 512;
  bool dirsFirst_ = true;
  // The catalog whose directory the list shows; nullptr when it shows none.
  const Catalog* listedCatalog_ = nullptr;
};

}  // namespace mardo
