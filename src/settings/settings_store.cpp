#include "settings/settings_store.h"

#include "base/number_scan.h"

namespace mardo {

std::optional<int32_t> SettingsStore::ReadInt(std::string_view section, std::string_view name) const {
  const std::optional<std::string> text = ReadString(section, name);
  int32_t value = 0;
  if (!text || !ParseWholeInteger(*text, value)) return std::nullopt;
  return value;
}

void SettingsStore::WriteInt(std::string_view section, std::string_view name, int32_t value) {
  WriteString(section, name, std::to_string(value));
}

}  // namespace mardo
