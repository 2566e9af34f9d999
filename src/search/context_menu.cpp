#include "search/context_menu.h"

#include "search/search_texts.h"
#include "store/catalog.h"

namespace mardo {
namespace {

constexpr size_t kMaxLabelBytes = 256;

void AddCommand(std::vector<MenuItem>& menu, int32_t command, int32_t labelOf) {
  menu.push_back({command, CommandLabel(labelOf)});
}
void AddCommand(std::vector<MenuItem>& menu, int32_t command) {
  AddCommand(menu, command, command);
}
void AddSeparator(std::vector<MenuItem>& menu) {
  menu.push_back({});
}

}  // namespace

std::string_view CommandText(int32_t command) {
  for (const texts::CommandText& entry : texts::kCommandTexts) {
    if (entry.command == command) return entry.text;
  }
  return {};
}

std::string MenuLabel(std::string_view stringTableText) {
  std::string_view label = stringTableText.substr(0, stringTableText.find('\n'));
  if (label.size() > kMaxLabelBytes) {
    size_t end = kMaxLabelBytes;
    while (end > 0 && (static_cast<unsigned char>(label[end]) & 0xC0) == 0x80) --end;
    label = label.substr(0, end);
  }
  return std::string(label);
}

std::string CommandLabel(int32_t command) {
  return MenuLabel(CommandText(command));
}

std::vector<MenuItem> BuildContextMenu(FormTab tab, int32_t selectedRows, const FileRecord* focusedFile,
                                       const Catalog* focusedCatalog, bool expertMode) {
  // The focused row's record counts only while it is the one selected row.
  if (selectedRows != 1) {
    focusedFile = nullptr;
    focusedCatalog = nullptr;
  }
  std::vector<MenuItem> menu;
  if (tab == FormTab::kSearch || tab == FormTab::kDirectory) {
    if (focusedFile != nullptr && focusedFile->OwningCatalog()->CanBeRefreshed()) {
      AddCommand(menu, command::kOpen);
      if (focusedFile->IsDirectory()) {
        AddCommand(menu, command::kOpenInNewWindow, command::kExplore);
      } else {
        AddCommand(menu, command::kOpenInNewWindow);
        AddCommand(menu, command::kExploreParent);
      }
      AddSeparator(menu);
    }
    if (tab == FormTab::kDirectory) {
      AddCommand(menu, command::kDisplayParent);
      AddSeparator(menu);
    }
  } else if (tab == FormTab::kCatalog) {
    if (focusedCatalog != nullptr && focusedCatalog->CanBeRefreshed()) AddCommand(menu, command::kRefresh);
    AddCommand(menu, command::kDeleteSelectedCatalogs);
    AddSeparator(menu);
  }
  if (expertMode && tab != FormTab::kCatalog) {
    AddCommand(menu, command::kDeleteSelectedFiles);
    AddSeparator(menu);
  }
  AddCommand(menu, command::kCopySelectedRows);
  return menu;
}

bool CommandEnabled(int32_t command, int32_t selectedRowsOfCurrentList) {
  if (command == command::kCopySelectedRows || command == command::kDeleteSelectedCatalogs)
    return selectedRowsOfCurrentList > 0;
  return true;
}

}  // namespace mardo
