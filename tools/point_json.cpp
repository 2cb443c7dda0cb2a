#include "point_json.h"

#include <QHash>
#include <QRegularExpression>
#include <QUuid>
#include <memory>
#include <variant>
#include <vector>

#include "points/boolean_point.h"
#include "points/custom_point.h"
#include "points/drop_point.h"
#include "points/edit_point.h"
#include "points/file_point.h"
#include "points/layout_point.h"
#include "points/link_point.h"
#include "points/list_point.h"
#include "points/logic_point.h"
#include "points/math_point.h"
#include "points/outlook_point.h"
#include "points/sketch_point.h"
#include "points/telegram_point.h"
#include "points/time_point.h"
#include "project/point_factory.h"
#include "variant_json.h"

namespace {

using Links = CPointJson::Links;

// One field of a type's settings: its name in the form and where it lives in the model.
template <class S>
struct Field {
  using Member = std::variant<int32_t S::*, uint32_t S::*, QString S::*, QStringList S::*,
                              QByteArray S::*, bool S::*, QList<uint32_t> S::*>;
  const char* name;
  Member member;
  bool colour = false;               // a uint32 field holding a 0x00BBGGRR colour
  const char* storedWith = nullptr;  // an image field without which this one is not stored
};

template <class P>
using Fields = std::vector<Field<typename P::Settings>>;

// ---- the fields of each type, in file order (settings kept in the properties map last)

template <class P>
const Fields<P>& FieldsOf();

template <>
const Fields<CBooleanPoint>& FieldsOf<CBooleanPoint>() {
  using S = CBooleanPoint::Settings;
  static const Fields<CBooleanPoint> kFields = {
      {"trueText", &S::trueText},
      {"falseText", &S::falseText},
      {"naText", &S::naText},
      {"style", &S::style},
  };
  return kFields;
}

template <>
const Fields<CListPoint>& FieldsOf<CListPoint>() {
  using S = CListPoint::Settings;
  static const Fields<CListPoint> kFields = {
      {"singleSelect", &S::singleSelect},
      {"split", &S::split},
      {"items", &S::items},
  };
  return kFields;
}

template <>
const Fields<CEditPoint>& FieldsOf<CEditPoint>() {
  using S = CEditPoint::Settings;
  static const Fields<CEditPoint> kFields = {
      {"numeric", &S::numeric},   {"password", &S::password},   {"rangeCheck", &S::rangeCheck},
      {"minimum", &S::minimum},   {"maximum", &S::maximum},     {"arrows", &S::arrows},
      {"lines", &S::lines},       {"maxLength", &S::maxLength}, {"padWidth", &S::padWidth},
      {"readOnly", &S::readOnly},
  };
  return kFields;
}

template <>
const Fields<CDropPoint>& FieldsOf<CDropPoint>() {
  using S = CDropPoint::Settings;
  static const Fields<CDropPoint> kFields = {
      {"multiSelect", &S::multiSelect},
      {"editable", &S::editable},
      {"remember", &S::remember},
      {"split", &S::split},
      {"width", &S::width},
      {"items", &S::items},
      {"clearable", &S::clearable},
  };
  return kFields;
}

template <>
const Fields<CLinkPoint>& FieldsOf<CLinkPoint>() {
  using S = CLinkPoint::Settings;
  static const Fields<CLinkPoint> kFields = {
      {"targetPage", &S::targetPage},
      {"address", &S::address},
      {"alignment", &S::alignment},
      {"fontFace", &S::fontFace},
      {"fontSize", &S::fontSize},
      {"italic", &S::italic},
      {"underline", &S::underline},
      {"colour", &S::colour, true},
      {"image", &S::image},
      {"imageScale", &S::imageScale, false, "image"},
      {"imageFlag", &S::imageFlag, false, "image"},
  };
  return kFields;
}

template <>
const Fields<CTimePoint>& FieldsOf<CTimePoint>() {
  using S = CTimePoint::Settings;
  static const Fields<CTimePoint> kFields = {
      {"displayFormat", &S::displayFormat},
      {"valueFormat", &S::valueFormat},
      {"mode", &S::mode},
      {"autoSet", &S::autoSet},
      {"fixed", &S::fixed},
      {"width", &S::width},
      {"mathPoint", &S::mathPoint},
  };
  return kFields;
}

template <>
const Fields<CLayoutPoint>& FieldsOf<CLayoutPoint>() {
  using S = CLayoutPoint::Settings;
  static const Fields<CLayoutPoint> kFields = {
      {"text", &S::text},
      {"alignment", &S::alignment},
      {"fontFace", &S::fontFace},
      {"fontSize", &S::fontSize},
      {"italic", &S::italic},
      {"underline", &S::underline},
      {"colour", &S::colour, true},
      {"image", &S::image},
      {"imageScale", &S::imageScale, false, "image"},
  };
  return kFields;
}

template <>
const Fields<COutlookPoint>& FieldsOf<COutlookPoint>() {
  using S = COutlookPoint::Settings;
  static const Fields<COutlookPoint> kFields = {
      {"option", &S::option},
  };
  return kFields;
}

template <>
const Fields<CMathPoint>& FieldsOf<CMathPoint>() {
  using S = CMathPoint::Settings;
  static const Fields<CMathPoint> kFields = {
      {"expression", &S::expression}, {"locked", &S::locked},     {"width", &S::width},
      {"decimals", &S::decimals},     {"rounding", &S::rounding},
  };
  return kFields;
}

template <>
const Fields<CLogicPoint>& FieldsOf<CLogicPoint>() {
  using S = CLogicPoint::Settings;
  static const Fields<CLogicPoint> kFields = {
      {"firstName", &S::firstName},     {"firstComparison", &S::firstComparison},
      {"firstValue", &S::firstValue},   {"join", &S::join},
      {"secondName", &S::secondName},   {"secondComparison", &S::secondComparison},
      {"secondValue", &S::secondValue}, {"undeterminedText", &S::undeterminedText},
      {"falseText", &S::falseText},     {"trueText", &S::trueText},
      {"targets", &S::targets},
  };
  return kFields;
}

template <>
const Fields<CSketchPoint>& FieldsOf<CSketchPoint>() {
  using S = CSketchPoint::Settings;
  static const Fields<CSketchPoint> kFields = {
      {"canvasRows", &S::canvasRows},
      {"canvasWidth", &S::canvasWidth},
      {"canvasHeight", &S::canvasHeight},
      {"penMode", &S::penMode},
      {"palette", &S::palette},
      {"backgroundPoint", &S::backgroundPoint},
      {"backgroundImage", &S::backgroundImage},
  };
  return kFields;
}

template <>
const Fields<CFilePoint>& FieldsOf<CFilePoint>() {
  using S = CFilePoint::Settings;
  static const Fields<CFilePoint> kFields = {
      {"filter", &S::filter},           {"attachButton", &S::attachButton},
      {"saveButton", &S::saveButton},   {"openButton", &S::openButton},
      {"watchFolder", &S::watchFolder}, {"folder", &S::folder},
      {"extensions", &S::extensions},   {"deleteSource", &S::deleteSource},
  };
  return kFields;
}

template <>
const Fields<CTelegramPoint>& FieldsOf<CTelegramPoint>() {
  using S = CTelegramPoint::Settings;
  static const Fields<CTelegramPoint> kFields = {
      {"telegramName", &S::telegramName}, {"showAlerts", &S::showAlerts}, {"send", &S::send},
      {"receive", &S::receive},           {"matchKey", &S::matchKey},     {"fields", &S::fields},
  };
  return kFields;
}

// ---- the generic part

template <class S>
COrderedJson FieldToJson(const S& settings, const Field<S>& field, Links& links) {
  return std::visit(
      [&](auto member) -> COrderedJson {
        const auto& value = settings.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, int32_t>) {
          return COrderedJson::Integer(value);
        } else if constexpr (std::is_same_v<T, uint32_t>) {
          return field.colour ? CPointJson::ColourToJson(value) : COrderedJson::Integer(value);
        } else if constexpr (std::is_same_v<T, QString>) {
          return COrderedJson::String(value);
        } else if constexpr (std::is_same_v<T, QStringList>) {
          COrderedJson list = COrderedJson::Array();
          for (const QString& text : value) list.Append(COrderedJson::String(text));
          return list;
        } else if constexpr (std::is_same_v<T, QByteArray>) {
          return links.ImageToJson(value);
        } else if constexpr (std::is_same_v<T, bool>) {
          return COrderedJson::Bool(value);
        } else {
          COrderedJson list = COrderedJson::Array();
          for (uint32_t number : value) list.Append(links.PointToJson(number));
          return list;
        }
      },
      field.member);
}

