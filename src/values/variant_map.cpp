#include "values/variant_map.h"

#include "values/archive.h"

namespace {

bool IsObjectReference(const CVariant& value) {
  return value.Type() == kVtDispatch || value.Type() == kVtUnknown;
}

}  // namespace

qsizetype CVariantMap::IndexOf(const QString& lowerKey) const {
  if (!m_index.isEmpty()) return m_index.value(lowerKey, -1);
  for (qsizetype i = 0; i < m_entries.size(); ++i) {
    if (m_entries[i].first == lowerKey) return i;
  }
  return -1;
}

void CVariantMap::Insert(const QString& lowerKey, CVariant value) {
  const qsizetype position = IndexOf(lowerKey);
  if (position >= 0) {
    m_entries[position].second = std::move(value);
    return;
  }
  m_entries.append({lowerKey, std::move(value)});
  if (!m_index.isEmpty()) {
    m_index.insert(lowerKey, m_entries.size() - 1);
  } else if (m_entries.size() >= kIndexFrom) {
    m_index.reserve(m_entries.size());
    for (qsizetype i = 0; i < m_entries.size(); ++i) m_index.insert(m_entries[i].first, i);
  }
}

void CVariantMap::SetInteger(const QString& key, int32_t value) {
  Insert(key.toLower(), CVariant::FromInt32(value));
}

void CVariantMap::SetText(const QString& key, const QString& text) {
  Insert(key.toLower(), CVariant::FromString(text));
}

void CVariantMap::SetVariant(const QString& key, const CVariant& value) {
  Insert(key.toLower(), value);
}

const CVariant* CVariantMap::Find(const QString& key) const {
  const qsizetype position = IndexOf(key.toLower());
  return position < 0 ? nullptr : &m_entries[position].second;
}

CVariant* CVariantMap::Find(const QString& key) {
  const qsizetype position = IndexOf(key.toLower());
  return position < 0 ? nullptr : &m_entries[position].second;
}

int32_t CVariantMap::GetInteger(const QString& key, int32_t defaultValue) const {
  const CVariant* value = Find(key);
  if (!value) return defaultValue;
  if (value->Type() == kVtI4) return static_cast<int32_t>(value->IntegerPayload());
  int32_t converted = 0;
  return value->ToInt32(converted) ? converted : defaultValue;
}

QString CVariantMap::GetText(const QString& key) const {
  const CVariant* value = Find(key);
  if (!value) return QString();
  if (value->IsString()) return value->StringPayload();
  if (value->IsArray()) return QStringLiteral("(Binary)");
  QString text;
  return value->ToText(text) ? text : QString();
}

CVariant CVariantMap::GetVariant(const QString& key) const {
  const CVariant* value = Find(key);
  return value ? *value : CVariant();
}

bool CVariantMap::CopyInto(const QString& key, CVariant& destination) const {
  const CVariant* value = Find(key);
  if (!value) return false;
  destination = *value;
  return true;
}

bool CVariantMap::Remove(const QString& key) {
  const QString lowerKey = key.toLower();
  const qsizetype position = IndexOf(lowerKey);
  if (position < 0) return false;
  m_entries.removeAt(position);
  if (!m_index.isEmpty()) {
    m_index.remove(lowerKey);
    for (auto& index : m_index) {
      if (index > position) --index;
    }
  }
  return true;
}

void CVariantMap::ForEach(
    const std::function<void(const QString& key, const CVariant& value)>& visit) const {
  for (const auto& [key, value] : m_entries) visit(key, value);
}

void CVariantMap::AssignFrom(const CVariantMap& other) {
  if (&other == this) return;
  m_entries = other.m_entries;
  m_index = other.m_index;
}

bool CVariantMap::operator==(const CVariantMap& other) const {
  if (m_entries.size() != other.m_entries.size()) return false;
  for (const auto& [key, value] : m_entries) {
    const CVariant* theirs = other.Find(key);
    if (!theirs || *theirs != value) return false;
  }
  return true;
}

void CVariantMap::Serialize(CArchive& ar, bool terminated) const {
  // Object references have no archive form, so their entries are left out rather than
  // written as something else; the counted form counts only what it writes. The terminated form
  // also leaves out an empty key, which would end the map early when read back.
  int32_t count = 0;
  for (const auto& entry : m_entries) {
    if (!IsObjectReference(entry.second)) ++count;
  }
  if (!terminated) ar.WriteCount(count);
  for (const auto& [key, value] : m_entries) {
    if (IsObjectReference(value) || (terminated && key.isEmpty())) continue;
    ar.WriteString(key);
    value.Serialize(ar);
  }
  if (terminated) ar.WriteString(QString());
}

void CVariantMap::Deserialize(CArchive& ar, bool terminated) {
  Clear();
  if (terminated) {
    for (;;) {
      const QString key = ar.ReadString();
      if (key.isEmpty()) return;
      Insert(key.toLower(), CVariant::Deserialize(ar));
    }
  }
  // The count is read by hand rather than with CArchive::ReadCount, which refuses a negative
  // count: the map reads a count N <= 0 as an empty map and goes on with the rest of the input.
  int32_t count = ar.ReadWord();
  if (count == 0xFFFF) count = ar.ReadInt32();
  // No reserve(count): the count is untrusted, and every entry is paid for by its own bytes.
  for (int32_t i = 0; i < count; ++i) {
    const QString key = ar.ReadString();
    Insert(key.toLower(), CVariant::Deserialize(ar));
  }
}
