// CUnitIdentity: who this unit (device) is towards the server: the unit ID (a name, "Local"
// until set), the unit GUID (generated once and kept in the settings) and the unit key, the
// SHA-1 digest of the GUID text as stored. A plain value; the application object holds the
// process's one and hands out copies. UI thread.
#pragma once

#include <QByteArray>
#include <QString>

class CSettingsStore;

class CUnitIdentity {
 public:
  static constexpr const char* kDefaultId = "Local";
  static constexpr int kKeyBytes = 20;

  CUnitIdentity();

  // Reads `Unit`/`ID` (default `currentId`) and `Unit`/`GUID`; when no GUID is stored a new
  // one is made and written back (when that write fails the next start makes another).
  static CUnitIdentity Establish(CSettingsStore& settings, const QString& currentId);

  // A new GUID text: 36 characters, upper-case hexadecimal with hyphens, no braces.
  static QString NewGuidText();
  // SHA-1 over the text's UTF-16LE code units (no byte-order mark, no terminator).
  static QByteArray KeyOf(const QString& guidText);

  const QString& Id() const { return m_id; }
  void SetId(const QString& id) { m_id = id; }
  const QString& Guid() const { return m_guid; }
  // 20 bytes; all zero before the identity is established.
  const QByteArray& Key() const { return m_key; }

 private:
  QString m_id;
  QString m_guid;
  QByteArray m_key;
};
