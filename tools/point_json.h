// CPointJson: the type-specific part of a point in a project form: the "type" names, and per
// point type its own file fields as the "settings" object (the field table each type registers,
// named after the model's settings, in file order), and the custom point's class, user-type name
// and property bag. Images and
// references to other points go through the Links the project mapping supplies. Reading throws
// CFormReader::Error. Stateless; main thread.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "form_reader.h"
#include "ordered_json.h"

class CBasePoint;

class CPointJson {
 public:
  // What a settings field needs from the whole project.
  class Links {
   public:
    virtual ~Links() = default;
    virtual COrderedJson ImageToJson(const QByteArray& bytes) = 0;
    virtual QByteArray ImageFromJson(const COrderedJson& json, const QString& path) = 0;
    // A point's unique number as the form shows it (its name when it has one).
    virtual COrderedJson PointToJson(uint32_t number) = 0;
    // Names resolve only once every point exists, so the numbers arrive later through `apply`.
    virtual void ResolvePoints(const COrderedJson& json, const QString& path,
                               std::function<void(const QList<uint32_t>&)> apply) = 0;
  };

  // The type name of a type code ("Edit", "Drop List", ...), empty for a code without a class.
  static QString TypeName(int32_t typeCode);
  // The type code of a type name, without regard to case; 0 when there is none.
  static int32_t TypeCode(const QString& typeName);
  static QStringList TypeNames();

  static COrderedJson SettingsToJson(CBasePoint& point, Links& links);
  // Applies the members present in `settings` (nullptr: none) over the point's current settings.
  static void SettingsFromJson(const COrderedJson* settings, const QString& path, CBasePoint& point,
                               Links& links);

  // The keys under which a type keeps settings in its properties map (what its SaveSettings
  // writes), lower-case.
  static QStringList SettingKeys(int32_t typeCode);

  // A stored 0x00BBGGRR colour as "#RRGGBB" (a number when the top byte is used), and back.
  static COrderedJson ColourToJson(uint32_t colour);
  static uint32_t ColourFromJson(const COrderedJson& json, const QString& path);
};
