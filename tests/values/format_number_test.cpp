#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/qt_print.h"
#include "support/user_locale.h"
#include "values/variant_ops.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(FormatNumberHex, TruncatesTowardZeroAndWritesUpperCase) {
  EXPECT_EQ(FormatNumber(255.9, -2, 0), "FF");
  EXPECT_EQ(FormatNumber(255.9, -2, 1), "FF");  // the rounding mode plays no part
  EXPECT_EQ(FormatNumber(0.99, -2, 2), "0");
  EXPECT_EQ(FormatNumber(43981, -2, 0), "ABCD");
}

TEST(FormatNumberHex, NegativeValuesShowTheirTwosComplement) {
  EXPECT_EQ(FormatNumber(-1, -2, 0), "FFFFFFFF");
  EXPECT_EQ(FormatNumber(-255.9, -2, 0), "FFFFFF01");
  EXPECT_EQ(FormatNumber(-2147483648.0, -2, 0), "80000000");
}

TEST(FormatNumberHex, ValuesWithoutAnInt32GiveTheIndefiniteInteger) {
  EXPECT_EQ(FormatNumber(1e10, -2, 0), "80000000");
  EXPECT_EQ(FormatNumber(2147483648.0, -2, 0), "80000000");
  EXPECT_EQ(FormatNumber(kNaN, -2, 0), "80000000");
  EXPECT_EQ(FormatNumber(-kInf, -2, 1), "80000000");
}

TEST(FormatNumberHex, KeepsItsFormUnderACommaLocale) {
  ScopedUserLocale german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(FormatNumber(255.9, -2, 0), "FF");
}

TEST(FormatNumberPlain, AllDecimalsWritesSixLikePercentLf) {
  EXPECT_EQ(FormatNumber(1.5, -1, 0), "1.500000");
  EXPECT_EQ(FormatNumber(-0.0000004, -1, 0), "-0.000000");
  EXPECT_EQ(FormatNumber(2.0 / 3.0, -1, 0), "0.666667");
}

TEST(FormatNumberPlain, DecimalsRoundTheExactBinaryValue) {
  // printf rounds the stored double: 2.345 is stored slightly above, 2.675 and 0.35 below.
  EXPECT_EQ(FormatNumber(2.345, 2, 0), "2.35");
  EXPECT_EQ(FormatNumber(2.675, 2, 0), "2.67");
  EXPECT_EQ(FormatNumber(0.35, 1, 0), "0.3");
  // An exact binary tie goes to even, as glibc's and the C++ library's conversions do.
  EXPECT_EQ(FormatNumber(0.125, 2, 0), "0.12");
  EXPECT_EQ(FormatNumber(1, 3, 0), "1.000");
}

TEST(FormatNumberPlain, ZeroDecimalsRoundsHalfToEvenAsAnInteger) {
  EXPECT_EQ(FormatNumber(2.5, 0, 0), "2");
  EXPECT_EQ(FormatNumber(3.5, 0, 0), "4");
  EXPECT_EQ(FormatNumber(-2.5, 0, 0), "-2");
  EXPECT_EQ(FormatNumber(2.5000001, 0, 0), "3");
  EXPECT_EQ(FormatNumber(1e15 + 0.5, 0, 0), "1000000000000000");
  EXPECT_EQ(FormatNumber(9007199254740993.0, 0, 0), "9007199254740992");
}

TEST(FormatNumberPlain, ZeroDecimalsBeyondInt64GiveTheIndefiniteInteger) {
  EXPECT_EQ(FormatNumber(1e300, 0, 0), "-9223372036854775808");
  EXPECT_EQ(FormatNumber(kNaN, 0, 0), "-9223372036854775808");
}

TEST(FormatNumberExact, TiesGoToEvenWithRoundingOneAndUpWithRoundingTwo) {
  EXPECT_EQ(FormatNumber(2.5, 0, 1), "2");
  EXPECT_EQ(FormatNumber(2.5, 0, 2), "3");
  EXPECT_EQ(FormatNumber(3.5, 0, 1), "4");
  EXPECT_EQ(FormatNumber(0.125, 2, 1), "0.12");
  EXPECT_EQ(FormatNumber(0.125, 2, 2), "0.13");
  EXPECT_EQ(FormatNumber(-0.125, 2, 2), "-0.13");
}

TEST(FormatNumberExact, AnyRoundingOtherThanTwoTiesToEven) {
  EXPECT_EQ(FormatNumber(2.5, 0, 3), "2");
  EXPECT_EQ(FormatNumber(2.5, 0, -1), "2");
}

