#include "values/variant_ops.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>

#include "values/file_blob.h"

namespace {

std::mutex g_localeMutex;
std::optional<QLocale> g_localeOverride;

// --- number formatting ------------------------------------------------------------------------

// A double has no non-zero digit beyond its 1074th decimal; a larger request (decimals come from
// project settings) is treated as this many, which only leaves off trailing zeros and keeps a
// hostile setting from asking for gigabytes of text.
constexpr int kMaxDecimals = 1100;

// printf("%.*f", decimals, value) in the C locale: the exact binary value rounded to the nearest
// decimal, ties to even. std::to_chars is locale-independent, unlike printf after the application
// has called setlocale.
std::string FixedText(double value, int decimals) {
  decimals = std::min(decimals, kMaxDecimals);
  std::string text(320 + decimals, '\0');
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                    std::chars_format::fixed, decimals);
  text.resize(result.ptr - text.data());
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Adds one at `position` and carries leftwards over digits, passing over the point and the sign.
void AddOne(std::string& text, std::ptrdiff_t position) {
  for (std::ptrdiff_t i = position; i >= 0; --i) {
    char& c = text[i];
    if (c >= '0' && c <= '8') {
      ++c;
      return;
    }
    if (c == '9') c = '0';
  }
  if (text.empty()) {
    text = "1";
  } else if (text[0] == '-') {
    text = "-1" + text.substr(1);
  } else {
    text = "1" + text;
  }
}

// Step 3.3: at most 15 significant digits, the 16th rounding half up into the 15th.
void CutToFifteenDigits(std::string& text) {
  int significant = 0;
  std::ptrdiff_t previousDigit = -1;
  for (std::ptrdiff_t i = 0; i < static_cast<std::ptrdiff_t>(text.size()); ++i) {
    const char c = text[i];
    if (!IsDigit(c)) continue;
    if (significant == 0 && c == '0') {
      previousDigit = i;
      continue;
    }
    if (++significant < 16) {
      previousDigit = i;
      continue;
    }
    const bool roundUp = c >= '5';
    for (std::ptrdiff_t j = i; j < static_cast<std::ptrdiff_t>(text.size()); ++j) {
      if (text[j] >= '1' && text[j] <= '9') text[j] = '0';
    }
    if (roundUp) AddOne(text, previousDigit);
    return;
  }
}

std::string ExactDecimal(double value, int decimals, int rounding) {
  if (std::isnan(value)) return "#NaN#";
  if (std::isinf(value)) return value > 0 ? "#+INF#" : "#-INF#";
  std::string text = FixedText(value, 80);
  CutToFifteenDigits(text);

  if (decimals < 0) {  // -1: every digit the cut left
    if (text.find('.') != std::string::npos) {
      while (!text.empty() && text.back() == '0') text.pop_back();
      if (!text.empty() && text.back() == '.') text.pop_back();
    }
    return text;
  }

  decimals = std::min(decimals, kMaxDecimals);
  std::size_t point = text.find('.');
  if (point == std::string::npos) {
    point = text.size();
    text += '.';
  }
  while (text.size() - point - 1 < static_cast<std::size_t>(decimals) + 1) text += '0';

  const std::size_t next = point + decimals + 1;
  const char lastKept = decimals > 0 ? text[point + decimals] : text[point - 1];
  bool increment = false;
  if (text[next] > '5' || (text[next] == '5' && rounding == 2)) {
    increment = true;
  } else if (text[next] == '5') {
    const bool laterNonZero = text.find_first_not_of('0', next + 1) != std::string::npos;
    increment = laterNonZero || (IsDigit(lastKept) && (lastKept - '0') % 2 != 0);
  }
  text.resize(decimals > 0 ? next : point);
  if (increment) AddOne(text, static_cast<std::ptrdiff_t>(text.size()) - 1);
  return text;
}

// Round to nearest, ties to even (the conversion of the platform's floating-point unit).
double RoundHalfEven(double value) {
  double whole = std::floor(value);
  const double fraction = value - whole;  // exact for every double
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  return whole;
}

// --- dates ------------------------------------------------------------------------------------

const QDate kOleEpoch(1899, 12, 30);
constexpr double kOleMinimum = -657435.0;  // exclusive: 0100-01-01 is -657434
constexpr double kOleLimit = 2958466.0;    // exclusive: 9999-12-31 is 2958465
constexpr int64_t kMsPerDay = 86400000;

// A date/time format with every unquoted run of `letter` of exactly `from` letters replaced.
QString ReplaceRuns(const QString& format, QChar letter, int from, const QString& to) {
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) quoted = !quoted;
    if (quoted || c != letter) {
      out += c;
      ++i;
      continue;
    }
    qsizetype run = 0;
    while (i + run < format.size() && format[i + run] == letter) ++run;
    out += run == from ? to : QString(run, letter);
    i += run;
  }
  return out;
}

