// CVariantJson: the tagged JSON form of a CVariant and of a CVariantMap in project forms. Every
// value a project file can hold maps to one form and back without loss: {"type": "i4",
// "value": 3}; 64-bit integers and currency as decimal texts; reals in their shortest exact form
// (non-finite ones and -0 as texts); dates as local date-time texts when exact; byte arrays as
// base64; other arrays with their element type, bounds and elements in storage order. Reading
// also accepts shorthands for hand-written forms (a plain text, true / false, a whole number, a
// number). Errors are thrown as CFormReader::Error. Stateless; main thread.
#pragma once

#include <QString>
#include <cstdint>

#include "form_reader.h"
#include "ordered_json.h"

class CVariant;
class CVariantMap;

class CVariantJson {
 public:
  static COrderedJson ToJson(const CVariant& value);
  static CVariant FromJson(const COrderedJson& json, const QString& path);

  // A map as an object whose members keep the map's order (it is the order written to the file).
  static COrderedJson MapToJson(const CVariantMap& map);
  // Keys are stored lower-case; two keys that differ only in case are refused.
  static void MapFromJson(const COrderedJson& json, const QString& path, CVariantMap& map);

  // The bytes of a base64 text (strict: anything but the base64 alphabet is refused).
  static QByteArray BytesFromBase64(const COrderedJson& json, const QString& path);

  // The names used for the "type" member and for array element types; empty for a tag without
  // a name here.
  static QString TypeName(uint16_t type);
};
