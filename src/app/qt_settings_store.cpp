#include "app/qt_settings_store.h"

#include <QDir>
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

std::optional<std::string> QtSettingsStore::ReadString(std::string_view section,
                                                       std::string_view name) const {
  const QVariant value = settings_.value(Key(section, name));
  if (!value.isValid()) return std::nullopt;
  // An unquoted value with commas comes back as a list: join it back to the text that was typed.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(',').toStdString();
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
