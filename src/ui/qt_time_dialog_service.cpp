#include "ui/qt_time_dialog_service.h"

#include <QApplication>

#include "ui/calendar_dlg.h"

bool CQtTimeDialogService::ChooseDateTime(QDateTime& value, Parts parts) {
  CCalendarDlg dialog(QApplication::activeWindow(), value, parts);
  if (dialog.exec() != QDialog::Accepted) return false;
  value = dialog.Value();
  return true;
}
