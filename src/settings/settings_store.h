#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mardo {

// The settings file: string values by section and value name. The window keeps them with QSettings
// in $XDG_CONFIG_HOME/kEzu/Mardo.conf; tests and a run without a writable file keep them in memory.
// The rules for each value (defaults, ranges, history strings) live with their readers, not here.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The stored text, or nothing when the value is absent. A present value may be empty.
  virtual std::optional<std::string> ReadString(std::string_view section, std::string_view name) const = 0;
  // Write failures are not reported: settings are a convenience, never worth stopping for.
  virtual void WriteString(std::string_view section, std::string_view name, std::string_view value) = 0;

  // Integers are kept as decimal text. A value that is absent or not a whole number reads as
  // nothing; one beyond 32 bits is clamped.
  std::optional<int32_t> ReadInt(std::string_view section, std::string_view name) const;
  void WriteInt(std::string_view section, std::string_view name, int32_t value);
};

}  // namespace mardo
