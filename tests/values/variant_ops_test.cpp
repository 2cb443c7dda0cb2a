#include "values/variant_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/qt_print.h"
#include "support/user_locale.h"
#include "values/file_blob.h"
#include "values/safe_array.h"
#include "values/variant_map.h"

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

QString Text(const CVariant& value) {
  QString text;
  EXPECT_TRUE(value.ToText(text)) << value.Type();
  return text;
}

}  // namespace

// --- compare values ----------------------------------------------------------------------------

TEST(CompareValues, EmptyAndNullAreEqualInAnyMix) {
  EXPECT_EQ(CompareValues(CVariant(), CVariant()), kCompareEqual);
  EXPECT_EQ(CompareValues(CVariant(), CVariant::Null()), kCompareEqual);
  EXPECT_EQ(CompareValues(CVariant::Null(), CVariant()), kCompareEqual);
}

TEST(CompareValues, OneSidedEmptyOrDifferentTypesAreNotComparable) {
  EXPECT_EQ(CompareValues(CVariant(), CVariant::FromInt32(0)), kCompareNotComparable);
  EXPECT_EQ(CompareValues(CVariant::FromString(""), CVariant::Null()), kCompareNotComparable);
  EXPECT_EQ(CompareValues(CVariant::FromInt32(3), CVariant::FromDouble(3.0)),
            kCompareNotComparable);
  EXPECT_EQ(CompareValues(CVariant::FromInt16(3), CVariant::FromInt32(3)), kCompareNotComparable);
  EXPECT_EQ(CompareValues(CVariant::FromBytes("a"), CVariant::FromString("a")),
            kCompareNotComparable);
}

TEST(CompareValues, IntegersAndRealsCompareNumerically) {
  EXPECT_EQ(CompareValues(CVariant::FromInt32(-5), CVariant::FromInt32(3)), kCompareLess);
  EXPECT_EQ(CompareValues(CVariant::FromInt32(3), CVariant::FromInt32(-5)), kCompareGreater);
  EXPECT_EQ(CompareValues(CVariant::FromInt16(-1), CVariant::FromInt16(-1)), kCompareEqual);
  EXPECT_EQ(CompareValues(CVariant::FromInt16(-1), CVariant::FromInt16(1)), kCompareLess);
  EXPECT_EQ(CompareValues(CVariant::FromDouble(0.1), CVariant::FromDouble(0.2)), kCompareLess);
  EXPECT_EQ(CompareValues(CVariant::FromFloat(2), CVariant::FromFloat(1)), kCompareGreater);
  EXPECT_EQ(CompareValues(CVariant::FromDouble(0.0), CVariant::FromDouble(-0.0)), kCompareEqual);
}

