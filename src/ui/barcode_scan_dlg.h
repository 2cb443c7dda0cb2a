// CBarcodeScanDlg: the barcode point's scan window: a prompt and one line that has the focus, so
// a scanner that types like a keyboard fills it; its Enter ends the code and, when the point
// closes on a scan, closes the window with OK (otherwise the code stays selected for checking,
// a new scan replaces it, and OK takes it). The code can also be typed. Modal, created on the
// stack by the dialog service; UI thread only.
#pragma once

#include <QDialog>

#include "app/dialog_service.h"

class QLineEdit;
class QPushButton;

class CBarcodeScanDlg : public QDialog {
 public:
  CBarcodeScanDlg(const CDialogService::BarcodeRequest& request, QWidget* parent = nullptr);

  QString Code() const;
  QLineEdit* CodeEdit() const { return m_code; }
  QPushButton* OkButton() const { return m_ok; }

 private:
  void Scanned();

  bool m_closeOnScan;
  QLineEdit* m_code = nullptr;
  QPushButton* m_ok = nullptr;
};
