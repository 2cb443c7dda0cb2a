#include "sessions/system_time.h"

#include <QDate>
#include <QTime>

#include "app/services.h"
#include "values/archive.h"

namespace {

const QDate& Epoch1601() {
  static const QDate epoch(1601, 1, 1);
  return epoch;
}

// The last day the platform's conversion still accepts.
constexpr int kLastYear = 30827;

}  // namespace

CSystemTime CSystemTime::FromDateTime(const QDateTime& local) {
  CSystemTime time;
  if (!local.isValid()) return time;
  const QDate date = local.date();
  const QTime clock = local.time();
  if (date.year() < 1 || date.year() > 0xFFFF) return time;
  time.year = static_cast<uint16_t>(date.year());
  time.month = static_cast<uint16_t>(date.month());
  time.dayOfWeek = static_cast<uint16_t>(date.dayOfWeek() % 7);  // Qt: Monday 1 .. Sunday 7
  time.day = static_cast<uint16_t>(date.day());
  time.hour = static_cast<uint16_t>(clock.hour());
  time.minute = static_cast<uint16_t>(clock.minute());
  time.second = static_cast<uint16_t>(clock.second());
  time.milliseconds = static_cast<uint16_t>(clock.msec());
  return time;
}

CSystemTime CSystemTime::Now() { return FromDateTime(CServices::Instance().Now()); }

CSystemTime CSystemTime::FromFileTime(int64_t fileTime) {
  if (fileTime < 0) return CSystemTime();
  const int64_t days = fileTime / kTicksPerDay;
  const int64_t rest = fileTime % kTicksPerDay;
  const QDate date = Epoch1601().addDays(days);
  if (!date.isValid() || date.year() > kLastYear) return CSystemTime();
  const int64_t ms = rest / kTicksPerMillisecond;
  CSystemTime time;
  time.year = static_cast<uint16_t>(date.year());
  time.month = static_cast<uint16_t>(date.month());
  time.dayOfWeek = static_cast<uint16_t>(date.dayOfWeek() % 7);
  time.day = static_cast<uint16_t>(date.day());
  time.hour = static_cast<uint16_t>(ms / 3600000);
  time.minute = static_cast<uint16_t>(ms / 60000 % 60);
  time.second = static_cast<uint16_t>(ms / 1000 % 60);
  time.milliseconds = static_cast<uint16_t>(ms % 1000);
  return time;
}

bool CSystemTime::ToFileTime(int64_t& fileTime) const {
  fileTime = 0;
  if (year < 1601 || year > kLastYear || hour > 23 || minute > 59 || second > 59 ||
      milliseconds > 999) {
    return false;
  }
  const QDate date(year, month, day);
  if (!date.isValid()) return false;
  const int64_t days = Epoch1601().daysTo(date);
  const int64_t ms =
      ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + milliseconds;
  fileTime = days * kTicksPerDay + ms * kTicksPerMillisecond;
  return true;
}

int64_t CSystemTime::ToFileTime() const {
  int64_t fileTime = 0;
  ToFileTime(fileTime);
  return fileTime;
}

QDateTime CSystemTime::ToDateTime() const {
  const QDate date(year, month, day);
  const QTime clock(hour, minute, second, milliseconds);
  if (!date.isValid() || !clock.isValid()) return QDateTime();
  return QDateTime(date, clock);
}

bool CSystemTime::IsZero() const { return *this == CSystemTime(); }

void CSystemTime::Write(CArchive& ar) const {
  for (uint16_t field : {year, month, dayOfWeek, day, hour, minute, second, milliseconds}) {
    ar.WriteWord(field);
  }
}

CSystemTime CSystemTime::Read(CArchive& ar) {
  ar.Require(16);
  CSystemTime time;
  for (uint16_t* field : {&time.year, &time.month, &time.dayOfWeek, &time.day, &time.hour,
                          &time.minute, &time.second, &time.milliseconds}) {
    *field = ar.ReadWord();
  }
  return time;
}