// The locale's short date with a four-digit year: "M/d/yy" would lose the century, and the
// platform's short dates carry four digits nowadays.
QString ShortDateFormat(const QLocale& locale) {
  return ReplaceRuns(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('y'), 2,
                     QStringLiteral("yyyy"));
}

// The locale's time with seconds and without the time zone (Qt's long format adds the zone, the
// platform's time format has none).
QString TimeFormat(const QLocale& locale) {
  QString format = ReplaceRuns(locale.timeFormat(QLocale::LongFormat), QLatin1Char('t'), 1, {});
  format = ReplaceRuns(format, QLatin1Char('t'), 4, {});
  format.replace(QLatin1String("()"), QString());
  return format.simplified();
}

struct DateFormat {
  QString format;
  bool twoDigitYear;
};

QList<DateFormat> DateFormats(const QLocale& locale) {
  QList<DateFormat> formats;
  auto add = [&formats](const QString& format) {
    const bool twoDigit = ReplaceRuns(format, QLatin1Char('y'), 2, QStringLiteral("#")) != format;
    for (const QString& f :
         {format, ReplaceRuns(ReplaceRuns(format, QLatin1Char('d'), 2, QStringLiteral("d")),
                              QLatin1Char('M'), 2, QStringLiteral("M"))}) {
      if (!std::any_of(formats.begin(), formats.end(),
                       [&f](const DateFormat& known) { return known.format == f; })) {
        formats.append({f, twoDigit});
      }
    }
  };
  add(ShortDateFormat(locale));
  add(locale.dateFormat(QLocale::ShortFormat));
  add(locale.dateFormat(QLocale::LongFormat));
  add(QStringLiteral("yyyy-MM-dd"));
  return formats;
}

QStringList TimeFormats(const QLocale& locale) {
  QStringList formats = {TimeFormat(locale),           locale.timeFormat(QLocale::ShortFormat),
                         QStringLiteral("H:mm:ss"),    QStringLiteral("H:mm"),
                         QStringLiteral("h:mm:ss AP"), QStringLiteral("h:mm AP")};
  formats.removeDuplicates();
  return formats;
}

// Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999 (the platform's default window).
QDate ApplyCenturyWindow(QDate date, bool twoDigitYear) {
  if (twoDigitYear && date.isValid() && date.year() < 1930) return date.addYears(100);
  return date;
}

double OleDate(QDate date, QTime time) {
  if (!date.isValid() || date.year() < 100 || date.year() > 9999) return std::nan("");
  const int64_t days = kOleEpoch.daysTo(date);
  const double fraction =
      time.isValid() ? static_cast<double>(time.msecsSinceStartOfDay()) / kMsPerDay : 0.0;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

// Splits an automation date into its day and its time, the time rounded to `unitMs`.
bool SplitOleDate(double oleDate, int64_t unitMs, QDate& date, int64_t& ms) {
  if (!(oleDate > kOleMinimum && oleDate < kOleLimit)) return false;  // also NaN
  const double days = std::trunc(oleDate);
  const double fraction = std::fabs(oleDate - days);
  ms = std::llround(fraction * kMsPerDay / unitMs) * unitMs;
  date = kOleEpoch.addDays(static_cast<int64_t>(days));
  if (ms >= kMsPerDay) {  // rounded up into the next day (forward in time, also before 1899)
    date = date.addDays(1);
    ms -= kMsPerDay;
  }
  return date.isValid();
}

}  // namespace

QLocale UserLocale() {
  std::lock_guard lock(g_localeMutex);
  return g_localeOverride ? *g_localeOverride : QLocale::system();
}

