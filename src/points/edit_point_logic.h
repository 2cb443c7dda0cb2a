// CEditPointLogic: the edit point's rules without any window: zero fill, the numeric check of
// verification and its question, stepping with the arrows, and the geometry of the caption, the
// box and the arrow buttons for a given item rectangle. Stateless; UI thread (the question reads
// the translation table).
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

#include "points/edit_point.h"

class CEditPointLogic {
 public:
  using Settings = CEditPoint::Settings;

  // Where the parts of an edit point go inside its item rectangle (exclusive right and bottom
  // edges are x() + width() and y() + height(), as everywhere in QRect).
  struct Geometry {
    QRect caption;  // where the base paint draws the caption
    QRect box;      // the edit box
    QRect up;       // the arrow buttons; empty when no arrows are shown
    QRect down;
  };

  // Longest texts zero fill produces and widest boxes the layout takes: a damaged file cannot
  // make the point allocate or draw without bound.
  static constexpr int kMaxPadWidth = 1000;
  static constexpr int kMaxLines = 500;

  // The text filled on the left with "0" up to the pad width (unchanged when the pad width is 0
  // or the text is long enough). A numeric text with a leading minus sign keeps the sign in front
  // ("-7" becomes "-007" for 4), so that it stays a number.
  static QString ZeroFill(const QString& text, const Settings& settings);

  // Whether the up/down arrows are shown: numeric, arrows set, a one-line box and not read-only.
  static bool ArrowsShown(const Settings& settings, bool readOnly);

  // The value after one step of `delta` from the box text: leading zeros dropped, the integer
  // read (0 when there is none), moved by delta, clamped to the range when the range check is
  // set, formatted as a decimal integer.
  static QString Step(const QString& boxText, int delta, const Settings& settings);

  // Reads a decimal integer at the start of the text (optional sign, digits); false when there
  // are no digits. Values beyond 32 bits are clamped.
  static bool ReadInteger(const QString& text, int32_t& out);

  // The numeric check of verification: true when the text is acceptable. The empty text always
  // is; otherwise it must pass the numeric-text test and, with the range check, its first number
  // (read as a single-precision real) must lie within minimum..maximum. A text with no number
  // to read fails the range check.
  static bool PassesNumericCheck(const QString& text, const Settings& settings);

  // The question asked when the numeric check fails, for the point's display caption.
  static QString NumericQuestion(const QString& displayCaption);

  // Width of the box beside the caption for lines <= 0, at the display scale factor.
  static int BesideBoxWidth(const Settings& settings, int scale);
  // The width the caption is measured and drawn in.
  static int CaptionWidth(const Settings& settings, int width, int scale);
  // The point's height from the caption's height (the base height, gap included).
  static int Height(const Settings& settings, int captionHeight, int scale);
  // The parts for an item rectangle; `captionHeight` is what the base paint returned.
  static Geometry Layout(const Settings& settings, const QRect& item, int captionHeight,
                         bool arrows, int scale);
  // The step of a tap at x with arrows shown: -1 on the down arrow, +1 on the up arrow, else 0.
  static int TapStep(const QRect& item, int x, int scale);
};
