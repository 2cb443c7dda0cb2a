// The per-user class registry that replaces the system's class registration: an INI file
// $XDG_CONFIG_HOME/Brenmoor/Classes.conf (~/.config when XDG_CONFIG_HOME is unset) with one group
// per class identifier ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case) holding the library
// that serves it ("InprocServer32"), its program identifier ("ProgID"), its short user-type
// name ("UserTypeName") and, optionally, the image the client shows for it in its lists ("Icon":
// an image file, relative paths taken from the library's folder; without one, an image beside the
// library with the library's name and ".png" is taken). A library's DllRegisterServer calls
// QltRegisterClass for each class; the client reads the entries back with QltLookUpClass.
// Header-only over Qt Core, so a library and the client read and write the file the same way; any
// thread, one writer at a time.
#pragma once

#include <dlfcn.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUuid>

struct QltClassEntry {
  QString library;       // absolute path of the shared object
  QString progId;        // "Vendor.Name"
  QString userTypeName;  // the short name the client shows
  QString icon;          // an image file; may be empty
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
  // QSettings caches what it wrote for the whole process, and a library is unloaded after it
  // registered: texts that live in the library's own memory (literals) are copied first.
  const auto owned = [](const QString& text) { return QString(text.constData(), text.size()); };
  QSettings settings(QltClassRegistryPath(), QSettings::IniFormat);
  settings.beginGroup(group);
  settings.setValue(QStringLiteral("InprocServer32"), owned(entry.library));
  settings.setValue(QStringLiteral("ProgID"), owned(entry.progId));
  settings.setValue(QStringLiteral("UserTypeName"), owned(entry.userTypeName));
  if (entry.icon.isEmpty()) {
    settings.remove(QStringLiteral("Icon"));
  } else {
    settings.setValue(QStringLiteral("Icon"), owned(entry.icon));
  }
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
  entry.icon = settings.value(QStringLiteral("Icon")).toString();
  return true;
}

// The identifiers of every registered class, as their groups are named.
inline QStringList QltRegisteredClasses() {
  QSettings settings(QltClassRegistryPath(), QSettings::IniFormat);
  QStringList classes;
  for (const QString& group : settings.childGroups()) {
    if (!QltClassGroup(group).isEmpty()) classes.append(group);
  }
  return classes;
}

// The image file of a class's icon, or an empty text when it has none that exists.
inline QString QltClassIconPath(const QltClassEntry& entry) {
  const QFileInfo library(entry.library);
  QString path = entry.icon;
  if (path.isEmpty()) {
    if (entry.library.isEmpty()) return QString();
    path = library.absolutePath() + QLatin1Char('/') + library.completeBaseName() +
           QStringLiteral(".png");
  } else if (QFileInfo(path).isRelative()) {
    path = library.absolutePath() + QLatin1Char('/') + path;
  }
  return QFileInfo::exists(path) ? path : QString();
}
