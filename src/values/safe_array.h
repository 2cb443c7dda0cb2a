// CSafeArray: an automation-style array of 1 to 4 dimensions, each with a lower bound and an
// element count, holding elements of one type. Fixed-size elements are kept as raw little-endian
// bytes in storage order (first dimension fastest), strings as QStrings (a null QString is a
// missing string) and variants as CVariants. Plain value type owned by its CVariant.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

#include "values/variant.h"

class CSafeArray {
 public:
  struct Bound {
    int32_t lower = 0;
    int32_t count = 0;
  };

  static constexpr int kMaxDimensions = 4;
  static constexpr int32_t kMaxElementsPerDimension = 0x2000000;

  CSafeArray() = default;
  // An array of the given element type and shape, elements zero / empty.
  CSafeArray(uint16_t elementType, const std::vector<Bound>& bounds);
  // A one-dimensional byte array with lower bound 0.
  static CSafeArray FromBytes(const QByteArray& bytes);

  uint16_t ElementType() const { return m_elementType; }
  int Dimensions() const { return static_cast<int>(m_bounds.size()); }
  const std::vector<Bound>& Bounds() const { return m_bounds; }
  qsizetype ElementCount() const;
  // Size in bytes of one fixed-size element of the type; 0 for strings, variants, objects and
  // types without elements in the archive form.
  static int ElementSize(uint16_t elementType);

  // Raw elements of a fixed-size type.
  const QByteArray& RawData() const { return m_raw; }
  QByteArray& RawData() { return m_raw; }
  // Elements of a string array.
  const QList<QString>& Strings() const { return m_strings; }
  QList<QString>& Strings() { return m_strings; }
  // Elements of a variant array.
  const QList<CVariant>& Variants() const { return m_variants; }
  QList<CVariant>& Variants() { return m_variants; }

  bool operator==(const CSafeArray& other) const;

 private:
  uint16_t m_elementType = kVtUi1;
  std::vector<Bound> m_bounds;
  QByteArray m_raw;
  QList<QString> m_strings;
  QList<CVariant> m_variants;
};
