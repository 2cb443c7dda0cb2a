#include "points/expr/point_number.h"

#include <locale.h>
#include <stdlib.h>

#include <QStringList>
#include <string>

#include "points/expr/minute_value.h"
#include "project/base_point.h"
#include "values/variant_ops.h"

namespace {

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The first "," after the first character becomes the decimal point: "1,5" is 1.5, while a
// leading "," stays and stops the reading.
QString WithDecimalPoint(QString text) {
  const qsizetype comma = text.indexOf(QLatin1Char(','), 1);
  if (comma > 0) text[comma] = QLatin1Char('.');
  return text;
}

// The C locale, created once: strtod alone would follow the process locale, which Qt sets from
// the environment, and read "," as the decimal point in some of them.
locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

bool CPointNumber::FromPoint(const CBasePoint& point, double& out) {
  double value = 0;
  if (point.Value().ToDouble(value)) {
    out = value;
    return true;
  }
  return FromText(point.OutputText(), out);
}

bool CPointNumber::FromText(const QString& text, double& out) {
  if (text.isEmpty()) {
    out = 0;
    return true;
  }
  if (text.contains(QLatin1Char(';'))) {
    // A list, as multiple choices store it ("1; 2; 3; "): the sum of its numbers.
    double sum = 0;
    const QStringList pieces = text.split(QLatin1Char(';'));
    for (QString piece : pieces) {
      piece.remove(QLatin1Char(' '));
      if (piece.isEmpty()) continue;
      if (!IsNumericList(piece)) return false;
      // A piece that holds no number ("-", ".") fails like a single number does, rather than
      // counting as some value.
      double value = 0;
      if (!ScanDouble(WithDecimalPoint(piece), value)) return false;
      sum += value;
    }
    out = sum;
    return true;
  }
  if (IsNumericList(text)) return ScanDouble(WithDecimalPoint(text), out);
  // A minute value of exactly 0 cannot be told from a text that is no date at all.
  const double minutes = CMinuteValue::FromText(text);
  if (minutes == 0) return false;
  out = minutes;
  return true;
}

bool CPointNumber::ScanDouble(QStringView text, double& out) {
  // Only the decimal form is taken from the text; the conversion itself is the C library's, so
  // that overflow, underflow and the last digit round exactly as "%lf" does.
  qsizetype i = 0;
  const qsizetype n = text.size();
  auto isSpace = [](QChar c) {
    return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
  };
  while (i < n && isSpace(text[i])) ++i;
  std::string number;
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    number += static_cast<char>(text[i].unicode());
    ++i;
  }
  qsizetype digits = 0;
  while (i < n && IsAsciiDigit(text[i])) {
    number += static_cast<char>(text[i++].unicode());
    ++digits;
  }
  if (i < n && text[i] == QLatin1Char('.')) {
    number += '.';
    ++i;
    while (i < n && IsAsciiDigit(text[i])) {
      number += static_cast<char>(text[i++].unicode());
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    qsizetype j = i + 1;
    if (j < n && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+'))) ++j;
    if (j < n && IsAsciiDigit(text[j])) {
      number += 'e';
      if (j > i + 1) number += static_cast<char>(text[i + 1].unicode());
      while (j < n && IsAsciiDigit(text[j])) number += static_cast<char>(text[j++].unicode());
    }
  }
  const locale_t locale = CLocale();
  if (locale == static_cast<locale_t>(nullptr)) return false;
  out = strtod_l(number.c_str(), nullptr, locale);
  return true;
}
