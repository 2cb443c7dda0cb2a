#include "points/time_point.h"

#include <QPainter>
#include <algorithm>

#include "app/language.h"
#include "app/services.h"
#include "points/custom_point.h"
#include "points/time_format.h"
#include "points/value_box_layout.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/page_window.h"
#include "project/point_factory.h"
#include "project/point_type.h"
#include "project/project.h"
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

// ---- behaviour

void CTimePoint::Init() {
  CBasePoint::Init();
  if (m_settings.mode != 3 || m_settings.mathPoint.isEmpty() || IsReadOnly()) return;
  const CProject* project = Project();
  CBasePoint* math = project ? project->FindPointByName(m_settings.mathPoint, this) : nullptr;
  if (!math) return;
  math->AddDependent(this);
  if (OutputText().isEmpty()) OnDep(math);
}

void CTimePoint::OnDep(CBasePoint* changed) {
  if (m_settings.mode != 3 || !changed || IsReadOnly()) return;
  if (m_settings.mathPoint.isEmpty() ||
      m_settings.mathPoint.compare(changed->Name(), Qt::CaseInsensitive) != 0) {
    return;
  }
  const std::optional<QDateTime> value =
      CTimeFormat::FromMinuteValue(changed->OutputText(), m_settings.valueFormat);
  if (value) SetValue(CTimeFormat::FormatDateTime(*value, m_settings.valueFormat));
}

void CTimePoint::SetNow() {
  SetValue(CTimeFormat::FormatDateTime(CServices::Instance().Now(), m_settings.valueFormat));
}

void CTimePoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  if (m_settings.autoSet != 0 && m_settings.mode != 3 && OutputText().isEmpty() && !IsReadOnly()) {
    SetNow();
  }
  DestroyPicker();
  if (m_settings.mode != 1 || !window) return;
  const CTimeFormat::Picture picture = CTimeFormat::PickerPicture(m_settings.displayFormat);
  unsigned styles = kCsBorder | kCsTabStop | kCsShowNone;
  if (picture.hasTime) styles |= kCsUpDown;
  m_picker = window->CreateControl(this, ControlKind::kDateTimePicker, styles, ControlId());
  if (m_picker == 0) return;
  m_pickerWindow = window;
  window->SetControlFormat(m_picker, picture.text);
  const CProject* project = Project();
  window->SetControlFont(m_picker, project ? project->Graphics().Font(CGraphics::kNormal)
                                           : CDisplayScale::NormalFont());
  window->EnableControl(m_picker, !IsReadOnly());
  SetValue(OutputText());
}

bool CTimePoint::Hide(bool verify) {
  if (!verify && m_picker != 0 && m_pickerWindow) {
    // What the picker shows is the value, even when its last change was never delivered.
    OnCommand(MakeCommand(kNotifyDateTimeChange, static_cast<uint16_t>(ControlId())), 0);
    DestroyPicker();
  }
  return CBasePoint::Hide(verify);
}

void CTimePoint::DestroyPicker() {
  if (m_picker != 0 && m_pickerWindow) m_pickerWindow->DestroyControl(m_picker);
  m_picker = 0;
  m_pickerWindow = nullptr;
}

void CTimePoint::SetValue(const QString& text) {
  if (m_busy) return;
  m_busy = true;
  QDateTime value;
  const bool valid =
      !text.isEmpty() && CTimeFormat::ParseDateTime(text, m_settings.valueFormat, value);
  if (m_picker != 0 && m_pickerWindow) {
    m_pickerWindow->SetControlDateTime(m_picker,
                                       valid ? std::optional<QDateTime>(value) : std::nullopt);
  }
  // A text that does not read back is kept as it is: it may be all the session has.
  StoreText(text);
  if (m_picker == 0) InvalidatePoint();
  m_busy = false;
}

void CTimePoint::OnCommand(uint32_t command, intptr_t) {
  if (m_picker == 0 || !m_pickerWindow || IsReadOnly()) return;
  if (CommandControlId(command) != ControlId()) return;
  if (CommandNotification(command) != kNotifyDateTimeChange) return;
  const std::optional<QDateTime> value = m_pickerWindow->ControlDateTime(m_picker);
  StoreText(value ? CTimeFormat::FormatDateTime(*value, m_settings.valueFormat) : QString());
}

