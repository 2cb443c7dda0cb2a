#include "variant_json.h"

#include <QDate>
#include <QRegularExpression>
#include <QSet>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "values/archive.h"
#include "values/safe_array.h"
#include "values/variant.h"
#include "values/variant_map.h"

namespace {

struct TypeEntry {
  uint16_t type;
  const char* name;
};

constexpr TypeEntry kTypeNames[] = {
    {kVtEmpty, "empty"},     {kVtNull, "null"},
    {kVtI2, "i2"},           {kVtI4, "i4"},
    {kVtR4, "r4"},           {kVtR8, "r8"},
    {kVtCy, "currency"},     {kVtDate, "date"},
    {kVtBstr, "string"},     {kVtDispatch, "dispatch"},
    {kVtError, "error"},     {kVtBool, "bool"},
    {kVtVariant, "variant"}, {kVtUnknown, "unknown"},
    {kVtDecimal, "decimal"}, {kVtI1, "i1"},
    {kVtUi1, "ui1"},         {kVtUi2, "ui2"},
    {kVtUi4, "ui4"},         {kVtI8, "i8"},
    {kVtUi8, "ui8"},         {kVtInt, "int"},
    {kVtUint, "uint"},
};

const QString kBytesType = QStringLiteral("bytes");
const QString kArrayType = QStringLiteral("array");

// Day 0 of automation dates.
const QDate kOleEpoch(1899, 12, 30);
constexpr int64_t kMsPerDay = 86400000;

int TypeFromName(const QString& name) {
  for (const TypeEntry& entry : kTypeNames) {
    if (name == QLatin1String(entry.name)) return entry.type;
  }
  return -1;
}

QString KnownTypeNames() {
  QStringList names;
  for (const TypeEntry& entry : kTypeNames) {
    const uint16_t t = entry.type;
    if (t != kVtDispatch && t != kVtUnknown && t != kVtVariant && t != kVtDecimal) {
      names.append(QString::fromLatin1(entry.name));
    }
  }
  names << kBytesType << kArrayType;
  return names.join(QStringLiteral(", "));
}

template <typename T>
T LoadLe(const char* p) {
  T value;
  std::memcpy(&value, p, sizeof value);  // the machine is little-endian like the file
  return value;
}

template <typename T>
void AppendLe(QByteArray& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// ---- numbers to JSON

template <typename Float>
QByteArray ShortestLiteral(Float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return QByteArray(buffer, result.ptr - buffer);
}

// A real as a JSON number, or as a text where JSON has no number for it.
template <typename Float, typename Bits>
COrderedJson RealToJson(Float value) {
  const Bits bits = LoadLe<Bits>(reinterpret_cast<const char*>(&value));
  if (std::isnan(value)) {
    const Float quiet = std::numeric_limits<Float>::quiet_NaN();
    if (bits == LoadLe<Bits>(reinterpret_cast<const char*>(&quiet))) {
      return COrderedJson::String(QStringLiteral("NaN"));
    }
    const QString digits = QStringLiteral("%1").arg(
        static_cast<qulonglong>(bits), static_cast<int>(2 * sizeof(Bits)), 16, QLatin1Char('0'));
    return COrderedJson::String(QStringLiteral("0x") + digits.toUpper());
  }
  if (std::isinf(value)) {
    return COrderedJson::String(value > 0 ? QStringLiteral("Infinity")
                                          : QStringLiteral("-Infinity"));
  }
  if (value == 0 && std::signbit(value)) return COrderedJson::String(QStringLiteral("-0"));
  return COrderedJson::NumberLiteral(ShortestLiteral(value));
}

QString CurrencyText(int64_t scaled) {
  const bool negative = scaled < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  QString text = QString::number(magnitude / 10000);
  if (const uint64_t fraction = magnitude % 10000; fraction != 0) {
    QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
    while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
    text += QLatin1Char('.') + digits;
  }
  return negative ? QLatin1Char('-') + text : text;
}

// An automation date as "yyyy-MM-ddTHH:mm:ss[.zzz]" when that text gives back the very same
// number; otherwise the number itself.
COrderedJson DateToJson(double value) {
  if (std::isfinite(value) && value >= 0 && value < 2958466.0) {
    const double days = std::floor(value);
    const int64_t ms = std::llround((value - days) * kMsPerDay);
    if (ms < kMsPerDay && days + static_cast<double>(ms) / kMsPerDay == value) {
      const QDate date = kOleEpoch.addDays(static_cast<qint64>(days));
      const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms));
      return COrderedJson::String(date.toString(Qt::ISODate) + QLatin1Char('T') +
                                  time.toString(ms % 1000 != 0 ? QStringLiteral("HH:mm:ss.zzz")
                                                               : QStringLiteral("HH:mm:ss")));
    }
  }
  return RealToJson<double, uint64_t>(value);
}

