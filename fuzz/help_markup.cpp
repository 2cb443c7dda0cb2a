// Fuzz target: any text read as help markup (the first byte chooses UTF-8 or UTF-16). The reader
// must never crash, and what it returns must hold: words are non-empty, free of separators and
// "<", appear in the text in order; line breaks advance one or two lines and are never more than
// the text's line feeds; styles are only the three markup bits; reading again gives the same.
#include "project/help_markup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QString Decode(const uint8_t* data, size_t size) {
  if (size == 0) return QString();
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const auto length = static_cast<qsizetype>(size - 1);
  if (data[0] & 1) {
    return QString(reinterpret_cast<const QChar*>(bytes), length / 2);
  }
  return QString::fromUtf8(bytes, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = Decode(data, size);
  const QList<CHelpMarkup::Item> items = CHelpMarkup::Parse(text);
  const int allStyles = CHelpMarkup::kBold | CHelpMarkup::kUnderline | CHelpMarkup::kHeading;
  qsizetype position = 0;
  qsizetype breaks = 0;
  for (const CHelpMarkup::Item& item : items) {
    if ((item.style & ~allStyles) != 0) std::abort();
    if (item.kind == CHelpMarkup::Item::kLineBreak) {
      if (item.lines != 1 && item.lines != 2) std::abort();
      ++breaks;
      continue;
    }
    if (item.text.isEmpty() || item.text.contains(QLatin1Char('<'))) std::abort();
    for (QChar c : item.text) {
      if (c.unicode() < 33) std::abort();
    }
    const qsizetype found = text.indexOf(item.text, position);
    if (found < 0) std::abort();
    position = found + item.text.size();
  }
  if (breaks > text.count(QLatin1Char('\n'))) std::abort();
  const QList<CHelpMarkup::Item> again = CHelpMarkup::Parse(text);
  if (again.size() != items.size()) std::abort();
  for (qsizetype i = 0; i < items.size(); ++i) {
    if (again[i].text != items[i].text || again[i].style != items[i].style ||
        again[i].kind != items[i].kind || again[i].lines != items[i].lines ||
        again[i].glued != items[i].glued) {
      std::abort();
    }
  }
  return 0;
}
