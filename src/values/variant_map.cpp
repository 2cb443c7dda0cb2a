#include "values/variant_map.h"

#include "values/archive.h"

namespace {

bool IsObjectReference(const CVariant& value) {
  return value.Type() == kVtDispatch || value.Type() == kVtUnknown;
}

}  // namespace

void CVariantMap::SetInteger(const QString& key, int32_t value) {
  m_values.insert(key.toLower(), CVariant::FromInt32(value));
}

void CVariantMap::SetText(const QString& key, const QString& text) {
  m_values.insert(key.toLower(), CVariant::FromString(text));
}

void CVariantMap::SetVariant(const QString& key, const CVariant& value) {
  m_values.insert(key.toLower(), value);
}

const CVariant* CVariantMap::Find(const QString& key) const {
  const auto it = m_values.constFind(key.toLower());
  return it == m_values.constEnd() ? nullptr : &it.value();
}

CVariant* CVariantMap::Find(const QString& key) {
  const auto it = m_values.find(key.toLower());
  return it == m_values.end() ? nullptr : &it.value();
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

bool CVariantMap::Remove(const QString& key) { return m_values.remove(key.toLower()); }

void CVariantMap::ForEach(
    const std::function<void(const QString& key, const CVariant& value)>& visit) const {
  for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it)
    visit(it.key(), it.value());
}

void CVariantMap::AssignFrom(const CVariantMap& other) {
  if (&other == this) return;
  m_values = other.m_values;
}

void CVariantMap::Serialize(CArchive& ar, bool terminated) const {
  // Object references have no archive form, so their entries are left out rather than
  // written as something else; the counted form counts only what it writes. The terminated form
  // also leaves out an empty key, which would end the map early when read back.
  int32_t count = 0;
  for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
    if (!IsObjectReference(it.value())) ++count;
  }
  if (!terminated) ar.WriteCount(count);
  for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
    if (IsObjectReference(it.value()) || (terminated && it.key().isEmpty())) continue;
    ar.WriteString(it.key());
    it.value().Serialize(ar);
  }
  if (terminated) ar.WriteString(QString());
}

void CVariantMap::Deserialize(CArchive& ar, bool terminated) {
  m_values.clear();
  if (terminated) {
    for (;;) {
      const QString key = ar.ReadString();
      if (key.isEmpty()) return;
      m_values.insert(key.toLower(), CVariant::Deserialize(ar));
    }
  }
  // The count is read by hand rather than with CArchive::ReadCount, which refuses a negative
  // count: the map reads a count N <= 0 as an empty map and goes on with the rest of the input.
  int32_t count = ar.ReadWord();
  if (count == 0xFFFF) count = ar.ReadInt32();
  // No reserve(count): the count is untrusted, and every entry is paid for by its own bytes.
  for (int32_t i = 0; i < count; ++i) {
    const QString key = ar.ReadString();
    m_values.insert(key.toLower(), CVariant::Deserialize(ar));
  }
}
