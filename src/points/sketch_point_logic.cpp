#include "points/sketch_point_logic.h"

#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/image_services.h"
#include "values/archive.h"

namespace SketchLogic {

namespace {

// Windows colour values (0x00BBGGRR), in palette order.
constexpr uint32_t kColours[kColourCount] = {0x000000, 0x0000FF, 0x008000, 0xFF0000, 0x00FFFF,
                                             0xFF00FF, 0xFFFF00, 0x808080, 0xFFFFFF};
// A rendered sketch holds at most this many pixels.
constexpr qint64 kMaxRenderPixels = 16'000'000;
// The display of a canvas is at most this many times as high as it is wide.
constexpr int kMaxAspect = 4;

int Coordinate(uint32_t value) { return static_cast<int>(std::min<uint32_t>(value, INT_MAX)); }

int HexAt(const QString& text, qsizetype at, int digits, bool& ok) {
  const int value = text.mid(at, digits).toInt(&ok, 16);
  return ok ? value : 0;
}

}  // namespace

QColor Colour(int index) {
  if (index < 0 || index >= kColourCount) return QColor(Qt::black);
  const uint32_t c = kColours[index];
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

int PaletteSize(int palette) {
  switch (palette) {
    case 2:
      return 8;
    case 3:
      return 9;
    default:
      return palette > 0 ? 4 : 0;
  }
}

QByteArray Encode(const QList<Stroke>& strokes, const QSize& canvas) {
  CArchive ar;
  ar.WriteCount(static_cast<int32_t>(strokes.size()));
  for (const Stroke& stroke : strokes) {
    ar.WriteCount(stroke.colour);
    ar.WriteCount(static_cast<int32_t>(stroke.points.size()));
    for (const QPoint& point : stroke.points) {
      ar.WriteUInt32(static_cast<uint32_t>(std::max(0, point.x())));
      ar.WriteUInt32(static_cast<uint32_t>(std::max(0, point.y())));
    }
  }
  if (canvas.width() > 0 && canvas.height() > 0) {
    ar.WriteInt32(canvas.width());
    ar.WriteInt32(canvas.height());
  }
  return ar.Buffer();
}

Sketch DecodeBinary(const QByteArray& bytes) {
  Sketch sketch;
  CArchive ar(bytes);
  try {
    const int32_t count = ar.ReadCount();
    for (int32_t i = 0; i < count; ++i) {
      Stroke stroke;
      stroke.colour = ar.ReadCount();
      const int32_t points = ar.ReadCount();
      // Refuse a count the value cannot hold before allocating for it.
      ar.Require(static_cast<qsizetype>(points) * 8);
      if (points > kMaxPointsPerStroke) throw CArchiveError("stroke too long");
      stroke.points.reserve(points);
      for (int32_t p = 0; p < points; ++p) {
        const uint32_t x = ar.ReadUInt32();
        const uint32_t y = ar.ReadUInt32();
        stroke.points.append(QPoint(Coordinate(x), Coordinate(y)));
      }
      sketch.strokes.append(stroke);
    }
    if (ar.Remaining() >= 8) {
      const int32_t width = ar.ReadInt32();
      const int32_t height = ar.ReadInt32();
      if (width > 0 && height > 0) sketch.canvas = QSize(width, height);
    }
  } catch (const CArchiveError&) {
    sketch.damaged = true;
  }
  return sketch;
}

Sketch DecodeText(const QString& text, int scale) {
  Sketch sketch;
  if (text.size() < 9 || !text.endsWith(QLatin1Char('0'))) {
    sketch.damaged = !text.isEmpty();
    return sketch;
  }
  qsizetype at = 0;
  while (text.size() - at >= 8) {
    const QChar mark = text.at(at);
    if (mark == QLatin1Char('0')) return sketch;
    const int colour = mark.unicode() - '1';
    bool ok = colour >= 0 && colour < kColourCount;
    const int count = ok ? HexAt(text, at + 1, 4, ok) : 0;
    if (!ok || text.size() - (at + 5) < static_cast<qsizetype>(count) * 4) {
      sketch.damaged = true;
      return sketch;
    }
    at += 5;
    Stroke stroke;
    stroke.colour = colour;
    for (int p = 0; p < count; ++p) {
      const int x = HexAt(text, at, 2, ok);
      const int y = ok ? HexAt(text, at + 2, 2, ok) : 0;
      if (!ok) {
        sketch.damaged = true;
        return sketch;
      }
      stroke.points.append(QPoint(x * scale, y * scale));
      at += 4;
    }
    sketch.strokes.append(stroke);
  }
  return sketch;
}

Sketch Decode(const CVariant& value, int scale) {
  if (value.IsByteArray()) return DecodeBinary(value.Bytes());
  if (value.IsString()) return DecodeText(value.StringPayload(), scale);
  Sketch sketch;
  sketch.damaged = !value.IsEmptyOrNull();
  return sketch;
}

QSize FitCanvas(const QSize& size) {
  if (size.width() <= 0 || size.height() <= 0) return QSize(1, 1);
  if (size.width() <= kMaxCanvasWidth && size.height() <= kMaxCanvasHeight) return size;
  const double factor =
      std::max(size.width() / double(kMaxCanvasWidth), size.height() / double(kMaxCanvasHeight));
  return QSize(std::max(1, static_cast<int>(size.width() / factor)),
               std::max(1, static_cast<int>(size.height() / factor)));
}

QSize CanvasSize(const CanvasInputs& in) {
  if (in.stored.width() != 0 && in.stored.height() != 0) {
    // Only a positive stored size is a size; a negative one from a damaged file is ignored.
    if (in.stored.width() > 0 && in.stored.height() > 0) return in.stored;
  }
  if (in.shell && in.shell->width() > 0 && in.shell->height() > 0) return FitCanvas(*in.shell);
  if (in.picture.isValid() && !in.picture.isEmpty()) return FitCanvas(in.picture);
  if (in.controlWidth > 0) {
    return QSize(in.controlWidth, std::clamp(in.canvasRows, 1, 1000) * 32);
  }
  return QSize(std::max(1, in.pointWidth - 10 * in.scale), std::clamp(in.canvasRows, 1, 1000) * 32);
}

int DisplayHeight(const QSize& canvas, int width) {
  if (canvas.width() <= 0 || canvas.height() <= 0 || width <= 0) return 0;
  const double height = double(canvas.height()) * width / canvas.width();
  return static_cast<int>(std::clamp(height, 1.0, double(width) * kMaxAspect));
}

QPoint ToCanvas(const QPointF& position, double factor, const QSize& canvas) {
  if (factor <= 0 || canvas.isEmpty()) return QPoint();
  const double x = std::clamp(position.x() / factor, 0.0, double(canvas.width() - 1));
  const double y = std::clamp(position.y() / factor, 0.0, double(canvas.height() - 1));
  return QPoint(static_cast<int>(x), static_cast<int>(y));
}

bool RemoveColour(QList<Stroke>& strokes, int colour) {
  return strokes.removeIf([colour](const Stroke& stroke) { return stroke.colour == colour; }) > 0;
}

void DrawStrokes(QPainter& painter, const QList<Stroke>& strokes, double factor) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  for (const Stroke& stroke : strokes) {
    if (stroke.points.size() < 2) continue;
    painter.setPen(QPen(Colour(stroke.colour), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF line;
    line.reserve(stroke.points.size());
    for (const QPoint& point : stroke.points) line.append(QPointF(point) * factor);
    painter.drawPolyline(line);
  }
  painter.restore();
}

QImage Render(const QImage& background, const QList<Stroke>& strokes, const QSize& canvas) {
  if (canvas.width() <= 0 || canvas.height() <= 0) return QImage();
  double factor = 1.0;
  const qint64 pixels = qint64(canvas.width()) * canvas.height();
  if (pixels > kMaxRenderPixels) factor = std::sqrt(double(kMaxRenderPixels) / pixels);
  const QSize size(std::max(1, int(canvas.width() * factor)),
                   std::max(1, int(canvas.height() * factor)));
  QImage image(size, QImage::Format_RGB888);
  if (image.isNull()) return image;
  image.fill(Qt::white);
  QPainter painter(&image);
  if (!background.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QRect(QPoint(0, 0), size), background);
  }
  DrawStrokes(painter, strokes, factor);
  painter.end();
  return image;
}

QString OutputFileName(const QString& baseFile, uint32_t index, const QString& pointName) {
  QString name = baseFile;
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  if (index > 0) name += QStringLiteral("_%1").arg(index);
  return name + QLatin1Char('_') + pointName + QStringLiteral(".jpg");
}

QImage LoadBackground(const QByteArray& bytes) {
  if (bytes.isEmpty()) return QImage();
  const CImageServices images;
  QImage picture = images.LoadImage(bytes);
  if (picture.isNull()) return picture;
  if (picture.width() >= kMaxCanvasWidth && picture.height() >= kMaxCanvasHeight) {
    const QSize fitted = FitCanvas(picture.size());
    const QImage smaller = images.LoadImage(bytes, fitted.width(), fitted.height());
    if (!smaller.isNull()) picture = smaller;
  }
  return picture;
}

}  // namespace SketchLogic
