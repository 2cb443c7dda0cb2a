// CTimeFormat: the date and time format language of the time point ("{year}-{month:2}-{day:2}"):
// formatting a local date-time, reading a stored text back, the picker picture of a format, the
// minute values of math points, and what a tap on the value box does. Plain functions without
// widgets; locale texts come from the user's locale of the value conversions. UI thread.
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

class CTimeFormat {
 public:
  // The text of `value` in `format`; an unbalanced brace makes the whole text the translation of
  // "Point.Time.InvalidFormat".
  static QString FormatDateTime(const QDateTime& value, const QString& format);

  // Reads `text` written in `format` back. Only a text that matches the format field by field
  // and names an existing date and time is valid: anything else gives false, never a guess. A
  // two-digit year above 50 is 19xx, any other 20xx. Parts the format does not name are the
  // current year, January, the 1st, or midnight; a time-only format keeps 1899-12-30, the
  // system's day zero.
  static bool ParseDateTime(const QString& text, const QString& format, QDateTime& value);

  struct Picture {
    QString text;  // in the picker's language: 'literal' text, d, dd, MMM, HH, tt, ...
    bool hasTime = false;
  };
  // The picker picture of a format: its literal text in quotes (a quote in it doubled), each
  // token as its picture element; tokens the picker cannot show (seconds, milliseconds, unknown
  // names) are left out.
  static Picture PickerPicture(const QString& format);

  // Whether a format names a part of the date ({day, {month, {year, {weekday) or of the time of
  // day (hours, minutes, seconds, milliseconds, AM/PM).
  static bool HasDate(const QString& format);
  static bool HasTime(const QString& format);

  // The date-time of a math point's minute value: with a format that names no date part, minutes
  // since midnight (none from 24 hours on, or below 0); otherwise minutes since 1970-01-01 00:00
  // on the local calendar. None when the text does not start with a number.
  static std::optional<QDateTime> FromMinuteValue(const QString& text, const QString& format);

  // What a tap does to a time point.
  enum class TapAction { kPassOn, kNothing, kClear, kChoose, kStamp };
  // mode and the flags are the point's settings; insideBox whether the tap hit the value box.
  static TapAction Tap(int mode, bool autoSet, bool fixed, bool readOnly, bool valueEmpty,
                       bool insideBox);
};