QString CTimePoint::DisplayText() const {
  QDateTime value;
  const QString text = OutputText();
  if (text.isEmpty() || !CTimeFormat::ParseDateTime(text, m_settings.valueFormat, value)) {
    return QString();
  }
  return CTimeFormat::FormatDateTime(value, m_settings.displayFormat);
}

int CTimePoint::GetHeight(QPainter* painter, int width) {
  const int scale = CDisplayScale::Factor();
  const int32_t units = m_settings.width;
  const int caption =
      CBasePoint::GetHeight(painter, CValueBoxLayout::CaptionWidth(units, width, scale));
  return CValueBoxLayout::Height(units, caption, scale);
}

int CTimePoint::Paint(QPainter* painter) {
  if (!painter) {
    if (m_picker != 0 && m_pickerWindow) m_pickerWindow->ShowControl(m_picker, false);
    return GetHeight(painter, m_rect.width());
  }
  const int scale = CDisplayScale::Factor();
  const int32_t units = m_settings.width;
  const QRect item = m_rect;
  m_rect = CValueBoxLayout::CaptionRect(units, item, scale);
  const int caption = CBasePoint::Paint(painter);
  m_rect = item;
  m_boxRect = CValueBoxLayout::BoxRect(units, item, caption, scale);
  if (m_picker != 0 && m_pickerWindow) {
    m_pickerWindow->PlaceControl(m_picker, m_boxRect);
    m_pickerWindow->ShowControl(m_picker, true);
    return CValueBoxLayout::Height(units, caption, scale);
  }
  QString text = DisplayText();
  QColor colour(0, 0, 0);
  if (text.isEmpty()) {
    const bool settable = !IsReadOnly() && m_settings.mode != 3;
    text = CLanguage::Instance().Translate(settable ? QStringLiteral("Point.Time.TapToSet")
                                                    : QStringLiteral("Point.Time.NotSet"));
    colour = settable ? QColor(0, 128, 0) : QColor(128, 128, 128);
  }
  const CProject* project = Project();
  painter->save();
  painter->setPen(QColor(160, 160, 160));
  painter->setBrush(IsReadOnly() ? QColor(240, 240, 240) : QColor(255, 255, 255));
  painter->drawRect(m_boxRect.adjusted(0, 0, -1, -1));
  painter->setFont(project ? project->Graphics().Font(CGraphics::kNormal)
                           : CDisplayScale::NormalFont());
  painter->setPen(colour);
  painter->drawText(m_boxRect, Qt::AlignCenter | Qt::TextSingleLine, text);
  painter->restore();
  return CValueBoxLayout::Height(units, caption, scale);
}

void CTimePoint::OnTap(int x, int y) {
  const bool inside =
      !m_boxRect.isEmpty() &&
      (CValueBoxLayout::IsBeside(m_settings.width) ? x >= m_boxRect.left() : y >= m_boxRect.top());
  using Action = CTimeFormat::TapAction;
  const Action action =
      CTimeFormat::Tap(m_settings.mode, m_settings.autoSet != 0, m_settings.fixed != 0,
                       IsReadOnly(), OutputText().isEmpty(), inside);
  switch (action) {
    case Action::kPassOn:
      CBasePoint::OnTap(x, y);
      return;
    case Action::kNothing:
      return;
    case Action::kClear:
      SetValue(QString());
      return;
    case Action::kStamp:
      SetNow();
      return;
    case Action::kChoose:
      break;
  }
  QDateTime value;
  const QString& format = m_settings.valueFormat;
  if (!CTimeFormat::ParseDateTime(OutputText(), format, value)) value = CServices::Instance().Now();
  using Parts = CDialogService::TimeParts;
  const Parts parts = !CTimeFormat::HasDate(format) && CTimeFormat::HasTime(format)
                          ? Parts::kTime
                          : (CTimeFormat::HasTime(format) ? Parts::kDateAndTime : Parts::kDate);
  if (CServices::Instance().Dialogs().ChooseDateTime(value, parts)) {
    SetValue(CTimeFormat::FormatDateTime(value, format));
  }
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
