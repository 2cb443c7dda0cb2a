#include "points/expr/minute_value.h"

#include <QDateTime>
#include <cmath>
#include <cstdint>

#include "values/variant_ops.h"

namespace {

const QDate kUnixEpoch(1970, 1, 1);
constexpr int64_t kSecondsPerDay = 86400;
// Beyond this many minutes every date is outside the years 100 to 9999; it also keeps the
// conversion to whole seconds far from overflow.
constexpr double kMinuteLimit = 1e10;

}  // namespace

double CMinuteValue::FromText(const QString& text) {
  QString dateText = text;
  int milliseconds = 0;
  const qsizetype size = text.size();
  if (size >= 4 && text[size - 4] == QLatin1Char('.')) {
    // The three characters after the point are milliseconds, read as decimal digits (a leading
    // zero does not make them octal).
    dateText = text.left(size - 4);
    for (qsizetype i = size - 3; i < size; ++i) {
      const char16_t c = text[i].unicode();
      if (c < u'0' || c > u'9') break;
      milliseconds = milliseconds * 10 + (c - u'0');
    }
  }
  double oleDate = 0;
  if (!DateFromText(dateText, oleDate)) return 0;
  const QDateTime dateTime = DateTimeFromOleDate(oleDate);
  if (!dateTime.isValid()) return 0;
  const QDate date = dateTime.date();
  const QTime time = dateTime.time();
  double minutes = 0;
  if (date.year() < 1900) {
    // A time without a date (the conversion puts it on 1899-12-30).
    minutes = time.hour() * 60.0 + time.minute() + time.second() / 60.0;
  } else {
    const int64_t seconds =
        kUnixEpoch.daysTo(date) * kSecondsPerDay +
        static_cast<int64_t>(std::llround(time.msecsSinceStartOfDay() / 1000.0));
    minutes = static_cast<double>(seconds) / 60.0;
  }
  if (milliseconds >= 1) minutes += milliseconds / 60000.0;
  return minutes;
}

bool CMinuteValue::ToDateTime(double minutes, QDate& date, QTime& time) {
  if (!std::isfinite(minutes) || std::fabs(minutes) > kMinuteLimit) return false;
  const int64_t seconds = std::llround(minutes * 60.0);
  int64_t days = seconds / kSecondsPerDay;
  int64_t rest = seconds % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const QDate day = kUnixEpoch.addDays(days);
  if (!day.isValid() || day.year() < 100 || day.year() > 9999) return false;
  date = day;
  time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(rest * 1000));
  return true;
}

bool CMinuteValue::ToTimeOfDay(double minutes, int& hour, int& minute, int& second) {
  if (!(minutes >= 0 && minutes < 1440)) return false;
  const double h = std::floor(minutes / 60);
  const double m = std::floor(minutes - 60 * h);
  const double s = std::round((minutes - 60 * h - m) * 60);
  hour = static_cast<int>(h);
  minute = static_cast<int>(m);
  second = s > 59 ? 59 : static_cast<int>(s);
  return true;
}
