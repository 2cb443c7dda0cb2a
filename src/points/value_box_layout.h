// CValueBoxLayout: where the value box of a point with a Width setting goes (math, time and drop
// points): with a non-zero Width at the right of the caption, Width x 15 + 10 pixels taken from
// the caption's width, otherwise on a line of its own under the caption. Pixel sizes are for
// normal scale and are multiplied by the scale factor. Stateless; UI thread.
#pragma once

#include <QRect>
#include <cstdint>

class CValueBoxLayout {
 public:
  // Widths beyond this many units are taken as this (a damaged file cannot ask for a box wider
  // than any page); negative widths act as 0.
  static constexpr int32_t kMaxWidth = 200;

  // Whether the box stands beside the caption.
  static bool IsBeside(int32_t width) { return width > 0; }
  // The pixels the box takes from the caption's width when it stands beside it (0 otherwise).
  static int Allowance(int32_t width, int scale);
  // The width the caption is measured and drawn in, for an item of `itemWidth` pixels.
  static int CaptionWidth(int32_t width, int itemWidth, int scale);
  // The box height: 20 pixels, 36 at doubled scale.
  static int BoxHeight(int scale);
  // The point's height from the base height of its caption (page gap included) at CaptionWidth.
  static int Height(int32_t width, int captionHeight, int scale);
  // The caption's rectangle inside the item rectangle.
  static QRect CaptionRect(int32_t width, const QRect& item, int scale);
  // The box for an item rectangle: beside the caption at the right edge, Width x 15 + 8 pixels
  // wide and centred vertically; or filling the item below the caption's `captionHeight`.
  static QRect BoxRect(int32_t width, const QRect& item, int captionHeight, int scale);
};
