// The per-user class registry that replaces the system's class registration: an INI file
// $XDG_CONFIG_HOME/Brenmoor/Classes.conf (~/.config when XDG_CONFIG_HOME is unset) with one group
// per class identifier ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case) holding the library
// that serves it ("InprocServer32"), its program identifier ("ProgID") and its short user-type
// name ("UserTypeName"). A library's DllRegisterServer calls QltRegisterClass for each class; the
// client reads the entries back with QltLookUpClass. Header-only over Qt Core, so a library and
// the client read and write the file the same way; any thread, one writer at a time.
#pragma once

#include <dlfcn.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QUuid>

struct QltClassEntry {
  QString library;       // absolute path of the shared object
  QString progId;        // "Vendor.Name"
  QString userTypeName;  // the short name the client shows
};

inline QString QltClassRegistryPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/Brenmoor/Classes.conf");
}

// The group of a class: its identifier in braces, upper case; empty for a malformed identifier.
inline QString QltClassGroup(const QString& classId) {
  const QUuid id(classId);
  if (id.isNull()) return QString();
  return id.toString(QUuid::WithBraces).toUpper();
}

// The shared object that holds `address` (any function of the library), or an empty text.
inline QString QltLibraryPathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return QString();
  return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

// Records (or replaces) the entry of a class; false when the identifier is malformed or the file
// cannot be written.
inline bool QltRegisterClass(const QString& classId, const QltClassEntry& entry) {
  const QString group = QltClassGroup(classId);
  if (group.isEmpty() || entry.library.isEmpty()) return false;
  QSettings settings(QltClassRegistryPath(), QSettings::IniFormat);
  settings.beginGroup(group);
  settings.setValue(QStringLiteral("InprocServer32"), entry.library);
  settings.setValue(QStringLiteral("ProgID"), entry.progId);
  settings.setValue(QStringLiteral("UserTypeName"), entry.userTypeName);
  settings.endGroup();
  settings.sync();
  return settings.status() == QSettings::NoError;
}

inline bool QltUnregisterClass(const QString& classId) {
  const QString group = QltClassGroup(classId);
  if (group.isEmpty()) return false;
  QSettings settings(QltClassRegistryPath(), QSettings::IniFormat);
  settings.remove(group);
  settings.sync();
  return settings.status() == QSettings::NoError;
}

// The entry of a class; false when the class is not registered. A quoted library path loses its
// quotes.
inline bool QltLookUpClass(const QString& classId, QltClassEntry& entry) {
  const QString group = QltClassGroup(classId);
  if (group.isEmpty()) return false;
  QSettings settings(QltClassRegistryPath(), QSettings::IniFormat);
  if (!settings.childGroups().contains(group)) return false;
  settings.beginGroup(group);
  entry.library = settings.value(QStringLiteral("InprocServer32")).toString().trimmed();
  if (entry.library.size() >= 2 && entry.library.startsWith(QLatin1Char('"')) &&
      entry.library.endsWith(QLatin1Char('"'))) {
    entry.library = entry.library.mid(1, entry.library.size() - 2);
  }
  entry.progId = settings.value(QStringLiteral("ProgID")).toString();
  entry.userTypeName = settings.value(QStringLiteral("UserTypeName")).toString();
  return true;
}
