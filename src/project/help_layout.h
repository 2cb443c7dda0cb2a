// CHelpLayout: places the words of a help text (CHelpMarkup) as runs in a column: each word after
// the previous one in its style's font, a new line when the next would pass the right edge, line
// breaks as the markup says. The runs are what the page display paints. Stateless; UI thread
// (font metrics).
#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

#include "project/help_markup.h"

class CHelpLayout {
 public:
  struct Fonts {
    QFont normal;
    QFont bold;
    QFont underline;
    QFont boldUnderline;
    QFont heading;
    // The font of a word with these style bits.
    const QFont& ForStyle(int style) const;
  };

  struct Run {
    QRect rect;
    QString text;
    int style = 0;
  };

  struct Result {
    QList<Run> runs;
    int bottom = 0;  // bottom of the last line
  };

  // Lays the items out in the column [left, left + width) starting at `top`. A word wider than
  // the column is broken over lines so that none of it is lost off the edge.
  static Result Layout(const QList<CHelpMarkup::Item>& items, const Fonts& fonts, int left, int top,
                       int width);
};
