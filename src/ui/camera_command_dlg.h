// CCameraCommandDlg: the camera window when the settings name a camera program ("Camera" section,
// "Command" entry) instead of the built-in capture window: it notes the newest photo of the
// folder the camera point watches, starts the program a quarter second after it shows, and
// closes with OK as soon as a new photo appears there (or one is saved again); Cancel gives up
// waiting. A program that cannot be started is reported ("Unable to launch camera.") and the window
// closes. "%folder%" in the command stands for that folder. Modal, owned by whoever opens it; UI
// thread.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "points/camera_point_logic.h"

class CCameraCommandDlg : public QDialog {
 public:
  // Polling and start-up delay of the window.
  static constexpr int kPollMs = 250;

  CCameraCommandDlg(const QString& folder, const QString& command, QWidget* parent);

  // The program and its arguments from `command`, split into words as a shell splits them
  // (single and double quotes, backslash escapes), "%folder%" replaced by `folder` in each; empty
  // when there is no program or a quote is left open.
  static QStringList CommandLine(const QString& command, const QString& folder);

 private:
  void Launch();
  void Poll();

  QString m_folder;
  QString m_command;
  CameraPointLogic::CameraRollMark m_before;  // the newest photo when the window opened
  QTimer m_poll;
};
