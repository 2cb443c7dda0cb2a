// CTelegram: a small live message, a named set of values that one unit sends to the others of the
// same project through the server while online; nothing of it is stored. It lives only as long as
// the operation that sends or receives it (the sender or receiver owns it) and refers to its
// project without owning it. Project dispatch offers it to every point of the project. UI thread.
#pragma once

#include <QByteArray>
#include <QString>

#include "values/variant_map.h"

class CArchive;
class CProject;

class CTelegram {
 public:
  // Reserved entry names: the telegram's name, which receiving points match, and a session GUID.
  static constexpr const char16_t* kNameEntry = u"TelegramName";
  static constexpr const char16_t* kGuidEntry = u"GUID";

  explicit CTelegram(CProject* project) : m_project(project) {}

  // A new telegram of the same project with copies of the unit ID and of every value.
  CTelegram Clone() const { return *this; }

  CProject* Project() const { return m_project; }
  const QString& UnitId() const { return m_unitId; }
  void SetUnitId(const QString& unitId) { m_unitId = unitId; }
  const CVariantMap& Values() const { return m_values; }
  CVariantMap& MutableValues() { return m_values; }

  // The archive form: the unit ID as an archive string, then the values in their counted form.
  // Reading throws CArchiveError on malformed input (the caller drops the telegram).
  void Serialize(CArchive& ar) const;
  void Deserialize(CArchive& ar);
  QByteArray WriteArchive() const;
  // Reads the archive form from bytes; false (and the values and unit ID cleared) when the bytes
  // are damaged. Bytes after the telegram are not looked at.
  bool ReadArchive(const QByteArray& bytes);

  // Offers the telegram to every point of its project, page by page and point by point in order.
  void Dispatch();

 private:
  CProject* m_project;
  CVariantMap m_values;
  QString m_unitId;
};
