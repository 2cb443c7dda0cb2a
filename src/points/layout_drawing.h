// CLayoutDrawing: the drawing rules the layout and link points share: when a text is a separator,
// the custom font of a text, the alignment flags, and the size an image is drawn at for the
// display scale. Pure functions without widgets, so the rules are tested directly. Stateless; UI
// thread (fonts).
#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>

class CLayoutDrawing {
 public:
  struct FontSettings {
    QString face;
    int32_t size = -12;  // negative: character height
    int32_t italic = 0;
    int32_t underline = 0;
    bool bold = false;
  };

  // A text of one or more "-" only, without an image, is drawn as a line.
  static bool IsSeparator(const QString& text, bool hasImage);
  // The height of a separator line: 1 pixel, 2 at doubled scale.
  static int SeparatorHeight(int scale) { return scale; }

  // The font of its own a non-empty text gets when its settings differ from the page's
  // ("Tahoma", -12, neither italic nor underlined); nothing when the page font is used.
  static std::optional<QFont> CustomFont(const QString& text, const FontSettings& settings,
                                         int scale);

  // Qt alignment for 0 left, 1 centred, 2 right (anything else: left).
  static int AlignmentFlags(int32_t alignment);

  // The size an image is drawn at: its own when it was made for the display's scale, doubled
  // for a normal image on a doubled display, halved for a doubled image on a normal display.
  static QSize ImageDrawSize(const QSize& image, bool madeForDoubled, int scale);
};
