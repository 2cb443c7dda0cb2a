// CVariant: the value type of the whole system (point values, defaults, session values,
// properties, automation arguments). It keeps the automation type numbering, holds text as
// QString and arrays as a shared CSafeArray (copy-on-write). Plain value type; any thread, but
// the system uses it on the UI thread.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>

class CArchive;
class CSafeArray;

// Type tags, the automation numbering of the 16-bit type word.
enum VarType : uint16_t {
  kVtEmpty = 0,
  kVtNull = 1,
  kVtI2 = 2,
  kVtI4 = 3,
  kVtR4 = 4,
  kVtR8 = 5,
  kVtCy = 6,
  kVtDate = 7,
  kVtBstr = 8,
  kVtDispatch = 9,
  kVtError = 10,
  kVtBool = 11,
  kVtVariant = 12,
  kVtUnknown = 13,
  kVtDecimal = 14,
  kVtI1 = 16,
  kVtUi1 = 17,
  kVtUi2 = 18,
  kVtUi4 = 19,
  kVtI8 = 20,
  kVtUi8 = 21,
  kVtInt = 22,
  kVtUint = 23,
  kVtArray = 0x2000,
};

class CVariant {
 public:
  CVariant() = default;  // empty
  static CVariant Null();
  static CVariant FromInt16(int16_t value);
  static CVariant FromInt32(int32_t value);
  static CVariant FromFloat(float value);
  static CVariant FromDouble(double value);
  static CVariant FromCurrency(int64_t scaledBy10000);
  static CVariant FromDate(double oleDate);  // days since 1899-12-30, fraction = time of day
  static CVariant FromString(const QString& text);
  static CVariant FromError(int32_t code);
  // Stored as the 16-bit VARIANT_BOOL: IntegerPayload() is 0 or -1 (the word 0xFFFF).
  static CVariant FromBool(bool value);
  static CVariant FromInt8(int8_t value);
  static CVariant FromByte(uint8_t value);
  // Any integer-valued tag (I2, I4, CY, ERROR, BOOL, I1, UI1, UI2, UI4, I8, UI8, INT, UINT), the
  // value cut to the tag's width and sign as the platform stores it; other tags give empty.
  // Lets the automation layer carry the integer types the table above does not name.
  static CVariant FromInteger(VarType type, int64_t value);
  // Object references (tags 9 and 13; any other tag is taken as 13): identity only; no ownership
  // and no archive form (Serialize writes them as an empty variant).
  static CVariant FromObject(VarType type, void* object);
  // An array (tag 0x2000 + element type of the array).
  static CVariant FromArray(const CSafeArray& array);
  // A one-dimensional byte array with lower bound 0 (tag 0x2011).
  static CVariant FromBytes(const QByteArray& bytes);

  uint16_t Type() const { return m_type; }
  bool IsEmpty() const { return m_type == kVtEmpty; }
  bool IsNull() const { return m_type == kVtNull; }
  bool IsEmptyOrNull() const { return m_type == kVtEmpty || m_type == kVtNull; }
  bool IsArray() const { return (m_type & kVtArray) != 0; }
  bool IsString() const { return m_type == kVtBstr; }
  bool IsByteArray() const;

  // Raw payload access; each is meaningful only for the matching type.
  int64_t IntegerPayload() const { return m_int; }   // I2, I4, CY, ERROR, BOOL, I1, UI1, ...
  double DoublePayload() const { return m_double; }  // R4, R8, DATE
  const QString& StringPayload() const { return m_text; }
  void* ObjectPayload() const { return m_object; }
  const CSafeArray* Array() const { return m_array.get(); }
  // Bytes of a byte array (empty for anything else).
  QByteArray Bytes() const;

  // Standard conversions in the user's locale (UserLocale(), variant_ops.h); each returns false
  // when the value cannot be converted (the caller supplies the default). They follow the
  // automation coercions: empty converts to "" / 0, null, error codes, object references and
  // arrays do not convert; numbers become text with up to 15 (single: 7) significant digits and
  // the user's decimal separator; booleans "True" / "False" and -1 / 0; dates their short date
  // plus time (see variant.cpp); currency its decimal value; text parses in the user's locale;
  // to int32 rounds half to even and fails on overflow.
  bool ToText(QString& out) const;
  bool ToDouble(double& out) const;
  bool ToInt32(int32_t& out) const;

  // Archive form: type word, then the payload (arrays: dimensions, bounds and elements).
  // Reading throws CArchiveError on bad shapes, short input and type words this system never
  // writes (object references, decimals, unknown tags); the caller catches at its boundary.
  // Object references have no archive form and are written as an empty variant.
  void Serialize(CArchive& ar) const;
  static CVariant Deserialize(CArchive& ar);

  // Exact equality of type and payload (arrays element by element); for tests and change checks
  // beyond `CompareValues`.
  bool operator==(const CVariant& other) const;
  bool operator!=(const CVariant& other) const { return !(*this == other); }

 private:
  uint16_t m_type = kVtEmpty;
  int64_t m_int = 0;
  double m_double = 0.0;
  QString m_text;
  void* m_object = nullptr;
  std::shared_ptr<const CSafeArray> m_array;
};
