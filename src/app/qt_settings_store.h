#pragma once

#include <QSettings>
#include <QString>

#include <optional>
#include <string>

#include "settings/settings_store.h"

namespace mardo {

// The settings file: QSettings in INI format. Values are plain text. A value that a person typed
// into the file without quotes and with a comma or a semicolon (0=0,a, b; \tmp) reads back as it
// was typed, spaces and backslashes included, not as the list or the comment QSettings would make
// of it; QSettings itself always quotes such values when it writes them. A file that cannot be
// written is left as it was.
class QtSettingsStore final : public SettingsStore {
 public:
  explicit QtSettingsStore(const QString& path);

  // $XDG_CONFIG_HOME/kEzu/Mardo.conf, or ~/.config/kEzu/Mardo.conf when the variable is unset.
  static QString DefaultPath();

  std::optional<std::string> ReadString(std::string_view section, std::string_view name) const override;
  void WriteString(std::string_view section, std::string_view name, std::string_view value) override;

  // Writes what changed to the file now.
  void Sync();
  QString Path() const { return settings_.fileName(); }

 private:
  mutable QSettings settings_;
};

}  // namespace mardo
