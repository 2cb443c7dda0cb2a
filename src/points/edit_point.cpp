#include "points/edit_point.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "app/message_service.h"
#include "app/services.h"
#include "points/edit_point_logic.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/point_type.h"
#include "project/project.h"
#include "values/archive.h"

namespace {

const QString kReadOnlyKey = QStringLiteral("readonly");

// A flat scroll-arrow button: a light face, a thin frame and a solid triangle.
void DrawArrowButton(QPainter& painter, const QRect& rect, bool up) {
  if (rect.isEmpty()) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.fillRect(rect, QColor(0xF0, 0xF0, 0xF0));
  painter.setPen(QColor(0xA0, 0xA0, 0xA0));
  painter.drawRect(rect.adjusted(0, 0, -1, -1));
  const int half = std::max(2, std::min(rect.width(), rect.height()) / 4);
  const QPoint centre = rect.center();
  const int tip = up ? centre.y() - half / 2 - 1 : centre.y() + half / 2 + 1;
  const int base = up ? centre.y() + half / 2 : centre.y() - half / 2;
  const QPolygon triangle(
      {QPoint(centre.x() - half, base), QPoint(centre.x() + half, base), QPoint(centre.x(), tip)});
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  painter.drawPolygon(triangle);
  painter.restore();
}

}  // namespace

CEditPoint::CEditPoint() : CBasePoint(kTypeCode, QStringLiteral("Edit")) {}

void CEditPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

bool CEditPoint::IsInputReadOnly() const { return IsReadOnly() || m_settings.readOnly; }

// ---- showing and leaving

void CEditPoint::Show(CPageWindow* window) {
  CBasePoint::Show(window);
  // A box left from an earlier showing in this window goes; one in another window is only
  // forgotten, as that window may be gone (it drops its controls itself).
  if (m_box && m_boxWindow == window) window->DestroyControl(m_box);
  m_box = 0;
  m_boxWindow = nullptr;
  if (!window) return;
  unsigned styles = kCsVisible | kCsBorder | kCsTabStop;
  if (m_settings.numeric != 0 || m_settings.lines <= 1) {
    styles |= kCsAutoHScroll;
  } else {
    styles |= kCsMultiLine | kCsVScroll | kCsAutoVScroll | kCsWantReturn;
  }
  if (m_settings.password != 0) styles |= kCsPassword;
  m_box = window->CreateControl(this, ControlKind::kEdit, styles, ControlId());
  if (!m_box) return;
  m_boxWindow = window;
  const CProject* project = Project();
  window->SetControlFont(
      m_box, project ? project->Graphics().Font(CGraphics::kNormal) : CDisplayScale::NormalFont());
  window->SetControlText(m_box, OutputText());
  window->SetControlReadOnly(m_box, IsInputReadOnly());
  window->SetTextLimit(m_box, std::max<int32_t>(0, m_settings.maxLength));
}

bool CEditPoint::Hide(bool verify) {
  if (!verify) DestroyBox();
  if (m_settings.numeric != 0 && verify && m_shown) {
    if (!CEditPointLogic::PassesNumericCheck(OutputText(), m_settings)) {
      const int answer = CServices::Instance().Messages().ShowMessage(
          CEditPointLogic::NumericQuestion(m_displayCaption),
          kMbYesNo | kMbIconExclamation | kMbDefButton2);
      if (answer != kIdYes) {
        FocusBox();
        return false;
      }
      // The default takes the place of the invalid text, quietly; the box shows it too, so that
      // what the user sees is what is kept should the page stay.
      m_value = m_default;
      if (m_box && m_boxWindow) m_boxWindow->SetControlText(m_box, OutputText());
    }
  }
  if (CBasePoint::Hide(verify)) return true;
  FocusBox();
  return false;
}

void CEditPoint::DestroyBox() {
  if (m_box && m_boxWindow) m_boxWindow->DestroyControl(m_box);
  m_box = 0;
  m_boxWindow = nullptr;
}

void CEditPoint::FocusBox() {
  if (m_box && m_boxWindow) m_boxWindow->FocusControl(m_box);
}

// ---- values

void CEditPoint::SetValue(const QString& text) {
  const QString filled = CEditPointLogic::ZeroFill(text, m_settings);
  if (!StoreText(filled)) return;
  if (m_box && m_boxWindow) {
    m_boxWindow->SetControlText(m_box, filled);
    m_boxWindow->SelectAllText(m_box);
  }
}

bool CEditPoint::StoreValue(const CVariant& value) {
  if (m_settings.readOnly) return false;
  return CBasePoint::StoreValue(value);
}

bool CEditPoint::StoreText(const QString& text) {
  if (m_settings.readOnly) return false;
  return CBasePoint::StoreText(text);
}

void CEditPoint::OnCommand(uint32_t command, intptr_t argument) {
  if (!m_box || !m_boxWindow || argument != m_box) return;
  const QString text = CEditPointLogic::ZeroFill(m_boxWindow->ControlText(m_box), m_settings);
  if (CommandNotification(command) != kNotifyKillFocus) {
    StoreText(text);
    return;
  }
  SetValue(text);
  // Typing stored the filled text already, so SetValue saw no change; the box shows it now.
  if (m_box && OutputText() == text && m_boxWindow->ControlText(m_box) != text) {
    m_boxWindow->SetControlText(m_box, text);
  }
}

