// The edit point's rules without a window: zero fill, stepping with the arrows, the numeric check
// of verification and its question, and where the caption, box and arrows go.
#include "points/edit_point_logic.h"

#include <gtest/gtest.h>

#include "app/language.h"

namespace {

using Logic = CEditPointLogic;
using Settings = CEditPoint::Settings;

Settings Numeric(int minimum, int maximum, bool rangeCheck) {
  Settings settings;
  settings.numeric = 1;
  settings.arrows = 1;
  settings.rangeCheck = rangeCheck ? 1 : 0;
  settings.minimum = minimum;
  settings.maximum = maximum;
  return settings;
}

TEST(EditPointZeroFillTest, FillsOnTheLeftUpToThePadWidth) {
  Settings settings;
  settings.padWidth = 4;
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("7"), settings), QStringLiteral("0007"));
  EXPECT_EQ(Logic::ZeroFill(QString(), settings), QStringLiteral("0000"));
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("1234"), settings), QStringLiteral("1234"));
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("123456"), settings), QStringLiteral("123456"));
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("ab"), settings), QStringLiteral("00ab"));
  settings.padWidth = 0;
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("7"), settings), QStringLiteral("7"));
  EXPECT_EQ(Logic::ZeroFill(QString(), settings), QString());
}

TEST(EditPointZeroFillTest, NegativeNumberKeepsItsSignInFront) {
  Settings settings = Numeric(-100, 100, false);
  settings.padWidth = 4;
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("-7"), settings), QStringLiteral("-007"));
  // A text field fills in front of whatever it holds.
  settings.numeric = 0;
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("-7"), settings), QStringLiteral("00-7"));
}

TEST(EditPointZeroFillTest, AbsurdPadWidthFromAFileIsBounded) {
  Settings settings;
  settings.padWidth = 2000000000;
  EXPECT_EQ(Logic::ZeroFill(QStringLiteral("1"), settings).size(), Logic::kMaxPadWidth);
}

TEST(EditPointStepTest, UpArrowStopsAtTheMaximumWithTheRangeCheck) {
  const Settings settings = Numeric(0, 10, true);
  EXPECT_EQ(Logic::Step(QStringLiteral("0009"), +1, settings), QStringLiteral("10"));
  EXPECT_EQ(Logic::Step(QStringLiteral("10"), +1, settings), QStringLiteral("10"));
  EXPECT_EQ(Logic::Step(QString(), -1, settings), QStringLiteral("0"));
  EXPECT_EQ(Logic::Step(QStringLiteral("50"), -1, settings), QStringLiteral("10"));
}

TEST(EditPointStepTest, WithoutRangeCheckStepsFreelyFromWhatTheBoxHolds) {
  const Settings settings = Numeric(0, 10, false);
  EXPECT_EQ(Logic::Step(QString(), -1, settings), QStringLiteral("-1"));
  EXPECT_EQ(Logic::Step(QStringLiteral("  41 "), +1, settings), QStringLiteral("42"));
  EXPECT_EQ(Logic::Step(QStringLiteral("3.7"), +1, settings), QStringLiteral("4"));
  EXPECT_EQ(Logic::Step(QStringLiteral("1;2"), +1, settings), QStringLiteral("2"));
  EXPECT_EQ(Logic::Step(QStringLiteral("abc"), +1, settings), QStringLiteral("1"));
  EXPECT_EQ(Logic::Step(QStringLiteral("000"), +1, settings), QStringLiteral("1"));
  // Read as a decimal number, never octal.
  EXPECT_EQ(Logic::Step(QStringLiteral("-09"), +1, settings), QStringLiteral("-8"));
  EXPECT_EQ(Logic::Step(QStringLiteral("2147483647"), +1, settings), QStringLiteral("2147483647"));
  EXPECT_EQ(Logic::Step(QStringLiteral("-99999999999"), -1, settings),
            QStringLiteral("-2147483648"));
}

TEST(EditPointStepTest, MinimumAboveMaximumEndsOnTheMinimum) {
  const Settings settings = Numeric(20, 10, true);
  EXPECT_EQ(Logic::Step(QStringLiteral("15"), +1, settings), QStringLiteral("20"));
}

TEST(EditPointNumericCheckTest, NumericTextTestAndRangeByTheFirstNumber) {
  const Settings free = Numeric(0, 10, false);
  EXPECT_TRUE(Logic::PassesNumericCheck(QString(), free));
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("1;2"), free));
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("3,5"), free));
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("-4"), free));
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("99"), free));
  EXPECT_FALSE(Logic::PassesNumericCheck(QStringLiteral("12a"), free));
  EXPECT_FALSE(Logic::PassesNumericCheck(QStringLiteral("4-"), free));

  const Settings ranged = Numeric(0, 10, true);
  EXPECT_TRUE(Logic::PassesNumericCheck(QString(), ranged));
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("10"), ranged));
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("0"), ranged));
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("3,5"), ranged));  // read as 3
  EXPECT_TRUE(Logic::PassesNumericCheck(QStringLiteral("9.5"), ranged));
  EXPECT_FALSE(Logic::PassesNumericCheck(QStringLiteral("10.5"), ranged));
  EXPECT_FALSE(Logic::PassesNumericCheck(QStringLiteral("-1"), ranged));
  EXPECT_FALSE(Logic::PassesNumericCheck(QStringLiteral("11;1"), ranged));
  // Nothing to read is no number in range.
  EXPECT_FALSE(Logic::PassesNumericCheck(QStringLiteral("-"), ranged));
  EXPECT_FALSE(Logic::PassesNumericCheck(QStringLiteral(" "), ranged));
}

