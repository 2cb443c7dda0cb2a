// CTimePoint (type code 6, "Date/Time"): records a date, a time or both as text in its value
// format and shows it in its display format. Only the file record, the fields and the conversion
// of the older date/time custom point exist so far; every operation is still the base point's.
// Owned by its CPage; UI thread only.
#pragma once

#include <memory>

#include "project/base_point.h"

class CCustomPoint;

class CTimePoint : public CBasePoint {
 public:
  static constexpr int32_t kTypeCode = 6;

  struct Settings {
    QString displayFormat = QStringLiteral("{weekday-short} {day} {month-short}, {year}");
    QString valueFormat = QStringLiteral("{year}-{month:2}-{day:2}");
    // 0 tap stamps the time, 1 inline picker, 2 tap opens the calendar, 3 from a math point
    int32_t mode = 2;
    int32_t autoSet = 0;
    int32_t fixed = 0;
    int32_t width = 0;
    QString mathPoint;  // the math point that feeds mode 3
    bool operator==(const Settings& other) const = default;
  };

  CTimePoint();

  const Settings& GetSettings() const { return m_settings; }
  void SetSettings(const Settings& settings);
  Settings& MutableSettings() { return m_settings; }

  void SaveSettings() override;
  void LoadSettings() override;

  // The format texts of the date and time styles of older files (styles out of 0..4 are clamped).
  static QString LegacyDateStyle(int32_t style);
  static QString LegacyTimeStyle(int32_t style);
  // A time point that stands in for a custom point of the older date/time control: it takes the
  // custom point's identity, texts, flags and default value, and its formats from the control's
  // properties "date", "time", "autoset" and "size".
  static std::unique_ptr<CTimePoint> FromLegacyCustomPoint(const CCustomPoint& custom);

 protected:
  void ReadFields(CArchive& ar, int version) override;
  void WriteFields(CArchive& ar) override;

 private:
  Settings m_settings;
};
