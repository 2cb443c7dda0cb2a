#include "points/value_box_layout.h"

#include <algorithm>

namespace {

int32_t Units(int32_t width) { return std::clamp<int32_t>(width, 0, CValueBoxLayout::kMaxWidth); }

}  // namespace

int CValueBoxLayout::Allowance(int32_t width, int scale) {
  const int32_t units = Units(width);
  return units > 0 ? (units * 15 + 10) * scale : 0;
}

int CValueBoxLayout::CaptionWidth(int32_t width, int itemWidth, int scale) {
  return itemWidth - Allowance(width, scale);
}

int CValueBoxLayout::BoxHeight(int scale) { return scale >= 2 ? 36 : 20; }

int CValueBoxLayout::Height(int32_t width, int captionHeight, int scale) {
  if (IsBeside(width)) return std::max(captionHeight, 20 * scale);
  return captionHeight + 20 * scale;
}

QRect CValueBoxLayout::CaptionRect(int32_t width, const QRect& item, int scale) {
  QRect caption = item;
  caption.setWidth(std::max(0, CaptionWidth(width, item.width(), scale)));
  return caption;
}

QRect CValueBoxLayout::BoxRect(int32_t width, const QRect& item, int captionHeight, int scale) {
  if (IsBeside(width)) {
    const int boxWidth = (Units(width) * 15 + 8) * scale;
    const int boxHeight = BoxHeight(scale);
    const int top = item.top() + (item.height() - boxHeight) / 2;
    return QRect(item.left() + item.width() - boxWidth, top, boxWidth, boxHeight);
  }
  const int top = item.top() + std::clamp(captionHeight, 0, item.height());
  return QRect(item.left(), top, item.width(), item.top() + item.height() - top);
}
