// CHelpMarkup: reads the small markup of help texts into words and line breaks: "<b>", "<u>",
// "<h1>" and their closing tags switch bold, underline and heading (without regard to case);
// any other tag is dropped; a "<" with no ">" after it ends the text. Words are separated by
// characters below 33; carriage returns are ignored; a line feed before the first word of a
// piece of text between two tags makes a blank line. Pure; any thread.
#pragma once

#include <QList>
#include <QString>

class CHelpMarkup {
 public:
  // Style bits of a word.
  enum Style : int { kBold = 1, kUnderline = 4, kHeading = 8 };

  struct Item {
    enum Kind { kWord, kLineBreak };
    Kind kind = kWord;
    QString text;        // the word (kWord): never empty, no character below 33, no "<"
    int style = 0;       // Style bits of the word, or in force at the line break
    bool glued = false;  // the word follows the previous one without a separator (a tag between)
    int lines = 1;       // lines advanced (kLineBreak): 1, or 2 for a blank line
  };

  static QList<Item> Parse(const QString& text);

  // The words of a plain text (no markup) in one style, for a heading built from a caption.
  static QList<Item> PlainWords(const QString& text, int style);
};
