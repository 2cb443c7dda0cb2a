#include "values/variant.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "values/archive.h"
#include "values/safe_array.h"
#include "values/variant_ops.h"

namespace {

// Text of a real number as the automation conversion writes it: up to `precision` significant
// digits ("%.15G" for doubles, "%.7G" for singles: an exponent below -4 or from `precision` on
// switches to the "1E+15" form), then the user's decimal separator. Negative zero shows as "0";
// NaN and the infinities, which the conversion of the original platform writes in its own
// runtime's spelling, are "NaN", "INF" and "-INF" here.
QString RealToText(double value, int precision) {
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
  if (value == 0) return QStringLiteral("0");
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
  QString text = QString::fromLatin1(buffer, result.ptr - buffer);
  text.replace(QLatin1Char('e'), QLatin1Char('E'));
  const QString separator = UserDecimalSeparator();
  if (separator != QLatin1String(".")) text.replace(QLatin1Char('.'), separator);
  return text;
}

// Currency: the decimal value with up to four decimals, trailing zeros dropped.
QString CurrencyToText(int64_t scaled) {
  const bool negative = scaled < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  QString text = QString::number(magnitude / 10000);
  if (const uint64_t fraction = magnitude % 10000; fraction != 0) {
    QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
    while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
    text += UserDecimalSeparator() + digits;
  }
  return negative ? QLatin1Char('-') + text : text;
}

bool InInt32Range(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

// Currency to int32: the scaled value divided by 10 000, half to even, exactly.
bool CurrencyToInt32(int64_t scaled, int32_t& out) {
  int64_t whole = scaled / 10000;
  const int64_t rest = scaled % 10000;  // same sign as scaled
  const int64_t twice = 2 * (rest < 0 ? -rest : rest);
  if (twice > 10000 || (twice == 10000 && whole % 2 != 0)) whole += scaled < 0 ? -1 : 1;
  if (!InInt32Range(whole)) return false;
  out = static_cast<int32_t>(whole);
  return true;
}

uint64_t DoubleBits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

void WriteTextPayload(CArchive& ar, const QString& text) {
  ar.WriteInt32(static_cast<int32_t>(text.size() * 2));
  for (QChar c : text) ar.WriteWord(c.unicode());
}

QString ReadTextPayload(CArchive& ar) {
  const int32_t byteCount = ar.ReadInt32();
  if (byteCount < 0) throw CArchiveError("negative string length");
  const QByteArray bytes = ar.ReadBytes(byteCount);
  // An odd count keeps its whole code units and drops the stray byte (see CSafeArray).
  QString text(byteCount / 2, Qt::Uninitialized);
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
  for (qsizetype i = 0; i < text.size(); ++i) {
    text[i] = QChar(static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)));
  }
  return text;
}

}  // namespace

CVariant CVariant::Null() {
  CVariant v;
  v.m_type = kVtNull;
  return v;
}

CVariant CVariant::FromInt16(int16_t value) { return FromInteger(kVtI2, value); }
CVariant CVariant::FromInt32(int32_t value) { return FromInteger(kVtI4, value); }
CVariant CVariant::FromCurrency(int64_t scaledBy10000) { return FromInteger(kVtCy, scaledBy10000); }
CVariant CVariant::FromError(int32_t code) { return FromInteger(kVtError, code); }
CVariant CVariant::FromBool(bool value) { return FromInteger(kVtBool, value ? -1 : 0); }
CVariant CVariant::FromInt8(int8_t value) { return FromInteger(kVtI1, value); }
CVariant CVariant::FromByte(uint8_t value) { return FromInteger(kVtUi1, value); }

CVariant CVariant::FromInteger(VarType type, int64_t value) {
  CVariant v;
  v.m_type = type;
  switch (type) {
    case kVtI2:
    case kVtBool:
      v.m_int = static_cast<int16_t>(value);
      break;
    case kVtI4:
    case kVtError:
    case kVtInt:
      v.m_int = static_cast<int32_t>(value);
      break;
    case kVtI1:
      v.m_int = static_cast<int8_t>(value);
      break;
    case kVtUi1:
      v.m_int = static_cast<uint8_t>(value);
      break;
    case kVtUi2:
      v.m_int = static_cast<uint16_t>(value);
      break;
    case kVtUi4:
    case kVtUint:
      v.m_int = static_cast<uint32_t>(value);
      break;
    case kVtCy:
    case kVtI8:
    case kVtUi8:  // the 64-bit pattern; IntegerPayload() is negative above INT64_MAX
      v.m_int = value;
      break;
    default:
      return CVariant();
  }
  return v;
}