bool CEditPoint::GetColumnFormat(bool& numeric, int& length) {
  numeric = m_settings.numeric != 0;
  if (!numeric && m_settings.maxLength > 0) length = m_settings.maxLength;
  return true;
}

// ---- measuring, painting, tapping

int CEditPoint::GetHeight(QPainter* painter, int width) {
  const int scale = CDisplayScale::Factor();
  const int caption =
      CBasePoint::GetHeight(painter, CEditPointLogic::CaptionWidth(m_settings, width, scale));
  return CEditPointLogic::Height(m_settings, caption, scale);
}

int CEditPoint::Paint(QPainter* painter) {
  const QRect item = m_rect;
  if (!painter) {
    if (m_box && m_boxWindow && m_boxWindow->IsControlVisible(m_box)) {
      m_boxWindow->ShowControl(m_box, false);
    }
    return item.height();
  }
  const int scale = CDisplayScale::Factor();
  const bool arrows = CEditPointLogic::ArrowsShown(m_settings, IsInputReadOnly());
  int captionHeight = 0;
  if (m_settings.lines > 0) {
    captionHeight = CBasePoint::Paint(painter);
  } else {
    // The caption is drawn in what the box leaves of the item.
    m_rect = CEditPointLogic::Layout(m_settings, item, 0, false, scale).caption;
    CBasePoint::Paint(painter);
    m_rect = item;
  }
  const CEditPointLogic::Geometry geometry =
      CEditPointLogic::Layout(m_settings, item, captionHeight, arrows, scale);
  if (arrows) {
    DrawArrowButton(*painter, geometry.up, true);
    DrawArrowButton(*painter, geometry.down, false);
  }
  if (m_box && m_boxWindow) {
    m_boxWindow->PlaceControl(m_box, geometry.box);
    m_boxWindow->ShowControl(m_box, true);
  }
  return item.height();
}

void CEditPoint::OnTap(int x, int y) {
  if (CEditPointLogic::ArrowsShown(m_settings, IsInputReadOnly())) {
    const int step = CEditPointLogic::TapStep(m_rect, x, CDisplayScale::Factor());
    if (step != 0) {
      Step(step);
      return;
    }
  }
  CBasePoint::OnTap(x, y);
}

void CEditPoint::Step(int delta) {
  const QString current = m_box && m_boxWindow ? m_boxWindow->ControlText(m_box) : OutputText();
  SetValue(CEditPointLogic::Step(current, delta, m_settings));
}

// ---- settings and file record

void CEditPoint::SaveSettings() {
  m_properties.SetVariant(kReadOnlyKey, CVariant::FromBool(m_settings.readOnly));
}

void CEditPoint::LoadSettings() {
  const CVariant* readOnly = m_properties.Find(kReadOnlyKey);
  m_settings.readOnly = readOnly && readOnly->Type() == kVtBool && readOnly->IntegerPayload() != 0;
}

void CEditPoint::ReadFields(CArchive& ar, int version) {
  Settings& s = m_settings;
  s.numeric = ar.ReadInt32();
  if (version >= 44) s.password = ar.ReadInt32();
  s.rangeCheck = ar.ReadInt32();
  s.minimum = ar.ReadInt32();
  s.maximum = ar.ReadInt32();
  s.arrows = ar.ReadInt32();
  if (version >= 10) {
    s.lines = ar.ReadInt32();
  } else if (version >= 5) {
    ar.ReadInt32();
    const int32_t beside = ar.ReadInt32();
    s.lines = beside != 0 && s.numeric != 0 ? 0 : 1;
  } else {
    s.lines = s.numeric != 0 ? 0 : 1;
  }
  // A one-line box beside the caption had a fixed width before version 21.
  if (version < 21 && s.lines == 0) s.lines = -4;
  if (version >= 25) s.maxLength = ar.ReadInt32();
  if (version >= 30) s.padWidth = ar.ReadInt32();
}

void CEditPoint::WriteFields(CArchive& ar) {
  const Settings& s = m_settings;
  ar.WriteInt32(s.numeric);
  ar.WriteInt32(s.password);
  ar.WriteInt32(s.rangeCheck);
  ar.WriteInt32(s.minimum);
  ar.WriteInt32(s.maximum);
  ar.WriteInt32(s.arrows);
  ar.WriteInt32(s.lines);
  ar.WriteInt32(s.maxLength);
  ar.WriteInt32(s.padWidth);
}

// ---- the registered type

namespace {

using S = CEditPoint::Settings;
using Field = CSettingsField<CEditPoint>;

const CPointTypeRegistration kEditType({
    .typeCode = CEditPoint::kTypeCode,
    .typeName = "Edit",
    .create = &CreatePointOf<CEditPoint>,
    .fields =
        {
            Field("numeric", &S::numeric),
            Field("password", &S::password),
            Field("rangeCheck", &S::rangeCheck),
            Field("minimum", &S::minimum),
            Field("maximum", &S::maximum),
            Field("arrows", &S::arrows),
            Field("lines", &S::lines),
            Field("maxLength", &S::maxLength),
            Field("padWidth", &S::padWidth),
            Field("readOnly", &S::readOnly),
        },
    .rank = 20,
    .displayName = "Edit",
    .description = "Enter text or numbers",
    .icon = 145,
});

}  // namespace