void SetUserLocaleOverride(const std::optional<QLocale>& locale) {
  std::lock_guard lock(g_localeMutex);
  g_localeOverride = locale;
}

QString UserDecimalSeparator() {
  const QString separator = UserLocale().decimalPoint();
  return separator.isEmpty() ? QStringLiteral(".") : separator;
}

int CompareValues(const CVariant& a, const CVariant& b) {
  if (a.IsEmptyOrNull() && b.IsEmptyOrNull()) return kCompareEqual;
  if (a.IsEmptyOrNull() || b.IsEmptyOrNull() || a.Type() != b.Type()) {
    return kCompareNotComparable;
  }
  auto order = [](auto x, auto y) {
    return x < y ? kCompareLess : (y < x ? kCompareGreater : kCompareEqual);
  };
  switch (a.Type()) {
    case kVtI2:
    case kVtI4:
      return order(a.IntegerPayload(), b.IntegerPayload());
    case kVtR4:
    case kVtR8: {
      // NaN is not ordered; here it equals NaN and sorts below every number, so that a change
      // from a number to NaN (or back) is still seen as a change.
      const double x = a.DoublePayload();
      const double y = b.DoublePayload();
      if (std::isnan(x) || std::isnan(y)) {
        if (std::isnan(x) && std::isnan(y)) return kCompareEqual;
        return std::isnan(x) ? kCompareLess : kCompareGreater;
      }
      return order(x, y);
    }
    case kVtBstr: {
      // Code unit by code unit, as the platform's wide-string comparison does.
      const std::u16string_view x(reinterpret_cast<const char16_t*>(a.StringPayload().utf16()),
                                  a.StringPayload().size());
      const std::u16string_view y(reinterpret_cast<const char16_t*>(b.StringPayload().utf16()),
                                  b.StringPayload().size());
      const int c = x.compare(y);
      return c < 0 ? kCompareLess : (c > 0 ? kCompareGreater : kCompareEqual);
    }
    case kVtI1:
      return order(static_cast<uint8_t>(a.IntegerPayload()),
                   static_cast<uint8_t>(b.IntegerPayload()));
    case kVtBool:
      return a.IntegerPayload() == b.IntegerPayload() ? kCompareEqual : kCompareLess;
    case kVtDispatch:
    case kVtUnknown:
      return a.ObjectPayload() == b.ObjectPayload() ? kCompareEqual : kCompareLess;
    default:
      return kCompareUnsupported;
  }
}

QString ValueAsText(const CVariant& value) {
  if (value.IsString()) return value.StringPayload();
  if (value.IsArray()) {
    // A file blob shows its name only when content follows the name: an attached
    // empty file reads as no text, so a required file point still asks for a file.
    QString name;
    const QByteArray bytes = value.Bytes();
    if (value.IsByteArray() && FileBlob::Name(bytes, name) &&
        bytes.size() > 12 + 2 * static_cast<qsizetype>(name.size())) {
      return name;
    }
    return QString();
  }
  QString text;
  return value.ToText(text) ? text : QString();
}

QString FormatNumber(double value, int decimals, int rounding) {
  if (decimals == -2) {
    // Truncation toward zero; NaN and values outside int32 give 0x80000000, the value the
    // platform's conversion instruction produces for them.
    const double truncated = std::trunc(value);
    const uint32_t bits = truncated >= -2147483648.0 && truncated <= 2147483647.0
                              ? static_cast<uint32_t>(static_cast<int32_t>(truncated))
                              : 0x80000000u;
    return QString::number(bits, 16).toUpper();
  }

  std::string text;
  if (rounding != 0) {
    text = ExactDecimal(value, decimals, rounding);
  } else if (decimals > 0) {
    text = FixedText(value, decimals);
  } else if (decimals == 0) {
    // Written as a 64-bit integer; NaN and values outside its range give INT64_MIN, again the
    // platform's conversion result.
    const double rounded = RoundHalfEven(value);
    const int64_t whole = rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0
                              ? static_cast<int64_t>(rounded)
                              : std::numeric_limits<int64_t>::min();
    text = std::to_string(whole);
  } else {  // -1 (and any other negative value): "%lf"
    text = FixedText(value, 6);
  }

  QString result = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  const QString separator = UserDecimalSeparator();
  if (!separator.isEmpty() && separator != QLatin1String(".")) {
    const qsizetype point = result.indexOf(QLatin1Char('.'));
    if (point >= 0) result.replace(point, 1, separator);
  }
  return result;
}

