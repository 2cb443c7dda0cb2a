#include "ui/client_icons.h"

#include <QPainter>

QPixmap CClientIcons::Bitmap(int resource, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(resource == 146 ? QColor(200, 0, 0) : QColor(0, 102, 153));
  painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
  return pixmap;
}
