// CFrameSyncHost: the main window's side of the server's requests, over the frame's public
// members: its data folder, open project and edited session, closing and reopening the project,
// refreshing the lists, the arrival sounds and a new unit ID (kept in the settings, the
// application's identity and the connection). Made and owned by whoever wires the requests to the
// frame; it must not outlive the frame. UI thread.
#pragma once

#include <QString>

#include "sync/sync_host.h"

class CClientFrame;
class CSettingsStore;

class CFrameSyncHost : public CSyncHost {
 public:
  CFrameSyncHost(CClientFrame& frame, CSettingsStore& settings, QString dataFolder);

  QString DataFolder() const override { return m_dataFolder; }
  QString OpenProjectName() const override;
  bool IsEditingSession() const override;
  void CloseProject() override;
  bool OpenProject(const QString& fileName) override;
  void RefreshProjectList() override;
  void RefreshProjectView() override;
  void PlaySound(int soundId) override;
  void StoreUnitId(const QString& unitId) override;

 private:
  CClientFrame& m_frame;
  CSettingsStore& m_settings;
  QString m_dataFolder;
};
