#include "app/mardo_doc.h"

#include "settings/app_texts.h"
#include "settings/settings_values.h"
#include "ui/search_add.h"

namespace mardo {

CMardoDoc::CMardoDoc()
    : patterns_(settings::kPatternsSection, settings::kPatternsCapacity),
      ignored_(settings::kIgnoredSection, settings::kIgnoredCapacity),
      directories_(settings::kDirectoriesSection, settings::kDirectoriesCapacity) {}

void CMardoDoc::SaveSettings(SettingsStore& store, const SearchAdd& form) const {
  const std::vector<int32_t> results = form.ColumnWidths(ListKind::kResults);
  const std::vector<int32_t> directory = form.ColumnWidths(ListKind::kDirectory);
  const std::vector<int32_t> catalog = form.ColumnWidths(ListKind::kCatalog);
  ClosingSettings values;
  values.hitLimit = form.HitLimit();
  values.dirsFirst = form.DirsFirst() ? 1 : 0;
  values.resultWidths = results;
  values.directoryWidths = directory;
  values.catalogWidths = catalog;
  SaveAtClosing(store, values, patterns_, ignored_, directories_);
}

}  // namespace mardo
