#include "settings/memory_settings_store.h"

namespace mardo {

std::optional<std::string> MemorySettingsStore::ReadString(std::string_view section,
                                                           std::string_view name) const {
  const auto it = values_.find(Key(section, name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void MemorySettingsStore::WriteString(std::string_view section, std::string_view name,
                                      std::string_view value) {
  values_[Key(section, name)] = std::string(value);
}

}  // namespace mardo