TEST(EditPointNumericCheckTest, QuestionNamesTheField) {
  CLanguage::Instance().LoadTranslation(QString(), QString());
  const QString question = Logic::NumericQuestion(QStringLiteral("Visitors"));
  EXPECT_TRUE(question.startsWith(QStringLiteral("The 'Visitors' field requires a valid numeric")))
      << question.toStdString();
  EXPECT_TRUE(question.endsWith(QStringLiteral("Continue anyway?")));
}

TEST(EditPointGeometryTest, HeightsForBoxesUnderAndBesideTheCaption) {
  Settings settings;
  settings.lines = 3;
  EXPECT_EQ(Logic::Height(settings, 16, 1), 16 + 16 * 3 + 4);
  EXPECT_EQ(Logic::Height(settings, 32, 2), 32 + 30 * 3 + 8);
  settings.lines = -4;
  EXPECT_EQ(Logic::BesideBoxWidth(settings, 1), 85);
  EXPECT_EQ(Logic::BesideBoxWidth(settings, 2), 170);
  EXPECT_EQ(Logic::CaptionWidth(settings, 300, 1), 215);
  EXPECT_EQ(Logic::Height(settings, 14, 1), 20);
  EXPECT_EQ(Logic::Height(settings, 34, 1), 34);
  EXPECT_EQ(Logic::Height(settings, 14, 2), 40);
  settings.lines = 0;
  EXPECT_EQ(Logic::BesideBoxWidth(settings, 1), 25);
}

TEST(EditPointGeometryTest, BoxBesideTheCaptionIsCentredAndArrowsSitAtItsRightEnd) {
  Settings settings = Numeric(0, 10, true);
  settings.lines = -4;
  const QRect item(10, 100, 300, 30);
  const auto g = Logic::Layout(settings, item, 18, true, 1);
  EXPECT_EQ(g.caption, QRect(10, 102, 215, 28));
  // From right - 85 + 2 to the right edge, 20 high about the centre (115).
  EXPECT_EQ(g.down, QRect(310 - 15, 105, 15, 20));
  EXPECT_EQ(g.up, QRect(310 - 31, 105, 15, 20));
  EXPECT_EQ(g.box, QRect(310 - 85 + 2, 105, 85 - 2 - 32, 20));

  const auto doubled = Logic::Layout(settings, QRect(0, 0, 600, 60), 36, false, 2);
  EXPECT_EQ(doubled.box, QRect(600 - 170 + 4, 30 - 18, 170 - 4, 36));
  EXPECT_TRUE(doubled.up.isEmpty());
}

TEST(EditPointGeometryTest, BoxUnderTheCaptionTakesTheRestOfTheItem) {
  Settings settings;
  settings.lines = 2;
  const auto g = Logic::Layout(settings, QRect(5, 50, 200, 70), 30, false, 1);
  EXPECT_EQ(g.caption, QRect(5, 50, 200, 70));
  EXPECT_EQ(g.box, QRect(5, 80, 200, 40));
}

TEST(EditPointGeometryTest, TapsOnTheArrowsStepDownRightmostAndUpLeftOfIt) {
  const QRect item(0, 0, 200, 20);
  EXPECT_EQ(Logic::TapStep(item, 199, 1), -1);
  EXPECT_EQ(Logic::TapStep(item, 186, 1), -1);
  EXPECT_EQ(Logic::TapStep(item, 185, 1), +1);
  EXPECT_EQ(Logic::TapStep(item, 171, 1), +1);
  EXPECT_EQ(Logic::TapStep(item, 170, 1), 0);
  EXPECT_EQ(Logic::TapStep(item, 171, 2), -1);
  EXPECT_EQ(Logic::TapStep(item, 141, 2), +1);
}

TEST(EditPointGeometryTest, ArrowsOnlyForNumericOneLineWritableBoxes) {
  Settings settings = Numeric(0, 10, true);
  EXPECT_TRUE(Logic::ArrowsShown(settings, false));
  EXPECT_FALSE(Logic::ArrowsShown(settings, true));
  settings.lines = 2;
  EXPECT_FALSE(Logic::ArrowsShown(settings, false));
  settings.lines = -3;
  EXPECT_TRUE(Logic::ArrowsShown(settings, false));
  settings.numeric = 0;
  EXPECT_FALSE(Logic::ArrowsShown(settings, false));
}

}  // namespace
