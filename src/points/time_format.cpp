#include "points/time_format.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

#include "app/language.h"
#include "app/services.h"
#include "points/expr/minute_value.h"
#include "values/variant_ops.h"

namespace {

// Walks a format from the left: literal characters to `literal`, token names (without braces) to
// `token`. false for an unbalanced brace.
template <class Literal, class Token>
bool ScanFormat(const QString& format, Literal literal, Token token) {
  const qsizetype size = format.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar c = format[i];
    if (c == '{') {
      if (i + 1 < size && format[i + 1] == '{') {
        literal(QChar('{'));
        ++i;
        continue;
      }
      const qsizetype close = format.indexOf('}', i + 1);
      if (close < 0) return false;
      token(QStringView(format).mid(i + 1, close - i - 1));
      i = close;
    } else if (c == '}') {
      if (i + 1 < size && format[i + 1] == '}') {
        literal(QChar('}'));
        ++i;
        continue;
      }
      return false;
    } else {
      literal(c);
    }
  }
  return true;
}

QString InvalidFormatText() {
  return CLanguage::Instance().Translate(QStringLiteral("Point.Time.InvalidFormat"));
}

QString Number(int value, int digits) {
  return QStringLiteral("%1").arg(value, digits, 10, QChar('0'));
}

QString TokenText(QStringView name, const QDateTime& value, const QLocale& locale) {
  const QDate date = value.date();
  const QTime time = value.time();
  const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
  const QString amPm = time.hour() < 12 ? locale.amText() : locale.pmText();
  struct Numeric {
    const char* name;
    int value;
    int digits;
  };
  const Numeric numerics[] = {
      {"day", date.day(), 1},          {"day:2", date.day(), 2},
      {"month", date.month(), 1},      {"month:2", date.month(), 2},
      {"year", date.year(), 4},        {"year:2", ((date.year() % 100) + 100) % 100, 2},
      {"millisecond", time.msec(), 1}, {"millisecond:3", time.msec(), 3},
      {"second", time.second(), 1},    {"second:2", time.second(), 2},
      {"minute", time.minute(), 1},    {"minute:2", time.minute(), 2},
      {"hour-12", hour12, 1},          {"hour-12:2", hour12, 2},
      {"hour-24", time.hour(), 1},     {"hour-24:2", time.hour(), 2},
  };
  for (const Numeric& numeric : numerics) {
    if (name == QLatin1String(numeric.name)) return Number(numeric.value, numeric.digits);
  }
  if (name == u"weekday-short") return locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
  if (name == u"weekday-long") return locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
  if (name == u"month-short") return locale.monthName(date.month(), QLocale::ShortFormat);
  if (name == u"month-long") return locale.monthName(date.month(), QLocale::LongFormat);
  if (name == u"AM-PM") return amPm;
  if (name == u"am-pm") return amPm.toLower();
  return QString();
}

// ---- reading back

// One field of the date or time; a format that names a field twice must give it one value.
struct Field {
  int value = -1;
  bool Set(int v) {
    if (value >= 0 && value != v) return false;
    value = v;
    return true;
  }
};

struct Parsed {
  Field year, month, day, hour, minute, second, millisecond;
  bool twelveHour = false;
  std::optional<bool> pm;
};

class CTextReader {
 public:
  explicit CTextReader(const QString& text) : m_text(text) {}

  bool AtEnd() const { return m_pos >= m_text.size(); }
  void SkipSpaces() {
    while (!AtEnd() && m_text[m_pos].isSpace()) ++m_pos;
  }
  // A run of 1..maxDigits ASCII digits; the count read in `digits`.
  bool ReadNumber(int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (!AtEnd() && digits < maxDigits && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
      value = value * 10 + (m_text[m_pos].unicode() - '0');
      ++m_pos;
      ++digits;
    }
    return digits > 0;
  }
  // The longest of `names` that the text continues with (case-insensitive); its index or -1.
  int ReadName(const QStringList& names) {
    int best = -1;
    qsizetype bestLength = 0;
    for (int i = 0; i < names.size(); ++i) {
      const QString& name = names[i];
      if (name.isEmpty() || name.size() <= bestLength) continue;
      if (QStringView(m_text).mid(m_pos).startsWith(name, Qt::CaseInsensitive)) {
        best = i;
        bestLength = name.size();
      }
    }
    m_pos += bestLength;
    return best;
  }
  bool ReadLiteral(QChar c) {
    if (c.isSpace()) {
      // Blanks in a format match any run of blanks, as typed values vary in them.
      SkipSpaces();
      return true;
    }
    if (AtEnd() || m_text[m_pos].toCaseFolded() != c.toCaseFolded()) return false;
    ++m_pos;
    return true;
  }

