#include "ui/client_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>

namespace {

const QColor kAccent(0, 102, 153);
const QColor kAccentLight(0, 125, 190);
const QColor kAccentDark(0, 51, 85);
const QColor kPaperEdge(96, 110, 122);
const QColor kLine(150, 165, 178);
const QColor kReceived(0, 125, 190);
const QColor kMarked(46, 150, 70);
const QColor kNewData(230, 110, 20);
const QColor kBadge(204, 51, 34);

// A sheet with a folded top-right corner and three text lines, in a 16-unit square.
void DrawSheet(QPainter& painter) {
  QPainterPath sheet;
  sheet.moveTo(2.5, 1.5);
  sheet.lineTo(9.5, 1.5);
  sheet.lineTo(13.5, 5.5);
  sheet.lineTo(13.5, 14.5);
  sheet.lineTo(2.5, 14.5);
  sheet.closeSubpath();
  painter.setPen(QPen(kPaperEdge, 1.0));
  painter.setBrush(Qt::white);
  painter.drawPath(sheet);
  QPainterPath fold;
  fold.moveTo(9.5, 1.5);
  fold.lineTo(9.5, 5.5);
  fold.lineTo(13.5, 5.5);
  painter.setBrush(QColor(226, 232, 238));
  painter.drawPath(fold);
  painter.setPen(QPen(kLine, 1.0));
  painter.drawLine(QPointF(4.5, 8.0), QPointF(11.5, 8.0));
  painter.drawLine(QPointF(4.5, 10.5), QPointF(11.5, 10.5));
  painter.drawLine(QPointF(4.5, 13.0), QPointF(8.5, 13.0));
}

// A round tag at the lower right of a 16-unit square with an arrow pointing down (received) or
// up (to be sent).
void DrawArrowTag(QPainter& painter, const QColor& colour, bool down) {
  painter.setPen(QPen(Qt::white, 1.0));
  painter.setBrush(colour);
  painter.drawEllipse(QPointF(11.5, 11.5), 4.2, 4.2);
  QPen arrow(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(arrow);
  painter.setBrush(Qt::NoBrush);
  const double tip = down ? 13.7 : 9.3;
  const double tail = down ? 9.3 : 13.7;
  const double wing = down ? -2.0 : 2.0;
  painter.drawLine(QPointF(11.5, tail), QPointF(11.5, tip));
  painter.drawLine(QPointF(9.5, tip + wing), QPointF(11.5, tip));
  painter.drawLine(QPointF(13.5, tip + wing), QPointF(11.5, tip));
}

// A clipboard holding a form, in a 32-unit square.
void DrawProject(QPainter& painter) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(kAccent);
  painter.drawRoundedRect(QRectF(5, 3, 22, 27), 3, 3);
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(8, 7, 16, 20), 1.5, 1.5);
  painter.setBrush(kAccentDark);
  painter.drawRoundedRect(QRectF(11, 1.5, 10, 5), 2, 2);
  painter.setPen(QPen(kAccentLight, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  for (int i = 0; i < 3; ++i) {
    const double y = 12.5 + i * 4.5;
    painter.drawLine(QPointF(10.5, y - 0.5), QPointF(11.5, y + 0.5));
    painter.drawLine(QPointF(11.5, y + 0.5), QPointF(13.0, y - 1.2));
    painter.drawLine(QPointF(15.0, y), QPointF(21.5, y));
  }
}

void DrawBadge(QPainter& painter) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(kBadge);
  painter.drawEllipse(QRectF(1, 1, 30, 30));
}

// A white seal with a tick, for the accent header band, in a 64-unit square.
void DrawHeader(QPainter& painter) {
  painter.setPen(QPen(Qt::white, 4.0));
  painter.setBrush(QColor(255, 255, 255, 40));
  painter.drawEllipse(QPointF(32, 32), 27, 27);
  QPainterPath tick;
  tick.moveTo(19, 33);
  tick.lineTo(28, 42);
  tick.lineTo(46, 22);
  painter.setPen(QPen(Qt::white, 6.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(tick);
}

}  // namespace

int CClientIcons::SourceSize(int resource) {
  switch (resource) {
    case kProject:
    case kProjectHighlighted:
    case kBadge:
      return 32;
    case kSession:
    case kSessionReceived:
    case kSessionMarked:
      return 16;
    case kHeader:
      return 64;
    default:
      return 0;
  }
}

QImage CClientIcons::Image(int resource, int size) {
  const int source = SourceSize(resource);
  if (source == 0 || size < 1) return QImage();
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(static_cast<double>(size) / source, static_cast<double>(size) / source);
  switch (resource) {
    case kProject:
      DrawProject(painter);
      break;
    case kProjectHighlighted:
      DrawProject(painter);
      painter.setPen(QPen(Qt::white, 1.5));
      painter.setBrush(kNewData);
      painter.drawEllipse(QPointF(25, 25), 6, 6);
      break;
    case kBadge:
      DrawBadge(painter);
      break;
    case kSession:
      DrawSheet(painter);
      break;
    case kSessionReceived:
      DrawSheet(painter);
      DrawArrowTag(painter, kReceived, true);
      break;
    case kSessionMarked:
      DrawSheet(painter);
      DrawArrowTag(painter, kMarked, false);
      break;
    case kHeader:
      DrawHeader(painter);
      break;
  }
  painter.end();
  return image;
}

QPixmap CClientIcons::Bitmap(int resource, int size) {
  // Lists repaint their rows often: each picture is drawn once per size.
  const QString key = QStringLiteral("qlt.icon.%1.%2").arg(resource).arg(size);
  QPixmap pixmap;
  if (!QPixmapCache::find(key, &pixmap)) {
    pixmap = QPixmap::fromImage(Image(resource, size));
    QPixmapCache::insert(key, pixmap);
  }
  return pixmap;
}
