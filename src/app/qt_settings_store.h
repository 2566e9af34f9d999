#pragma once

#include <QSettings>
#include <QString>

#include "settings/settings_store.h"

namespace mardo {

// The settings file: QSettings in INI format. Values are plain text; a value that a person typed
// into the file with commas and without quotes (0=5,a,b) reads back whole ("5,a,b"), not as the
// list QSettings would make of it. A file that cannot be written is left as it was.
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
