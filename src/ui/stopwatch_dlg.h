// CStopwatchDlg: the stopwatch point's dialog: the running total over Start, Stop, Reset and
// Close. The watch belongs to the point; the dialog drives it and redraws the total every 75
// milliseconds while it runs (only when the text changed). A click in the display and the Enter
// key toggle between Start and Stop; closing stops a running watch so its time counts. Modal,
// created on the stack by the dialog service; UI thread only.
#pragma once

#include <QDialog>
#include <QTimer>

#include "app/dialog_service.h"

class QPushButton;

class CStopwatchDlg : public QDialog {
 public:
  static constexpr int kRedrawMs = 75;

  explicit CStopwatchDlg(CDialogService::Stopwatch& watch, QWidget* parent = nullptr);

  QWidget* Display() const { return m_display; }
  // The total as the display shows it now.
  QString DisplayText() const { return m_shown; }
  QPushButton* StartButton() const { return m_start; }
  QPushButton* StopButton() const { return m_stop; }
  QPushButton* ResetButton() const { return m_reset; }
  QPushButton* CloseButton() const { return m_close; }

  void Start();
  void Stop();
  void Reset();
  void Toggle();
  // Redraws the display when the total's text changed.
  void Refresh();

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Update();

  CDialogService::Stopwatch& m_watch;
  QTimer m_ticker;
  QString m_shown;
  QWidget* m_display = nullptr;
  QPushButton* m_start = nullptr;
  QPushButton* m_stop = nullptr;
  QPushButton* m_reset = nullptr;
  QPushButton* m_close = nullptr;
};