// Whether a field holds its type's zero (the value of a field that is not stored).
template <class S>
bool IsZero(const S& settings, const Field<S>& field) {
  return std::visit(
      [&](auto member) -> bool {
        const auto& value = settings.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, int32_t> || std::is_same_v<T, uint32_t> ||
                      std::is_same_v<T, bool>) {
          return !value;
        } else {
          return value.isEmpty();
        }
      },
      field.member);
}

template <class P>
void FieldFromJson(CFormReader& reader, P& point, const Field<typename P::Settings>& field,
                   Links& links) {
  const QString key = QString::fromLatin1(field.name);
  const COrderedJson* json = reader.Take(key);
  if (!json) return;
  const QString path = reader.PathOf(key);
  typename P::Settings& settings = point.MutableSettings();
  std::visit(
      [&](auto member) {
        auto& value = settings.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, int32_t>) {
          value = static_cast<int32_t>(CFormReader::ToInteger(*json, path,
                                                              std::numeric_limits<int32_t>::min(),
                                                              std::numeric_limits<int32_t>::max()));
        } else if constexpr (std::is_same_v<T, uint32_t>) {
          value = field.colour ? CPointJson::ColourFromJson(*json, path)
                               : static_cast<uint32_t>(CFormReader::ToInteger(
                                     *json, path, 0, std::numeric_limits<uint32_t>::max()));
        } else if constexpr (std::is_same_v<T, QString>) {
          value = CFormReader::ToText(*json, path);
        } else if constexpr (std::is_same_v<T, QStringList>) {
          value = CFormReader::ToTextList(*json, path);
        } else if constexpr (std::is_same_v<T, QByteArray>) {
          value = links.ImageFromJson(*json, path);
        } else if constexpr (std::is_same_v<T, bool>) {
          value = CFormReader::ToBool(*json, path);
        } else {
          // The page owns the point for the whole build, so the pointer stays good until the
          // names are resolved.
          P* target = &point;
          links.ResolvePoints(*json, path, [target, member](const QList<uint32_t>& numbers) {
            target->MutableSettings().*member = numbers;
          });
        }
      },
      field.member);
}

