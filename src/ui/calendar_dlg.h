// CCalendarDlg: the time point's date chooser: the locale's month names, the years 1900 to 2199,
// a grid of the month's days from Monday, the chosen day white on light blue, and OK. With a
// time part it also edits the time of day; as the time dialog it shows only that. It edits a
// local date-time in place; the time of day it does not show stays as it was. Modal, created on
// the stack by whoever opens it; UI thread only.
#pragma once

#include <QDateTime>
#include <QDialog>

#include "app/dialog_service.h"

class QComboBox;
class QGridLayout;
class QPushButton;
class QTimeEdit;

class CCalendarDlg : public QDialog {
 public:
  CCalendarDlg(QWidget* parent, const QDateTime& value, CDialogService::TimeParts parts);

  QDateTime Value() const;
  // The day button of a day of the shown month (for tests), or nullptr.
  QPushButton* DayButton(int day) const;
  QComboBox* MonthBox() const { return m_month; }
  QComboBox* YearBox() const { return m_year; }
  QTimeEdit* TimeBox() const { return m_time; }
  QPushButton* OkButton() const { return m_ok; }

  static constexpr int kFirstYear = 1900;
  static constexpr int kLastYear = 2199;

 private:
  void Rebuild();
  void ChooseDay(int day);
  // Month or year changed: the day comes down until the date exists.
  void MonthOrYearChanged();

  QDate m_date;
  QTime m_timeOfDay;
  CDialogService::TimeParts m_parts;
  QComboBox* m_month = nullptr;
  QComboBox* m_year = nullptr;
  QGridLayout* m_grid = nullptr;
  QList<QPushButton*> m_days;
  QTimeEdit* m_time = nullptr;
  QPushButton* m_ok = nullptr;
};