COrderedJson BoolToJson(int64_t payload) {
  if (payload == -1) return COrderedJson::Bool(true);
  if (payload == 0) return COrderedJson::Bool(false);
  return COrderedJson::Integer(payload);  // a word other than the two canonical ones
}

// The JSON of one element of a fixed-size type, from its stored bytes.
COrderedJson ElementToJson(uint16_t type, const char* p) {
  switch (type) {
    case kVtI1:
      return COrderedJson::Integer(LoadLe<int8_t>(p));
    case kVtUi1:
      return COrderedJson::Integer(LoadLe<uint8_t>(p));
    case kVtI2:
      return COrderedJson::Integer(LoadLe<int16_t>(p));
    case kVtUi2:
      return COrderedJson::Integer(LoadLe<uint16_t>(p));
    case kVtBool:
      return BoolToJson(LoadLe<int16_t>(p));
    case kVtI4:
    case kVtInt:
    case kVtError:
      return COrderedJson::Integer(LoadLe<int32_t>(p));
    case kVtUi4:
    case kVtUint:
      return COrderedJson::Integer(LoadLe<uint32_t>(p));
    case kVtI8:
      return COrderedJson::String(QString::number(LoadLe<int64_t>(p)));
    case kVtUi8:
      return COrderedJson::String(QString::number(LoadLe<uint64_t>(p)));
    case kVtCy:
      return COrderedJson::String(CurrencyText(LoadLe<int64_t>(p)));
    case kVtR4:
      return RealToJson<float, uint32_t>(LoadLe<float>(p));
    case kVtR8:
      return RealToJson<double, uint64_t>(LoadLe<double>(p));
    case kVtDate:
      return DateToJson(LoadLe<double>(p));
    default:  // decimal: the 16 stored bytes
      return COrderedJson::String(QString::fromLatin1(QByteArray(p, 16).toHex().toUpper()));
  }
}

COrderedJson Tagged(uint16_t type) {
  COrderedJson json = COrderedJson::Object();
  json.Insert(QStringLiteral("type"), COrderedJson::String(CVariantJson::TypeName(type)));
  return json;
}

