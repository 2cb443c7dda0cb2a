// How formulas read the values of the points they name: typed values, number texts with decimal
// commas, lists, and dates and times as minute values.
#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>

#include "points/expr/minute_value.h"
#include "points/expr/point_number.h"
#include "support/expr_test_context.h"
#include "support/user_locale.h"

namespace {

class ExpressionPointValue : public ExpressionFixture {
 protected:
  // The formula "a" with the point a holding `value`.
  FormulaResult Read(const CVariant& value) {
    m_context.AddPoint(QStringLiteral("a"), value);
    return Run(QStringLiteral("a"));
  }
  FormulaResult ReadText(const QString& text) { return Read(CVariant::FromString(text)); }
};

#define EXPECT_READS(text, expected)                  \
  do {                                                \
    const FormulaResult r_ = ReadText(text);          \
    EXPECT_TRUE(r_.evaluated) << (text);              \
    EXPECT_DOUBLE_EQ(r_.value, (expected)) << (text); \
  } while (0)

#define EXPECT_UNREADABLE(text) EXPECT_FALSE(ReadText(text).evaluated) << (text)

TEST_F(ExpressionPointValue, TypedValuesConvertDirectly) {
  EXPECT_DOUBLE_EQ(Read(CVariant::FromDouble(2.5)).value, 2.5);
  EXPECT_DOUBLE_EQ(Read(CVariant::FromInt32(-7)).value, -7);
  const FormulaResult none = Read(CVariant());
  EXPECT_TRUE(none.evaluated);
  EXPECT_EQ(none.value, 0);
  EXPECT_TRUE(Read(CVariant::Null()).evaluated);
  EXPECT_READS("", 0);
}

TEST_F(ExpressionPointValue, NumberTexts) {
  EXPECT_READS("42", 42);
  EXPECT_READS(" 7 ", 7);
  EXPECT_READS("-2.5", -2.5);
  // A comma after the first character is a decimal point, in any locale.
  EXPECT_READS("3,25", 3.25);
  EXPECT_READS("-2,5", -2.5);
  EXPECT_UNREADABLE(",5");
  EXPECT_UNREADABLE("-");
}

TEST_F(ExpressionPointValue, NumberTextsInTheUsersLocale) {
  const ScopedUserLocale german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_READS("2,5", 2.5);
  EXPECT_READS("1.234,5", 1234.5);
  EXPECT_READS("12:30", 750);
}

TEST_F(ExpressionPointValue, ListsAreSummed) {
  EXPECT_READS("1;2;3", 6);
  EXPECT_READS("1; 2; 3; ", 6);  // as multiple choices store their values
  EXPECT_READS(";;4;", 4);
  EXPECT_READS("1,5;2", 3.5);
  EXPECT_READS("-1;3", 2);
  EXPECT_READS("1 0;2", 12);  // blanks inside a piece are dropped
  EXPECT_UNREADABLE("1;x;3");
  EXPECT_UNREADABLE("1;2-3");
  EXPECT_UNREADABLE("1;-;2");
  EXPECT_UNREADABLE("1;.;2");
}

TEST_F(ExpressionPointValue, TimesOfDayAreMinutesOfTheDay) {
  EXPECT_READS("12:30", 750);
  EXPECT_READS("12:30:30", 750.5);
  EXPECT_READS("23:59", 1439);
  // Milliseconds are decimal: 050 is fifty.
  EXPECT_READS("12:30:00.050", 750 + 50 / 60000.0);
  EXPECT_READS("00:00:00.500", 500 / 60000.0);
  // Midnight is 0, which cannot be told from a text that is no time at all.
  EXPECT_UNREADABLE("00:00");
}

TEST_F(ExpressionPointValue, DatesAreMinutesSince1970) {
  EXPECT_READS("2024-02-29 12:34", 28486834);
  EXPECT_READS("2024-02-29 12:34:56", 28486834 + 56 / 60.0);
  EXPECT_READS("2024-02-29 12:34:56.250", 28486834 + 56 / 60.0 + 250 / 60000.0);
  EXPECT_READS("1969-12-31 23:00", -60);
  EXPECT_READS("2024-03-01", 28487520);
  EXPECT_UNREADABLE("1970-01-01 00:00");
}

TEST_F(ExpressionPointValue, OtherTextsFail) {
  EXPECT_UNREADABLE("abc");
  EXPECT_UNREADABLE("12 apples");
  // The error texts of other math points are no numbers.
  EXPECT_UNREADABLE("#ERR#");
  EXPECT_UNREADABLE("#REF#");
  EXPECT_UNREADABLE("#NaN#");
  EXPECT_UNREADABLE("#+INF#");
}

TEST_F(ExpressionPointValue, ReferencesTakeTheirSign) {
  m_context.AddText(QStringLiteral("t"), QStringLiteral("12:30"));
  m_context.AddText(QStringLiteral("list"), QStringLiteral("1;2;3"));
  EXPECT_FORMULA(Run, "-t", -750);
  EXPECT_FORMULA(Run, "10 - list", 4);
  EXPECT_FORMULA(Run, "HOUR(t) * 100 + MINUTE(t)", 1230);
}

TEST(PointNumberScan, ReadsTheLeadingDecimalNumber) {
  double value = 0;
  EXPECT_TRUE(CPointNumber::ScanDouble(u" -1.5e2x", value));
  EXPECT_DOUBLE_EQ(value, -150);
  EXPECT_TRUE(CPointNumber::ScanDouble(u"+.5", value));
  EXPECT_DOUBLE_EQ(value, 0.5);
  EXPECT_TRUE(CPointNumber::ScanDouble(u"3e", value));
  EXPECT_DOUBLE_EQ(value, 3);
  EXPECT_TRUE(CPointNumber::ScanDouble(u"1,5", value));
  EXPECT_DOUBLE_EQ(value, 1);
  EXPECT_TRUE(CPointNumber::ScanDouble(QString(QStringLiteral("1") + QString(400, u'0')), value));
  EXPECT_TRUE(std::isinf(value));
  EXPECT_TRUE(
      CPointNumber::ScanDouble(QString(QStringLiteral("0.") + QString(400, u'0') + u'1'), value));
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(CPointNumber::ScanDouble(u"", value));
  EXPECT_FALSE(CPointNumber::ScanDouble(u"-.", value));
  EXPECT_FALSE(CPointNumber::ScanDouble(u"e5", value));
}

TEST(MinuteValueConversion, CalendarFieldsRoundToTheSecond) {
  QDate date;
  QTime time;
  ASSERT_TRUE(CMinuteValue::ToDateTime(1439.9999, date, time));  // 0.006 s before midnight
  EXPECT_EQ(date, QDate(1970, 1, 2));
  EXPECT_EQ(time, QTime(0, 0));
  EXPECT_FALSE(CMinuteValue::ToDateTime(NAN, date, time));
  EXPECT_FALSE(CMinuteValue::ToDateTime(INFINITY, date, time));
  int hour = 0;
  int minute = 0;
  int second = 0;
  EXPECT_FALSE(CMinuteValue::ToTimeOfDay(1440, hour, minute, second));
  EXPECT_FALSE(CMinuteValue::ToTimeOfDay(-0.5, hour, minute, second));
  ASSERT_TRUE(CMinuteValue::ToTimeOfDay(61.25, hour, minute, second));
  EXPECT_EQ(hour, 1);
  EXPECT_EQ(minute, 1);
  EXPECT_EQ(second, 15);
}

}  // namespace