 private:
  const QString& m_text;
  qsizetype m_pos = 0;
};

// A two-digit year: above 50 the 1900s, otherwise the 2000s.
int FullYear(int twoDigits) { return twoDigits > 50 ? 1900 + twoDigits : 2000 + twoDigits; }

bool ReadToken(QStringView name, CTextReader& reader, const QLocale& locale, Parsed& parsed) {
  struct Numeric {
    const char* name;
    Field Parsed::*field;
    int maxDigits;
  };
  static const Numeric kNumerics[] = {
      {"day", &Parsed::day, 2},
      {"day:2", &Parsed::day, 2},
      {"month", &Parsed::month, 2},
      {"month:2", &Parsed::month, 2},
      {"millisecond", &Parsed::millisecond, 3},
      {"millisecond:3", &Parsed::millisecond, 3},
      {"second", &Parsed::second, 2},
      {"second:2", &Parsed::second, 2},
      {"minute", &Parsed::minute, 2},
      {"minute:2", &Parsed::minute, 2},
      {"hour-12", &Parsed::hour, 2},
      {"hour-12:2", &Parsed::hour, 2},
      {"hour-24", &Parsed::hour, 2},
      {"hour-24:2", &Parsed::hour, 2},
  };
  int value = 0;
  int digits = 0;
  for (const Numeric& numeric : kNumerics) {
    if (name != QLatin1String(numeric.name)) continue;
    if (name.startsWith(u"hour-12")) parsed.twelveHour = true;
    return reader.ReadNumber(numeric.maxDigits, value, digits) &&
           (parsed.*numeric.field).Set(value);
  }
  if (name == u"year") {
    // Four digits as written; two digits as older files and typed values have them.
    if (!reader.ReadNumber(4, value, digits) || (digits != 4 && digits != 2)) return false;
    return parsed.year.Set(digits == 2 ? FullYear(value) : value);
  }
  if (name == u"year:2") {
    return reader.ReadNumber(2, value, digits) && digits == 2 && parsed.year.Set(FullYear(value));
  }
  if (name == u"month-short" || name == u"month-long") {
    QStringList names;
    for (int month = 1; month <= 12; ++month) names << locale.monthName(month);
    for (int month = 1; month <= 12; ++month)
      names << locale.monthName(month, QLocale::ShortFormat);
    const int index = reader.ReadName(names);
    return index >= 0 && parsed.month.Set(index % 12 + 1);
  }
  if (name == u"weekday-short" || name == u"weekday-long") {
    // The weekday follows from the date; it is only skipped.
    QStringList names;
    for (int day = 1; day <= 7; ++day) {
      names << locale.dayName(day) << locale.dayName(day, QLocale::ShortFormat);
    }
    return reader.ReadName(names) >= 0;
  }
  if (name == u"AM-PM" || name == u"am-pm") {
    const int index = reader.ReadName({locale.amText(), locale.pmText()});
    if (index < 0) return false;
    parsed.pm = index == 1;
    return true;
  }
  return true;  // a name the language does not know wrote nothing
}

}  // namespace

QString CTimeFormat::FormatDateTime(const QDateTime& value, const QString& format) {
  const QLocale locale = UserLocale();
  QString out;
  const bool ok = ScanFormat(
      format, [&out](QChar c) { out += c; },
      [&out, &value, &locale](QStringView name) { out += TokenText(name, value, locale); });
  return ok ? out : InvalidFormatText();
}

bool CTimeFormat::ParseDateTime(const QString& text, const QString& format, QDateTime& value) {
  const QLocale locale = UserLocale();
  const QString trimmed = text.trimmed();
  CTextReader reader(trimmed);
  Parsed parsed;
  bool matched = true;
  const bool balanced = ScanFormat(
      format.trimmed(),
      [&](QChar c) {
        if (matched) matched = reader.ReadLiteral(c);
      },
      [&](QStringView name) {
        if (matched) matched = ReadToken(name, reader, locale, parsed);
      });
  reader.SkipSpaces();
  if (!balanced || !matched || !reader.AtEnd()) return false;

  int hour = parsed.hour.value < 0 ? 0 : parsed.hour.value;
  if (parsed.pm.has_value() || parsed.twelveHour) {
    if (hour < 1 && parsed.twelveHour) return false;
    if (parsed.pm.has_value() && hour <= 12) {
      if (*parsed.pm && hour < 12) hour += 12;
      if (!*parsed.pm && hour == 12) hour = 0;
    }
  }
  const QTime time(hour, std::max(parsed.minute.value, 0), std::max(parsed.second.value, 0),
                   std::max(parsed.millisecond.value, 0));
  QDate date(1899, 12, 30);
  if (HasDate(format)) {
    const int year =
        parsed.year.value >= 0 ? parsed.year.value : CServices::Instance().Now().date().year();
    date = QDate(year, std::max(parsed.month.value, 1), std::max(parsed.day.value, 1));
  }
  if (!date.isValid() || !time.isValid()) return false;
  value = QDateTime(date, time);
  return true;
}