COrderedJson ArrayToJson(const CVariant& value) {
  const CSafeArray* array = value.Array();
  const uint16_t elementType = static_cast<uint16_t>(value.Type() & ~kVtArray);
  if (value.IsByteArray() && array->Bounds()[0].lower == 0) {
    COrderedJson json = COrderedJson::Object();
    json.Insert(QStringLiteral("type"), COrderedJson::String(kBytesType));
    json.Insert(QStringLiteral("size"), COrderedJson::Integer(array->RawData().size()));
    json.Insert(QStringLiteral("base64"),
                COrderedJson::String(QString::fromLatin1(array->RawData().toBase64())));
    return json;
  }
  COrderedJson json = COrderedJson::Object();
  json.Insert(QStringLiteral("type"), COrderedJson::String(kArrayType));
  const QString elementName = CVariantJson::TypeName(elementType);
  json.Insert(QStringLiteral("elementType"), elementName.isEmpty()
                                                 ? COrderedJson::Integer(elementType)
                                                 : COrderedJson::String(elementName));
  COrderedJson bounds = COrderedJson::Array();
  for (const CSafeArray::Bound& bound : array->Bounds()) {
    COrderedJson pair = COrderedJson::Array();
    pair.Append(COrderedJson::Integer(bound.lower));
    pair.Append(COrderedJson::Integer(bound.count));
    bounds.Append(std::move(pair));
  }
  json.Insert(QStringLiteral("bounds"), std::move(bounds));
  if (!CSafeArray::HasElementData(elementType)) return json;

  COrderedJson values = COrderedJson::Array();
  const qsizetype count = array->ElementCount();
  if (elementType == kVtBstr) {
    const QList<QString>& strings = array->Strings();
    for (qsizetype i = 0; i < count; ++i) {
      values.Append(COrderedJson::String(i < strings.size() ? strings[i] : QString()));
    }
  } else {
    const int size = CSafeArray::ElementSize(elementType);
    const QByteArray& raw = array->RawData();
    // The archive form pads a short buffer with zero bytes; show what would be written.
    QByteArray padded = raw;
    if (padded.size() < count * size) padded.append(QByteArray(count * size - raw.size(), '\0'));
    for (qsizetype i = 0; i < count; ++i) {
      values.Append(ElementToJson(elementType, padded.constData() + i * size));
    }
  }
  json.Insert(QStringLiteral("values"), std::move(values));
  return json;
}

// ---- JSON to values

[[noreturn]] void Fail(const QString& path, const QString& message) {
  CFormReader::Fail(path, message);
}

// A text that names a special real, as written by RealToJson; false for anything else.
template <typename Float, typename Bits>
bool SpecialReal(const QString& text, Float& out) {
  if (text == QLatin1String("NaN")) {
    out = std::numeric_limits<Float>::quiet_NaN();
  } else if (text == QLatin1String("Infinity")) {
    out = std::numeric_limits<Float>::infinity();
  } else if (text == QLatin1String("-Infinity")) {
    out = -std::numeric_limits<Float>::infinity();
  } else if (text == QLatin1String("-0")) {
    out = -Float(0);
  } else if (text.startsWith(QLatin1String("0x")) &&
             text.size() == 2 + 2 * static_cast<qsizetype>(sizeof(Bits))) {
    bool ok = false;
    const Bits bits = static_cast<Bits>(text.mid(2).toULongLong(&ok, 16));
    if (!ok) return false;
    std::memcpy(&out, &bits, sizeof out);
  } else {
    return false;
  }
  return true;
}

template <typename Float, typename Bits>
Float RealFromJson(const COrderedJson& json, const QString& path) {
  Float value = 0;
  if (json.IsString() && SpecialReal<Float, Bits>(json.StringValue(), value)) return value;
  double number = 0;
  if (!json.ToDouble(number)) {
    Fail(path, QStringLiteral("expected a number (or \"NaN\", \"Infinity\", \"-Infinity\", "
                              "\"-0\", or the bits as \"0x…\"), found %1")
                   .arg(json.KindName()));
  }
  if (std::abs(number) > static_cast<double>(std::numeric_limits<Float>::max())) {
    Fail(path, QStringLiteral("%1 is too large for this type")
                   .arg(QString::fromLatin1(json.NumberText())));
  }
  return static_cast<Float>(number);
}

