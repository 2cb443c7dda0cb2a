// CDeviceButton: the part below the caption that the GPS and barcode points share: a white
// rounded box with the value centred on one line, and under it the button band with its grey
// text ("(Tap for GPS)"), filled light grey with the device's icon at its left when the point
// asks for a large button. The icons are drawn here, so the program carries no image files.
// Sizes are for normal scale and are multiplied by the scale factor. Stateless; UI thread.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include "qlt_custom_point.h"

class QPainter;

class CDeviceButton {
 public:
  enum class Icon { kGps, kBarcode };

  // The height the box and the band add below the caption: 42, or 104 with the large button.
  static int Extra(bool large, int scale) { return (large ? 104 : 42) * scale; }
  // The height of the band alone: 18, or 80 with the large button.
  static int Band(bool large, int scale) { return (large ? 80 : 18) * scale; }
  // Whether a tap `fromBottom` pixels above the point's bottom edge is on the box or the band
  // (higher up is the caption's).
  static bool IsOnButton(int fromBottom, bool large, int scale) {
    return fromBottom <= Band(large, scale) + 24 * scale;
  }

  // A point's height and drawing through its site: the caption part is the site's default, the
  // box and the band come below it.
  static HRESULT GetPointHeight(ICustomPointSite2* site, QPainter* painter, LONG width, bool large,
                                LONG* height);
  static HRESULT PaintPoint(ICustomPointSite2* site, QPainter* painter, const QltRect* rect,
                            const QString& value, const QString& buttonText, bool large, Icon icon);

  // Draws the box and the band into the bottom of `rect` (the point's whole rectangle).
  static void Paint(QPainter& painter, const QRect& rect, const QString& value,
                    const QString& buttonText, bool large, Icon icon, int scale);

  // The icon `size` pixels square on a transparent background.
  static QImage IconImage(Icon icon, int size);
};
