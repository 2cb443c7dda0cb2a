// CTimeDialogService: the dialogs a time point opens on a tap, the calendar (a date, with the time
// of day when the format has one) and the time of day alone. The client installs its widget
// dialogs at start-up; without an installed service (headless runs) nothing opens. Tests install
// a scripted one. The installed service is owned here; UI thread only.
#pragma once

#include <QDateTime>
#include <memory>

class CTimeDialogService {
 public:
  enum class Parts { kDate, kDateAndTime, kTime };

  virtual ~CTimeDialogService() = default;
  // Lets the user change `value` in place; false when the dialog was closed without OK.
  virtual bool ChooseDateTime(QDateTime& value, Parts parts) = 0;

  // The installed service, or nullptr.
  static CTimeDialogService* Installed();
  // Installs a service (nullptr removes it) and returns the previous one.
  static std::unique_ptr<CTimeDialogService> Install(std::unique_ptr<CTimeDialogService> service);
};
