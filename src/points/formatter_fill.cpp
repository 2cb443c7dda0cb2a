#include "points/formatter_fill.h"

#include <locale.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

#include "points/expr/point_number.h"
#include "values/variant_map.h"
#include "values/variant_ops.h"

namespace {

const QString kOpen = QStringLiteral("<%");
const QString kClose = QStringLiteral("%>");
const QString kFormatKey = QStringLiteral("Format");

bool IsSpace(QChar c) {
  return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

int DigitValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return 99;
}

// Reads an integer at `pos` as the C library's "%i" does: blanks, a sign, then "0x" for
// hexadecimal, a leading "0" for octal, else decimal. False when no digit was read. Values
// beyond int are clamped.
bool ScanInteger(const QString& text, qsizetype& pos, int& out) {
  qsizetype i = pos;
  const qsizetype n = text.size();
  while (i < n && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  int base = 10;
  if (i + 1 < n && text[i] == QLatin1Char('0') &&
      (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
    if (i + 2 < n && DigitValue(text[i + 2]) < 16) {
      base = 16;
      i += 2;
    } else {
      base = 8;  // "0x" without a hexadecimal digit reads the "0" alone
    }
  } else if (i < n && text[i] == QLatin1Char('0')) {
    base = 8;
  }
  long long value = 0;
  qsizetype digits = 0;
  while (i < n && DigitValue(text[i]) < base) {
    value = std::min<long long>(value * base + DigitValue(text[i]), 1LL << 40);
    ++i;
    ++digits;
  }
  if (digits == 0) return false;
  if (negative) value = -value;
  out = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
  pos = i;
  return true;
}

bool ScanLiteral(const QString& text, qsizetype& pos, QChar c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

// The C locale, created once: printf alone would follow the process locale, which Qt sets from
// the environment, and write "," as the decimal point in some of them.
locale_t CLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// printf's "%0W.Pf" (with `zeroPad`) or "%W.Pf"; a negative width or precision is left out.
QString FormatFixed(double value, int width, int precision, bool zeroPad) {
  std::string format = zeroPad ? "%0*.*f" : "%*.*f";
  const locale_t locale = CLocale();
  if (locale == static_cast<locale_t>(nullptr)) return QString();
  const locale_t previous = uselocale(locale);
  const int length =
      std::snprintf(nullptr, 0, format.c_str(), std::max(width, 0), std::max(precision, 0), value);
  std::string text(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
  if (length > 0) {
    std::snprintf(text.data(), text.size(), format.c_str(), std::max(width, 0),
                  std::max(precision, 0), value);
  }
  uselocale(previous);
  return QString::fromLatin1(text.data(), std::max(length, 0));
}

// A value text as a number the way "%lf" reads it, except that a number text written with a
// decimal comma (a math point in a comma locale) keeps its decimals.
double ReadNumber(const QString& text) {
  QString number = text;
  if (IsNumericList(number)) {
    const qsizetype comma = number.indexOf(QLatin1Char(','), 1);
    if (comma > 0) number[comma] = QLatin1Char('.');
  }
  double value = 0;
  return CPointNumber::ScanDouble(number, value) ? value : 0;
}

}  // namespace

CFormatterFill::Field CFormatterFill::ParseField(const QString& text) {
  Field field;
  const QString trimmed = text.trimmed();
  const qsizetype paren = trimmed.indexOf(QLatin1Char('('));
  if (paren < 0) {
    field.name = trimmed;
    return field;
  }
  field.name = trimmed.left(paren).trimmed();
  const QString sizing = trimmed.mid(paren);
  const bool hasPoint = sizing.contains(QLatin1Char('.'));
  // Like the C library's scanning: what was read before a mismatch stays read.
  qsizetype pos = 0;
  if (!hasPoint) {
    if (ScanLiteral(sizing, pos, QLatin1Char('('))) ScanInteger(sizing, pos, field.width);
  } else {
    int read = 0;
    if (ScanLiteral(sizing, pos, QLatin1Char('(')) && ScanInteger(sizing, pos, field.width)) {
      ++read;
      if (ScanLiteral(sizing, pos, QLatin1Char('.')) && ScanInteger(sizing, pos, field.precision)) {
        ++read;
      }
    }
    if (read < 2) {
      pos = 0;
      if (ScanLiteral(sizing, pos, QLatin1Char('(')) &&
          ScanLiteral(sizing, pos, QLatin1Char('.'))) {
        ScanInteger(sizing, pos, field.precision);
      }
    }
  }
  field.width = std::min(field.width, kMaxFieldWidth);
  field.precision = std::min(field.precision, kMaxFieldWidth);
  field.numeric = hasPoint && (field.width >= 0 || field.precision >= 0);
  return field;
}

QString CFormatterFill::FieldText(const Field& field, bool found, const QString& value) {
  if (!found) {
    return field.width > 0 ? QStringLiteral("(%1: not found)").arg(field.name) : field.name;
  }
  if (field.numeric) {
    const double number = ReadNumber(value);
    if (field.width >= 0 && field.precision >= 0) {
      return FormatFixed(number, field.width, field.precision, true);
    }
    if (field.width >= 0) return FormatFixed(number, field.width, 0, true);
    return FormatFixed(number, 0, field.precision, false);
  }
  if (field.width > value.size()) {
    return QString(field.width - value.size(), QLatin1Char(' ')) + value;
  }
  return value;
}

QString CFormatterFill::Fill(const QString& format, const ValueLookup& lookup,
                             const PrecedentSink& addPrecedent) {
  QString text = format;
  // Nothing before the first marker changes, so each search may start just before the place of
  // the last replacement (a replacement starting with "%" can complete a "<" in front of it).
  qsizetype from = 0;
  for (int substitutions = 0; substitutions < kMaxSubstitutions; ++substitutions) {
    const qsizetype open = text.indexOf(kOpen, from);
    if (open < 0) break;
    const qsizetype close = text.indexOf(kClose, open + kOpen.size());
    if (close < 0) break;
    const Field field = ParseField(text.mid(open + kOpen.size(), close - open - kOpen.size()));
    QString value;
    const bool found = lookup && lookup(field.name, value);
    if (found && addPrecedent) addPrecedent(field.name);
    const QString replacement = FieldText(field, found, value);
    const qsizetype end = close + kClose.size();
    if (text.size() - (end - open) + replacement.size() > kMaxLength) break;
    text.replace(open, end - open, replacement);
    from = std::max<qsizetype>(0, open - 1);
  }
  return text;
}

bool CFormatterFill::ReadFormat(const CVariantMap& properties, QString& format) {
  const CVariant* stored = properties.Find(kFormatKey);
  if (!stored) {
    format.clear();
    return true;
  }
  QString text;
  if (stored->IsString()) {
    text = stored->StringPayload();
  } else if (!stored->ToText(text)) {
    return false;
  }
  format = text;
  return true;
}

void CFormatterFill::WriteFormat(CVariantMap& properties, const QString& format) {
  properties.SetText(kFormatKey, format);
}
