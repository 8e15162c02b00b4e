#include "qt/settings_store.h"

#include <QSettings>
#include <QString>

namespace corvane {
namespace {

QString Key(std::string_view key) {
  return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

std::optional<std::string> QtSettingsStore::ReadSetting(std::string_view key) const {
  const QSettings settings(kSettingsOrganisation, kSettingsApplication);
  const QVariant value = settings.value(Key(key));
  if (!value.isValid()) return std::nullopt;
  return value.toString().toStdString();
}

void QtSettingsStore::WriteSetting(std::string_view key, std::string_view value) {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  settings.setValue(Key(key),
                    QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
  // Written now rather than when the program ends: a program that is
  // killed still opens at the zoom last chosen.
  settings.sync();
}

}  // namespace corvane
