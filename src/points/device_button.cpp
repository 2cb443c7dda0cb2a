#include "points/device_button.h"

#include <QPainter>
#include <QPainterPath>
#include <iterator>

#include "project/display_scale.h"

namespace {

// A map pin over a ring: where the receiver says we are.
void DrawGps(QPainter& painter, qreal u) {
  painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.5 * u));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QRectF(4 * u, 22 * u, 24 * u, 8 * u));
  QPainterPath pin;
  pin.moveTo(16 * u, 27 * u);
  pin.cubicTo(13 * u, 21 * u, 7 * u, 16 * u, 7 * u, 11 * u);
  pin.arcTo(QRectF(7 * u, 2 * u, 18 * u, 18 * u), 180, -180);
  pin.cubicTo(25 * u, 16 * u, 19 * u, 21 * u, 16 * u, 27 * u);
  pin.closeSubpath();
  pin.addEllipse(QRectF(12 * u, 7 * u, 8 * u, 8 * u));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xD0, 0x30, 0x30));
  painter.drawPath(pin);
}

// Bars of a code between two corner marks.
void DrawBarcode(QPainter& painter, qreal u) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x20, 0x20, 0x20));
  const int widths[] = {2, 1, 1, 3, 1, 2, 1, 1, 2, 3, 1, 1, 2};
  qreal x = 5 * u;
  for (int i = 0; i < int(std::size(widths)); ++i) {
    if (i % 2 == 0) painter.drawRect(QRectF(x, 8 * u, widths[i] * u, 16 * u));
    x += (widths[i] + 0.6) * u;
  }
  painter.setPen(QPen(QColor(0xD0, 0x30, 0x30), 1.5 * u));
  painter.drawLine(QPointF(2 * u, 16 * u), QPointF(30 * u, 16 * u));
}

}  // namespace

HRESULT CDeviceButton::GetPointHeight(ICustomPointSite2* site, QPainter* painter, LONG width,
                                      bool large, LONG* height) {
  if (height == nullptr) return E_POINTER;
  if (site == nullptr) return E_UNEXPECTED;
  LONG caption = 0;
  const HRESULT hr = site->DefaultGetHeight(painter, width, &caption);
  if (FAILED(hr)) return hr;
  *height = caption + Extra(large, CDisplayScale::Factor());
  return S_OK;
}

HRESULT CDeviceButton::PaintPoint(ICustomPointSite2* site, QPainter* painter, const QltRect* rect,
                                  const QString& value, const QString& buttonText, bool large,
                                  Icon icon) {
  if (painter == nullptr || rect == nullptr) return E_POINTER;
  if (site == nullptr) return E_UNEXPECTED;
  const int scale = CDisplayScale::Factor();
  QltRect caption = *rect;
  caption.bottom -= Extra(large, scale);
  site->DefaultPaint(painter, &caption);
  Paint(*painter, QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
        value, buttonText, large, icon, scale);
  return S_OK;
}

void CDeviceButton::Paint(QPainter& painter, const QRect& rect, const QString& value,
                          const QString& buttonText, bool large, Icon icon, int scale) {
  const int bottom = rect.top() + rect.height();
  const int band = Band(large, scale);
  const int extra = Extra(large, scale);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF box(rect.left() + scale + 0.5, bottom - extra + scale + 0.5,
                   rect.width() - 2 * scale - 1.0, extra - band - 2 * scale - 1.0);
  painter.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), scale));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(box, 8 * scale, 8 * scale);
  painter.setFont(CDisplayScale::NormalFont());
  painter.setPen(Qt::black);
  const QRectF inner = box.adjusted(6 * scale, 0, -6 * scale, 0);
  painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(value, Qt::ElideRight, int(inner.width())));

  const QRect bandRect(rect.left(), bottom - band, rect.width(), band);
  if (large) {
    painter.fillRect(bandRect, QColor(240, 240, 240));
    const int size = 32 * scale;
    painter.drawImage(QPoint(bandRect.left() + 10 * scale, bandRect.top() + (band - size) / 2),
                      IconImage(icon, size));
  }
  painter.setPen(QColor(128, 128, 128));
  painter.drawText(bandRect, Qt::AlignCenter | Qt::TextSingleLine, buttonText);
  painter.restore();
}

QImage CDeviceButton::IconImage(Icon icon, int size) {
  if (size < 1) return {};
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const qreal u = size / 32.0;
  if (icon == Icon::kGps) {
    DrawGps(painter, u);
  } else {
    DrawBarcode(painter, u);
  }
  return image;
}
