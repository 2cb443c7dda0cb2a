#include "ui/frame_sync_host.h"

#include <QApplication>
#include <QDir>

#include "app/twkf_app.h"
#include "platform/settings_store.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "sync/connection.h"
#include "ui/client_frame.h"

CFrameSyncHost::CFrameSyncHost(CClientFrame& frame, CSettingsStore& settings, QString dataFolder)
    : m_frame(frame), m_settings(settings), m_dataFolder(std::move(dataFolder)) {}

QString CFrameSyncHost::OpenProjectName() const {
  const CProject* project = m_frame.Project();
  return project ? project->FileName() : QString();
}

bool CFrameSyncHost::IsEditingSession() const { return m_frame.IsEditing(); }

void CFrameSyncHost::CloseProject() { m_frame.CloseProject(); }

bool CFrameSyncHost::OpenProject(const QString& fileName) {
  m_frame.OpenProject(QDir(m_dataFolder).filePath(fileName));
  return m_frame.Project() != nullptr;
}

void CFrameSyncHost::RefreshProjectList() { m_frame.RefreshProjectList(); }

void CFrameSyncHost::RefreshProjectView() {
  // The session was stored through a connection of its own; the open list reads it again.
  CSessionDatabase* database = m_frame.Database();
  if (!database || !database->IsOpen() || database->InTransaction()) return;
  database->Refresh();
  if (!m_frame.IsEditing()) m_frame.ShowSessionList();
}

void CFrameSyncHost::PlaySound(int /*soundId*/) {
  // No wave resources are bundled yet, so both arrival sounds are the system's alert.
  QApplication::beep();
}

void CFrameSyncHost::StoreUnitId(const QString& unitId) {
  m_settings.WriteString(QStringLiteral("Unit"), QStringLiteral("ID"), unitId);
  if (CTWKFApp* app = CTWKFApp::Instance()) app->SetUnitId(unitId);
  m_frame.ServerConnection().SetUnitId(unitId);
}
