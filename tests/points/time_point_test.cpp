// The date and time format language (formatting, reading back, picker pictures, minute values,
// taps) and the time point against a page window without widgets: stamping, clearing, the
// calendar through a scripted dialog service, the inline picker and the math-fed mode.
#include "points/time_point.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <optional>

#include "app/services.h"
#include "points/time_format.h"
#include "support/computed_point_fixture.h"
#include "support/user_locale.h"

namespace {

using Tap = CTimeFormat::TapAction;
using qlt::test::CScopedServices;

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

const QString kDefaultDisplay = CTimePoint::Settings().displayFormat;
const QString kDefaultValue = CTimePoint::Settings().valueFormat;

class TimeFormatTest : public ::testing::Test {
 protected:
  CScopedServices m_services;
  ScopedUserLocale m_locale{QLocale(QLocale::English, QLocale::UnitedStates)};
};

TEST_F(TimeFormatTest, TokensFormatAsTheirTableSays) {
  struct Case {
    QDateTime value;
    QString format;
    QString expected;
  };
  const QString invalid = CScopedServices::Text("Point.Time.InvalidFormat");
  const Case cases[] = {
      {At(2022, 8, 8), kDefaultValue, "2022-08-08"},
      {At(2022, 8, 8), kDefaultDisplay, "Mon 8 Aug, 2022"},
      {At(2022, 8, 8), "{weekday-long}, {month-long} {day:2}", "Monday, August 08"},
      {At(2022, 8, 8, 0, 5), "{hour-12}:{minute:2} {am-pm}", "12:05 am"},
      {At(2022, 8, 8, 12, 0), "{hour-12:2} {AM-PM}", "12 PM"},
      {At(2022, 8, 8, 13, 7, 9), "{hour-12}|{hour-24}|{minute}|{second}", "1|13|7|9"},
      {At(2022, 8, 8, 9, 26, 53, 7), "{hour-24:2}:{second:2}.{millisecond:3}/{millisecond}",
       "09:53.007/7"},
      {At(2005, 1, 2), "{year:2}{month:2}{day:2}-{month}/{day}", "050102-1/2"},
      {At(812, 3, 4), "{year}", "0812"},
      {At(1901, 2, 3), "{day:2}.{month:2}.{year}", "03.02.1901"},
      {At(2150, 12, 31, 23, 59), "{year}-{month:2}-{day:2} {hour-24:2}:{minute:2}",
       "2150-12-31 23:59"},
      {At(2022, 8, 8), "{{day}} {{{day}}}", "{day} {8}"},
      {At(2022, 8, 8), "a{bogus}b{Day}c", "abc"},
      {At(2022, 8, 8), "{day", invalid},
      {At(2022, 8, 8), "day}", invalid},
      {At(2022, 8, 8), "{day}}", invalid},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CTimeFormat::FormatDateTime(c.value, c.format), c.expected) << c.format.toStdString();
  }
}

