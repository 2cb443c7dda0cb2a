#include "form_reader.h"

#include <limits>

QString CFormReader::Error::Text() const {
  return path.isEmpty() ? message : path + QStringLiteral(": ") + message;
}

CFormReader::CFormReader(const COrderedJson& object, const QString& path)
    : m_object(object), m_path(path) {
  if (!object.IsObject()) {
    Fail(path, QStringLiteral("expected an object, found %1").arg(object.KindName()));
  }
}

QString CFormReader::PathOf(const QString& key) const {
  // Keys that are not plain names (property keys hold dots) are quoted.
  bool plain = !key.isEmpty();
  for (QChar c : key) {
    if (!c.isLetterOrNumber() && c != QLatin1Char('_')) plain = false;
  }
  const QString part = plain ? key : QLatin1Char('"') + key + QLatin1Char('"');
  return m_path.isEmpty() ? part : m_path + QLatin1Char('.') + part;
}

const COrderedJson* CFormReader::Take(const QString& key) {
  const COrderedJson* member = m_object.Find(key);
  if (member) m_read.insert(key);
  return member;
}

const QList<COrderedJson::Member>& CFormReader::TakeAll() {
  for (const COrderedJson::Member& member : m_object.Members()) m_read.insert(member.first);
  return m_object.Members();
}

bool CFormReader::ReadInt32(const QString& key, int32_t& value) {
  const COrderedJson* member = Take(key);
  if (!member) return false;
  value = static_cast<int32_t>(ToInteger(*member, PathOf(key), std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
  return true;
}

bool CFormReader::ReadUInt32(const QString& key, uint32_t& value) {
  const COrderedJson* member = Take(key);
  if (!member) return false;
  value = static_cast<uint32_t>(
      ToInteger(*member, PathOf(key), 0, std::numeric_limits<uint32_t>::max()));
  return true;
}

bool CFormReader::ReadInt64(const QString& key, int64_t& value) {
  const COrderedJson* member = Take(key);
  if (!member) return false;
  value = ToInteger(*member, PathOf(key), std::numeric_limits<int64_t>::min(),
                    std::numeric_limits<int64_t>::max());
  return true;
}

bool CFormReader::ReadBool(const QString& key, bool& value) {
  const COrderedJson* member = Take(key);
  if (!member) return false;
  value = ToBool(*member, PathOf(key));
  return true;
}

bool CFormReader::ReadText(const QString& key, QString& value) {
  const COrderedJson* member = Take(key);
  if (!member) return false;
  value = ToText(*member, PathOf(key));
  return true;
}

bool CFormReader::ReadTextList(const QString& key, QStringList& value) {
  const COrderedJson* member = Take(key);
  if (!member) return false;
  value = ToTextList(*member, PathOf(key));
  return true;
}

void CFormReader::Finish() const {
  QStringList unknown;
  for (const COrderedJson::Member& member : m_object.Members()) {
    if (!m_read.contains(member.first)) unknown.append(QLatin1Char('"') + member.first + '"');
  }
  if (unknown.isEmpty()) return;
  Fail(m_path, (unknown.size() == 1 ? QStringLiteral("unknown member %1")
                                    : QStringLiteral("unknown members %1"))
                   .arg(unknown.join(QStringLiteral(", "))));
}

void CFormReader::Fail(const QString& path, const QString& message) { throw Error{path, message}; }

int64_t CFormReader::ToInteger(const COrderedJson& json, const QString& path, int64_t minimum,
                               int64_t maximum) {
  if (!json.IsNumber()) {
    Fail(path, QStringLiteral("expected a whole number, found %1").arg(json.KindName()));
  }
  int64_t value = 0;
  if (!json.ToInt64(value) || value < minimum || value > maximum) {
    Fail(path, QStringLiteral("%1 is not a whole number from %2 to %3")
                   .arg(QString::fromLatin1(json.NumberText()))
                   .arg(minimum)
                   .arg(maximum));
  }
  return value;
}

QString CFormReader::ToText(const COrderedJson& json, const QString& path) {
  if (!json.IsString()) {
    Fail(path, QStringLiteral("expected a text, found %1").arg(json.KindName()));
  }
  return json.StringValue();
}

QStringList CFormReader::ToTextList(const COrderedJson& json, const QString& path) {
  if (!json.IsArray()) {
    Fail(path, QStringLiteral("expected an array of texts, found %1").arg(json.KindName()));
  }
  QStringList list;
  const QList<COrderedJson>& items = json.Items();
  for (qsizetype i = 0; i < items.size(); ++i) list.append(ToText(items[i], ItemPath(path, i)));
  return list;
}

bool CFormReader::ToBool(const COrderedJson& json, const QString& path) {
  if (!json.IsBool()) {
    Fail(path, QStringLiteral("expected true or false, found %1").arg(json.KindName()));
  }
  return json.BoolValue();
}

QString CFormReader::ItemPath(const QString& path, qsizetype index) {
  return path + QLatin1Char('[') + QString::number(index) + QLatin1Char(']');
}