double DateFromJson(const COrderedJson& json, const QString& path) {
  if (!json.IsString()) return RealFromJson<double, uint64_t>(json, path);
  const QString& text = json.StringValue();
  double special = 0;
  if (SpecialReal<double, uint64_t>(text, special)) return special;
  // "yyyy-MM-dd" or "yyyy-MM-ddTHH:mm:ss[.zzz]": a wall-clock date-time, no zone.
  const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
  QTime time(0, 0);
  bool ok = date.isValid() && (text.size() == 10 || text.at(10) == QLatin1Char('T'));
  if (ok && text.size() > 10) {
    const QString clock = text.mid(11);
    time = QTime::fromString(
        clock, clock.size() > 8 ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
    ok = time.isValid();
  }
  if (!ok || date < kOleEpoch) {
    Fail(path, QStringLiteral("\"%1\" is not a date from 1899-12-30 on as yyyy-MM-dd or "
                              "yyyy-MM-ddTHH:mm:ss[.zzz] (other dates are written as numbers)")
                   .arg(text));
  }
  return static_cast<double>(kOleEpoch.daysTo(date)) +
         static_cast<double>(time.msecsSinceStartOfDay()) / kMsPerDay;
}

int64_t SignedFromJson(const COrderedJson& json, const QString& path) {
  if (json.IsString()) {
    bool ok = false;
    const qlonglong value = json.StringValue().toLongLong(&ok);
    if (!ok) Fail(path, QStringLiteral("\"%1\" is not a whole number").arg(json.StringValue()));
    return value;
  }
  return CFormReader::ToInteger(json, path, std::numeric_limits<int64_t>::min(),
                                std::numeric_limits<int64_t>::max());
}

uint64_t UnsignedFromJson(const COrderedJson& json, const QString& path) {
  uint64_t value = 0;
  bool ok = false;
  if (json.IsString()) {
    value = json.StringValue().toULongLong(&ok);
    ok = ok && !json.StringValue().startsWith(QLatin1Char('-'));
  } else {
    ok = json.ToUInt64(value);
  }
  if (!ok) Fail(path, QStringLiteral("expected a whole number from 0 to 18446744073709551615"));
  return value;
}

int64_t CurrencyFromJson(const COrderedJson& json, const QString& path) {
  if (json.IsNumber()) {
    int64_t whole = 0;
    if (json.ToInt64(whole) && whole >= INT64_MIN / 10000 && whole <= INT64_MAX / 10000) {
      return whole * 10000;
    }
    double number = 0;
    json.ToDouble(number);
    const double scaled = std::round(number * 10000.0);
    if (!(std::abs(scaled) < 9.2e18)) Fail(path, QStringLiteral("currency out of range"));
    return static_cast<int64_t>(scaled);
  }
  // The exact decimal text: digits, optionally "." and up to four more.
  const QString text = CFormReader::ToText(json, path);
  static const QRegularExpression kPattern(QStringLiteral("^(-?)(\\d+)(?:\\.(\\d{1,4}))?$"));
  const QRegularExpressionMatch match = kPattern.match(text);
  bool ok = match.hasMatch();
  qulonglong whole = ok ? match.captured(2).toULongLong(&ok) : 0;
  QString fraction = match.captured(3);
  while (fraction.size() < 4) fraction += QLatin1Char('0');
  const uint64_t magnitude = ok && whole <= (uint64_t{1} << 63) / 10000
                                 ? whole * 10000 + fraction.toULongLong()
                                 : std::numeric_limits<uint64_t>::max();
  const bool negative = !match.captured(1).isEmpty();
  if (!ok || magnitude > (negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1)) {
    Fail(path, QStringLiteral("\"%1\" is not a currency amount (a decimal text with at most four "
                              "decimals, within the 64-bit range)")
                   .arg(text));
  }
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

int16_t BoolFromJson(const COrderedJson& json, const QString& path) {
  if (json.IsBool()) return json.BoolValue() ? -1 : 0;
  return static_cast<int16_t>(CFormReader::ToInteger(json, path, -32768, 32767));
}

// The stored bytes of one element of a fixed-size type.
void ElementFromJson(uint16_t type, const COrderedJson& json, const QString& path,
                     QByteArray& out) {
  switch (type) {
    case kVtI1:
      AppendLe<int8_t>(out, static_cast<int8_t>(CFormReader::ToInteger(json, path, -128, 127)));
      return;
    case kVtUi1:
      AppendLe<uint8_t>(out, static_cast<uint8_t>(CFormReader::ToInteger(json, path, 0, 255)));
      return;
    case kVtI2:
      AppendLe<int16_t>(out,
                        static_cast<int16_t>(CFormReader::ToInteger(json, path, -32768, 32767)));
      return;
    case kVtUi2:
      AppendLe<uint16_t>(out, static_cast<uint16_t>(CFormReader::ToInteger(json, path, 0, 65535)));
      return;
    case kVtBool:
      AppendLe<int16_t>(out, BoolFromJson(json, path));
      return;
    case kVtI4:
    case kVtInt:
    case kVtError:
      AppendLe<int32_t>(out, static_cast<int32_t>(CFormReader::ToInteger(
                                 json, path, std::numeric_limits<int32_t>::min(),
                                 std::numeric_limits<int32_t>::max())));
      return;
    case kVtUi4:
    case kVtUint:
      AppendLe<uint32_t>(out, static_cast<uint32_t>(CFormReader::ToInteger(
                                  json, path, 0, std::numeric_limits<uint32_t>::max())));
      return;
    case kVtI8:
      AppendLe<int64_t>(out, SignedFromJson(json, path));
      return;
    case kVtUi8:
      AppendLe<uint64_t>(out, UnsignedFromJson(json, path));
      return;
    case kVtCy:
      AppendLe<int64_t>(out, CurrencyFromJson(json, path));
      return;
    case kVtR4:
      AppendLe<float>(out, RealFromJson<float, uint32_t>(json, path));
      return;
    case kVtR8:
      AppendLe<double>(out, RealFromJson<double, uint64_t>(json, path));
      return;
    case kVtDate:
      AppendLe<double>(out, DateFromJson(json, path));
      return;
    default: {  // decimal
      const QByteArray hex = CFormReader::ToText(json, path).toLatin1();
      const QByteArray bytes = QByteArray::fromHex(hex);
      if (bytes.size() != 16 || bytes.toHex().toUpper() != hex.toUpper()) {
        Fail(path, QStringLiteral("expected the 16 stored bytes as 32 hexadecimal digits"));
      }
      out.append(bytes);
      return;
    }
  }
}

CVariant BytesFromJson(CFormReader& reader) {
  const COrderedJson* base64 = reader.Take(QStringLiteral("base64"));
  if (!base64) Fail(reader.Path(), QStringLiteral("a \"bytes\" value needs \"base64\""));
  const QByteArray bytes =
      CVariantJson::BytesFromBase64(*base64, reader.PathOf(QStringLiteral("base64")));
  int64_t size = bytes.size();
  if (reader.ReadInt64(QStringLiteral("size"), size) && size != bytes.size()) {
    Fail(reader.PathOf(QStringLiteral("size")),
         QStringLiteral("says %1 bytes, but \"base64\" holds %2").arg(size).arg(bytes.size()));
  }
  if (bytes.size() > CSafeArray::kMaxElementsPerDimension) {
    Fail(reader.Path(), QStringLiteral("%1 bytes are more than a project file can carry in one "
                                       "value (%2)")
                            .arg(bytes.size())
                            .arg(CSafeArray::kMaxElementsPerDimension));
  }
  return CVariant::FromBytes(bytes);
}

// Arrays are put together in their archive form and read back through the value reader, so a
// built array is exactly what loading the file gives (and is never allocated element by element
// for types the file does not carry elements of).
CVariant ArrayFromJson(CFormReader& reader) {
  const COrderedJson* elementJson = reader.Take(QStringLiteral("elementType"));
  const QString elementPath = reader.PathOf(QStringLiteral("elementType"));
  if (!elementJson) Fail(reader.Path(), QStringLiteral("an \"array\" value needs \"elementType\""));
  int elementType = -1;
  if (elementJson->IsString()) {
    elementType = TypeFromName(elementJson->StringValue());
    if (elementType < 0 || elementType == kVtEmpty || elementType == kVtNull) {
      Fail(elementPath,
           QStringLiteral("unknown element type \"%1\"").arg(elementJson->StringValue()));
    }
  } else {
    elementType = static_cast<int>(CFormReader::ToInteger(*elementJson, elementPath, 0, 0xFFFF));
    if (elementType & kVtArray) {
      Fail(elementPath, QStringLiteral("an element type cannot have the array bit 0x2000"));
    }
  }

  const COrderedJson* boundsJson = reader.Take(QStringLiteral("bounds"));
  const QString boundsPath = reader.PathOf(QStringLiteral("bounds"));
  if (!boundsJson || !boundsJson->IsArray() || boundsJson->Items().isEmpty() ||
      boundsJson->Items().size() > CSafeArray::kMaxDimensions) {
    Fail(boundsJson ? boundsPath : reader.Path(),
         QStringLiteral("an \"array\" value needs \"bounds\": 1 to 4 pairs [lower, count]"));
  }
  CArchive ar;
  ar.WriteWord(static_cast<uint16_t>(kVtArray | elementType));
  ar.WriteInt32(static_cast<int32_t>(boundsJson->Items().size()));
  qsizetype total = 1;
  for (qsizetype d = 0; d < boundsJson->Items().size(); ++d) {
    const COrderedJson& pair = boundsJson->Items()[d];
    const QString pairPath = CFormReader::ItemPath(boundsPath, d);
    if (!pair.IsArray() || pair.Items().size() != 2) {
      Fail(pairPath, QStringLiteral("expected a pair [lower, count]"));
    }
    const int64_t lower = CFormReader::ToInteger(
        pair.Items()[0], CFormReader::ItemPath(pairPath, 0), std::numeric_limits<int32_t>::min(),
        std::numeric_limits<int32_t>::max());
    const int64_t count =
        CFormReader::ToInteger(pair.Items()[1], CFormReader::ItemPath(pairPath, 1), 0,
                               CSafeArray::kMaxElementsPerDimension);
    if (lower + count - 1 > std::numeric_limits<int32_t>::max()) {
      Fail(pairPath, QStringLiteral("the upper bound passes the 32-bit range"));
    }
    ar.WriteInt32(static_cast<int32_t>(lower));
    ar.WriteInt32(static_cast<int32_t>(lower + count - 1));
    total = count == 0 || total == 0 ? 0 : (total > INT32_MAX / count ? INT64_MAX : total * count);
  }

  const COrderedJson* valuesJson = reader.Take(QStringLiteral("values"));
  const QString valuesPath = reader.PathOf(QStringLiteral("values"));
  if (!CSafeArray::HasElementData(static_cast<uint16_t>(elementType))) {
    if (valuesJson) {
      Fail(valuesPath, QStringLiteral("arrays of this element type carry no elements in a "
                                      "project file; leave \"values\" out"));
    }
    if (total > INT32_MAX) Fail(boundsPath, QStringLiteral("too many elements"));
  } else {
    if (!valuesJson || !valuesJson->IsArray()) {
      Fail(valuesJson ? valuesPath : reader.Path(),
           QStringLiteral("an \"array\" value of this element type needs \"values\": one item per "
                          "element, in storage order (first dimension fastest)"));
    }
    const QList<COrderedJson>& items = valuesJson->Items();
    if (items.size() != total) {
      Fail(valuesPath, QStringLiteral("holds %1 items, the bounds give %2 elements")
                           .arg(items.size())
                           .arg(total));
    }
    QByteArray raw;
    for (qsizetype i = 0; i < items.size(); ++i) {
      const QString itemPath = CFormReader::ItemPath(valuesPath, i);
      if (elementType == kVtBstr) {
        const QString text = CFormReader::ToText(items[i], itemPath);
        AppendLe<int32_t>(raw, static_cast<int32_t>(text.size() * 2));
        for (QChar c : text) AppendLe<uint16_t>(raw, c.unicode());
      } else {
        ElementFromJson(static_cast<uint16_t>(elementType), items[i], itemPath, raw);
      }
    }
    ar.WriteBytes(raw);
  }
  try {
    CArchive in(ar.Buffer());
    return CVariant::Deserialize(in);
  } catch (const CArchiveError& error) {
    Fail(reader.Path(), QString::fromLatin1(error.what()));
  }
}

CVariant TaggedFromJson(const COrderedJson& json, const QString& path) {
  CFormReader reader(json, path);
  QString typeName;
  if (!reader.ReadText(QStringLiteral("type"), typeName)) {
    Fail(path, QStringLiteral("a value needs \"type\" (one of %1)").arg(KnownTypeNames()));
  }
  CVariant value;
  if (typeName == kBytesType) {
    value = BytesFromJson(reader);
  } else if (typeName == kArrayType) {
    value = ArrayFromJson(reader);
  } else {
    const int type = TypeFromName(typeName);
    if (type < 0 || type == kVtDispatch || type == kVtUnknown || type == kVtVariant ||
        type == kVtDecimal) {
      Fail(reader.PathOf(QStringLiteral("type")),
           QStringLiteral("unknown value type \"%1\" (one of %2)").arg(typeName, KnownTypeNames()));
    }
    if (type == kVtEmpty || type == kVtNull) {
      value = type == kVtEmpty ? CVariant() : CVariant::Null();
    } else {
      const COrderedJson* payload = reader.Take(QStringLiteral("value"));
      const QString valuePath = reader.PathOf(QStringLiteral("value"));
      if (!payload)
        Fail(path, QStringLiteral("a value of type \"%1\" needs \"value\"").arg(typeName));
      switch (type) {
        case kVtBstr:
          value = CVariant::FromString(CFormReader::ToText(*payload, valuePath));
          break;
        case kVtR4:
          value = CVariant::FromFloat(RealFromJson<float, uint32_t>(*payload, valuePath));
          break;
        case kVtR8:
          value = CVariant::FromDouble(RealFromJson<double, uint64_t>(*payload, valuePath));
          break;
        case kVtDate:
          value = CVariant::FromDate(DateFromJson(*payload, valuePath));
          break;
        case kVtBool:
          value = CVariant::FromInteger(kVtBool, BoolFromJson(*payload, valuePath));
          break;
        default: {
          // Integer types: the element form carries their exact ranges.
          QByteArray bytes;
          ElementFromJson(static_cast<uint16_t>(type), *payload, valuePath, bytes);
          int64_t payloadValue = 0;
          switch (CSafeArray::ElementSize(static_cast<uint16_t>(type))) {
            case 1:
              payloadValue = type == kVtI1 ? LoadLe<int8_t>(bytes.constData())
                                           : LoadLe<uint8_t>(bytes.constData());
              break;
            case 2:
              payloadValue = type == kVtI2 ? LoadLe<int16_t>(bytes.constData())
                                           : LoadLe<uint16_t>(bytes.constData());
              break;
            case 4:
              payloadValue = type == kVtUi4 || type == kVtUint
                                 ? static_cast<int64_t>(LoadLe<uint32_t>(bytes.constData()))
                                 : LoadLe<int32_t>(bytes.constData());
              break;
            default:
              payloadValue = LoadLe<int64_t>(bytes.constData());
              break;
          }
          value = CVariant::FromInteger(static_cast<VarType>(type), payloadValue);
          break;
        }
      }
    }
  }
  reader.Finish();
  return value;
}

}  // namespace

QByteArray CVariantJson::BytesFromBase64(const COrderedJson& json, const QString& path) {
  const QString text = CFormReader::ToText(json, path);
  const auto decoded =
      QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || text.toLatin1() != text.toUtf8()) Fail(path, QStringLiteral("bad base64 text"));
  return decoded.decoded;
}

