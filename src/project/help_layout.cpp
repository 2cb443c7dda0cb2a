#include "project/help_layout.h"

#include <QFontMetrics>
#include <algorithm>

const QFont& CHelpLayout::Fonts::ForStyle(int style) const {
  if (style & CHelpMarkup::kHeading) return heading;
  const bool bold = (style & CHelpMarkup::kBold) != 0;
  const bool underlined = (style & CHelpMarkup::kUnderline) != 0;
  if (bold && underlined) return boldUnderline;
  if (bold) return this->bold;
  if (underlined) return underline;
  return normal;
}

namespace {

// Where the next piece goes; a line's height is that of its tallest font, so a heading and
// plain words on one line never overlap the next line.
struct Cursor {
  int left;
  int right;
  int x;
  int y;
  int lineHeight = 0;

  void NewLine(int emptyLineHeight) {
    y += lineHeight > 0 ? lineHeight : emptyLineHeight;
    x = left;
    lineHeight = 0;
  }
};

// The longest prefix of `text` (at least one character, never half a surrogate pair) that fits
// in `room` pixels.
qsizetype FittingPrefix(const QString& text, const QFontMetrics& metrics, int room) {
  qsizetype length = 0;
  while (length < text.size()) {
    qsizetype next = length + 1;
    if (next < text.size() && text[next - 1].isHighSurrogate() && text[next].isLowSurrogate()) {
      ++next;
    }
    if (length > 0 && metrics.horizontalAdvance(text.left(next)) > room) break;
    length = next;
  }
  return length;
}

}  // namespace

CHelpLayout::Result CHelpLayout::Layout(const QList<CHelpMarkup::Item>& items, const Fonts& fonts,
                                        int left, int top, int width) {
  Result result;
  width = std::max(width, 1);
  Cursor cursor{left, left + width, left, top};
  for (const CHelpMarkup::Item& item : items) {
    const QFontMetrics metrics(fonts.ForStyle(item.style));
    const int lineHeight = metrics.height();
    if (item.kind == CHelpMarkup::Item::kLineBreak) {
      cursor.NewLine(lineHeight);
      for (int extra = 1; extra < item.lines; ++extra) cursor.NewLine(lineHeight);
      continue;
    }
    QString rest = item.text;
    int advance = metrics.horizontalAdvance(rest);
    if (cursor.x > cursor.left) {
      const int space = item.glued ? 0 : metrics.horizontalAdvance(QLatin1Char(' '));
      if (cursor.x + space + advance > cursor.right) {
        cursor.NewLine(lineHeight);
      } else {
        cursor.x += space;
      }
    }
    // A word longer than the column goes on in pieces, one line each.
    while (!rest.isEmpty()) {
      const int room = cursor.right - cursor.x;
      const qsizetype fit = advance <= room ? rest.size() : FittingPrefix(rest, metrics, room);
      const QString piece = rest.left(fit);
      const int pieceAdvance = fit == rest.size() ? advance : metrics.horizontalAdvance(piece);
      result.runs.append({QRect(cursor.x, cursor.y, pieceAdvance, lineHeight), piece, item.style});
      cursor.x += pieceAdvance;
      cursor.lineHeight = std::max(cursor.lineHeight, lineHeight);
      rest = rest.mid(fit);
      if (rest.isEmpty()) break;
      advance = metrics.horizontalAdvance(rest);
      cursor.NewLine(lineHeight);
    }
  }
  result.bottom = cursor.y + cursor.lineHeight;
  return result;
}
