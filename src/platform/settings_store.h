// CSettingsStore: the per-user settings of one application of the maker, kept as an INI file
// (normally $XDG_CONFIG_HOME/Brenmoor/<application>.conf; DefaultFilePath). A setting is addressed
// by a section (an INI group; the empty section is the top level) and an entry (a key). The
// client's store is "QLT Client", the GPS settings live in "Tarnwick". Whoever makes a store names
// its file: the application object the client's, tests a file of their own. A store object only
// names the file, so it is cheap to make one where needed; every operation opens the file afresh,
// so a failed write never poisons a later one. UI thread (or any one thread at a time).
#pragma once

#include <QString>

class QVariant;

class CSettingsStore {
 public:
  static constexpr const char* kClientApplication = "QLT Client";
  static constexpr const char* kGpsApplication = "Tarnwick";

  // The file of an application's settings in the user's configuration folder.
  static QString DefaultFilePath(
      const QString& application = QString::fromLatin1(kClientApplication));

  explicit CSettingsStore(const QString& filePath);

  // The INI file behind this store.
  const QString& FilePath() const { return m_filePath; }

  // The stored text, or `defaultValue` when the entry is missing or is not text.
  QString ReadString(const QString& section, const QString& entry,
                     const QString& defaultValue = QString()) const;
  // The stored number, or `defaultValue` when the entry is missing or not a whole number.
  int ReadInt(const QString& section, const QString& entry, int defaultValue) const;

  // Store a value; true only when it reached the file. A file that cannot be written gives
  // false. A damaged file is rewritten with everything that could be read from it plus the
  // new value (the lines the INI reader could not understand are dropped).
  bool WriteString(const QString& section, const QString& entry, const QString& value);
  bool WriteInt(const QString& section, const QString& entry, int value);

 private:
  static QString Key(const QString& section, const QString& entry);
  bool Write(const QString& section, const QString& entry, const QVariant& value);

  QString m_filePath;
};
