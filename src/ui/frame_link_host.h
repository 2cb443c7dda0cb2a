// CFrameLinkHost: what the main window lends to a command link: its open project, finishing the
// session being edited, closing and opening projects, starting to edit, the settings dialog and
// its lists. A thin adapter over CClientFrame, made for one link; UI thread.
#pragma once

#include "sync/command_link_runner.h"

class CClientFrame;

class CFrameLinkHost : public CCommandLinkHost {
 public:
  CFrameLinkHost(CClientFrame& frame, const QString& dataFolder)
      : m_frame(frame), m_dataFolder(dataFolder) {}

  QString DataFolder() const override { return m_dataFolder; }
  CEditingFlow* Flow() const override;
  bool FinishEditing() override;
  void CloseProject() override;
  void OpenProject(const QString& path) override;
  bool StartEditing(const QUuid& guid, const QHash<QString, QString>& arguments) override;
  void OpenSettings(const QString& query) override;
  void RefreshProjectList() override;
  void RefreshSessionList() override;

 private:
  CClientFrame& m_frame;
  QString m_dataFolder;
};
