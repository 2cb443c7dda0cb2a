// CTimePoint (type code 6, "Date/Time"): records a date, a time or both as text in its value
// format and shows it in its display format, in a value box beside or under its caption. A tap on
// the box stamps the current time, opens the calendar or clears the value; an inline picker of the
// page window edits it in place; or a math point's minute value fills it. Owned by its CPage; the
// picker belongs to the page window. UI thread only.
#pragma once

#include <memory>

#include "project/base_point.h"
#include "project/page_window.h"

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

  // In mode 3, becomes the math point's dependant and, with an empty value, takes its value.
  void Init() override;
  // Stamps an empty point with AutoSet; in mode 1 creates the picker.
  void Show(CPageWindow* window) override;
  // Leaving the page takes the picker's last value, then destroys the picker.
  bool Hide(bool verify) override;
  // Stores the text (also one that does not read back); the picker or the box follows.
  void SetValue(const QString& text) override;
  int GetHeight(QPainter* painter, int width) override;
  int Paint(QPainter* painter) override;
  void OnTap(int x, int y) override;
  // The picker's change: its value in the value format, or empty for "none".
  void OnCommand(uint32_t command, intptr_t argument) override;
  // A change of the math point of mode 3.
  void OnDep(CBasePoint* changed) override;
  void SaveSettings() override;
  void LoadSettings() override;

  // The text the value box shows: the value in the display format, or empty when the value does
  // not read back in the value format.
  QString DisplayText() const;
  // The picker while the page is shown in mode 1, else 0.
  CPageWindow::Control Picker() const { return m_picker; }
  // Where the value box was last painted (page coordinates).
  const QRect& BoxRect() const { return m_boxRect; }

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
  void SetNow();
  void DestroyPicker();

  Settings m_settings;
  CPageWindow::Control m_picker = 0;
  CPageWindow* m_pickerWindow = nullptr;  // the window that made the picker (not owned)
  QRect m_boxRect;
  bool m_busy = false;
};