CVariant CVariant::FromFloat(float value) {
  CVariant v;
  v.m_type = kVtR4;
  v.m_double = value;
  return v;
}

CVariant CVariant::FromDouble(double value) {
  CVariant v;
  v.m_type = kVtR8;
  v.m_double = value;
  return v;
}

CVariant CVariant::FromDate(double oleDate) {
  CVariant v;
  v.m_type = kVtDate;
  v.m_double = oleDate;
  return v;
}

CVariant CVariant::FromString(const QString& text) {
  CVariant v;
  v.m_type = kVtBstr;
  v.m_text = text;
  return v;
}

CVariant CVariant::FromObject(VarType type, void* object) {
  CVariant v;
  v.m_type = type == kVtDispatch ? kVtDispatch : kVtUnknown;
  v.m_object = object;
  return v;
}

CVariant CVariant::FromArray(const CSafeArray& array) {
  CVariant v;
  v.m_type = static_cast<uint16_t>(kVtArray | array.ElementType());
  // A default-constructed array has no dimensions, which the archive form cannot carry.
  v.m_array = std::make_shared<const CSafeArray>(
      array.Dimensions() > 0 ? array : CSafeArray(array.ElementType(), {}));
  return v;
}

CVariant CVariant::FromBytes(const QByteArray& bytes) {
  return FromArray(CSafeArray::FromBytes(bytes));
}

bool CVariant::IsByteArray() const {
  return m_type == (kVtArray | kVtUi1) && m_array && m_array->Dimensions() == 1;
}

QByteArray CVariant::Bytes() const { return IsByteArray() ? m_array->RawData() : QByteArray(); }

bool CVariant::ToText(QString& out) const {
  switch (m_type) {
    case kVtEmpty:
      out.clear();
      return true;
    case kVtBstr:
      out = m_text;
      return true;
    case kVtI2:
    case kVtI4:
    case kVtI1:
    case kVtUi1:
    case kVtUi2:
    case kVtUi4:
    case kVtI8:
    case kVtInt:
    case kVtUint:
      out = QString::number(m_int);
      return true;
    case kVtUi8:
      out = QString::number(static_cast<uint64_t>(m_int));
      return true;
    case kVtR4:
      out = RealToText(m_double, 7);
      return true;
    case kVtR8:
      out = RealToText(m_double, 15);
      return true;
    case kVtCy:
      out = CurrencyToText(m_int);
      return true;
    case kVtDate:
      return DateToText(m_double, out);
    case kVtBool:
      out = m_int != 0 ? QStringLiteral("True") : QStringLiteral("False");
      return true;
    default:  // null, error codes, object references, arrays
      return false;
  }
}

bool CVariant::ToDouble(double& out) const {
  switch (m_type) {
    case kVtEmpty:
      out = 0;
      return true;
    case kVtI2:
    case kVtI4:
    case kVtI1:
    case kVtUi1:
    case kVtUi2:
    case kVtUi4:
    case kVtI8:
    case kVtInt:
    case kVtUint:
    case kVtBool:  // -1 for true, as the automation conversion gives
      out = static_cast<double>(m_int);
      return true;
    case kVtUi8:
      out = static_cast<double>(static_cast<uint64_t>(m_int));
      return true;
    case kVtR4:
    case kVtR8:
    case kVtDate:
      out = m_double;
      return true;
    case kVtCy:
      out = static_cast<double>(m_int) / 10000.0;
      return true;
    case kVtBstr:
      return TextToDouble(m_text, out);
    default:
      return false;
  }
}

bool CVariant::ToInt32(int32_t& out) const {
  switch (m_type) {
    case kVtEmpty:
      out = 0;
      return true;
    case kVtI2:
    case kVtI4:
    case kVtI1:
    case kVtUi1:
    case kVtUi2:
    case kVtUi4:
    case kVtI8:
    case kVtInt:
    case kVtUint:
    case kVtBool:
      if (!InInt32Range(m_int)) return false;
      out = static_cast<int32_t>(m_int);
      return true;
    case kVtUi8:
      if (m_int < 0 || !InInt32Range(m_int)) return false;
      out = static_cast<int32_t>(m_int);
      return true;
    case kVtR4:
    case kVtR8:
    case kVtDate:
      return RoundToInt32(m_double, out);
    case kVtCy:
      return CurrencyToInt32(m_int, out);
    case kVtBstr:
      return TextToInt32(m_text, out);
    default:
      return false;
  }
}