QString CVariantJson::TypeName(uint16_t type) {
  for (const TypeEntry& entry : kTypeNames) {
    if (entry.type == type) return QString::fromLatin1(entry.name);
  }
  return QString();
}

COrderedJson CVariantJson::ToJson(const CVariant& value) {
  if (value.IsArray()) {
    if (value.Array()) return ArrayToJson(value);
    // An array variant without its array writes as an empty one-dimensional array.
    CSafeArray empty(static_cast<uint16_t>(value.Type() & ~kVtArray), {});
    return ArrayToJson(CVariant::FromArray(empty));
  }
  const uint16_t type = value.Type();
  COrderedJson json = Tagged(type);
  switch (type) {
    case kVtEmpty:
    case kVtNull:
      return json;
    case kVtBstr:
      json.Insert(QStringLiteral("value"), COrderedJson::String(value.StringPayload()));
      return json;
    case kVtR4:
      json.Insert(QStringLiteral("value"),
                  RealToJson<float, uint32_t>(static_cast<float>(value.DoublePayload())));
      return json;
    case kVtR8:
      json.Insert(QStringLiteral("value"), RealToJson<double, uint64_t>(value.DoublePayload()));
      return json;
    case kVtDate:
      json.Insert(QStringLiteral("value"), DateToJson(value.DoublePayload()));
      return json;
    case kVtBool:
      json.Insert(QStringLiteral("value"), BoolToJson(value.IntegerPayload()));
      return json;
    case kVtCy:
      json.Insert(QStringLiteral("value"),
                  COrderedJson::String(CurrencyText(value.IntegerPayload())));
      return json;
    case kVtI8:
      json.Insert(QStringLiteral("value"),
                  COrderedJson::String(QString::number(value.IntegerPayload())));
      return json;
    case kVtUi8:
      json.Insert(
          QStringLiteral("value"),
          COrderedJson::String(QString::number(static_cast<uint64_t>(value.IntegerPayload()))));
      return json;
    case kVtI2:
    case kVtI4:
    case kVtError:
    case kVtI1:
    case kVtUi1:
    case kVtUi2:
    case kVtUi4:
    case kVtInt:
    case kVtUint:
      json.Insert(QStringLiteral("value"), COrderedJson::Integer(value.IntegerPayload()));
      return json;
    default:
      // Object references (and anything else without an archive form) are written as empty.
      return Tagged(kVtEmpty);
  }
}

