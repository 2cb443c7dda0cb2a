#include "project/help_markup.h"

namespace {

bool IsSeparator(QChar c) { return c.unicode() < 33; }

// The style change of a tag's inner text, as (bits, on); bits 0 for a tag that is not markup.
std::pair<int, bool> TagStyle(QStringView tag) {
  struct Known {
    const char* name;
    int bits;
    bool on;
  };
  static constexpr Known kKnown[] = {
      {"b", CHelpMarkup::kBold, true},      {"/b", CHelpMarkup::kBold, false},
      {"u", CHelpMarkup::kUnderline, true}, {"/u", CHelpMarkup::kUnderline, false},
      {"h1", CHelpMarkup::kHeading, true},  {"/h1", CHelpMarkup::kHeading, false},
  };
  for (const Known& known : kKnown) {
    if (tag.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0) {
      return {known.bits, known.on};
    }
  }
  return {0, false};
}

}  // namespace

QList<CHelpMarkup::Item> CHelpMarkup::Parse(const QString& text) {
  QList<Item> items;
  int style = 0;
  bool pieceHasWord = false;  // a word was read since the last tag (or the start)
  bool separated = true;  // a separator (or the start, or a line break) came since the last word
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    const QChar c = text[i];
    if (c == QLatin1Char('<')) {
      const qsizetype close = text.indexOf(QLatin1Char('>'), i + 1);
      if (close < 0) break;
      const auto [bits, on] = TagStyle(QStringView(text).mid(i + 1, close - i - 1));
      if (bits != 0) style = on ? (style | bits) : (style & ~bits);
      pieceHasWord = false;
      i = close + 1;
      continue;
    }
    if (c == QLatin1Char('\n')) {
      Item item;
      item.kind = Item::kLineBreak;
      item.lines = pieceHasWord ? 1 : 2;
      item.style = style;
      items.append(item);
      separated = true;
      ++i;
      continue;
    }
    if (IsSeparator(c)) {
      separated = true;
      ++i;
      continue;
    }
    const qsizetype start = i;
    while (i < n && !IsSeparator(text[i]) && text[i] != QLatin1Char('<')) ++i;
    Item item;
    item.text = text.mid(start, i - start);
    item.style = style;
    item.glued = !separated;
    items.append(item);
    pieceHasWord = true;
    separated = false;
  }
  return items;
}

QList<CHelpMarkup::Item> CHelpMarkup::PlainWords(const QString& text, int style) {
  QList<Item> items;
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    if (IsSeparator(text[i])) {
      ++i;
      continue;
    }
    const qsizetype start = i;
    while (i < n && !IsSeparator(text[i])) ++i;
    Item item;
    item.text = text.mid(start, i - start);
    item.style = style;
    items.append(item);
  }
  return items;
}