CTimeFormat::Picture CTimeFormat::PickerPicture(const QString& format) {
  struct Element {
    const char* token;
    const char* picture;
    bool time;
  };
  static const Element kElements[] = {
      {"day", "d", false},
      {"day:2", "dd", false},
      {"month", "M", false},
      {"month:2", "MM", false},
      {"year", "yyyy", false},
      {"year:2", "yy", false},
      {"minute", "m", true},
      {"minute:2", "mm", true},
      {"hour-12", "h", true},
      {"hour-12:2", "hh", true},
      {"hour-24", "H", true},
      {"hour-24:2", "HH", true},
      {"weekday-short", "ddd", false},
      {"weekday-long", "dddd", false},
      {"month-short", "MMM", false},
      {"month-long", "MMMM", false},
      {"AM-PM", "tt", true},
      {"am-pm", "tt", true},
  };
  Picture picture;
  QString out;
  QString literal;
  // Literal text goes in quotes, a quote in it doubled; tokens become their elements.
  const auto flush = [&out, &literal] {
    if (literal.isEmpty()) return;
    out += '\'' + literal.replace('\'', QStringLiteral("''")) + '\'';
    literal.clear();
  };
  const bool ok = ScanFormat(
      format, [&literal](QChar c) { literal += c; },
      [&out, &picture, &flush](QStringView name) {
        // A token the picker cannot show joins the literal text around it.
        for (const Element& element : kElements) {
          if (name != QLatin1String(element.token)) continue;
          flush();
          out += QLatin1String(element.picture);
          picture.hasTime = picture.hasTime || element.time;
          break;
        }
      });
  if (!ok) return Picture{InvalidFormatText(), false};
  flush();
  picture.text = out;
  return picture;
}

bool CTimeFormat::HasDate(const QString& format) {
  return format.contains(u"{day") || format.contains(u"{month") || format.contains(u"{year") ||
         format.contains(u"{weekday");
}

bool CTimeFormat::HasTime(const QString& format) {
  return format.contains(u"{hour") || format.contains(u"{minute") || format.contains(u"{second") ||
         format.contains(u"{millisecond") || format.contains(u"{AM-PM}") ||
         format.contains(u"{am-pm}");
}

std::optional<QDateTime> CTimeFormat::FromMinuteValue(const QString& text, const QString& format) {
  // The leading number of the text, with the user's decimal separator or a point.
  static const QRegularExpression kNumber(
      QStringLiteral("^\\s*([+-]?(?:\\d+(?:[.,]\\d*)?|[.,]\\d+)(?:[eE][+-]?\\d+)?)"));
  const QRegularExpressionMatch match = kNumber.match(text);
  if (!match.hasMatch()) return std::nullopt;
  QString number = match.captured(1);
  number.replace(',', '.');
  bool ok = false;
  const double v = number.toDouble(&ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;

  if (!HasDate(format)) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!CMinuteValue::ToTimeOfDay(v, hour, minute, second)) return std::nullopt;
    return QDateTime(QDate(1899, 12, 30), QTime(hour, minute, second));
  }
  QDate date;
  QTime time;
  if (!CMinuteValue::ToDateTime(v, date, time)) return std::nullopt;
  return QDateTime(date, time);
}

CTimeFormat::TapAction CTimeFormat::Tap(int mode, bool autoSet, bool fixed, bool readOnly,
                                        bool valueEmpty, bool insideBox) {
  if (mode == 1 || !insideBox) return TapAction::kPassOn;
  if (readOnly || mode == 3) return TapAction::kNothing;
  if (!valueEmpty) {
    if (fixed) return TapAction::kNothing;
    if (!autoSet) return TapAction::kClear;
  }
  return mode == 2 ? TapAction::kChoose : TapAction::kStamp;
}