TEST_F(TimeFormatTest, TextsReadBackOnlyWhenTheyMatchTheirFormat) {
  m_services.SetNow(At(2031, 5, 6, 7, 8));
  struct Case {
    QString text;
    QString format;
    std::optional<QDateTime> expected;
  };
  const QString dmy = QStringLiteral("{day}-{month}-{year}");
  const QString clock12 = QStringLiteral("{hour-12:2}:{minute:2} {AM-PM}");
  const QString day0 = QStringLiteral("1899-12-30");
  const Case cases[] = {
      {"2022-08-08", kDefaultValue, At(2022, 8, 8)},
      {"  2022-08-08 ", kDefaultValue, At(2022, 8, 8)},
      {"08-08-22", dmy, At(2022, 8, 8)},
      {"08-08-51", dmy, At(1951, 8, 8)},
      {"08-08-50", dmy, At(2050, 8, 8)},
      {"12-31-1969", "{month}-{day}-{year}", At(1969, 12, 31)},
      {"Mon 8 Aug, 2022", kDefaultDisplay, At(2022, 8, 8)},
      {"monday 8 AUGUST, 2022", kDefaultDisplay, At(2022, 8, 8)},
      {"8-Aug-2022 09:26:53:589",
       "{day}-{month-short}-{year} {hour-24:2}:{minute:2}:{second:2}:{millisecond:3}",
       At(2022, 8, 8, 9, 26, 53, 589)},
      {"1800-01-01", kDefaultValue, At(1800, 1, 1)},
      {"2199-12-31", kDefaultValue, At(2199, 12, 31)},
      {"20220808", "{year}{month:2}{day:2}", At(2022, 8, 8)},
      {"12:30", "{hour-24:2}:{minute:2}", At(1899, 12, 30, 12, 30)},
      {"12:05 AM", clock12, At(1899, 12, 30, 0, 5)},
      {"12:05 pm", clock12, At(1899, 12, 30, 12, 5)},
      {"01:00 PM", clock12, At(1899, 12, 30, 13, 0)},
      {"14 July", "{day} {month-long}", At(2031, 7, 14)},
      // Nothing that does not match gives a date.
      {"", kDefaultValue, std::nullopt},
      {"2022-02-30", kDefaultValue, std::nullopt},
      {"2022-13-01", kDefaultValue, std::nullopt},
      {"2022-08-08x", kDefaultValue, std::nullopt},
      {"08/08/2022", kDefaultValue, std::nullopt},
      {"08-08-2022", kDefaultValue, std::nullopt},
      {"22-08-08", "{year:2}-{month}-{day}-", std::nullopt},
      {"08-08-202", dmy, std::nullopt},
      {"12:30", kDefaultValue, std::nullopt},
      {"25:00", "{hour-24}:{minute}", std::nullopt},
      {"00:10 AM", clock12, std::nullopt},
      {"8-Augx-2022", "{day}-{month-short}-{year}", std::nullopt},
      {"2022-08-08", "{year}-{month}-{day", std::nullopt},
      {"3 4", "{day} {day}", std::nullopt},
      {day0, "{hour-24}", std::nullopt},
  };
  for (const Case& c : cases) {
    QDateTime value;
    const bool valid = CTimeFormat::ParseDateTime(c.text, c.format, value);
    EXPECT_EQ(valid, c.expected.has_value())
        << c.text.toStdString() << " / " << c.format.toStdString();
    if (valid && c.expected) {
      EXPECT_EQ(value, *c.expected) << c.text.toStdString();
    }
  }
}

TEST_F(TimeFormatTest, DatesFarFrom1970RoundTripInEveryStoredFormat) {
  const QDateTime values[] = {
      At(1900, 1, 1),
      At(1969, 12, 31, 23, 59, 59, 999),
      At(1970, 1, 1),
      At(2038, 1, 19, 3, 14, 8),
      At(2100, 2, 28, 12, 0, 0, 1),
      At(2199, 12, 31, 11, 59),
  };
  QStringList formats = {kDefaultValue, kDefaultDisplay,
                         "{weekday-long} {day:2} {month-long} {year} {hour-12}:{minute:2} {am-pm}"};
  for (int date = 1; date <= 4; ++date) {
    for (int time = 0; time <= 4; ++time) {
      const QString d = CTimePoint::LegacyDateStyle(date);
      const QString t = CTimePoint::LegacyTimeStyle(time);
      formats << (t.isEmpty() ? d : d + ' ' + t);
    }
  }
  for (const QString& format : formats) {
    for (const QDateTime& value : values) {
      const QString text = CTimeFormat::FormatDateTime(value, format);
      QDateTime back;
      ASSERT_TRUE(CTimeFormat::ParseDateTime(text, format, back))
          << text.toStdString() << " / " << format.toStdString();
      EXPECT_EQ(back.date(), value.date()) << text.toStdString();
      EXPECT_EQ(CTimeFormat::FormatDateTime(back, format), text);
    }
  }
}

