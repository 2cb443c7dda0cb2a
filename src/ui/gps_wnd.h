// CGPSWnd: the GPS window a GPS point opens: the GPS icon and a status line (green once the
// position is fixed, red otherwise), the latitude, longitude, altitude and satellite lines, and
// Settings, OK (enabled once there is a fix to write) and Cancel. What it does is the point's
// (CDialogService::GpsWindow): the window calls it on opening, on every tick of its poll timer
// and for the settings button, shows its view and starts, stops or closes as it answers. The
// timer is stopped around every call, so a dialog the point opens meanwhile is never polled
// under. Modal, created on the stack by the dialog service; UI thread only.
#pragma once

#include <QDialog>
#include <QTimer>

#include "app/dialog_service.h"

class QLabel;
class QPushButton;

class CGPSWnd : public QDialog {
 public:
  CGPSWnd(CDialogService::GpsWindow& logic, QWidget* parent = nullptr);

  // Opens the window, connects and runs it until it closes; QDialog::Accepted on OK.
  int Execute();

  QLabel* StatusLabel() const { return m_status; }
  // The latitude, longitude, altitude and satellite lines, in that order.
  QLabel* Line(int index) const { return m_lines[index]; }
  QPushButton* OkButton() const { return m_ok; }
  QPushButton* SettingsButton() const { return m_settings; }
  const QTimer& PollTimer() const { return m_timer; }
  // One tick of the poll timer (tests tick without waiting for it).
  void PollNow();

  void done(int result) override;

 private:
  void Run(CDialogService::GpsWindow::Next (CDialogService::GpsWindow::*call)());
  void ShowView();

  CDialogService::GpsWindow& m_logic;
  QTimer m_timer;
  QLabel* m_status = nullptr;
  QLabel* m_lines[4] = {};
  QPushButton* m_settings = nullptr;
  QPushButton* m_ok = nullptr;
};