bool IsNumericList(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const bool allowed = (c >= u'0' && c <= u'9') || c == u'.' || c == u',' || c == u';' ||
                         c == u' ' || (c == u'-' && i == 0);
    if (!allowed) return false;
  }
  return true;
}

bool RoundToInt32(double value, int32_t& out) {
  if (std::isnan(value)) return false;
  const double rounded = RoundHalfEven(value);
  if (rounded < -2147483648.0 || rounded > 2147483647.0) return false;
  out = static_cast<int32_t>(rounded);
  return true;
}

bool TextToDouble(const QString& text, double& out) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return false;
  bool ok = false;
  // The user's locale first (so "1.500" is fifteen hundred in German, as the platform reads it);
  // then the C locale, so a full stop is accepted as the decimal point everywhere.
  double value = UserLocale().toDouble(trimmed, &ok);
  if (!ok) value = QLocale::c().toDouble(trimmed, &ok);
  if (!ok || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool TextToInt32(const QString& text, int32_t& out) {
  // The platform reads the text as a number and then rounds it, so "2.5" gives 2.
  double value = 0;
  return TextToDouble(text, value) && RoundToInt32(value, out);
}

bool DateFromText(const QString& text, double& oleDate) {
  const QString trimmed = text.simplified();
  if (trimmed.isEmpty()) return false;
  const QLocale locale = UserLocale();
  const QList<DateFormat> dateFormats = DateFormats(locale);
  const QStringList timeFormats = TimeFormats(locale);

  auto accept = [&oleDate](QDate date, QTime time) {
    const double value = OleDate(date, time);
    if (std::isnan(value)) return false;
    oleDate = value;
    return true;
  };

  // A form that parses but gives a year outside the valid range (a "yyyy" form reading "24" as
  // the year 24) does not end the search; the two-digit form comes later.
  for (const DateFormat& df : dateFormats) {
    const QDate date = locale.toDate(trimmed, df.format);
    if (date.isValid() && accept(ApplyCenturyWindow(date, df.twoDigitYear), QTime(0, 0))) {
      return true;
    }
  }
  for (const DateFormat& df : dateFormats) {
    for (const QString& tf : timeFormats) {
      const QDateTime dateTime = locale.toDateTime(trimmed, df.format + QLatin1Char(' ') + tf);
      if (dateTime.isValid() &&
          accept(ApplyCenturyWindow(dateTime.date(), df.twoDigitYear), dateTime.time())) {
        return true;
      }
    }
  }
  for (const QString& tf : timeFormats) {
    const QTime time = locale.toTime(trimmed, tf);
    if (time.isValid() && accept(kOleEpoch, time)) return true;
  }
  const QDateTime iso = QDateTime::fromString(trimmed, Qt::ISODate);
  if (iso.isValid()) return accept(iso.date(), iso.time());
  return false;
}

bool DateToText(double oleDate, QString& out) {
  QDate date;
  int64_t ms = 0;
  if (!SplitOleDate(oleDate, 1000, date, ms)) return false;
  const QLocale locale = UserLocale();
  const QString time =
      locale.toString(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), TimeFormat(locale));
  if (date == kOleEpoch) {
    out = time;  // day 0 carries a time of day alone
  } else if (ms == 0) {
    out = locale.toString(date, ShortDateFormat(locale));
  } else {
    out = locale.toString(date, ShortDateFormat(locale)) + QLatin1Char(' ') + time;
  }
  return true;
}

double OleDateFromDateTime(const QDateTime& local) {
  if (!local.isValid()) return std::nan("");
  const QDateTime wall = local.timeSpec() == Qt::LocalTime ? local : local.toLocalTime();
  return OleDate(wall.date(), wall.time());
}

QDateTime DateTimeFromOleDate(double oleDate) {
  QDate date;
  int64_t ms = 0;
  if (!SplitOleDate(oleDate, 1, date, ms)) return QDateTime();
  return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), Qt::LocalTime);
}
