// CSystemTime: a local wall-clock date and time in the broken-down form sessions keep (eight
// 16-bit fields: year, month, day of week, day, hour, minute, second, milliseconds), with its
// conversions to the 64-bit count of 100-nanosecond intervals since 1601-01-01 that the session
// database stores (no time-zone conversion: the wall-clock fields are counted as they are) and to
// QDateTime. Plain value type; any thread.
#pragma once

#include <QDateTime>
#include <cstdint>

class CArchive;

class CSystemTime {
 public:
  // 100-nanosecond intervals in one millisecond and in one day.
  static constexpr int64_t kTicksPerMillisecond = 10000;
  static constexpr int64_t kTicksPerDay = 864000000000LL;

  CSystemTime() = default;  // all zero
  // The fields of a local date and time (day of week 0 = Sunday); all zero for an invalid one.
  static CSystemTime FromDateTime(const QDateTime& local);
  // The local wall-clock time now, from the services' clock.
  static CSystemTime Now();
  // The time of a stored count. A negative count, or one beyond the year 30827, gives all zero
  // (the platform's conversion refuses those too).
  static CSystemTime FromFileTime(int64_t fileTime);

  // The stored count; false (and 0) when the fields do not form a valid date and time at or after
  // 1601-01-01 (an all-zero time is not one).
  bool ToFileTime(int64_t& fileTime) const;
  int64_t ToFileTime() const;
  // The local date and time; invalid for fields that do not form one.
  QDateTime ToDateTime() const;

  bool IsZero() const;

  // The 16 raw bytes: the eight fields as little-endian words.
  void Write(CArchive& ar) const;
  static CSystemTime Read(CArchive& ar);

  bool operator==(const CSystemTime& other) const = default;

  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};
