// Value operations shared by the whole system: comparison, text forms, number formatting and
// the numeric-text test. Pure functions; any thread.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>

#include "values/variant.h"

// Result codes of CompareValues.
enum CompareResult : int {
  kCompareEqual = 0,
  kCompareLess = 1,
  kCompareGreater = 2,
  kCompareNotComparable = 3,
  kCompareUnsupported = 4,
};

int CompareValues(const CVariant& a, const CVariant& b);

// A string unchanged; a file-blob byte array gives its file name; other arrays give empty text;
// every other type the standard conversion, or empty text when that fails.
QString ValueAsText(const CVariant& value);

// Formats a computed number. decimals: -2 hexadecimal, -1 all (six decimals in plain
// mode), >= 0 that many. rounding: 0 plain, 2 exact decimal with ties up, any other value exact
// decimal with ties to even. Outside the spelled-out cases: other negative decimals act as -1;
// decimals above 1100 act as 1100 (a double has no digit past its 1074th decimal); where the
// platform's conversion instruction has no integer (NaN, out of range) hexadecimal gives
// "80000000" and plain rounding to 0 decimals gives INT64_MIN, as that instruction does.
// Locale-independent digits (never printf after setlocale); only the separator is the user's.
QString FormatNumber(double value, int decimals, int rounding);

// True when every character is one of "0123456789.,; " or a minus sign in the first position.
bool IsNumericList(const QString& text);

// The locale of every conversion here: QLocale::system(), unless an override is set. Qt reads
// the system locale from LC_ALL / LC_NUMERIC / LANG once per process, so a test that needs another
// locale sets the override (for example QLocale("de_DE")) instead of changing the environment;
// Qt's own locale data is used, so no system locale package is needed. std::nullopt clears it.
QLocale UserLocale();
void SetUserLocaleOverride(const std::optional<QLocale>& locale);

// The user's decimal separator ("." when the locale gives none).
QString UserDecimalSeparator();

// The automation rounding of a real number to int32: half to even; false for NaN and overflow.
bool RoundToInt32(double value, int32_t& out);

// Standard text-to-value conversions in the user's locale.
bool TextToDouble(const QString& text, double& out);
bool TextToInt32(const QString& text, int32_t& out);
// A date (and optional time) written in the user's locale, as an automation date. Accepted: the
// locale's short and long date forms (two-digit years: 00-29 are 20xx, 30-99 19xx), ISO
// yyyy-MM-dd, each optionally followed by a time (the locale's, H:mm[:ss], h:mm[:ss] AP, or ISO's
// "T" form); a time alone is a time on day 0 (1899-12-30), as automation dates carry times.
bool DateFromText(const QString& text, double& oleDate);
// An automation date as text: the locale's short date (four-digit year), followed by a space and
// the locale's time with seconds when the time (rounded to the second) is not midnight; day 0
// gives the time alone. False for NaN and dates outside the valid range.
bool DateToText(double oleDate, QString& out);

// Automation dates (days since 1899-12-30) and local wall-clock times. Before 1899-12-30 the
// fraction still counts forward from the day's midnight (-1.25 is 1899-12-29 06:00). The valid
// range is 0100-01-01 to 9999-12-31; outside it, and for an invalid QDateTime, the conversions
// give NaN / an invalid QDateTime. Times are kept to the millisecond.
double OleDateFromDateTime(const QDateTime& local);
QDateTime DateTimeFromOleDate(double oleDate);
