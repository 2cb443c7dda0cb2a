// The numeric entry points' shared rules: the numpad's range check and keys, the incrementor's
// templates, typed numbers and sequences, and where the boxes go.
#include "points/numeric_entry.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/settings_store.h"
#include "support/harness.h"
#include "support/user_locale.h"

namespace {

using Range = CNumericEntry::Range;

TEST(NumericEntry, RangeCheckReadsWithTheDecimalSeparatorAndPassesWhatIsNoNumber) {
  struct Case {
    Range range;
    QString text;
    bool valid;
  };
  const Range comma{true, QStringLiteral(","), QStringLiteral("1,5"), QStringLiteral("3")};
  const Range dot{true, QStringLiteral(""), QStringLiteral("-2.5"), QStringLiteral("10")};
  const Case cases[] = {
      {comma, QStringLiteral("2,5"), true},
      {comma, QStringLiteral("4"), false},
      {comma, QStringLiteral("1,4"), false},
      {comma, QStringLiteral("1,5"), true},  // bounds belong to the range
      {comma, QStringLiteral("3"), true},
      {dot, QStringLiteral("-2.6"), false},
      {dot, QStringLiteral("10.01"), false},
      {dot, QStringLiteral("abc"), true},  // not a number: passes
      {dot, QStringLiteral(""), true},
      {{true, QStringLiteral("."), QStringLiteral("1"), QString()}, QStringLiteral("99"), true},
      {{true, QStringLiteral("."), QStringLiteral("x"), QStringLiteral("5")},
       QStringLiteral("9"),
       true},
      {{false, QStringLiteral("."), QStringLiteral("1"), QStringLiteral("2")},
       QStringLiteral("9"),
       true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CNumericEntry::InRange(c.text, c.range), c.valid)
        << c.text.toStdString() << " in " << c.range.minimum.toStdString() << ".."
        << c.range.maximum.toStdString();
  }
}

TEST(NumericEntry, DecimalKeyFollowsTheSettingOrTheUsersLocale) {
  const ScopedUserLocale german(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(CNumericEntry::DecimalKey(QStringLiteral("Auto")), QStringLiteral(","));
  EXPECT_EQ(CNumericEntry::DecimalKey(QString()), QStringLiteral("."));
  EXPECT_EQ(CNumericEntry::DecimalKey(QStringLiteral(",")), QStringLiteral(","));
  // "Auto" in a comma locale reads "2,5" as two and a half.
  EXPECT_FALSE(CNumericEntry::InRange(
      QStringLiteral("2,5"),
      Range{true, QStringLiteral("Auto"), QStringLiteral("0"), QStringLiteral("2,4")}));
}

TEST(NumericEntry, KeysStopAtTheLongestText) {
  EXPECT_EQ(CNumericEntry::PressKey(QStringLiteral("12"), QStringLiteral("3"), 3), "123");
  EXPECT_EQ(CNumericEntry::PressKey(QStringLiteral("123"), QStringLiteral("4"), 3), "123");
  EXPECT_EQ(CNumericEntry::PressKey(QStringLiteral("123"), QStringLiteral("4"), 0), "1234");
  EXPECT_EQ(CNumericEntry::Backspace(QStringLiteral("12")), "1");
  EXPECT_EQ(CNumericEntry::Backspace(QString()), "");
}

TEST(NumericEntry, TypedNumbersMustFitTheTemplateAndBeWholeNumbers) {
  struct Case {
    const char* format;
    const char* text;
    std::optional<int> number;
  };
  const Case cases[] = {
      {"V-%value%-%unitid%", "V-200-Local", 200},
      {"V-%value%-%unitid%", "V-007-Local", 7},  // leading zeros are not octal
      {"V-%value%-%unitid%", "V-200-Other", std::nullopt},
      {"V-%value%-%unitid%", "V-2x0-Local", std::nullopt},
      {"V-%value%-%unitid%", "V--Local", std::nullopt},
      {"%value%", " 42 ", 42},
      {"%value%", "-3", -3},
      {"%value%", "99999999999", std::nullopt},  // beyond a whole number
      {"%value%/%value%", "1/1", std::nullopt},  // "%value%" twice: no typing
      {"N%value%", "X5", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CNumericEntry::TypedNumber(QString::fromUtf8(c.format), QStringLiteral("Local"),
                                         QString::fromUtf8(c.text)),
              c.number)
        << c.format << " / " << c.text;
  }
  EXPECT_EQ(CNumericEntry::FillFormat(QStringLiteral("V-%value%-%unitid%-%value%"), 100,
                                      QStringLiteral("Local")),
            "V-100-Local-100");
  EXPECT_FALSE(CNumericEntry::CanHandOut(QString(), QStringLiteral("%value%")));
  EXPECT_FALSE(CNumericEntry::CanHandOut(QStringLiteral("Visit"), QStringLiteral("V-")));
}

TEST(NumericEntry, SequencesLiveInTheSettingsAndStopAtTheirEnd) {
  CSettingsStore settings(qlt::test::TestHome() + QStringLiteral("/settings.conf"));
  EXPECT_EQ(CNumericEntry::NextNumber(settings, QStringLiteral("Visit"), 100), 100);
  ASSERT_TRUE(CNumericEntry::HandedOut(settings, QStringLiteral("Visit"), 100, 5));
  EXPECT_EQ(CNumericEntry::NextNumber(settings, QStringLiteral("Visit"), 1), 105);
  EXPECT_EQ(settings.ReadInt(QStringLiteral("Incrementor"), QStringLiteral("Visit.Next"), 0), 105);
  // Another name is another sequence.
  EXPECT_EQ(CNumericEntry::NextNumber(settings, QStringLiteral("Other"), 7), 7);
  ASSERT_TRUE(CNumericEntry::HandedOut(settings, QStringLiteral("Visit"), INT_MAX - 1, 5));
  EXPECT_EQ(CNumericEntry::NextNumber(settings, QStringLiteral("Visit"), 1), INT_MAX);
}

TEST(NumericEntry, BoxesStandBesideTheCaptionOrUnderIt) {
  const QRect item(10, 100, 300, 40);
  // Numpad Size 5: (5 + 2) x 15 = 105 wide at the right, 20 high, centred.
  EXPECT_EQ(CNumericEntry::NumpadBox(5, item, 1), QRect(205, 110, 105, 20));
  EXPECT_EQ(CNumericEntry::NumpadBox(0, item, 1), QRect(10, 120, 300, 20));
  EXPECT_EQ(CNumericEntry::NumpadBox(0, item, 2), QRect(10, 104, 300, 36));
  EXPECT_EQ(CNumericEntry::NumpadCaptionWidth(5, 300, 2), 300 - 210);
  EXPECT_EQ(CNumericEntry::NumpadHeight(5, 12, 1), 20);
  EXPECT_EQ(CNumericEntry::NumpadHeight(0, 18, 2), 18 + 36);
  // A damaged width cannot ask for a box wider than the point.
  EXPECT_EQ(CNumericEntry::NumpadBox(1 << 30, item, 1).width(), 300);
  // Incrementor Size 5: 5 x 15 + 28 = 103.
  EXPECT_EQ(CNumericEntry::IncrementorBox(5, item, 1), QRect(207, 110, 103, 20));
  // Slider: 26 high, 36 with ticks on both sides; inline in the right 128 pixels.
  EXPECT_EQ(CNumericEntry::SliderBar(false, 1, item, 1), QRect(10, 114, 300, 26));
  EXPECT_EQ(CNumericEntry::SliderBar(true, 3, QRect(0, 0, 300, 40), 1), QRect(172, 2, 128, 36));
  EXPECT_EQ(CNumericEntry::SliderHeight(true, 1, 14, 1), 26);
  EXPECT_EQ(CNumericEntry::SliderHeight(false, 3, 14, 2), 72 + 14);
}

}  // namespace
