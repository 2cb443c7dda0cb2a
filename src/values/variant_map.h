// CVariantMap: named values with case-insensitive keys (lower-cased on every insertion and
// lookup); the property maps of projects, pages and points and the option maps of the system.
// Entries keep the order in which their keys first arrived, so a map read from a file is written
// back in the same order and a loaded project saves to the same bytes.
// Owns its variants. Plain value type, UI thread.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>

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
  int Count() const { return static_cast<int>(m_entries.size()); }
  void ForEach(const std::function<void(const QString& key, const CVariant& value)>& visit) const;
  void AssignFrom(const CVariantMap& other);
  void Clear() {
    m_entries.clear();
    m_index.clear();
  }

  // Counted form (project file): count, then key/value pairs. Terminated form: the pairs, then an
  // empty key. Reading clears the map first and throws CArchiveError on malformed input.
  void Serialize(CArchive& ar, bool terminated) const;
  void Deserialize(CArchive& ar, bool terminated);

  // Same keys with equal values; the order of the entries does not matter.
  bool operator==(const CVariantMap& other) const;

 private:
  // Maps of a few entries (every point carries one) are searched in order; the index is built
  // only once a map reaches this many entries, so a small map costs one allocation, not four.
  static constexpr qsizetype kIndexFrom = 12;

  void Insert(const QString& lowerKey, CVariant value);
  // Position of the entry of a lower-cased key, or -1.
  qsizetype IndexOf(const QString& lowerKey) const;

  QList<std::pair<QString, CVariant>> m_entries;
  // Lower-cased key -> position in m_entries; either empty (not built) or complete.
  QHash<QString, qsizetype> m_index;
};
