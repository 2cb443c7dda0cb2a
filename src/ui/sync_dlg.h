// CSyncDlg: the modal window of a synchronisation run: the title "Sync.Title" + "...", the status
// text ("1025"), the project title in the bold shared font ("1020"), the progress bar ("1021")
// and Cancel ("2"). The run's logic is CSyncRun's; the window only shows what the run reports and
// closes when it ends. Made on the stack by the frame for one run; UI thread.
#pragma once

#include <QDialog>

#include "sync/sync_run.h"

class QLabel;
class QProgressBar;
class QPushButton;

class CSyncDlg : public QDialog, public CSyncRun::CView {
  Q_OBJECT
 public:
  // Attaches itself to `run` as its view; the run must outlive the window's exec.
  CSyncDlg(CSyncRun& run, QWidget* parent);
  ~CSyncDlg() override;

  // Starts the run and shows the window modally until the run has ended.
  void Execute();

  // ---- CSyncRun::CView
  void SetStatus(const QString& text) override;
  void SetProgress(int position, int maximum) override;
  void OnEnded() override;

  QLabel* StatusLabel() const { return m_status; }
  QLabel* ProjectLabel() const { return m_projectTitle; }
  QProgressBar* Progress() const { return m_progress; }
  QPushButton* CancelButton() const { return m_cancel; }

 protected:
  // Escape and the window's close box cancel the run, as the Cancel button does.
  void reject() override;

 private:
  CSyncRun& m_run;
  QLabel* m_status;
  QLabel* m_projectTitle;
  QProgressBar* m_progress;
  QPushButton* m_cancel;
};
