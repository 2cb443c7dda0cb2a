#include "project/page_backdrop.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/image_services.h"
#include "project/display_scale.h"
#include "project/graphics.h"

namespace {

// The header's columns stretched over the width the image lacks.
constexpr int kStretchedColumns = 16;
constexpr int kMinStretchWidth = 32;
// Where the caption area ends: below the top of a project's own header, above the bottom of the
// built-in one.
constexpr int kOwnHeaderCaptionHeight = 40;
constexpr int kDefaultHeaderCaptionInset = 6;

}  // namespace

void CPageBackdrop::Update(const CGraphics& graphics, bool doubled) {
  const bool headerSame = m_prepared && m_doubled == doubled &&
                          m_headerSource.isSharedWith(graphics.headerImage) &&
                          m_headerHighRes == graphics.headerImageHighRes;
  const bool sideSame = m_prepared && m_doubled == doubled &&
                        m_sideSource.isSharedWith(graphics.sideImage) &&
                        m_sideHighRes == graphics.sideImageHighRes;
  if (headerSame && sideSame) return;
  if (!headerSame) {
    m_headerSource = graphics.headerImage;
    m_headerHighRes = graphics.headerImageHighRes;
    m_header = Prepare(m_headerSource, m_headerHighRes != 0, doubled);
    m_defaultHeader = m_header.isNull();
    if (m_defaultHeader) m_header = CImageServices::DefaultHeaderImage(doubled);
  }
  if (!sideSame) {
    m_sideSource = graphics.sideImage;
    m_sideHighRes = graphics.sideImageHighRes;
    m_side = Prepare(m_sideSource, m_sideHighRes != 0, doubled);
  }
  m_doubled = doubled;
  m_prepared = true;
}

QImage CPageBackdrop::Prepare(const QByteArray& bytes, bool storedDoubled, bool doubled) {
  if (bytes.isEmpty()) return QImage();
  QImage image = CImageServices().LoadImage(bytes);
  if (image.isNull()) return image;
  // An image made for the other scale keeps its proportions: both sides are doubled or halved.
  if (storedDoubled != doubled) {
    const QSize size = doubled ? image.size() * 2 : image.size() / 2;
    if (size.isEmpty()) return QImage();
    image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return image;
}

QRect CPageBackdrop::CaptionRect(const QRect& client, int margin, int scroll) const {
  const int scale = m_doubled ? 2 : 1;
  const int top = client.top() - scroll;
  const int height = m_defaultHeader ? m_header.height() - kDefaultHeaderCaptionInset * scale
                                     : kOwnHeaderCaptionHeight * scale;
  return QRect(client.left() + margin, top, client.width() - 2 * margin, std::max(0, height));
}

void CPageBackdrop::PaintHeader(QPainter& painter, const QRect& client, int scroll,
                                const QString& caption, const CGraphics& graphics) const {
  const int top = client.top() - scroll;
  if (!m_header.isNull()) {
    const int width = m_header.width();
    const int height = m_header.height();
    painter.drawImage(QRect(client.left(), top, width, height), m_header);
    if (width < client.width() && width >= kMinStretchWidth) {
      painter.drawImage(QRect(client.left() + width, top, client.width() - width, height), m_header,
                        QRect(width - kStretchedColumns, 0, kStretchedColumns, height));
    }
  }
  if (caption.isEmpty()) return;
  const int margin = graphics.margin * CDisplayScale::Factor();
  const QRect area = CaptionRect(client, margin, scroll);
  if (area.isEmpty()) return;
  const QFont font = graphics.Font(CGraphics::kHeading);
  painter.save();
  painter.setFont(font);
  painter.setPen(CGraphics::ToColour(graphics.headingColour));
  // One line: a caption longer than the band ends in an ellipsis rather than running off its left.
  const QString shown = QFontMetrics(font).elidedText(caption, Qt::ElideRight, area.width());
  painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shown);
  painter.restore();
}

void CPageBackdrop::PaintSide(QPainter& painter, const QRect& client, int top, int scroll) const {
  if (m_side.isNull() || m_side.height() <= 0) return;
  const int tileHeight = m_side.height();
  int y = client.top() + top - scroll;
  // Skip the tiles scrolled away above the client area.
  if (y + tileHeight <= client.top()) y += ((client.top() - y) / tileHeight) * tileHeight;
  for (; y < client.bottom() + 1; y += tileHeight) {
    painter.drawImage(QPoint(client.left(), y), m_side);
  }
}
