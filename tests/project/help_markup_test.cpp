// How help texts are read into words and line breaks, and how the words are placed in a column.
#include "project/help_markup.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>

#include "project/help_layout.h"

namespace {

using Item = CHelpMarkup::Item;

QStringList Words(const QList<Item>& items) {
  QStringList words;
  for (const Item& item : items) {
    if (item.kind == Item::kWord) words.append(item.text);
  }
  return words;
}

// The items as a compact text: words with their style bits, "/" for one line break, "//" for a
// blank line.
QString Shape(const QList<Item>& items) {
  QStringList parts;
  for (const Item& item : items) {
    if (item.kind == Item::kLineBreak) {
      parts.append(item.lines == 2 ? QStringLiteral("//") : QStringLiteral("/"));
    } else {
      parts.append(item.style ? QStringLiteral("%1:%2").arg(item.text).arg(item.style) : item.text);
    }
  }
  return parts.join(QLatin1Char(' '));
}

TEST(HelpMarkupTest, TagsSwitchBoldUnderlineAndHeadingWithoutRegardToCase) {
  const QList<Item> items = CHelpMarkup::Parse(
      QStringLiteral("<H1>Title</h1> plain <B>bold <u>both</U></b> <u>under</u>"));
  EXPECT_EQ(Shape(items), QStringLiteral("Title:8 plain bold:1 both:5 under:4"));
}

TEST(HelpMarkupTest, UnknownTagIsDroppedAndTheTextAroundItKept) {
  const QList<Item> items =
      CHelpMarkup::Parse(QStringLiteral("before <i>inside</i> after <br>end"));
  EXPECT_EQ(Words(items), QStringList({QStringLiteral("before"), QStringLiteral("inside"),
                                       QStringLiteral("after"), QStringLiteral("end")}));
  for (const Item& item : items) EXPECT_EQ(item.style, 0);
}

TEST(HelpMarkupTest, OpeningBracketWithoutCloseEndsTheText) {
  EXPECT_EQ(Words(CHelpMarkup::Parse(QStringLiteral("one two < three four"))),
            QStringList({QStringLiteral("one"), QStringLiteral("two")}));
  EXPECT_TRUE(CHelpMarkup::Parse(QStringLiteral("<b")).isEmpty());
}

TEST(HelpMarkupTest, LineFeedBeforeTheFirstWordOfAPieceMakesABlankLine) {
  // After a tag the piece starts again: its leading line feed is a blank line; one inside a
  // piece after a word is a plain line break.
  EXPECT_EQ(Shape(CHelpMarkup::Parse(QStringLiteral("<b>Head</b>\nfirst\nsecond"))),
            QStringLiteral("Head:1 // first / second"));
  EXPECT_EQ(Shape(CHelpMarkup::Parse(QStringLiteral("a\n\nb"))), QStringLiteral("a / / b"));
  EXPECT_EQ(Shape(CHelpMarkup::Parse(QStringLiteral("\nstart"))), QStringLiteral("// start"));
}

TEST(HelpMarkupTest, CarriageReturnsAndControlCharactersOnlySeparate) {
  EXPECT_EQ(Shape(CHelpMarkup::Parse(QStringLiteral("one\r\ntwo\tthree\x01"
                                                    "four"))),
            QStringLiteral("one / two three four"));
}

TEST(HelpMarkupTest, WordJoinedToATagStaysGluedToThePreviousWord) {
  const QList<Item> items = CHelpMarkup::Parse(QStringLiteral("<b>Note</b>: read <u>this</u>."));
  ASSERT_EQ(Words(items),
            QStringList({QStringLiteral("Note"), QStringLiteral(":"), QStringLiteral("read"),
                         QStringLiteral("this"), QStringLiteral(".")}));
  EXPECT_FALSE(items[0].glued);
  EXPECT_TRUE(items[1].glued);
  EXPECT_FALSE(items[2].glued);
  EXPECT_FALSE(items[3].glued);
  EXPECT_TRUE(items[4].glued);
}

TEST(HelpMarkupTest, PlainWordsIgnoreMarkup) {
  const QList<Item> items = CHelpMarkup::PlainWords(QStringLiteral("Less <b> than"), 8);
  EXPECT_EQ(Words(items),
            QStringList({QStringLiteral("Less"), QStringLiteral("<b>"), QStringLiteral("than")}));
  for (const Item& item : items) EXPECT_EQ(item.style, 8);
}

CHelpLayout::Fonts TestFonts() {
  CHelpLayout::Fonts fonts;
  fonts.normal = QFont(QStringLiteral("Tahoma"));
  fonts.normal.setPixelSize(12);
  fonts.bold = fonts.normal;
  fonts.bold.setBold(true);
  fonts.underline = fonts.normal;
  fonts.underline.setUnderline(true);
  fonts.boldUnderline = fonts.bold;
  fonts.boldUnderline.setUnderline(true);
  fonts.heading = fonts.bold;
  fonts.heading.setPixelSize(24);
  return fonts;
}

TEST(HelpLayoutTest, WordsWrapAtTheRightEdgeAndStayInsideTheColumn) {
  const CHelpLayout::Fonts fonts = TestFonts();
  const QList<Item> items = CHelpMarkup::Parse(
      QStringLiteral("the quick brown fox jumps over the lazy dog again and again and again"));
  const CHelpLayout::Result result = CHelpLayout::Layout(items, fonts, 10, 50, 100);
  ASSERT_EQ(result.runs.size(), 14);
  int lines = 1;
  for (qsizetype i = 0; i < result.runs.size(); ++i) {
    const QRect& rect = result.runs[i].rect;
    EXPECT_GE(rect.left(), 10);
    EXPECT_LE(rect.left() + rect.width(), 110) << result.runs[i].text.toStdString();
    if (i > 0 && rect.top() > result.runs[i - 1].rect.top()) {
      ++lines;
      EXPECT_EQ(rect.left(), 10);
    }
  }
  EXPECT_GT(lines, 2);
  EXPECT_EQ(result.runs.first().rect.top(), 50);
  EXPECT_EQ(result.bottom, result.runs.last().rect.bottom() + 1);
}

TEST(HelpLayoutTest, WordWiderThanTheColumnIsBrokenWithoutLosingCharacters) {
  const CHelpLayout::Fonts fonts = TestFonts();
  const QString word = QStringLiteral("https://example.org/a/very/long/address/that/does/not/fit");
  const CHelpLayout::Result result = CHelpLayout::Layout(CHelpMarkup::Parse(word), fonts, 0, 0, 80);
  ASSERT_GT(result.runs.size(), 1);
  QString joined;
  for (const CHelpLayout::Run& run : result.runs) {
    joined += run.text;
    EXPECT_LE(run.rect.left() + run.rect.width(), 80);
  }
  EXPECT_EQ(joined, word);
}

TEST(HelpLayoutTest, BlankLineAndHeadingHeightsAdvanceTheLines) {
  const CHelpLayout::Fonts fonts = TestFonts();
  const int normal = QFontMetrics(fonts.normal).height();
  const int heading = QFontMetrics(fonts.heading).height();
  const CHelpLayout::Result result = CHelpLayout::Layout(
      CHelpMarkup::Parse(QStringLiteral("<h1>Big</h1>\nsmall\nnext")), fonts, 0, 0, 400);
  ASSERT_EQ(result.runs.size(), 3);
  EXPECT_EQ(result.runs[0].style, CHelpMarkup::kHeading);
  EXPECT_EQ(result.runs[0].rect.height(), heading);
  // The heading line, then a blank line, then the words.
  EXPECT_EQ(result.runs[1].rect.top(), heading + normal);
  EXPECT_EQ(result.runs[2].rect.top(), heading + 2 * normal);
}

}  // namespace