TEST(CompareValues, NaNEqualsOnlyNaNSoAChangeToItIsSeen) {
  const CVariant nan = CVariant::FromDouble(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(CompareValues(nan, nan), kCompareEqual);
  EXPECT_NE(CompareValues(nan, CVariant::FromDouble(1)), kCompareEqual);
  EXPECT_NE(CompareValues(CVariant::FromDouble(1), nan), kCompareEqual);
}

TEST(CompareValues, StringsCompareCodeUnitsCaseSensitively) {
  EXPECT_EQ(CompareValues(CVariant::FromString("abc"), CVariant::FromString("abc")), kCompareEqual);
  EXPECT_EQ(CompareValues(CVariant::FromString("B"), CVariant::FromString("a")), kCompareLess);
  EXPECT_EQ(CompareValues(CVariant::FromString("ab"), CVariant::FromString("a")), kCompareGreater);
  EXPECT_EQ(CompareValues(CVariant::FromString(""), CVariant::FromString("a")), kCompareLess);
  // A surrogate (0xD83D) sorts below U+FF01 by code unit, though its code point is higher.
  EXPECT_EQ(CompareValues(CVariant::FromString(QString::fromUtf16(u"\U0001F600")),
                          CVariant::FromString(QString(QChar(0xFF01)))),
            kCompareLess);
}

TEST(CompareValues, SignedBytesCompareAsUnsigned) {
  EXPECT_EQ(CompareValues(CVariant::FromInt8(-1), CVariant::FromInt8(1)), kCompareGreater);
  EXPECT_EQ(CompareValues(CVariant::FromInt8(1), CVariant::FromInt8(-128)), kCompareLess);
  EXPECT_EQ(CompareValues(CVariant::FromInt8(-7), CVariant::FromInt8(-7)), kCompareEqual);
}

TEST(CompareValues, BooleansAreEqualOrDifferent) {
  EXPECT_EQ(CompareValues(CVariant::FromBool(true), CVariant::FromBool(true)), kCompareEqual);
  EXPECT_EQ(CompareValues(CVariant::FromBool(false), CVariant::FromBool(true)), kCompareLess);
  EXPECT_EQ(CompareValues(CVariant::FromBool(true), CVariant::FromBool(false)), kCompareLess);
}

TEST(CompareValues, ObjectsAreEqualOnlyWhenTheSame) {
  int a = 0;
  int b = 0;
  EXPECT_EQ(
      CompareValues(CVariant::FromObject(kVtDispatch, &a), CVariant::FromObject(kVtDispatch, &a)),
      kCompareEqual);
  EXPECT_EQ(
      CompareValues(CVariant::FromObject(kVtUnknown, &a), CVariant::FromObject(kVtUnknown, &b)),
      kCompareLess);
  EXPECT_EQ(
      CompareValues(CVariant::FromObject(kVtUnknown, &a), CVariant::FromObject(kVtDispatch, &a)),
      kCompareNotComparable);
}

TEST(CompareValues, OtherTypesAreNotSupportedEvenWhenEqual) {
  EXPECT_EQ(CompareValues(CVariant::FromCurrency(1), CVariant::FromCurrency(1)),
            kCompareUnsupported);
  EXPECT_EQ(CompareValues(CVariant::FromDate(1), CVariant::FromDate(2)), kCompareUnsupported);
  EXPECT_EQ(CompareValues(CVariant::FromError(1), CVariant::FromError(1)), kCompareUnsupported);
  EXPECT_EQ(CompareValues(CVariant::FromByte(1), CVariant::FromByte(2)), kCompareUnsupported);
  EXPECT_EQ(CompareValues(CVariant::FromBytes("a"), CVariant::FromBytes("a")), kCompareUnsupported);
}

// --- value as text -----------------------------------------------------------------------------

TEST(ValueAsText, FileBlobShowsItsStoredName) {
  const CVariant blob = FileBlob::Make("C:\\Users\\field\\photo.jpg", "JPEGDATA");
  EXPECT_EQ(ValueAsText(blob), "photo.jpg");
  CVariantMap map;
  map.SetVariant("File", blob);
  EXPECT_EQ(map.GetText("file"), "(Binary)");
}

TEST(ValueAsText, FileBlobOfAnEmptyFileShowsNothing) {
  const CVariant blob = FileBlob::Make("empty.txt", QByteArray());
  EXPECT_EQ(blob.Bytes().size(), 12 + 2 * 9);
  EXPECT_EQ(ValueAsText(blob), "");
}

TEST(ValueAsText, OtherByteArraysAndArraysShowNothing) {
  EXPECT_EQ(ValueAsText(CVariant::FromBytes("not a file blob at all")), "");
  QByteArray unnamed("TWKFFILE\0\0\0\0content", 19);
  EXPECT_EQ(ValueAsText(CVariant::FromBytes(unnamed)), "");
  QByteArray cutShort("TWKFFILE\x10\0\0\0ab", 14);  // 16 code units promised, 1 present
  EXPECT_EQ(ValueAsText(CVariant::FromBytes(cutShort)), "");
  CSafeArray strings(kVtBstr, {{0, 1}});
  strings.Strings()[0] = "x";
  EXPECT_EQ(ValueAsText(CVariant::FromArray(strings)), "");
}

TEST(ValueAsText, ScalarsUseTheStandardConversion) {
  EXPECT_EQ(ValueAsText(CVariant::FromString("as is ")), "as is ");
  EXPECT_EQ(ValueAsText(CVariant()), "");
  EXPECT_EQ(ValueAsText(CVariant::Null()), "");
  EXPECT_EQ(ValueAsText(CVariant::FromError(3)), "");
  EXPECT_EQ(ValueAsText(CVariant::FromInt32(-42)), "-42");
  EXPECT_EQ(ValueAsText(CVariant::FromBool(false)), "False");
  EXPECT_EQ(ValueAsText(CVariant::FromCurrency(125000)), "12.5");
  int object = 0;
  EXPECT_EQ(ValueAsText(CVariant::FromObject(kVtDispatch, &object)), "");
}

// --- standard conversions ----------------------------------------------------------------------

TEST(VariantToText, IntegersInDecimal) {
  EXPECT_EQ(Text(CVariant::FromInt16(-32768)), "-32768");
  EXPECT_EQ(Text(CVariant::FromInt8(-5)), "-5");
  EXPECT_EQ(Text(CVariant::FromByte(200)), "200");
  EXPECT_EQ(Text(CVariant::FromInteger(kVtUi8, -1)), "18446744073709551615");
}

TEST(VariantToText, RealsHaveFifteenSignificantDigitsSinglesSeven) {
  EXPECT_EQ(Text(CVariant::FromDouble(0.1 + 0.2)), "0.3");
  EXPECT_EQ(Text(CVariant::FromDouble(2.0 / 3.0)), "0.666666666666667");
  EXPECT_EQ(Text(CVariant::FromDouble(123456789012345.0)), "123456789012345");
  EXPECT_EQ(Text(CVariant::FromDouble(1e15)), "1E+15");
  EXPECT_EQ(Text(CVariant::FromDouble(0.0001)), "0.0001");
  EXPECT_EQ(Text(CVariant::FromDouble(-0.00001)), "-1E-05");
  EXPECT_EQ(Text(CVariant::FromDouble(-0.0)), "0");
  EXPECT_EQ(Text(CVariant::FromFloat(0.1f)), "0.1");
  EXPECT_EQ(Text(CVariant::FromFloat(16777216.0f)), "1.677722E+07");
}

TEST(VariantToText, CurrencyIsDecimalWithoutTrailingZeros) {
  EXPECT_EQ(Text(CVariant::FromCurrency(10000)), "1");
  EXPECT_EQ(Text(CVariant::FromCurrency(-1)), "-0.0001");
  EXPECT_EQ(Text(CVariant::FromCurrency(123450)), "12.345");
  EXPECT_EQ(Text(CVariant::FromCurrency(std::numeric_limits<int64_t>::min())),
            "-922337203685477.5808");
}

TEST(VariantToText, BooleansAreTrueAndFalse) {
  EXPECT_EQ(Text(CVariant::FromBool(true)), "True");
  EXPECT_EQ(Text(CVariant::FromBool(false)), "False");
}

TEST(VariantToText, DecimalsFollowTheUsersSeparator) {
  ScopedUserLocale german(kGerman);
  EXPECT_EQ(Text(CVariant::FromDouble(-1.5)), "-1,5");
  EXPECT_EQ(Text(CVariant::FromFloat(0.25f)), "0,25");
  EXPECT_EQ(Text(CVariant::FromCurrency(15000)), "1,5");
}

TEST(VariantToText, NullErrorsObjectsAndArraysDoNotConvert) {
  QString text = "unchanged";
  EXPECT_FALSE(CVariant::Null().ToText(text));
  EXPECT_FALSE(CVariant::FromError(1).ToText(text));
  EXPECT_FALSE(CVariant::FromBytes("x").ToText(text));
  EXPECT_FALSE(CVariant::FromObject(kVtUnknown, nullptr).ToText(text));
  EXPECT_EQ(text, "unchanged");
}

TEST(VariantToInt32, RealsRoundHalfToEvenAndOverflowFails) {
  int32_t out = 0;
  EXPECT_TRUE(CVariant::FromDouble(2.5).ToInt32(out));
  EXPECT_EQ(out, 2);
  EXPECT_TRUE(CVariant::FromDouble(-3.5).ToInt32(out));
  EXPECT_EQ(out, -4);
  EXPECT_TRUE(CVariant::FromDouble(2.5000001).ToInt32(out));
  EXPECT_EQ(out, 3);
  EXPECT_TRUE(CVariant::FromDouble(-2147483648.5).ToInt32(out));  // rounds to the even minimum
  EXPECT_EQ(out, std::numeric_limits<int32_t>::min());
  out = 77;
  EXPECT_FALSE(CVariant::FromDouble(2147483647.5).ToInt32(out));
  EXPECT_FALSE(CVariant::FromDouble(std::nan("")).ToInt32(out));
  EXPECT_FALSE(CVariant::FromInteger(kVtUi4, 0x80000000LL).ToInt32(out));
  EXPECT_FALSE(CVariant::FromInteger(kVtI8, -2147483649LL).ToInt32(out));
  EXPECT_EQ(out, 77);
}

TEST(VariantToInt32, CurrencyRoundsHalfToEvenExactly) {
  int32_t out = 0;
  EXPECT_TRUE(CVariant::FromCurrency(25000).ToInt32(out));
  EXPECT_EQ(out, 2);
  EXPECT_TRUE(CVariant::FromCurrency(35000).ToInt32(out));
  EXPECT_EQ(out, 4);
  EXPECT_TRUE(CVariant::FromCurrency(-25001).ToInt32(out));
  EXPECT_EQ(out, -3);
  EXPECT_TRUE(CVariant::FromCurrency(-15000).ToInt32(out));
  EXPECT_EQ(out, -2);
  EXPECT_FALSE(CVariant::FromCurrency(21474836475000LL).ToInt32(out));
}

TEST(VariantToDouble, FollowsTheAutomationCoercion) {
  double out = 0;
  EXPECT_TRUE(CVariant().ToDouble(out));
  EXPECT_EQ(out, 0);
  EXPECT_TRUE(CVariant::FromBool(true).ToDouble(out));
  EXPECT_EQ(out, -1);
  EXPECT_TRUE(CVariant::FromCurrency(12345).ToDouble(out));
  EXPECT_DOUBLE_EQ(out, 1.2345);
  EXPECT_TRUE(CVariant::FromDate(45366.5).ToDouble(out));
  EXPECT_EQ(out, 45366.5);
  EXPECT_TRUE(CVariant::FromString(" -2.5e3 ").ToDouble(out));
  EXPECT_EQ(out, -2500);
  EXPECT_FALSE(CVariant::Null().ToDouble(out));
  EXPECT_FALSE(CVariant::FromString("12 apples").ToDouble(out));
}

TEST(TextToNumber, AcceptsTheUsersSeparatorAndAFullStop) {
  ScopedUserLocale german(kGerman);
  double value = 0;
  EXPECT_TRUE(TextToDouble("1,5", value));
  EXPECT_EQ(value, 1.5);
  EXPECT_TRUE(TextToDouble("1.5", value));
  EXPECT_EQ(value, 1.5);
  // Where the locale itself reads the text, its reading wins: a German group separator.
  EXPECT_TRUE(TextToDouble("1.500", value));
  EXPECT_EQ(value, 1500);
}

TEST(TextToNumber, RefusesTextThatIsNotANumber) {
  double value = 0;
  for (const char* text : {"", "   ", "abc", "1,5", "nan", "inf", "1e999", "--1"}) {
    EXPECT_FALSE(TextToDouble(text, value)) << text;
  }
}

TEST(TextToNumber, IntegersRoundLikeTheAutomationConversion) {
  int32_t value = 0;
  EXPECT_TRUE(TextToInt32("2.5", value));
  EXPECT_EQ(value, 2);
  EXPECT_TRUE(TextToInt32("-2147483648", value));
  EXPECT_EQ(value, std::numeric_limits<int32_t>::min());
  EXPECT_FALSE(TextToInt32("2147483648", value));
  EXPECT_FALSE(TextToInt32("seven", value));
}

// --- dates -------------------------------------------------------------------------------------

TEST(OleDate, CountsDaysFrom18991230WithTheTimeAsFraction) {
  EXPECT_EQ(OleDateFromDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
  EXPECT_EQ(OleDateFromDateTime(QDateTime(QDate(2024, 3, 15), QTime(18, 0))), 45366.75);
  // Before day 0 the fraction still counts forward from midnight.
  EXPECT_EQ(OleDateFromDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
  EXPECT_EQ(DateTimeFromOleDate(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
  EXPECT_EQ(DateTimeFromOleDate(45366.75), QDateTime(QDate(2024, 3, 15), QTime(18, 0)));
}

TEST(OleDate, RoundTripsToTheMillisecondAcrossTheRange) {
  for (const QDateTime& dateTime : {QDateTime(QDate(100, 1, 1), QTime(0, 0)),
                                    QDateTime(QDate(1700, 6, 1), QTime(23, 59, 59, 999)),
                                    QDateTime(QDate(2024, 2, 29), QTime(12, 34, 56, 789)),
                                    QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59))}) {
    EXPECT_EQ(DateTimeFromOleDate(OleDateFromDateTime(dateTime)), dateTime)
        << dateTime.toString().toStdString();
  }
}

TEST(OleDate, OutsideTheRangeIsInvalid) {
  EXPECT_FALSE(DateTimeFromOleDate(-657435.0).isValid());
  EXPECT_FALSE(DateTimeFromOleDate(2958466.0).isValid());
  EXPECT_FALSE(DateTimeFromOleDate(std::nan("")).isValid());
  EXPECT_TRUE(std::isnan(OleDateFromDateTime(QDateTime())));
  EXPECT_TRUE(std::isnan(OleDateFromDateTime(QDateTime(QDate(99, 12, 31), QTime(0, 0)))));
}

TEST(DateText, ShortDateWithTimeOnlyWhenNotMidnight) {
  ScopedUserLocale us(kUs);
  EXPECT_EQ(Text(CVariant::FromDate(45366.0)), "3/15/2024");
  EXPECT_EQ(Text(CVariant::FromDate(45366.5625)), "3/15/2024 1:30:00 PM");
  ScopedUserLocale german(kGerman);
  EXPECT_EQ(Text(CVariant::FromDate(45366.0)), "15.03.2024");
  EXPECT_EQ(Text(CVariant::FromDate(45366.75)), "15.03.2024 18:00:00");
}

TEST(DateText, DayZeroCarriesATimeAlone) {
  ScopedUserLocale german(kGerman);
  EXPECT_EQ(Text(CVariant::FromDate(0.5)), "12:00:00");
  EXPECT_EQ(Text(CVariant::FromDate(0.0)), "00:00:00");
}

TEST(DateText, SecondsAreRoundedAndMayCarryIntoTheNextDay) {
  ScopedUserLocale german(kGerman);
  EXPECT_EQ(Text(CVariant::FromDate(45366.0 + 0.4 / 86400)), "15.03.2024");
  EXPECT_EQ(Text(CVariant::FromDate(45366.0 + 86399.6 / 86400)), "16.03.2024");
}

TEST(DateText, InvalidDatesDoNotConvert) {
  QString text;
  EXPECT_FALSE(CVariant::FromDate(1e9).ToText(text));
  EXPECT_FALSE(CVariant::FromDate(std::nan("")).ToText(text));
}

TEST(DateFromText, ReadsTheLocalesShortFormsWithOrWithoutTime) {
  ScopedUserLocale german(kGerman);
  double date = 0;
  EXPECT_TRUE(DateFromText("15.03.2024", date));
  EXPECT_EQ(date, 45366.0);
  EXPECT_TRUE(DateFromText("5.3.2024 18:00", date));
  EXPECT_EQ(date, 45356.75);
  EXPECT_TRUE(DateFromText("15.03.2024 18:00:00", date));
  EXPECT_EQ(date, 45366.75);
}

TEST(DateFromText, TwoDigitYearsUseThe2029Window) {
  ScopedUserLocale german(kGerman);
  double date = 0;
  EXPECT_TRUE(DateFromText("31.12.29", date));
  EXPECT_EQ(date, 47483.0);
  EXPECT_TRUE(DateFromText("01.01.30", date));
  EXPECT_EQ(date, 10959.0);
}

TEST(DateFromText, ReadsItsOwnTextBack) {
  for (const QLocale& locale :
       {kUs, kGerman, QLocale::c(), QLocale(QLocale::Japanese, QLocale::Japan)}) {
    ScopedUserLocale scoped(locale);
    for (double value : {45366.0, 45366.5625, 0.25, -1.25}) {
      QString text;
      ASSERT_TRUE(DateToText(value, text));
      double back = 0;
      EXPECT_TRUE(DateFromText(text, back))
          << locale.name().toStdString() << " " << text.toStdString();
      EXPECT_EQ(back, value) << locale.name().toStdString() << " " << text.toStdString();
    }
  }
}

TEST(DateFromText, IsoAndTimeOnlyTextAreAccepted) {
  double date = 0;
  EXPECT_TRUE(DateFromText("2024-03-15", date));
  EXPECT_EQ(date, 45366.0);
  EXPECT_TRUE(DateFromText("2024-03-15T13:30:00", date));
  EXPECT_EQ(date, 45366.5625);
  EXPECT_TRUE(DateFromText("13:30", date));
  EXPECT_EQ(date, 0.5625);
}

TEST(DateFromText, RefusesOtherText) {
  double date = 7;
  for (const char* text : {"", "tomorrow", "32.13.2024", "2024-02-30", "25:00"}) {
    EXPECT_FALSE(DateFromText(text, date)) << text;
  }
  EXPECT_EQ(date, 7);
}

// --- numeric-text test -------------------------------------------------------------------------

TEST(IsNumericList, DigitsSeparatorsAndALeadingMinus) {
  for (const char* text : {"", "1", "1, 2; 3.5", "-4", "-", " ", "1,,;;.."}) {
    EXPECT_TRUE(IsNumericList(text)) << text;
  }
  for (const char* text : {"4-", "1e5", "--1", " -1", "-0.5 -", "1\t2", "+1", "12a"}) {
    EXPECT_FALSE(IsNumericList(text)) << text;
  }
  EXPECT_FALSE(IsNumericList(QString::fromUtf16(u"\u0661")));  // an Arabic-Indic digit
}
