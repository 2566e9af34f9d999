#pragma once

#include <map>
#include <string>
#include <utility>

#include "settings/settings_store.h"

namespace mardo {

// Settings held in memory only: for tests, and for a run whose settings file cannot be written.
// Section and value names compare exactly, as they do in the settings file.
class MemorySettingsStore : public SettingsStore {
 public:
  std::optional<std::string> ReadString(std::string_view section, std::string_view name) const override;
  void WriteString(std::string_view section, std::string_view name, std::string_view value) override;

  // Number of values held, in all sections.
  size_t Size() const { return values_.size(); }

 private:
  using Key = std::pair<std::string, std::string>;
  std::map<Key, std::string> values_;
};

}  // namespace mardo
