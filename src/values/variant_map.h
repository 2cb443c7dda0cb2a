// CVariantMap: named values with case-insensitive keys (lower-cased on every insertion and
// lookup); the property maps of projects, pages and points and the option maps of the system.
// Owns its variants. Plain value type, UI thread.
#pragma once

#include <QHash>
#include <QString>
#include <cstdint>
#include <functional>

#include "values/variant.h"

class CArchive;

class CVariantMap {
 public:
  void SetInteger(const QString& key, int32_t value);
  void SetText(const QString& key, const QString& text);
  void SetVariant(const QString& key, const CVariant& value);
  // Direct access to the stored variant, or nullptr when missing.
  const CVariant* Find(const QString& key) const;
  CVariant* Find(const QString& key);
  int32_t GetInteger(const QString& key, int32_t defaultValue) const;
  QString GetText(const QString& key) const;
  CVariant GetVariant(const QString& key) const;
  bool CopyInto(const QString& key, CVariant& destination) const;
  bool Remove(const QString& key);
  int Count() const { return static_cast<int>(m_values.size()); }
  void ForEach(const std::function<void(const QString& key, const CVariant& value)>& visit) const;
  void AssignFrom(const CVariantMap& other);
  void Clear() { m_values.clear(); }

  // Counted form (project file): count, then key/value pairs. Terminated form: the pairs, then an
  // empty key. Reading clears the map first and throws CArchiveError on malformed input.
  void Serialize(CArchive& ar, bool terminated) const;
  void Deserialize(CArchive& ar, bool terminated);

  bool operator==(const CVariantMap& other) const { return m_values == other.m_values; }

 private:
  QHash<QString, CVariant> m_values;
};