CVariant CVariantJson::FromJson(const COrderedJson& json, const QString& path) {
  switch (json.GetKind()) {
    case COrderedJson::kString:
      return CVariant::FromString(json.StringValue());
    case COrderedJson::kBool:
      return CVariant::FromBool(json.BoolValue());
    case COrderedJson::kNumber: {
      int64_t whole = 0;
      if (json.ToInt64(whole) && whole >= std::numeric_limits<int32_t>::min() &&
          whole <= std::numeric_limits<int32_t>::max()) {
        return CVariant::FromInt32(static_cast<int32_t>(whole));
      }
      return CVariant::FromDouble(RealFromJson<double, uint64_t>(json, path));
    }
    case COrderedJson::kObject:
      return TaggedFromJson(json, path);
    default:
      Fail(path, QStringLiteral("expected a value: a text, true / false, a number, or "
                                "{\"type\": …}, found %1")
                     .arg(json.KindName()));
  }
}

COrderedJson CVariantJson::MapToJson(const CVariantMap& map) {
  COrderedJson json = COrderedJson::Object();
  map.ForEach([&json](const QString& key, const CVariant& value) {
    // Object references are left out of the file, so they are left out here too.
    if (value.Type() == kVtDispatch || value.Type() == kVtUnknown) return;
    json.Insert(key, ToJson(value));
  });
  return json;
}

void CVariantJson::MapFromJson(const COrderedJson& json, const QString& path, CVariantMap& map) {
  CFormReader reader(json, path);
  QSet<QString> seen;
  for (const COrderedJson::Member& member : reader.TakeAll()) {
    const QString key = member.first.toLower();
    if (seen.contains(key)) {
      Fail(reader.PathOf(member.first),
           QStringLiteral("keys are stored lower-case, so this key repeats an earlier one"));
    }
    seen.insert(key);
    map.SetVariant(key, FromJson(member.second, reader.PathOf(member.first)));
  }
}
