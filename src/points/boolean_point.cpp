#include "points/boolean_point.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "points/choice_logic.h"
#include "project/display_scale.h"
#include "project/point_type.h"
#include "values/archive.h"

namespace {

using Logic = CChoiceLogic;

QList<Logic::Button> ButtonsOf(const CBooleanPoint::Settings& s) {
  return Logic::BooleanButtons(s.style, s.trueText, s.falseText, s.naText);
}

// The mark of a button's kind: a tick, a cross or a bar, in the button's middle.
void DrawMark(QPainter& painter, const QRect& button, Logic::ButtonKind kind, const QColor& colour,
              int scale) {
  const QRectF box = QRectF(button).adjusted(11 * scale, 11 * scale, -11 * scale, -11 * scale);
  painter.setPen(QPen(colour, 3 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  switch (kind) {
    case Logic::ButtonKind::kTrue: {
      QPainterPath tick;
      tick.moveTo(box.left(), box.center().y());
      tick.lineTo(box.left() + box.width() * 0.4, box.bottom());
      tick.lineTo(box.right(), box.top());
      painter.drawPath(tick);
      break;
    }
    case Logic::ButtonKind::kFalse:
      painter.drawLine(box.topLeft(), box.bottomRight());
      painter.drawLine(box.topRight(), box.bottomLeft());
      break;
    case Logic::ButtonKind::kNa:
      painter.drawLine(QPointF(box.left(), box.center().y()),
                       QPointF(box.right(), box.center().y()));
      break;
  }
}

QColor SelectedColour(Logic::ButtonKind kind) {
  switch (kind) {
    case Logic::ButtonKind::kTrue:
      return QColor(0, 125, 0);
    case Logic::ButtonKind::kFalse:
      return QColor(128, 0, 0);
    case Logic::ButtonKind::kNa:
      break;
  }
  return QColor(0, 0, 0);
}

}  // namespace

CBooleanPoint::CBooleanPoint() : CBasePoint(kTypeCode, QStringLiteral("Boolean")) {}

void CBooleanPoint::SetSettings(const Settings& settings) {
  if (settings == m_settings) return;
  m_settings = settings;
  MarkChanged();
}

void CBooleanPoint::ApplyLegacyStyle(int32_t legacyStyle, Settings& settings) {
  struct Legacy {
    const char* trueText;
    const char* falseText;
    const char* naText;
    int32_t style;
  };
  static constexpr Legacy kLegacy[] = {
      {"Yes", "No", "NA", 2},     {"True", "False", "NA", 2},  {"Yes", "No", "NA", 1},
      {"True", "False", "NA", 1}, {"Safe", "Unsafe", "NA", 2}, {"1", "0", "99", 2},
  };
  if (legacyStyle < 0 || legacyStyle >= static_cast<int32_t>(std::size(kLegacy))) return;
  const Legacy& legacy = kLegacy[legacyStyle];
  settings.trueText = QString::fromLatin1(legacy.trueText);
  settings.falseText = QString::fromLatin1(legacy.falseText);
  settings.naText = QString::fromLatin1(legacy.naText);
  settings.style = legacy.style;
}

// ---- measuring, painting, tapping

int CBooleanPoint::GetHeight(QPainter* painter, int width) {
  const int scale = CDisplayScale::Factor();
  const int buttons = static_cast<int>(ButtonsOf(m_settings).size());
  const int caption =
      CBasePoint::GetHeight(painter, std::max(1, width - buttons * Logic::ButtonSize(scale)));
  return std::max(caption, Logic::ButtonSize(scale));
}

int CBooleanPoint::Paint(QPainter* painter) {
  const QRect item = m_rect;
  if (!painter) return item.height();
  const int scale = CDisplayScale::Factor();
  const QList<Logic::Button> buttons = ButtonsOf(m_settings);
  const QRect row = Logic::ButtonRow(item, static_cast<int>(buttons.size()), scale);
  m_rect = QRect(item.left(), item.top(), std::max(1, row.left() - item.left()), item.height());
  CBasePoint::Paint(painter);
  m_rect = item;

  const QString value = OutputText();
  const int size = Logic::ButtonSize(scale);
  const QColor line(208, 208, 208);
  const QColor idle = IsReadOnly() ? QColor(232, 232, 232) : QColor(255, 255, 230);
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  QPainterPath frame;
  frame.addRoundedRect(QRectF(row).adjusted(0.5, 0.5, -0.5, -0.5), 8 * scale, 8 * scale);
  painter->setClipPath(frame);
  for (qsizetype i = 0; i < buttons.size(); ++i) {
    const QRect button(row.left() + static_cast<int>(i) * size, row.top(), size, size);
    const bool selected = !value.isEmpty() && value == buttons[i].text;
    painter->fillRect(button, selected ? SelectedColour(buttons[i].kind) : idle);
    DrawMark(*painter, button, buttons[i].kind,
             selected ? QColor(Qt::white) : QColor(0x60, 0x60, 0x60), scale);
    if (i > 0) {
      painter->setPen(line);
      painter->drawLine(button.topLeft(), button.bottomLeft());
    }
  }
  painter->setClipping(false);
  painter->setPen(QPen(line, 1));
  painter->setBrush(Qt::NoBrush);
  painter->drawPath(frame);
  painter->restore();
  return item.height();
}

void CBooleanPoint::OnTap(int x, int y) {
  QString value;
  const Logic::TapResult result = Logic::BooleanTap(m_rect, ButtonsOf(m_settings), x, y,
                                                    CDisplayScale::Factor(), OutputText(), value);
  if (result == Logic::TapResult::kPassOn) {
    CBasePoint::OnTap(x, y);
    return;
  }
  if (IsReadOnly() || result == Logic::TapResult::kNothing) return;
  SetValue(value);
}

bool CBooleanPoint::GetColumnFormat(bool& numeric, int& length) {
  // The one-button false style still counts its true text, as stored files expect.
  QStringList texts;
  if (m_settings.style == 3) {
    texts.append(m_settings.trueText);
  } else {
    for (const Logic::Button& button : ButtonsOf(m_settings)) texts.append(button.text);
  }
  Logic::SingleColumnFormat(texts, numeric, length);
  return true;
}

// ---- file record

void CBooleanPoint::ReadFields(CArchive& ar, int version) {
  if (version < 7) {
    ApplyLegacyStyle(ar.ReadInt32(), m_settings);
    return;
  }
  m_settings.trueText = ar.ReadString();
  m_settings.falseText = ar.ReadString();
  m_settings.naText = ar.ReadString();
  // Stored one below the style.
  m_settings.style = static_cast<int32_t>(static_cast<uint32_t>(ar.ReadInt32()) + 1u);
}

void CBooleanPoint::WriteFields(CArchive& ar) {
  ar.WriteString(m_settings.trueText);
  ar.WriteString(m_settings.falseText);
  ar.WriteString(m_settings.naText);
  ar.WriteInt32(static_cast<int32_t>(static_cast<uint32_t>(m_settings.style) - 1u));
}

// ---- the registered type

namespace {

using S = CBooleanPoint::Settings;
using Field = CSettingsField<CBooleanPoint>;

const CPointTypeRegistration kBooleanType({
    .typeCode = CBooleanPoint::kTypeCode,
    .typeName = "Boolean",
    .create = &CreatePointOf<CBooleanPoint>,
    .fields =
        {
            Field("trueText", &S::trueText),
            Field("falseText", &S::falseText),
            Field("naText", &S::naText),
            Field("style", &S::style),
        },
    .rank = 10,
    .displayName = "Boolean",
    .description = "Yes, no, undefined",
    .icon = 143,
});

}  // namespace
