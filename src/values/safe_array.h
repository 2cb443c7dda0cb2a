// CSafeArray: an automation-style array of 1 to 4 dimensions, each with a lower bound and an
// element count, holding elements of one type. Fixed-size elements are kept as raw little-endian
// bytes in storage order (first dimension fastest), strings as QStrings (a null QString is a
// missing string) and variants as CVariants. Plain value type owned by its CVariant.
//
// Element types without data in the archive form (variants 12, object references 9 and 13, 15
// and tags outside 2..23) keep no per-element storage after reading, so an archive can never make
// us allocate for elements it does not carry. For a variant array, Variants() is therefore either
// empty (every element is empty) or holds exactly ElementCount() elements; object-reference arrays
// hold only null references.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

#include "values/variant.h"

class CArchive;

class CSafeArray {
 public:
  struct Bound {
    int32_t lower = 0;
    int32_t count = 0;
    bool operator==(const Bound&) const = default;
  };

  static constexpr int kMaxDimensions = 4;
  static constexpr int32_t kMaxElementsPerDimension = 0x2000000;

  CSafeArray() = default;
  // An array of the given element type and shape, elements zero / empty. A shape the archive form
  // cannot carry is brought into range rather than refused: no dimensions become one empty
  // dimension, dimensions beyond 4 are dropped, negative counts become 0 and a lower bound is
  // lowered until the upper bound fits in 32 bits. Counts above kMaxElementsPerDimension are kept
  // (data is never cut), but, as on the original platform, such an array does not read back.
  CSafeArray(uint16_t elementType, const std::vector<Bound>& bounds);
  // A one-dimensional byte array with lower bound 0.
  static CSafeArray FromBytes(const QByteArray& bytes);

  uint16_t ElementType() const { return m_elementType; }
  int Dimensions() const { return static_cast<int>(m_bounds.size()); }
  const std::vector<Bound>& Bounds() const { return m_bounds; }
  // Product of the dimension counts (saturated; 0 for an array without dimensions).
  qsizetype ElementCount() const;
  // Size in bytes of one fixed-size element of the type; 0 for strings, variants, objects and
  // types without elements in the archive form.
  static int ElementSize(uint16_t elementType);
  // Whether the archive form carries elements of this type (fixed-size types and strings).
  static bool HasElementData(uint16_t elementType);

  // Raw elements of a fixed-size type.
  const QByteArray& RawData() const { return m_raw; }
  QByteArray& RawData() { return m_raw; }
  // Elements of a string array.
  const QList<QString>& Strings() const { return m_strings; }
  QList<QString>& Strings() { return m_strings; }
  // Elements of a variant array (see the note at the top: may be empty for "all empty").
  const QList<CVariant>& Variants() const { return m_variants; }
  QList<CVariant>& Variants() { return m_variants; }

  // The archive form after the type word: int32 dimension count, per dimension int32 lower and
  // int32 inclusive upper bound, then the elements. Reading throws CArchiveError on a
  // bad shape or short input, and checks the input can hold the elements before allocating them.
  void Serialize(CArchive& ar) const;
  static CSafeArray Deserialize(CArchive& ar, uint16_t elementType);

  bool operator==(const CSafeArray& other) const;

 private:
  uint16_t m_elementType = kVtUi1;
  std::vector<Bound> m_bounds;
  QByteArray m_raw;
  QList<QString> m_strings;
  QList<CVariant> m_variants;
};
