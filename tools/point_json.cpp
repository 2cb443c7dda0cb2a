#include "point_json.h"

#include <QHash>
#include <QRegularExpression>
#include <QUuid>
#include <limits>
#include <memory>
#include <type_traits>
#include <variant>
#include <vector>

#include "points/custom_point.h"
#include "project/point_factory.h"
#include "project/point_type.h"
#include "variant_json.h"

namespace {

using Links = CPointJson::Links;
using Kind = CPointField::Kind;
using Value = CPointField::Value;

// ---- the fields of the registered point types

COrderedJson FieldToJson(const CPointField& field, const Value& value, Links& links) {
  switch (field.GetKind()) {
    case Kind::Int32:
      return COrderedJson::Integer(std::get<int32_t>(value));
    case Kind::UInt32:
      return COrderedJson::Integer(std::get<uint32_t>(value));
    case Kind::Colour:
      return CPointJson::ColourToJson(std::get<uint32_t>(value));
    case Kind::Text:
      return COrderedJson::String(std::get<QString>(value));
    case Kind::TextList: {
      COrderedJson list = COrderedJson::Array();
      for (const QString& text : std::get<QStringList>(value)) {
        list.Append(COrderedJson::String(text));
      }
      return list;
    }
    case Kind::Image:
      return links.ImageToJson(std::get<QByteArray>(value));
    case Kind::Flag:
      return COrderedJson::Bool(std::get<bool>(value));
    case Kind::PointNumbers: {
      COrderedJson list = COrderedJson::Array();
      for (uint32_t number : std::get<QList<uint32_t>>(value)) {
        list.Append(links.PointToJson(number));
      }
      return list;
    }
  }
  return COrderedJson();
}

// Whether a value is its kind's zero (what a field that is not stored reads back as).
bool IsZero(const Value& value) {
  return std::visit(
      [](const auto& held) -> bool {
        using T = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return true;
        } else if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, uint32_t> ||
                             std::is_same_v<T, bool>) {
          return !held;
        } else {
          return held.isEmpty();
        }
      },
      value);
}

