#include "platform/settings_store.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

QString CSettingsStore::DefaultFilePath(const QString& application) {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Brenmoor/") + application + QStringLiteral(".conf");
}

CSettingsStore::CSettingsStore(const QString& filePath) : m_filePath(filePath) {}

QString CSettingsStore::Key(const QString& section, const QString& entry) {
  return section.isEmpty() ? entry : section + QLatin1Char('/') + entry;
}

QString CSettingsStore::ReadString(const QString& section, const QString& entry,
                                   const QString& defaultValue) const {
  // A damaged file is read as far as it goes; the status is of no interest to a reader.
  const QSettings settings(FilePath(), QSettings::IniFormat);
  const QVariant value = settings.value(Key(section, entry));
  switch (value.typeId()) {
    case QMetaType::QString:
      return value.toString();
    case QMetaType::QStringList:
      // The INI reader splits an unquoted value at its commas (a hand-edited file); the text
      // was one value when it was written.
      return value.toStringList().join(QStringLiteral(", "));
    default:
      return defaultValue;
  }
}

int CSettingsStore::ReadInt(const QString& section, const QString& entry, int defaultValue) const {
  const QSettings settings(FilePath(), QSettings::IniFormat);
  const QVariant value = settings.value(Key(section, entry));
  if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::Int) {
    return defaultValue;
  }
  bool ok = false;
  const int number = value.toString().trimmed().toInt(&ok);
  return ok ? number : defaultValue;
}

bool CSettingsStore::WriteString(const QString& section, const QString& entry,
                                 const QString& value) {
  return Write(section, entry, value);
}

bool CSettingsStore::WriteInt(const QString& section, const QString& entry, int value) {
  return Write(section, entry, value);
}

bool CSettingsStore::Write(const QString& section, const QString& entry, const QVariant& value) {
  const QString key = Key(section, entry);
  QSettings settings(FilePath(), QSettings::IniFormat);
  settings.setValue(key, value);
  settings.sync();
  switch (settings.status()) {
    case QSettings::NoError:
      return true;
    case QSettings::FormatError: {
      // The file held lines the INI reader could not parse. QSettings still rewrites it with
      // everything it could read plus the new value, but keeps reporting only that first
      // error, so a failed write would hide behind it: look at the file again.
      const QSettings check(FilePath(), QSettings::IniFormat);
      return check.status() == QSettings::NoError &&
             check.value(key).toString() == value.toString();
    }
    default:
      return false;
  }
}
