#include "points/layout_drawing.h"

#include <algorithm>
#include <cstdlib>

namespace {

const QString kPageFace = QStringLiteral("Tahoma");
constexpr int32_t kPageSize = -12;
// A damaged file cannot ask for a font taller than any page.
constexpr int kMaxPixelSize = 400;

}  // namespace

bool CLayoutDrawing::IsSeparator(const QString& text, bool hasImage) {
  if (hasImage || text.isEmpty()) return false;
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c == QLatin1Char('-'); });
}

std::optional<QFont> CLayoutDrawing::CustomFont(const QString& text, const FontSettings& settings,
                                                int scale) {
  if (text.isEmpty() || settings.face.isEmpty()) return std::nullopt;
  if (settings.face == kPageFace && settings.size == kPageSize && settings.italic == 0 &&
      settings.underline == 0) {
    return std::nullopt;
  }
  QFont font(settings.face);
  // Either sign gives the character height; 0 is the page's size.
  const int64_t height = settings.size == 0 ? -kPageSize : std::llabs(int64_t{settings.size});
  font.setPixelSize(static_cast<int>(std::clamp<int64_t>(height, 1, kMaxPixelSize)) * scale);
  font.setWeight(settings.bold ? QFont::Bold : QFont::Normal);
  font.setItalic(settings.italic != 0);
  font.setUnderline(settings.underline != 0);
  return font;
}

int CLayoutDrawing::AlignmentFlags(int32_t alignment) {
  switch (alignment) {
    case 1:
      return Qt::AlignHCenter;
    case 2:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

QSize CLayoutDrawing::ImageDrawSize(const QSize& image, bool madeForDoubled, int scale) {
  const bool doubledDisplay = scale >= 2;
  if (madeForDoubled == doubledDisplay) return image;
  if (doubledDisplay) return image * 2;
  return QSize(std::max(1, image.width() / 2), std::max(1, image.height() / 2));
}
