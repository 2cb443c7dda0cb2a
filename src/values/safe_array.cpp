#include "values/safe_array.h"

#include <algorithm>
#include <limits>

#include "values/archive.h"

namespace {

// Total elements of a shape, saturated at the largest qsizetype (four dimensions of 2^25 would
// overflow 64 bits).
qsizetype SaturatedCount(const std::vector<CSafeArray::Bound>& bounds) {
  if (bounds.empty()) return 0;
  constexpr qsizetype kMax = std::numeric_limits<qsizetype>::max();
  qsizetype total = 1;
  for (const CSafeArray::Bound& bound : bounds) {
    const qsizetype count = std::max<int32_t>(bound.count, 0);
    if (count == 0) return 0;
    total = total > kMax / count ? kMax : total * count;
  }
  return total;
}

bool IsStringType(uint16_t elementType) { return elementType == kVtBstr; }

void WriteUtf16(CArchive& ar, const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (QChar c : text) {
    bytes.append(static_cast<char>(c.unicode() & 0xFF));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  ar.WriteBytes(bytes);
}

}  // namespace

CSafeArray::CSafeArray(uint16_t elementType, const std::vector<Bound>& bounds)
    : m_elementType(elementType) {
  for (Bound bound : bounds) {
    if (Dimensions() == kMaxDimensions) break;
    bound.count = std::max<int32_t>(bound.count, 0);
    if (bound.count > 0 && bound.lower > std::numeric_limits<int32_t>::max() - (bound.count - 1)) {
      bound.lower = std::numeric_limits<int32_t>::max() - (bound.count - 1);
    }
    m_bounds.push_back(bound);
  }
  if (m_bounds.empty()) m_bounds.push_back(Bound{0, 0});

  const qsizetype count = ElementCount();
  if (const int size = ElementSize(elementType); size > 0) {
    m_raw = QByteArray(count * size, '\0');
  } else if (IsStringType(elementType)) {
    m_strings = QList<QString>(count);
  } else if (elementType == kVtVariant) {
    m_variants = QList<CVariant>(count);
  }
}

CSafeArray CSafeArray::FromBytes(const QByteArray& bytes) {
  // A byte array larger than the per-dimension limit is kept whole (truncating a file would lose
  // data silently); like the original format, such a value cannot be read back from an archive.
  const auto count =
      static_cast<int32_t>(std::min<qsizetype>(bytes.size(), std::numeric_limits<int32_t>::max()));
  CSafeArray array;
  array.m_elementType = kVtUi1;
  array.m_bounds = {Bound{0, count}};
  array.m_raw = count == bytes.size() ? bytes : bytes.left(count);
  return array;
}

qsizetype CSafeArray::ElementCount() const { return SaturatedCount(m_bounds); }

int CSafeArray::ElementSize(uint16_t elementType) {
  switch (elementType) {
    case kVtI1:
    case kVtUi1:
      return 1;
    case kVtI2:
    case kVtBool:
    case kVtUi2:
      return 2;
    case kVtI4:
    case kVtR4:
    case kVtError:
    case kVtUi4:
    case kVtInt:
    case kVtUint:
      return 4;
    case kVtR8:
    case kVtCy:
    case kVtDate:
    case kVtI8:
    case kVtUi8:
      return 8;
    case kVtDecimal:
      return 16;
    default:  // strings, variants, object references, 15 and everything outside 2..23
      return 0;
  }
}

bool CSafeArray::HasElementData(uint16_t elementType) {
  return ElementSize(elementType) > 0 || IsStringType(elementType);
}

void CSafeArray::Serialize(CArchive& ar) const {
  ar.WriteInt32(Dimensions());
  for (const Bound& bound : m_bounds) {
    ar.WriteInt32(bound.lower);
    ar.WriteInt32(static_cast<int32_t>(static_cast<int64_t>(bound.lower) + bound.count - 1));
  }
  const qsizetype count = ElementCount();
  if (const int size = ElementSize(m_elementType); size > 0) {
    // Exactly count × size bytes, whatever a caller did to RawData(), so the record reads back.
    const qsizetype bytes = count * size;
    ar.WriteBytes(m_raw.constData(), std::min(bytes, m_raw.size()));
    if (m_raw.size() < bytes) ar.WriteBytes(QByteArray(bytes - m_raw.size(), '\0'));
  } else if (IsStringType(m_elementType)) {
    for (qsizetype i = 0; i < count; ++i) {
      const QString text = i < m_strings.size() ? m_strings[i] : QString();
      ar.WriteInt32(static_cast<int32_t>(text.size() * 2));
      WriteUtf16(ar, text);
    }
  }
}

CSafeArray CSafeArray::Deserialize(CArchive& ar, uint16_t elementType) {
  const int32_t dimensions = ar.ReadInt32();
  if (dimensions < 1 || dimensions > kMaxDimensions) {
    throw CArchiveError("array with an unsupported number of dimensions");
  }
  CSafeArray array;
  array.m_elementType = elementType;
  for (int32_t d = 0; d < dimensions; ++d) {
    const int32_t lower = ar.ReadInt32();
    const int32_t upper = ar.ReadInt32();
    const int64_t count = static_cast<int64_t>(upper) - lower + 1;
    if (count < 0 || count > kMaxElementsPerDimension) {
      throw CArchiveError("array dimension out of range");
    }
    array.m_bounds.push_back(Bound{lower, static_cast<int32_t>(count)});
  }
  const qsizetype count = array.ElementCount();  // saturates instead of overflowing

  if (const int size = ElementSize(elementType); size > 0) {
    if (count > ar.Remaining() / size) throw CArchiveError("array larger than its input");
    array.m_raw = ar.ReadBytes(count * size);
  } else if (IsStringType(elementType)) {
    // Every string element carries at least its 4-byte length.
    if (count > ar.Remaining() / 4) throw CArchiveError("array larger than its input");
    array.m_strings.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
      const int32_t byteCount = ar.ReadInt32();
      if (byteCount < 0) throw CArchiveError("negative string length");
      const QByteArray bytes = ar.ReadBytes(byteCount);
      // An odd byte count (possible for a byte-length string on the original platform) keeps its
      // whole code units; the stray last byte is dropped.
      QString text(byteCount / 2, Qt::Uninitialized);
      const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
      for (qsizetype c = 0; c < text.size(); ++c) {
        text[c] = QChar(static_cast<char16_t>(p[2 * c] | (p[2 * c + 1] << 8)));
      }
      array.m_strings.append(text);
    }
  } else if (count > std::numeric_limits<int32_t>::max()) {
    // No element data, so nothing is allocated; still, an array the platform could never have
    // created (more than 2^31 - 1 elements) is refused rather than carried.
    throw CArchiveError("array with too many elements");
  }
  return array;
}

bool CSafeArray::operator==(const CSafeArray& other) const {
  if (m_elementType != other.m_elementType || m_bounds != other.m_bounds) return false;
  if (m_raw != other.m_raw) return false;
  // Elements past the end of a list are missing strings / empty variants (see the header), so
  // only the longer list needs walking.
  if (IsStringType(m_elementType)) {
    // A missing string and an empty one are the same value (both archive as byte count 0).
    const qsizetype n = std::max(m_strings.size(), other.m_strings.size());
    for (qsizetype i = 0; i < n; ++i) {
      const QString a = i < m_strings.size() ? m_strings[i] : QString();
      const QString b = i < other.m_strings.size() ? other.m_strings[i] : QString();
      if (a != b) return false;
    }
  } else if (m_elementType == kVtVariant) {
    const qsizetype n = std::max(m_variants.size(), other.m_variants.size());
    for (qsizetype i = 0; i < n; ++i) {
      const CVariant a = i < m_variants.size() ? m_variants[i] : CVariant();
      const CVariant b = i < other.m_variants.size() ? other.m_variants[i] : CVariant();
      if (a != b) return false;
    }
  }
  return true;
}