TEST(FormatNumberExact, FifteenDigitCutDecidesBeforeTheDecimalsAreCut) {
  // 0.35 is stored as 0.34999999999999997779…; the 16th significant digit (9) rounds the 15
  // kept ones up to 0.350000000000000, which is then a tie: 3 is odd, so it goes up.
  EXPECT_EQ(FormatNumber(0.35, 1, 1), "0.4");
  // 0.45 is stored as 0.45000000000000001110…; the cut leaves an exact tie and 4 is even.
  EXPECT_EQ(FormatNumber(0.45, 1, 1), "0.4");
  EXPECT_EQ(FormatNumber(0.45, 1, 2), "0.5");
  // 1.005 is stored as 1.00499999999999989341…: its 16th significant digit is 9, so the cut
  // makes it 1.00500000000000, a tie; the written 1.005 plays no part.
  EXPECT_EQ(FormatNumber(1.005, 2, 1), "1.00");
  EXPECT_EQ(FormatNumber(1.005, 2, 2), "1.01");
}

TEST(FormatNumberExact, NonZeroDigitsAfterTheFiveAlwaysRoundUp) {
  // 2.345 is stored as 2.34500000000000019539…: the 16th digit is 1, so the cut leaves a tie;
  // the odd-even rule then keeps 2.34 with rounding 1.
  EXPECT_EQ(FormatNumber(2.345, 2, 1), "2.34");
  EXPECT_EQ(FormatNumber(2.3451, 2, 1), "2.35");
  EXPECT_EQ(FormatNumber(2.3449, 2, 2), "2.34");
}

TEST(FormatNumberExact, CarryRunsThroughNinesThePointAndTheSign) {
  EXPECT_EQ(FormatNumber(-9.99, 1, 2), "-10.0");
  EXPECT_EQ(FormatNumber(99.95, 1, 1), "100.0");
  EXPECT_EQ(FormatNumber(9.5, 0, 1), "10");
  EXPECT_EQ(FormatNumber(-0.96, 1, 1), "-1.0");
}

TEST(FormatNumberExact, AllDecimalsStripsTrailingZerosAndThePoint) {
  EXPECT_EQ(FormatNumber(0.1, -1, 1), "0.1");
  EXPECT_EQ(FormatNumber(0.1 + 0.2, -1, 1), "0.3");
  EXPECT_EQ(FormatNumber(42, -1, 1), "42");
  EXPECT_EQ(FormatNumber(-1.25, -1, 2), "-1.25");
  EXPECT_EQ(FormatNumber(1e-20, -1, 1), "0.00000000000000000001");
}

TEST(FormatNumberExact, FifteenDigitCutCarriesIntoANewLeadingDigit) {
  // The largest double below 1 has sixteen nines; the cut rounds it to exactly 1.
  EXPECT_EQ(FormatNumber(0.99999999999999988898, -1, 1), "1");
  EXPECT_EQ(FormatNumber(0.99999999999999988898, 3, 1), "1.000");
  EXPECT_EQ(FormatNumber(-0.99999999999999988898, -1, 1), "-1");
}

TEST(FormatNumberExact, DigitsBeyondTheFifteenthBecomeZeroInTheIntegerPartToo) {
  EXPECT_EQ(FormatNumber(123456789012345678.0, -1, 1), "123456789012346000");
  EXPECT_EQ(FormatNumber(123456789012345678.0, 1, 1), "123456789012346000.0");
  EXPECT_EQ(FormatNumber(0.000123456789012345678, -1, 1), "0.000123456789012346");
}

TEST(FormatNumberExact, PadsWithZerosUpToTheDecimals) {
  EXPECT_EQ(FormatNumber(1, 3, 1), "1.000");
  EXPECT_EQ(FormatNumber(1e-7, 2, 1), "0.00");
  EXPECT_EQ(FormatNumber(1.5, 100, 1), QString("1.5") + QString(99, QLatin1Char('0')));
}

TEST(FormatNumberExact, NaNAndInfinitiesHaveErrorTexts) {
  EXPECT_EQ(FormatNumber(kNaN, 2, 1), "#NaN#");
  EXPECT_EQ(FormatNumber(kInf, -1, 2), "#+INF#");
  EXPECT_EQ(FormatNumber(-kInf, 0, 1), "#-INF#");
}

TEST(FormatNumberSeparator, CommaLocaleReplacesTheFirstPointInEveryMode) {
  ScopedUserLocale german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(UserDecimalSeparator(), ",");
  EXPECT_EQ(FormatNumber(1.5, -1, 1), "1,5");
  EXPECT_EQ(FormatNumber(1.5, 2, 2), "1,50");
  EXPECT_EQ(FormatNumber(1.5, -1, 0), "1,500000");
  EXPECT_EQ(FormatNumber(1.25, 1, 0), "1,2");
  EXPECT_EQ(FormatNumber(1234.5, 0, 1), "1234");
}

TEST(FormatNumberSeparator, DefaultsToTheSystemLocale) {
  // The test harness runs under LC_ALL=C.UTF-8.
  EXPECT_EQ(UserLocale(), QLocale::system());
  EXPECT_EQ(UserDecimalSeparator(), ".");
  EXPECT_EQ(FormatNumber(1.5, -1, 1), "1.5");
}

TEST(FormatNumberSeparator, OverrideEndsWithItsScope) {
  {
    ScopedUserLocale french(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(FormatNumber(0.5, 1, 1), "0,5");
  }
  EXPECT_EQ(FormatNumber(0.5, 1, 1), "0.5");
}