void FieldFromJson(CFormReader& reader, CBasePoint& point, const CPointField& field, Links& links) {
  const COrderedJson* json = reader.Take(field.Name());
  if (!json) return;
  const QString path = reader.PathOf(field.Name());
  Value value;
  switch (field.GetKind()) {
    case Kind::Int32:
      value = static_cast<int32_t>(CFormReader::ToInteger(
          *json, path, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
      break;
    case Kind::UInt32:
      value = static_cast<uint32_t>(
          CFormReader::ToInteger(*json, path, 0, std::numeric_limits<uint32_t>::max()));
      break;
    case Kind::Colour:
      value = CPointJson::ColourFromJson(*json, path);
      break;
    case Kind::Text:
      value = CFormReader::ToText(*json, path);
      break;
    case Kind::TextList:
      value = CFormReader::ToTextList(*json, path);
      break;
    case Kind::Image:
      value = links.ImageFromJson(*json, path);
      break;
    case Kind::Flag:
      value = CFormReader::ToBool(*json, path);
      break;
    case Kind::PointNumbers: {
      // The page owns the point for the whole build, and the field belongs to its registered
      // type, so both pointers stay good until the names are resolved.
      CBasePoint* target = &point;
      const CPointField* numbers = &field;
      links.ResolvePoints(*json, path, [target, numbers](const QList<uint32_t>& resolved) {
        numbers->Set(*target, Value(resolved));
      });
      return;
    }
  }
  field.Set(point, value);
}

// Whether the point is of the class the fields belong to (a type without fields has none to
// mismatch).
bool FieldsApply(const CPointType& type, const CBasePoint& point) {
  return type.fields.empty() ||
         !std::holds_alternative<std::monostate>(type.fields.front().Get(point));
}

COrderedJson DumpFields(const CPointType& type, CBasePoint& point, Links& links) {
  COrderedJson json = COrderedJson::Object();
  if (!FieldsApply(type, point)) return json;
  for (const CPointField& field : type.fields) {
    json.Insert(field.Name(), FieldToJson(field, field.Get(point), links));
  }
  return json;
}

void BuildFields(const CPointType& type, CFormReader& reader, CBasePoint& point, Links& links) {
  if (!FieldsApply(type, point)) {
    CFormReader::Fail(reader.Path(), QStringLiteral("the point class does not match its type"));
  }
  for (const CPointField& field : type.fields) FieldFromJson(reader, point, field, links);
  for (const CPointField& field : type.fields) {
    if (field.StoredWith().isEmpty() || IsZero(field.Get(point))) continue;
    for (const CPointField& image : type.fields) {
      if (image.Name() == field.StoredWith() && IsZero(image.Get(point))) {
        CFormReader::Fail(reader.PathOf(field.Name()),
                          QStringLiteral("is stored only together with \"%1\"; without one it "
                                         "reads back as 0")
                              .arg(field.StoredWith()));
      }
    }
  }
}

// ---- the custom point: its class, user-type name and property bag

const QRegularExpression& ClassIdPattern() {
  static const QRegularExpression kPattern(QStringLiteral(
      "^\\{?[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}?$"));
  return kPattern;
}

QString ClassIdText(const QUuid& id) { return id.toString(QUuid::WithBraces).toUpper(); }

COrderedJson DumpCustom(CBasePoint& point, Links&) {
  COrderedJson json = COrderedJson::Object();
  auto* custom = dynamic_cast<CCustomPoint*>(&point);
  if (!custom) return json;
  json.Insert(QStringLiteral("classId"), COrderedJson::String(ClassIdText(custom->ClassId())));
  json.Insert(QStringLiteral("userTypeName"), COrderedJson::String(custom->UserTypeName()));
  json.Insert(QStringLiteral("bag"), CVariantJson::MapToJson(custom->Bag()));
  return json;
}

void BuildCustom(CFormReader& reader, CBasePoint& point, Links&) {
  auto* custom = dynamic_cast<CCustomPoint*>(&point);
  if (!custom) {
    CFormReader::Fail(reader.Path(), QStringLiteral("the point class does not match its type"));
  }
  QString classText;
  QString progId;
  const bool hasClass = reader.ReadText(QStringLiteral("classId"), classText);
  const bool hasProgId = reader.ReadText(QStringLiteral("progId"), progId);
  QUuid classId;
  if (hasClass) {
    if (!ClassIdPattern().match(classText).hasMatch()) {
      CFormReader::Fail(reader.PathOf(QStringLiteral("classId")),
                        QStringLiteral("\"%1\" is not a class identifier like "
                                       "{6722D125-9222-40E2-AEE2-B0A5B86A4EC6}")
                            .arg(classText));
    }
    classId = QUuid::fromString(classText);
  }
  const CPointFactory::Entry* entry = nullptr;
  if (hasProgId) {
    entry = CPointFactory::Instance().FindByProgId(progId);
    if (!entry) {
      QStringList known;
      for (const CPointFactory::Entry& e : CPointFactory::Instance().Entries()) {
        if (!e.progId.isEmpty()) known.append(e.progId);
      }
      CFormReader::Fail(reader.PathOf(QStringLiteral("progId")),
                        QStringLiteral("\"%1\" is not a built-in class (one of %2); name another "
                                       "class by \"classId\"")
                            .arg(progId, known.join(QStringLiteral(", "))));
    }
    if (hasClass && entry->classId != classId) {
      CFormReader::Fail(reader.PathOf(QStringLiteral("progId")),
                        QStringLiteral("names the class %1, but \"classId\" is %2")
                            .arg(ClassIdText(entry->classId), ClassIdText(classId)));
    }
    classId = entry->classId;
  } else if (hasClass) {
    entry = CPointFactory::Instance().Find(CCustomPoint::kTypeCode, classId);
  } else {
    CFormReader::Fail(reader.Path(),
                      QStringLiteral("a custom point needs \"classId\" (or \"progId\" for a "
                                     "built-in class)"));
  }
  custom->SetClassId(classId);
  // The designer stores the class's registered short name; for a built-in class its ProgID.
  QString userTypeName = entry && entry->builtIn ? entry->progId : QString();
  reader.ReadText(QStringLiteral("userTypeName"), userTypeName);
  custom->SetUserTypeName(userTypeName);
  if (const COrderedJson* bag = reader.Take(QStringLiteral("bag"))) {
    CVariantJson::MapFromJson(*bag, reader.PathOf(QStringLiteral("bag")), custom->MutableBag());
  }
}

}  // namespace

QString CPointJson::TypeName(int32_t typeCode) {
  const CPointType* type = CPointFactory::PointType(typeCode);
  return type ? QString::fromLatin1(type->typeName) : QString();
}

int32_t CPointJson::TypeCode(const QString& typeName) {
  for (const CPointType* type : CPointFactory::PointTypes()) {
    const QString name = QString::fromLatin1(type->typeName);
    if (!name.isEmpty() && name.compare(typeName, Qt::CaseInsensitive) == 0) return type->typeCode;
  }
  return 0;
}

QStringList CPointJson::TypeNames() {
  QStringList names;
  for (const CPointType* type : CPointFactory::PointTypes()) {
    const QString name = QString::fromLatin1(type->typeName);
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

COrderedJson CPointJson::SettingsToJson(CBasePoint& point, Links& links) {
  const CPointType* type = CPointFactory::PointType(point.TypeCode());
  if (!type) return COrderedJson::Object();
  // A custom point's settings are its class and property bag rather than fields of its own.
  if (type->typeCode == CCustomPoint::kTypeCode) return DumpCustom(point, links);
  return DumpFields(*type, point, links);
}

void CPointJson::SettingsFromJson(const COrderedJson* settings, const QString& path,
                                  CBasePoint& point, Links& links) {
  const CPointType* type = CPointFactory::PointType(point.TypeCode());
  if (!type) CFormReader::Fail(path, QStringLiteral("no settings for this point type"));
  static const COrderedJson kNone = COrderedJson::Object();
  CFormReader reader(settings ? *settings : kNone, path);
  if (type->typeCode == CCustomPoint::kTypeCode) {
    BuildCustom(reader, point, links);
  } else {
    BuildFields(*type, reader, point, links);
  }
  reader.Finish();
}

QStringList CPointJson::SettingKeys(int32_t typeCode) {
  static QHash<int32_t, QStringList> cache;
  const auto it = cache.constFind(typeCode);
  if (it != cache.constEnd()) return it.value();
  QStringList keys;
  if (std::unique_ptr<CBasePoint> point = CPointFactory::CreatePoint(typeCode)) {
    point->SaveSettings();
    point->Properties().ForEach([&keys](const QString& key, const CVariant&) { keys.append(key); });
  }
  cache.insert(typeCode, keys);
  return keys;
}

COrderedJson CPointJson::ColourToJson(uint32_t colour) {
  if (colour & 0xFF000000u) return COrderedJson::Integer(colour);
  const uint32_t rgb = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
  return COrderedJson::String(QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper());
}

uint32_t CPointJson::ColourFromJson(const COrderedJson& json, const QString& path) {
  if (json.IsNumber()) {
    return static_cast<uint32_t>(CFormReader::ToInteger(
        json, path, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max()));
  }
  static const QRegularExpression kPattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
  const QString text = json.IsString() ? json.StringValue() : QString();
  if (!kPattern.match(text).hasMatch()) {
    CFormReader::Fail(path,
                      QStringLiteral("expected a colour as \"#RRGGBB\" or the stored "
                                     "number, found %1")
                          .arg(json.IsString() ? QLatin1Char('"') + text + '"' : json.KindName()));
  }
  const uint32_t rgb = text.mid(1).toUInt(nullptr, 16);
  return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}