TEST_F(TimeFormatTest, PickerPicturesQuoteTheLiteralText) {
  struct Case {
    QString format;
    QString picture;
    bool hasTime;
  };
  const Case cases[] = {
      {kDefaultDisplay, "ddd' 'd' 'MMM', 'yyyy", false},
      {"{day:2}/{month:2}/{year:2}", "dd'/'MM'/'yy", false},
      {"{hour-24:2}:{minute:2}:{second:2}", "HH':'mm':'", true},
      {"{hour-12} {am-pm}", "h' 'tt", true},
      {"{month-long} {{x}}", "MMMM' {x}'", false},
      {"{hour-24}{second} o'clock{bogus}!", "H' o''clock!'", true},
      {"{day", CScopedServices::Text("Point.Time.InvalidFormat"), false},
  };
  for (const Case& c : cases) {
    const CTimeFormat::Picture picture = CTimeFormat::PickerPicture(c.format);
    EXPECT_EQ(picture.text, c.picture) << c.format.toStdString();
    EXPECT_EQ(picture.hasTime, c.hasTime) << c.format.toStdString();
  }
}

TEST_F(TimeFormatTest, MinuteValuesBecomeTimesOfDayOrDates) {
  const QString time = QStringLiteral("{hour-24:2}:{minute:2}");
  struct Case {
    QString text;
    QString format;
    std::optional<QDateTime> expected;
  };
  const Case cases[] = {
      {"750", time, At(1899, 12, 30, 12, 30)},
      {" 750.5 ", time, At(1899, 12, 30, 12, 30, 30)},
      {"0", time, At(1899, 12, 30)},
      {"1439.999", time, At(1899, 12, 30, 23, 59, 59)},
      {"1440", time, std::nullopt},
      {"1500", time, std::nullopt},
      {"-5", time, std::nullopt},
      {"#ERR#", time, std::nullopt},
      {"", time, std::nullopt},
      {"0", kDefaultValue, At(1970, 1, 1)},
      {"1440,5", kDefaultValue, At(1970, 1, 2, 0, 0, 30)},
      {"-1", kDefaultValue, At(1969, 12, 31, 23, 59)},
      {"36000000", kDefaultValue, At(2038, 6, 13)},
      {"1e300", kDefaultValue, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CTimeFormat::FromMinuteValue(c.text, c.format), c.expected) << c.text.toStdString();
  }
}

TEST_F(TimeFormatTest, TapsStampChooseClearOrDoNothing) {
  struct Case {
    int mode;
    bool autoSet, fixed, readOnly, empty, inside;
    Tap expected;
  };
  const Case cases[] = {
      {1, false, false, false, true, true, Tap::kPassOn},
      {0, false, false, false, true, false, Tap::kPassOn},
      {0, false, false, false, true, true, Tap::kStamp},
      {2, false, false, false, true, true, Tap::kChoose},
      {0, false, false, false, false, true, Tap::kClear},
      {2, false, false, false, false, true, Tap::kClear},
      {0, true, false, false, false, true, Tap::kStamp},
      {2, true, false, false, false, true, Tap::kChoose},
      {0, true, true, false, false, true, Tap::kNothing},
      {0, false, true, false, true, true, Tap::kStamp},
      {0, false, false, true, true, true, Tap::kNothing},
      {3, false, false, false, true, true, Tap::kNothing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CTimeFormat::Tap(c.mode, c.autoSet, c.fixed, c.readOnly, c.empty, c.inside),
              c.expected)
        << c.mode << c.autoSet << c.fixed << c.readOnly << c.empty << c.inside;
  }
}

// ---- the point

// Answers the calendar as a test tells it and records what it was opened on.
class CScriptedTimeDialogs : public CDialogService {
 public:
  bool ChooseDateTime(QDateTime& value, TimeParts parts) override {
    openedOn.append(value);
    lastParts = parts;
    if (!answer) return false;
    value = *answer;
    return true;
  }
  std::optional<QDateTime> answer;
  QList<QDateTime> openedOn;
  TimeParts lastParts = TimeParts::kDate;
};

class TimePointTest : public ComputedPointFixture {
 protected:
  void SetUp() override {
    auto dialogs = std::make_unique<CScriptedTimeDialogs>();
    m_dialogs = dialogs.get();
    m_services.Services().SetDialogService(std::move(dialogs));
  }

