#include "points/math_point.h"

#include <algorithm>

#include "points/value_box_layout.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"
#include "values/variant_ops.h"

namespace {

const QString kRoundingKey = QStringLiteral("rounding");

}  // namespace

CMathPoint::CMathPoint() : CBasePoint(kTypeCode, QStringLiteral("Math")), m_expression(this) {}

void CMathPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CMathPoint::Init() {
  CBasePoint::Init();
  m_parsed = m_expression.Parse(m_settings.expression);
}

void CMathPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  Recalculate();
  DestroyBox();
  if (!window) return;
  const bool readOnly = IsReadOnly() || m_settings.locked != 0;
  unsigned styles = kCsBorder | kCsTabStop | kCsAutoHScroll | kCsRightAlign;
  if (readOnly) styles |= kCsReadOnly;
  m_box = window->CreateControl(this, ControlKind::kEdit, styles, ControlId());
  if (m_box == 0) return;
  m_boxWindow = window;
  const CProject* project = Project();
  window->SetControlFont(
      m_box, project ? project->Graphics().Font(CGraphics::kNormal) : CDisplayScale::NormalFont());
  window->SetControlText(m_box, OutputText());
  window->SetControlReadOnly(m_box, readOnly);
}

bool CMathPoint::Hide(bool verify) {
  if (!verify) DestroyBox();
  return CBasePoint::Hide(verify);
}

void CMathPoint::DestroyBox() {
  if (m_box != 0 && m_boxWindow) m_boxWindow->DestroyControl(m_box);
  m_box = 0;
  m_boxWindow = nullptr;
}

void CMathPoint::SetValue(const QString& text) {
  if (!StoreText(text)) return;
  if (m_box != 0 && m_boxWindow) m_boxWindow->SetControlText(m_box, text);
}

int CMathPoint::GetHeight(QPainter* painter, int width) {
  const int scale = CDisplayScale::Factor();
  const int32_t units = m_settings.width;
  const int caption =
      CBasePoint::GetHeight(painter, CValueBoxLayout::CaptionWidth(units, width, scale));
  return CValueBoxLayout::Height(units, caption, scale);
}

int CMathPoint::Paint(QPainter* painter) {
  if (!painter) {
    if (m_box != 0 && m_boxWindow) m_boxWindow->ShowControl(m_box, false);
    return GetHeight(painter, m_rect.width());
  }
  const int scale = CDisplayScale::Factor();
  const int32_t units = m_settings.width;
  const QRect item = m_rect;
  // The base draws the caption in the item rectangle: narrow it for the box beside it.
  m_rect = CValueBoxLayout::CaptionRect(units, item, scale);
  const int caption = CBasePoint::Paint(painter);
  m_rect = item;
  if (m_box != 0 && m_boxWindow) {
    m_boxWindow->PlaceControl(m_box, CValueBoxLayout::BoxRect(units, item, caption, scale));
    m_boxWindow->ShowControl(m_box, true);
  }
  return CValueBoxLayout::Height(units, caption, scale);
}

void CMathPoint::OnCommand(uint32_t command, intptr_t) {
  // An unlocked box lets the user overrule the result until the next recalculation; what is
  // typed must reach the value, or it would be lost when the page is left.
  if (m_box == 0 || !m_boxWindow || m_settings.locked != 0 || IsReadOnly()) return;
  if (CommandControlId(command) != ControlId()) return;
  if (CommandNotification(command) != kNotifyChange) return;
  StoreText(m_boxWindow->ControlText(m_box));
}

void CMathPoint::OnDep(CBasePoint*) { Recalculate(); }

bool CMathPoint::GetColumnFormat(bool& numeric, int& length) {
  numeric = true;
  length = 0;
  return true;
}

void CMathPoint::SaveSettings() { m_properties.SetInteger(kRoundingKey, m_settings.rounding); }

void CMathPoint::LoadSettings() { m_settings.rounding = m_properties.GetInteger(kRoundingKey, 0); }

QString CMathPoint::ResultText(bool parsed, bool evaluated, double value,
                               const Settings& settings) {
  if (!parsed) return QStringLiteral("#REF#");
  if (!evaluated) return QStringLiteral("#ERR#");
  return FormatNumber(value, settings.decimals, settings.rounding);
}

void CMathPoint::Recalculate() {
  double value = 0;
  const bool evaluated = m_parsed && m_expression.Evaluate(value);
  SetValue(ResultText(m_parsed, evaluated, value, m_settings));
}

void CMathPoint::ReadFields(CArchive& ar, int version) {
  m_settings.expression = ar.ReadString();
  m_settings.locked = ar.ReadInt32();
  m_settings.width = ar.ReadInt32();
  m_settings.decimals = version >= 13 ? ar.ReadInt32() : -1;
  // Older files count the width in fifths of today's unit.
  if (version < 21) m_settings.width = WidthFromFifths(m_settings.width);
  // Files from before the rounding setting keep the plain formatting they were made with.
  if (version < 100) m_settings.rounding = 0;
}

void CMathPoint::WriteFields(CArchive& ar) {
  ar.WriteString(m_settings.expression);
  ar.WriteInt32(m_settings.locked);
  ar.WriteInt32(m_settings.width);
  ar.WriteInt32(m_settings.decimals);
}

// ---- the registered type

namespace {

using S = CMathPoint::Settings;
using Field = CSettingsField<CMathPoint>;

const CPointTypeRegistration kMathType({
    .typeCode = CMathPoint::kTypeCode,
    .typeName = "Math",
    .create = &CreatePointOf<CMathPoint>,
    .fields =
        {
            Field("expression", &S::expression),
            Field("locked", &S::locked),
            Field("width", &S::width),
            Field("decimals", &S::decimals),
            Field("rounding", &S::rounding),
        },
    .rank = 100,
    .displayName = "Math",
    .description = "Calculate expressions",
    .icon = 169,
});

}  // namespace