void CVariant::Serialize(CArchive& ar) const {
  if (IsArray()) {
    ar.WriteWord(m_type);
    if (m_array) {
      m_array->Serialize(ar);
    } else {
      CSafeArray(static_cast<uint16_t>(m_type & ~kVtArray), {}).Serialize(ar);
    }
    return;
  }
  switch (m_type) {
    case kVtEmpty:
    case kVtNull:
      ar.WriteWord(m_type);
      return;
    case kVtI2:
    case kVtBool:
    case kVtUi2:
      ar.WriteWord(m_type);
      ar.WriteWord(static_cast<uint16_t>(m_int));
      return;
    case kVtI4:
    case kVtError:
    case kVtUi4:
    case kVtInt:
    case kVtUint:
      ar.WriteWord(m_type);
      ar.WriteInt32(static_cast<int32_t>(m_int));
      return;
    case kVtR4:
      ar.WriteWord(m_type);
      ar.WriteFloat(static_cast<float>(m_double));
      return;
    case kVtR8:
    case kVtDate:
      ar.WriteWord(m_type);
      ar.WriteDouble(m_double);
      return;
    case kVtCy:  // low 32 bits, then high 32 bits: the little-endian 64-bit value
    case kVtI8:
    case kVtUi8:
      ar.WriteWord(m_type);
      ar.WriteInt64(m_int);
      return;
    case kVtBstr:
      ar.WriteWord(m_type);
      WriteTextPayload(ar, m_text);
      return;
    case kVtI1:
    case kVtUi1:
      ar.WriteWord(m_type);
      ar.WriteByte(static_cast<uint8_t>(m_int));
      return;
    default:
      // Object references have no archive form in this system. Writing them as an empty variant
      // keeps the record readable (by us and by the original) and round-trips to "no value";
      // Deserialize refuses the tags 9 and 13 since nothing ever writes them.
      ar.WriteWord(kVtEmpty);
      return;
  }
}

CVariant CVariant::Deserialize(CArchive& ar) {
  CVariant v;
  const uint16_t type = ar.ReadWord();
  v.m_type = type;
  if (type & kVtArray) {
    v.m_array = std::make_shared<const CSafeArray>(
        CSafeArray::Deserialize(ar, static_cast<uint16_t>(type & ~kVtArray)));
    return v;
  }
  switch (type) {
    case kVtEmpty:
    case kVtNull:
      break;
    case kVtI2:
    case kVtBool:
      v.m_int = ar.ReadInt16();
      break;
    case kVtUi2:
      v.m_int = ar.ReadWord();
      break;
    case kVtI4:
    case kVtError:
    case kVtInt:
      v.m_int = ar.ReadInt32();
      break;
    case kVtUi4:
    case kVtUint:
      v.m_int = ar.ReadUInt32();
      break;
    case kVtR4:
      v.m_double = ar.ReadFloat();
      break;
    case kVtR8:
    case kVtDate:
      v.m_double = ar.ReadDouble();
      break;
    case kVtCy:
    case kVtI8:
    case kVtUi8:
      v.m_int = ar.ReadInt64();
      break;
    case kVtBstr:
      v.m_text = ReadTextPayload(ar);
      break;
    case kVtI1:
      v.m_int = static_cast<int8_t>(ar.ReadByte());
      break;
    case kVtUi1:
      v.m_int = ar.ReadByte();
      break;
    default:
      throw CArchiveError("variant type without an archive form");
  }
  return v;
}

bool CVariant::operator==(const CVariant& other) const {
  if (m_type != other.m_type) return false;
  if (IsArray()) {
    if (!m_array || !other.m_array) return m_array == other.m_array;
    return m_array == other.m_array || *m_array == *other.m_array;
  }
  switch (m_type) {
    case kVtR4:
    case kVtR8:
    case kVtDate:
      // Bit patterns, so that NaN equals itself after a round trip and -0 differs from 0.
      return DoubleBits(m_double) == DoubleBits(other.m_double);
    case kVtBstr:
      return m_text == other.m_text;
    case kVtDispatch:
    case kVtUnknown:
      return m_object == other.m_object;
    default:
      return m_int == other.m_int;
  }
}
