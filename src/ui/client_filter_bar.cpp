#include "ui/client_filter_bar.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/language.h"
#include "project/display_scale.h"

namespace {

const QColor kAccent(0, 102, 153);

const char* const kCaptionKeys[CClientFilterBar::kSegments] = {
    QLT_KEY("SessionList.SessionsActive"), QLT_KEY("SessionList.SessionsSent"),
    QLT_KEY("SessionList.SessionsDeleted")};
// Shown when the translation table has no text for a caption.
const char* const kCaptionDefaults[CClientFilterBar::kSegments] = {
    "Active Sessions", "Sent Sessions", "Deleted Sessions"};

}  // namespace

CClientFilterBar::CClientFilterBar(QWidget* parent) : QWidget(parent) {
  setFont(CDisplayScale::NormalFont());
  setMouseTracking(true);
  setFocusPolicy(Qt::TabFocus);
  ReloadCaptions();
}

QStringList CClientFilterBar::ShortenCaptions(const QStringList& captions) {
  if (captions.size() != kSegments) return captions;
  QString tail;
  for (int i = 0; i < kSegments; ++i) {
    const qsizetype space = captions[i].indexOf(u' ');
    if (space < 0) return captions;
    const QString rest = captions[i].mid(space);
    if (i == 0) {
      tail = rest;
    } else if (rest != tail) {
      return captions;
    }
  }
  QStringList shortened;
  for (const QString& caption : captions) shortened.append(caption.left(caption.indexOf(u' ')));
  return shortened;
}

QStringList CClientFilterBar::TranslatedCaptions() {
  QStringList captions;
  for (int i = 0; i < kSegments; ++i) {
    QString text;
    if (!CLanguage::Instance().Lookup(QString::fromLatin1(kCaptionKeys[i]), text)) {
      text = QString::fromLatin1(kCaptionDefaults[i]);
    }
    captions.append(text);
  }
  return ShortenCaptions(captions);
}

void CClientFilterBar::ReloadCaptions() {
  m_captions = TranslatedCaptions();
  Layout();
  update();
}

bool CClientFilterBar::SetCounts(uint32_t active, uint32_t sent, uint32_t deleted) {
  const std::array<uint32_t, kSegments> counts{active, sent, deleted};
  if (counts == m_counts) return false;
  m_counts = counts;
  Layout();
  update();
  return true;
}

uint32_t CClientFilterBar::Count(int segment) const {
  return segment >= 0 && segment < kSegments ? m_counts[segment] : 0;
}

void CClientFilterBar::SetSelected(int segment) {
  if (segment < 0 || segment >= kSegments || segment == m_selected) return;
  m_selected = segment;
  update();
}

QString CClientFilterBar::SegmentText(int segment) const {
  if (segment < 0 || segment >= kSegments) return QString();
  return QStringLiteral("%1 (%2)").arg(m_captions.value(segment)).arg(m_counts[segment]);
}

QRect CClientFilterBar::SegmentRect(int segment) const {
  return segment >= 0 && segment < kSegments ? m_rects[segment] : QRect();
}

int CClientFilterBar::SegmentAt(const QPoint& point) const {
  for (int i = 0; i < kSegments; ++i) {
    if (m_rects[i].contains(point)) return i;
  }
  return -1;
}

int CClientFilterBar::SegmentWidth() const {
  const QFontMetrics metrics(font());
  int widest = 0;
  for (int i = 0; i < kSegments; ++i) {
    widest = std::max(widest, metrics.horizontalAdvance(SegmentText(i)));
  }
  return widest + 24 * CDisplayScale::Factor();
}

QSize CClientFilterBar::sizeHint() const {
  const int factor = CDisplayScale::Factor();
  return QSize(SegmentWidth() * kSegments + 2 * factor, 40 * factor);
}

void CClientFilterBar::Layout() {
  const int factor = CDisplayScale::Factor();
  const int segment = SegmentWidth();
  const int inset = 5 * factor;
  const int left = (width() - segment * kSegments) / 2;
  const int height = std::max(0, this->height() - 2 * inset);
  for (int i = 0; i < kSegments; ++i) {
    m_rects[i] = QRect(left + i * segment, inset, segment, height);
  }
}

void CClientFilterBar::paintEvent(QPaintEvent*) {
  Layout();
  const int factor = CDisplayScale::Factor();
  const double penWidth = factor;
  const double corner = 10 * factor;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(font());
  const QPen pen(kAccent, penWidth);

  // The band's outline runs through the middle of its pen, so the band is inset by half a pen.
  const QRectF band = QRectF(m_rects[0].united(m_rects[kSegments - 1]))
                          .adjusted(penWidth / 2, penWidth / 2, -penWidth / 2, -penWidth / 2);
  QPainterPath bandPath;
  bandPath.addRoundedRect(band, corner, corner);
  painter.setPen(pen);
  painter.setBrush(kAccent);
  painter.drawPath(bandPath);

  // The segments not chosen are white inside the band's outline: only the band's own corners
  // are rounded, so the segments meet with straight edges.
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::white);
  for (int i = 0; i < kSegments; ++i) {
    if (i == m_selected) continue;
    QPainterPath segment;
    segment.addRect(QRectF(m_rects[i]));
    painter.drawPath(bandPath.intersected(segment));
  }
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(bandPath);
  for (int i = 1; i < kSegments; ++i) {
    const double x = m_rects[i].left() + 0.5 * (factor % 2);
    painter.drawLine(QPointF(x, band.top()), QPointF(x, band.bottom()));
  }

  painter.setBackgroundMode(Qt::TransparentMode);
  for (int i = 0; i < kSegments; ++i) {
    painter.setPen(i == m_selected ? QColor(Qt::white) : kAccent);
    painter.drawText(m_rects[i], Qt::AlignCenter | Qt::TextSingleLine, SegmentText(i));
  }
}

void CClientFilterBar::Choose(int segment) {
  if (segment < 0 || segment >= kSegments || segment == m_selected) return;
  m_selected = segment;
  repaint();
  Q_EMIT segmentChosen(segment);
}

void CClientFilterBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  Layout();
  Choose(SegmentAt(event->position().toPoint()));
}

void CClientFilterBar::mouseMoveEvent(QMouseEvent* event) {
  if (SegmentAt(event->position().toPoint()) >= 0) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
  QWidget::mouseMoveEvent(event);
}

void CClientFilterBar::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
      Choose(m_selected - 1);
      break;
    case Qt::Key_Right:
      Choose(m_selected + 1);
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CClientFilterBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) Layout();
  QWidget::changeEvent(event);
}

void CClientFilterBar::resizeEvent(QResizeEvent* event) {
  Layout();
  QWidget::resizeEvent(event);
}
