// CPageBackdrop: what the page display paints behind a page's content: the header band (the
// project's header image, or the built-in one, with the page caption in it) and the side band
// tiled down the left edge. It keeps the decoded images for the project's graphics and the
// display scale and decodes again only when they change. Owned by the page display; UI thread
// only.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

class CGraphics;
class QPainter;

class CPageBackdrop {
 public:
  // Takes the images of the graphics at the scale (decoding them when they changed).
  void Update(const CGraphics& graphics, bool doubled);

  // Height of the header band at the current scale.
  int HeaderHeight() const { return m_header.height(); }
  // True when the project has no header image of its own (or it does not decode).
  bool UsesDefaultHeader() const { return m_defaultHeader; }
  const QImage& HeaderImage() const { return m_header; }
  const QImage& SideImage() const { return m_side; }

  // The area the caption is centred in, for a client rectangle and the scroll position.
  QRect CaptionRect(const QRect& client, int margin, int scroll) const;

  // The header band at the top of the client rectangle, moved up by the scroll position; when the
  // image is narrower than the client (and at least 32 pixels wide), its last 16 columns are
  // stretched over the rest. The caption is drawn in the heading font and colour.
  void PaintHeader(QPainter& painter, const QRect& client, int scroll, const QString& caption,
                   const CGraphics& graphics) const;
  // The side image tiled down the left edge from `top` (page coordinates, so the tiling moves
  // with the scroll position).
  void PaintSide(QPainter& painter, const QRect& client, int top, int scroll) const;

 private:
  // Decodes an image stored for `storedDoubled` and sizes it for the current scale.
  static QImage Prepare(const QByteArray& bytes, bool storedDoubled, bool doubled);

  QImage m_header;
  QImage m_side;
  bool m_defaultHeader = true;
  bool m_prepared = false;
  bool m_doubled = false;
  QByteArray m_headerSource;
  int m_headerHighRes = 0;
  QByteArray m_sideSource;
  int m_sideHighRes = 0;
};
