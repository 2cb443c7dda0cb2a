#include "points/time_point.h"

#include <algorithm>

#include "points/custom_point.h"
#include "project/point_factory.h"
#include "project/point_type.h"
#include "values/archive.h"

namespace {

const QString kMathKey = QStringLiteral("math");

}  // namespace

CTimePoint::CTimePoint() : CBasePoint(kTypeCode, QStringLiteral("Date/Time")) {}

void CTimePoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CTimePoint::SaveSettings() { m_properties.SetText(kMathKey, m_settings.mathPoint); }

void CTimePoint::LoadSettings() { m_settings.mathPoint = m_properties.GetText(kMathKey); }

QString CTimePoint::LegacyDateStyle(int32_t style) {
  switch (std::clamp(style, 0, 4)) {
    case 1:
      return QStringLiteral("{year}-{month}-{day}");
    case 2:
      return QStringLiteral("{day}-{month}-{year}");
    case 3:
      return QStringLiteral("{month}-{day}-{year}");
    case 4:
      return QStringLiteral("{day}-{month-short}-{year}");
    default:
      return QString();
  }
}

QString CTimePoint::LegacyTimeStyle(int32_t style) {
  switch (std::clamp(style, 0, 4)) {
    case 1:
      return QStringLiteral("{hour-24:2}:{minute:2}");
    case 2:
    case 3:
      return QStringLiteral("{hour-24:2}:{minute:2}:{second:2}");
    case 4:
      return QStringLiteral("{hour-24:2}:{minute:2}:{second:2}:{millisecond:3}");
    default:
      return QString();
  }
}

void CTimePoint::ReadFields(CArchive& ar, int version) {
  if (version >= 33) {
    m_settings.displayFormat = ar.ReadString();
    m_settings.valueFormat = ar.ReadString();
    m_settings.mode = ar.ReadInt32();
    m_settings.autoSet = ar.ReadInt32();
    m_settings.fixed = ar.ReadInt32();
    m_settings.width = ar.ReadInt32();
    return;
  }
  const int32_t dateStyle = ar.ReadInt32();
  const int32_t timeStyle = version >= 4 ? ar.ReadInt32() : 0;
  m_settings.autoSet = ar.ReadInt32();
  if (version >= 6) m_settings.fixed = ar.ReadInt32();
  if (version >= 19) {
    m_settings.width = ar.ReadInt32();
    if (version < 21) m_settings.width = WidthFromFifths(m_settings.width);
  }
  const QString date = LegacyDateStyle(dateStyle);
  const QString time = LegacyTimeStyle(timeStyle);
  // The blank only separates two parts; a lone date or time gets none, so values do not end in
  // a blank.
  const QString format = date.isEmpty() || time.isEmpty() ? date + time : date + ' ' + time;
  m_settings.displayFormat = format;
  m_settings.valueFormat = format;
  m_settings.mode = 0;
}

void CTimePoint::WriteFields(CArchive& ar) {
  ar.WriteString(m_settings.displayFormat);
  ar.WriteString(m_settings.valueFormat);
  ar.WriteInt32(m_settings.mode);
  ar.WriteInt32(m_settings.autoSet);
  ar.WriteInt32(m_settings.fixed);
  ar.WriteInt32(m_settings.width);
}

std::unique_ptr<CTimePoint> CTimePoint::FromLegacyCustomPoint(const CCustomPoint& custom) {
  auto point = std::make_unique<CTimePoint>();
  point->m_unique = custom.UniqueNumber();
  point->m_name = custom.Name();
  point->m_caption = custom.Caption();
  point->m_help = custom.Help();
  point->m_bold = custom.Bold();
  point->m_required = custom.RequiredMode();
  point->m_visible = custom.Visible();
  point->m_results = custom.Results();
  point->m_carryForward = custom.CarryForward();
  point->m_default = custom.DefaultValue();
  point->m_shown = point->m_visible != 0;

  const CVariantMap& bag = custom.Bag();
  QString date;
  switch (std::clamp(bag.GetInteger(QStringLiteral("date"), 0), 0, 4)) {
    case 1:
      date = QStringLiteral("{year}-{month:2}-{day:2}");
      break;
    case 2:
      date = QStringLiteral("{day:2}-{month:2}-{year}");
      break;
    case 3:
      date = QStringLiteral("{month:2}-{day:2}-{year}");
      break;
    case 4:
      date = QStringLiteral("{day:2}-{month-short}-{year}");
      break;
    default:
      break;
  }
  const int32_t timeStyle = bag.GetInteger(QStringLiteral("time"), 0);
  QString time;
  if (timeStyle == 1) {
    time = QStringLiteral("{hour-24:2}:{minute:2}");
  } else if (timeStyle >= 2) {
    time = QStringLiteral("{hour-24:2}:{minute:2}:{second:2}");
  }
  QString format = date;
  if (!time.isEmpty()) format += date.isEmpty() ? time : QStringLiteral(" ") + time;

  Settings& settings = point->m_settings;
  settings.displayFormat = format;
  settings.valueFormat = format;
  settings.mode = 1;
  settings.fixed = 0;
  settings.autoSet = bag.GetInteger(QStringLiteral("autoset"), 0) != 0 ? 1 : 0;
  settings.width = std::clamp(bag.GetInteger(QStringLiteral("size"), 0), 0, 11);
  return point;
}

// ---- the registered type

namespace {

using S = CTimePoint::Settings;
using Field = CSettingsField<CTimePoint>;

// Older files stored date/time fields as custom points of a control that no longer exists.
std::unique_ptr<CBasePoint> ReplaceLegacyCustomPoint(const CBasePoint& loaded) {
  if (loaded.TypeCode() != CCustomPoint::kTypeCode) return nullptr;
  const auto& custom = static_cast<const CCustomPoint&>(loaded);
  if (custom.ClassId() != CPointFactory::kLegacyDateTimeClass) return nullptr;
  return CTimePoint::FromLegacyCustomPoint(custom);
}

const CPointTypeRegistration kDateTimeType({
    .typeCode = CTimePoint::kTypeCode,
    .typeName = "Date/Time",
    .create = &CreatePointOf<CTimePoint>,
    .replaceLoaded = &ReplaceLegacyCustomPoint,
    .fields =
        {
            Field("displayFormat", &S::displayFormat),
            Field("valueFormat", &S::valueFormat),
            Field("mode", &S::mode),
            Field("autoSet", &S::autoSet),
            Field("fixed", &S::fixed),
            Field("width", &S::width),
            Field("mathPoint", &S::mathPoint),
        },
    .rank = 50,
    .displayName = "Date/Time",
    .description = "Record a date or time",
    .icon = 164,
});

}  // namespace
