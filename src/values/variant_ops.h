// Value operations shared by the whole system: comparison, text forms, number formatting and
// the numeric-text test. Pure functions; any thread.
#pragma once

#include <QDateTime>
#include <QString>

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

// Formats a computed number. decimals: -2 hexadecimal, -1 all (six decimals in plain mode),
// >= 0 that many. rounding: 0 plain, 1 exact decimal with ties to even, 2 exact with ties up.
QString FormatNumber(double value, int decimals, int rounding);

// True when every character is one of "0123456789.,; " or a minus sign in the first position.
bool IsNumericList(const QString& text);

// The user's decimal separator ("." when the locale gives none).
QString UserDecimalSeparator();

// Standard text-to-value conversions in the user's locale.
bool TextToDouble(const QString& text, double& out);
bool TextToInt32(const QString& text, int32_t& out);
// A date (and optional time) written in the user's locale, as an automation date.
bool DateFromText(const QString& text, double& oleDate);

// Automation dates (days since 1899-12-30) and local wall-clock times.
double OleDateFromDateTime(const QDateTime& local);
QDateTime DateTimeFromOleDate(double oleDate);