template <class P>
COrderedJson DumpTyped(CBasePoint& point, Links& links) {
  auto* typed = dynamic_cast<P*>(&point);
  COrderedJson json = COrderedJson::Object();
  if (!typed) return json;
  for (const auto& field : FieldsOf<P>()) {
    json.Insert(QString::fromLatin1(field.name), FieldToJson(typed->GetSettings(), field, links));
  }
  return json;
}

template <class P>
void BuildTyped(CFormReader& reader, CBasePoint& point, Links& links) {
  auto* typed = dynamic_cast<P*>(&point);
  if (!typed) {
    CFormReader::Fail(reader.Path(), QStringLiteral("the point class does not match its type"));
  }
  const Fields<P>& fields = FieldsOf<P>();
  for (const auto& field : fields) FieldFromJson(reader, *typed, field, links);
  for (const auto& field : fields) {
    if (!field.storedWith || IsZero(typed->GetSettings(), field)) continue;
    for (const auto& image : fields) {
      if (qstrcmp(image.name, field.storedWith) == 0 && IsZero(typed->GetSettings(), image)) {
        CFormReader::Fail(reader.PathOf(QString::fromLatin1(field.name)),
                          QStringLiteral("is stored only together with \"%1\"; without one it "
                                         "reads back as 0")
                              .arg(QString::fromLatin1(field.storedWith)));
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

struct TypeMapping {
  int32_t typeCode;
  COrderedJson (*dump)(CBasePoint&, Links&);
  void (*build)(CFormReader&, CBasePoint&, Links&);
};

constexpr TypeMapping kTypes[] = {
    {CBooleanPoint::kTypeCode, &DumpTyped<CBooleanPoint>, &BuildTyped<CBooleanPoint>},
    {CListPoint::kTypeCode, &DumpTyped<CListPoint>, &BuildTyped<CListPoint>},
    {CEditPoint::kTypeCode, &DumpTyped<CEditPoint>, &BuildTyped<CEditPoint>},
    {CDropPoint::kTypeCode, &DumpTyped<CDropPoint>, &BuildTyped<CDropPoint>},
    {CLinkPoint::kTypeCode, &DumpTyped<CLinkPoint>, &BuildTyped<CLinkPoint>},
    {CTimePoint::kTypeCode, &DumpTyped<CTimePoint>, &BuildTyped<CTimePoint>},
    {CLayoutPoint::kTypeCode, &DumpTyped<CLayoutPoint>, &BuildTyped<CLayoutPoint>},
    {COutlookPoint::kTypeCode, &DumpTyped<COutlookPoint>, &BuildTyped<COutlookPoint>},
    {CMathPoint::kTypeCode, &DumpTyped<CMathPoint>, &BuildTyped<CMathPoint>},
    {CLogicPoint::kTypeCode, &DumpTyped<CLogicPoint>, &BuildTyped<CLogicPoint>},
    {CSketchPoint::kTypeCode, &DumpTyped<CSketchPoint>, &BuildTyped<CSketchPoint>},
    {CCustomPoint::kTypeCode, &DumpCustom, &BuildCustom},
    {CFilePoint::kTypeCode, &DumpTyped<CFilePoint>, &BuildTyped<CFilePoint>},
    {CTelegramPoint::kTypeCode, &DumpTyped<CTelegramPoint>, &BuildTyped<CTelegramPoint>},
};

const TypeMapping* FindMapping(int32_t typeCode) {
  for (const TypeMapping& mapping : kTypes) {
    if (mapping.typeCode == typeCode) return &mapping;
  }
  return nullptr;
}

}  // namespace

QString CPointJson::TypeName(int32_t typeCode) {
  static QHash<int32_t, QString> names;
  if (names.isEmpty()) {
    for (const TypeMapping& mapping : kTypes) {
      if (std::unique_ptr<CBasePoint> point = CPointFactory::CreatePoint(mapping.typeCode)) {
        names.insert(mapping.typeCode, point->TypeName());
      }
    }
  }
  return names.value(typeCode);
}

int32_t CPointJson::TypeCode(const QString& typeName) {
  for (const TypeMapping& mapping : kTypes) {
    const QString name = TypeName(mapping.typeCode);
    if (!name.isEmpty() && name.compare(typeName, Qt::CaseInsensitive) == 0) {
      return mapping.typeCode;
    }
  }
  return 0;
}

QStringList CPointJson::TypeNames() {
  QStringList names;
  for (const TypeMapping& mapping : kTypes) {
    const QString name = TypeName(mapping.typeCode);
    if (!name.isEmpty()) names.append(name);
  }
  return names;
}

COrderedJson CPointJson::SettingsToJson(CBasePoint& point, Links& links) {
  const TypeMapping* mapping = FindMapping(point.TypeCode());
  return mapping ? mapping->dump(point, links) : COrderedJson::Object();
}

void CPointJson::SettingsFromJson(const COrderedJson* settings, const QString& path,
                                  CBasePoint& point, Links& links) {
  const TypeMapping* mapping = FindMapping(point.TypeCode());
  if (!mapping) CFormReader::Fail(path, QStringLiteral("no settings for this point type"));
  static const COrderedJson kNone = COrderedJson::Object();
  CFormReader reader(settings ? *settings : kNone, path);
  mapping->build(reader, point, links);
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
