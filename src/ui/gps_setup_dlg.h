// CGPSSetupDlg: the GPS setup dialog: the port ("Auto" first, then this machine's serial ports;
// a device path may be typed) and the speed, which counts only for a chosen port, so it is
// enabled only then. OK hands the choices to the request's save and stays open when that fails.
// Modal, created on the stack by the dialog service; UI thread only.
#pragma once

#include <QDialog>

#include "app/dialog_service.h"

class QComboBox;
class QPushButton;

class CGPSSetupDlg : public QDialog {
 public:
  CGPSSetupDlg(CDialogService::GpsSetupRequest& request, QWidget* parent = nullptr);

  QComboBox* PortBox() const { return m_port; }
  QComboBox* SpeedBox() const { return m_speed; }
  QPushButton* OkButton() const { return m_ok; }

 private:
  void PortChanged();
  void Save();

  CDialogService::GpsSetupRequest& m_request;
  QComboBox* m_port = nullptr;
  QComboBox* m_speed = nullptr;
  QPushButton* m_ok = nullptr;
};
