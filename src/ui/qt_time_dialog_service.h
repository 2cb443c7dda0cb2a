// CQtTimeDialogService: the time point's dialogs in the running client: CCalendarDlg over the
// active window. Installed by the executable; UI thread only.
#pragma once

#include "points/time_dialog_service.h"

class CQtTimeDialogService : public CTimeDialogService {
 public:
  bool ChooseDateTime(QDateTime& value, Parts parts) override;
};
