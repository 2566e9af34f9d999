#include "app/qt_settings_store.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include "settings/app_texts.h"

namespace mardo {
namespace {

QString Key(std::string_view section, std::string_view name) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + '/' +
         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

QtSettingsStore::QtSettingsStore(const QString& path) : settings_(path, QSettings::IniFormat) {}

QString QtSettingsStore::DefaultPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + "/.config";
  return config + '/' + settings::kCompanyKey + '/' + settings::kApplicationKey + ".conf";
}

std::optional<std::string> QtSettingsStore::HandTyped(std::string_view section, std::string_view name) const {
  const std::string key = std::string(section) + '/' + std::string(name);
  if (written_.count(key) > 0) return std::nullopt;
  if (!rawValues_) {
    rawValues_.emplace();
    QFile file(settings_.fileName());
    if (file.open(QIODevice::ReadOnly)) {
      std::string current;
      for (const QByteArray& bytes : file.readAll().split('\n')) {
        const std::string line = bytes.trimmed().toStdString();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
          current = line.substr(1, line.size() - 2);
          continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string entry = QByteArray::fromStdString(line.substr(0, equals)).trimmed().toStdString();
        const std::string value = QByteArray::fromStdString(line.substr(equals + 1)).trimmed().toStdString();
        rawValues_->emplace(current + '/' + entry, value);
      }
    }
  }
  const auto found = rawValues_->find(key);
  if (found == rawValues_->end()) return std::nullopt;
  const std::string& raw = found->second;
  if (raw.empty() || raw[0] == '"' || raw.find_first_of(",;") == std::string::npos) return std::nullopt;
  return raw;
}

std::optional<std::string> QtSettingsStore::ReadString(std::string_view section,
                                                       std::string_view name) const {
  const QVariant value = settings_.value(Key(section, name));
  if (!value.isValid()) return std::nullopt;
  if (std::optional<std::string> typed = HandTyped(section, name)) return typed;
  return value.toString().toStdString();
}

void QtSettingsStore::WriteString(std::string_view section, std::string_view name, std::string_view value) {
  written_.insert(std::string(section) + '/' + std::string(name));
  settings_.setValue(Key(section, name),
                     QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

void QtSettingsStore::Sync() {
  settings_.sync();
}

}  // namespace mardo