  CTimePoint* Time(const QString& name, int mode, const QString& format = kDefaultValue) {
    CTimePoint* point = Add<CTimePoint>(name);
    point->MutableSettings().mode = mode;
    point->MutableSettings().valueFormat = format;
    return point;
  }
  // Lays the point out and paints it, so that its box has a place.
  static void Paint(CTimePoint* point) {
    point->SetItemRect(QRect(0, 0, 300, 60));
    QImage image(320, 80, QImage::Format_RGB32);
    QPainter painter(&image);
    point->Paint(&painter);
  }
  static void TapBox(CTimePoint* point) {
    const QRect box = point->BoxRect();
    point->OnTap(box.center().x(), box.center().y());
  }
  const CPlainPageWindow::ControlState* Picker(CTimePoint* point) {
    return point->Picker() ? m_window.State(point->Picker()) : nullptr;
  }

  ScopedUserLocale m_locale{QLocale(QLocale::English, QLocale::UnitedStates)};
  CScriptedTimeDialogs* m_dialogs = nullptr;
};

TEST_F(TimePointTest, TapsStampClearAndKeepAsTheFlagsSay) {
  CTimePoint* plain = Time("Plain", 0, "{year}-{month:2}-{day:2} {hour-24:2}:{minute:2}");
  CTimePoint* again = Time("Again", 0, "{hour-24:2}:{minute:2}:{second:2}.{millisecond:3}");
  again->MutableSettings().autoSet = 1;
  CTimePoint* fixed = Time("Fixed", 0);
  fixed->MutableSettings().fixed = 1;
  fixed->MutableSettings().autoSet = 1;
  Start();
  // AutoSet stamps an empty point as soon as it is shown, to the millisecond.
  EXPECT_EQ(again->OutputText(), "09:26:53.589");
  EXPECT_EQ(fixed->OutputText(), "2024-03-14");
  EXPECT_EQ(plain->OutputText(), "");
  for (CTimePoint* point : {plain, again, fixed}) Paint(point);

  TapBox(plain);
  EXPECT_EQ(plain->OutputText(), "2024-03-14 09:26");
  TapBox(plain);
  EXPECT_EQ(plain->OutputText(), "");
  m_services.SetNow(At(2024, 3, 14, 10, 0, 1, 2));
  TapBox(again);
  EXPECT_EQ(again->OutputText(), "10:00:01.002");
  fixed->SetValue("1999-01-01");
  TapBox(fixed);
  EXPECT_EQ(fixed->OutputText(), "1999-01-01");
  // Above the box is the caption: its tap shows the help.
  plain->SetHelp("Stamp the arrival");
  plain->OnTap(5, plain->BoxRect().top() - 2);
  EXPECT_EQ(plain->OutputText(), "");
  EXPECT_EQ(m_window.HelpShown().size(), 1);
  EXPECT_TRUE(m_dialogs->openedOn.isEmpty());
}

TEST_F(TimePointTest, CalendarOpensOnTheStoredDateAndStoresWhatIsChosen) {
  CTimePoint* visit = Time("Visit", 2);
  CTimePoint* at = Time("At", 2, "{hour-24:2}:{minute:2}");
  at->MutableSettings().width = 4;  // the box beside the caption
  Start();
  Paint(visit);
  Paint(at);

  m_dialogs->answer = At(1965, 11, 30);
  TapBox(visit);
  EXPECT_EQ(visit->OutputText(), "1965-11-30");
  ASSERT_EQ(m_dialogs->openedOn.size(), 1);
  EXPECT_EQ(m_dialogs->openedOn[0], CScopedServices::FixedNow());
  EXPECT_EQ(m_dialogs->lastParts, CDialogService::TimeParts::kDate);

  visit->MutableSettings().autoSet = 1;  // a filled point opens the calendar again
  m_dialogs->answer.reset();
  TapBox(visit);
  EXPECT_EQ(visit->OutputText(), "1965-11-30");
  EXPECT_EQ(m_dialogs->openedOn.last(), At(1965, 11, 30));

  m_dialogs->answer = At(2001, 1, 1, 17, 45);
  TapBox(at);
  EXPECT_EQ(m_dialogs->lastParts, CDialogService::TimeParts::kTime);
  EXPECT_EQ(at->OutputText(), "17:45");
  at->OnTap(at->BoxRect().left() - 5, at->BoxRect().center().y());
  EXPECT_EQ(at->OutputText(), "17:45");
}

