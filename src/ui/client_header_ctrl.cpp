#include "ui/client_header_ctrl.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "project/display_scale.h"
#include "ui/client_icons.h"

namespace {

const QColor kAccent(0, 102, 153);
const QColor kAccentLight(0, 125, 190);
const QColor kAccentDark(0, 51, 85);

}  // namespace

CClientHeaderCtrl::CClientHeaderCtrl(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CClientHeaderCtrl::SetTitle(const QString& title) {
  if (title == m_title) return;
  m_title = title;
  update();
}

void CClientHeaderCtrl::SetBackVisible(bool visible) {
  if (visible == m_backVisible) return;
  m_backVisible = visible;
  m_backPressed = false;
  unsetCursor();
  update();
}

QRect CClientHeaderCtrl::BackRect() const {
  if (!m_backVisible) return QRect();
  return QRect(0, 0, height(), height());
}

void CClientHeaderCtrl::paintEvent(QPaintEvent*) {
  const int scale = CDisplayScale::Factor();
  QPainter painter(this);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, kAccentLight);
  gradient.setColorAt(1, kAccent);
  painter.fillRect(rect(), gradient);
  painter.fillRect(QRect(0, height() - scale, width(), scale), kAccentDark);

  int x = 4 * scale;
  painter.setRenderHint(QPainter::Antialiasing);
  if (m_backVisible) {
    const QRect back = BackRect();
    if (m_backPressed) painter.fillRect(back, kAccentDark);
    const QPointF c = QRectF(back).center();
    const qreal arm = back.height() * 0.22;
    QPainterPath chevron;
    chevron.moveTo(c.x() + arm * 0.5, c.y() - arm);
    chevron.lineTo(c.x() - arm * 0.5, c.y());
    chevron.lineTo(c.x() + arm * 0.5, c.y() + arm);
    painter.setPen(QPen(Qt::white, 3.0 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(chevron);
    x = back.right() + 1;
  }

  const int emblem = height() - 8 * scale;
  if (emblem > 0) {
    painter.drawPixmap(x, (height() - emblem) / 2,
                       CClientIcons::Bitmap(CClientIcons::kHeader, emblem));
    x += emblem + 8 * scale;
  }

  painter.setFont(CDisplayScale::Font(25, true));
  painter.setPen(Qt::white);
  const QRect textRect(x, 0, width() - x - 8 * scale, height());
  const QString text = painter.fontMetrics().elidedText(m_title, Qt::ElideRight, textRect.width());
  painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
}

void CClientHeaderCtrl::mouseMoveEvent(QMouseEvent* event) {
  if (BackRect().contains(event->position().toPoint())) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
}

void CClientHeaderCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && BackRect().contains(event->position().toPoint())) {
    m_backPressed = true;
    update();
  }
}

void CClientHeaderCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (!m_backPressed) return;
  m_backPressed = false;
  update();
  if (event->button() == Qt::LeftButton && BackRect().contains(event->position().toPoint())) {
    Q_EMIT backClicked();
  }
}
