#include "ui/client_button_bar.h"

#include <QMouseEvent>
#include <QPainter>

#include "project/display_scale.h"

namespace {

const QColor kFace(232, 232, 232);
const QColor kHot(216, 216, 216);
const QColor kEdge(192, 192, 192);
const QColor kText(96, 96, 96);
constexpr int kGap = 1;

}  // namespace

CClientButtonBar::CClientButtonBar(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CClientButtonBar::SetButtons(const QList<Button>& buttons) {
  m_buttons = buttons;
  m_hot = -1;
  m_pressed = -1;
  update();
}

int CClientButtonBar::IndexOf(uint32_t command) const {
  for (int i = 0; i < m_buttons.size(); ++i) {
    if (m_buttons[i].command == command) return i;
  }
  return -1;
}

bool CClientButtonBar::EnableButton(uint32_t command, bool enabled) {
  const int index = IndexOf(command);
  if (index < 0) return false;
  if (m_buttons[index].enabled != enabled) {
    m_buttons[index].enabled = enabled;
    if (!enabled && m_hot == index) m_hot = -1;
    if (!enabled && m_pressed == index) m_pressed = -1;
    update();
  }
  return true;
}

bool CClientButtonBar::IsButtonEnabled(uint32_t command) const {
  const int index = IndexOf(command);
  return index >= 0 && m_buttons[index].enabled;
}

QRect CClientButtonBar::ButtonRect(uint32_t command) const { return RectAt(IndexOf(command)); }

QRect CClientButtonBar::RectAt(int index) const {
  const int count = static_cast<int>(m_buttons.size());
  if (index < 0 || index >= count) return QRect();
  // The gaps between the buttons take their pixels first; the last button takes the rest.
  const int share = (width() - (count - 1) * kGap) / count;
  const int left = index * (share + kGap);
  const int right = index == count - 1 ? width() : left + share;
  return QRect(left, 0, right - left, height());
}

int CClientButtonBar::IndexAt(const QPoint& position) const {
  for (int i = 0; i < m_buttons.size(); ++i) {
    if (RectAt(i).contains(position)) return i;
  }
  return -1;
}

void CClientButtonBar::SetHot(int index) {
  if (index >= 0 && !m_buttons[index].enabled) index = -1;
  if (index == m_hot) return;
  m_hot = index;
  setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
  update();
}

void CClientButtonBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kEdge);
  painter.setFont(CDisplayScale::Font(20, true));
  const int scale = CDisplayScale::Factor();
  for (int i = 0; i < m_buttons.size(); ++i) {
    const Button& button = m_buttons[i];
    const QRect r = RectAt(i);
    QColor face = kFace;
    if (button.enabled && i == m_pressed && i == m_hot) {
      face = kEdge;
    } else if (button.enabled && i == m_hot) {
      face = kHot;
    }
    painter.fillRect(r.adjusted(0, scale, 0, 0), face);
    painter.setPen(button.enabled ? kText : kEdge);
    const QRect textRect = r.adjusted(4 * scale, scale, -4 * scale, 0);
    painter.drawText(
        textRect, Qt::AlignCenter | Qt::TextSingleLine,
        painter.fontMetrics().elidedText(button.text, Qt::ElideRight, textRect.width()));
  }
}

void CClientButtonBar::mouseMoveEvent(QMouseEvent* event) {
  SetHot(IndexAt(event->position().toPoint()));
}

void CClientButtonBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = IndexAt(event->position().toPoint());
  SetHot(index);
  m_pressed = index >= 0 && m_buttons[index].enabled ? index : -1;
  update();
}

void CClientButtonBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int pressed = m_pressed;
  m_pressed = -1;
  update();
  const int index = IndexAt(event->position().toPoint());
  if (pressed >= 0 && index == pressed && m_buttons[index].enabled) {
    Q_EMIT commandChosen(m_buttons[index].command);
  }
}

void CClientButtonBar::leaveEvent(QEvent*) { SetHot(-1); }