TEST_F(TimePointTest, ReadOnlySessionsAndUnreadableTextsStayAsStored) {
  CTimePoint* visit = Time("Visit", 0);
  visit->MutableSettings().autoSet = 1;
  visit->AssignValue(CVariant::FromString("last Tuesday"));
  CTimePoint* stamp = Time("Stamp", 0);
  stamp->MutableSettings().autoSet = 1;
  m_project.SetReadOnly(true);
  Start();
  Paint(visit);
  TapBox(visit);
  EXPECT_EQ(visit->OutputText(), "last Tuesday");
  EXPECT_EQ(visit->DisplayText(), "");
  EXPECT_EQ(stamp->OutputText(), "");
  m_project.SetReadOnly(false);
  visit->SetValue("2022-08-08");
  EXPECT_EQ(visit->DisplayText(), "Mon 8 Aug, 2022");
}

TEST_F(TimePointTest, InlinePickerShowsAndStoresTheValue) {
  CTimePoint* when = Time("When", 1, "{day:2}.{month:2}.{year} {hour-24:2}:{minute:2}");
  when->MutableSettings().displayFormat = "{day}.{month}.{year} {hour-24}:{minute:2}";
  when->AssignValue(CVariant::FromString("31.12.1969 23:05"));
  Start();
  const CPlainPageWindow::ControlState* picker = Picker(when);
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(picker->kind, ControlKind::kDateTimePicker);
  EXPECT_EQ(picker->styles & (kCsShowNone | kCsUpDown), kCsShowNone | kCsUpDown);
  EXPECT_EQ(picker->picture, "d'.'M'.'yyyy' 'H':'mm");
  EXPECT_EQ(picker->dateTime, At(1969, 12, 31, 23, 5));
  Paint(when);
  EXPECT_EQ(picker->rect, when->BoxRect());
  // A tap in the box is the picker's own; the point's tap only shows help.
  TapBox(when);
  EXPECT_EQ(when->OutputText(), "31.12.1969 23:05");

  when->SetValue("not a date");
  EXPECT_EQ(picker->dateTime, std::nullopt);
  EXPECT_EQ(when->OutputText(), "not a date");

  m_window.State(when->Picker())->dateTime = At(2040, 2, 29, 6, 7);
  m_window.Notify(when->Picker(), kNotifyDateTimeChange);
  EXPECT_EQ(when->OutputText(), "29.02.2040 06:07");
  m_window.State(when->Picker())->dateTime.reset();
  m_window.Notify(when->Picker(), kNotifyDateTimeChange);
  EXPECT_EQ(when->OutputText(), "");

  // Leaving the page takes what the picker shows, then the picker goes.
  const CPageWindow::Control control = when->Picker();
  m_window.State(control)->dateTime = At(2000, 1, 2, 3, 4);
  EXPECT_TRUE(m_page->Leave(false));
  EXPECT_EQ(when->OutputText(), "02.01.2000 03:04");
  EXPECT_EQ(m_window.State(control), nullptr);
}

TEST_F(TimePointTest, MathPointMinutesFillTheValue) {
  CEditPoint* minutes = Input("Minutes", "750");
  CTimePoint* at = Time("At", 3, "{hour-24:2}:{minute:2}");
  at->MutableSettings().mathPoint = "minutes";
  CTimePoint* day = Time("Day", 3);
  day->MutableSettings().mathPoint = "Minutes";
  CTimePoint* other = Time("Other", 0, "{hour-24:2}:{minute:2}");
  other->MutableSettings().mathPoint = "Minutes";
  Start();
  EXPECT_EQ(at->OutputText(), "12:30");
  EXPECT_EQ(day->OutputText(), "1970-01-01");
  EXPECT_EQ(other->OutputText(), "");
  Type(minutes, "1500");
  EXPECT_EQ(at->OutputText(), "12:30");
  EXPECT_EQ(day->OutputText(), "1970-01-02");
  Type(minutes, "#ERR#");
  EXPECT_EQ(at->OutputText(), "12:30");
  Type(minutes, "-1440");
  EXPECT_EQ(day->OutputText(), "1969-12-31");
  Type(minutes, "90");
  EXPECT_EQ(at->OutputText(), "01:30");
  Paint(at);
  TapBox(at);
  EXPECT_EQ(at->OutputText(), "01:30");
  EXPECT_EQ(other->OutputText(), "");
}

}  // namespace
