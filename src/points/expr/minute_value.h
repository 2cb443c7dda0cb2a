// CMinuteValue: the engine's form of dates and times: a date-time is the number of minutes since
// 1970-01-01 00:00 on the local calendar (no time zone applied, fractions allowed); a time of day
// alone is the number of minutes since midnight (0 <= value < 1440). Conversions from text and
// back to calendar fields. Stateless; UI thread (the text conversion reads the user's locale).
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

class CMinuteValue {
 public:
  // A date and time text in the user's locale as a minute value; a time without a date gives
  // minutes of the day. A trailing ".mmm" adds milliseconds. 0 when the text is no date or time.
  static double FromText(const QString& text);

  // 1970-01-01 00:00 plus `minutes` / 1440 days, rounded to the second. False for NaN,
  // infinities and dates outside the years 100 to 9999.
  static bool ToDateTime(double minutes, QDate& date, QTime& time);

  // The time of day of 0 <= minutes < 1440: hours, whole minutes and rounded seconds (at most
  // 59). False outside that range.
  static bool ToTimeOfDay(double minutes, int& hour, int& minute, int& second);
};
