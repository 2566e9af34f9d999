#include "app/qt_settings_store.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <utility>
#include <vector>

#include "settings/app_texts.h"

namespace mardo {
namespace {

QString Key(std::string_view section, std::string_view name) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// The values of an INI file that a person typed without quotes and with a comma or a semicolon:
// "section/name" and the text after '=' as it stands in the file.
std::vector<std::pair<QString, QString>> HandTypedValues(const QString& path) {
  std::vector<std::pair<QString, QString>> values;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return values;
  QString section;
  for (const QByteArray& bytes : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(bytes).trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
    if (line.startsWith('[') && line.endsWith(']')) {
      section = line.mid(1, line.size() - 2);
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals < 0) continue;
    const QString value = line.mid(equals + 1).trimmed();
    if (value.isEmpty() || value.startsWith('"') || (!value.contains(',') && !value.contains(';'))) continue;
    values.emplace_back(section + '/' + line.left(equals).trimmed(), value);
  }
  return values;
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& path) : settings_(path, QSettings::IniFormat) {
  // QSettings reads such a value as a list, or cuts it at the semicolon, and would write that back:
  // it holds the typed text instead (and quotes it when it writes).
  for (const auto& [key, value] : HandTypedValues(path))
    if (settings_.contains(key)) settings_.setValue(key, value);
}

QString QtSettingsStore::DefaultPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + "/.config";
  return config + '/' + settings::kCompanyKey + '/' + settings::kApplicationKey + ".conf";
}

std::optional<std::string> QtSettingsStore::ReadString(std::string_view section,
                                                       std::string_view name) const {
  const QVariant value = settings_.value(Key(section, name));
  if (!value.isValid()) return std::nullopt;
  return value.toString().toStdString();
}

void QtSettingsStore::WriteString(std::string_view section, std::string_view name, std::string_view value) {
  settings_.setValue(Key(section, name),
                     QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

void QtSettingsStore::Sync() {
  settings_.sync();
}

}  // namespace mardo
