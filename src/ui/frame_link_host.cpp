#include "ui/frame_link_host.h"

#include "ui/client_frame.h"

CEditingFlow* CFrameLinkHost::Flow() const { return m_frame.Flow(); }

bool CFrameLinkHost::FinishEditing() { return m_frame.Finish() && !m_frame.IsEditing(); }

void CFrameLinkHost::CloseProject() { m_frame.CloseProject(); }

void CFrameLinkHost::OpenProject(const QString& path) { m_frame.OpenProject(path); }

bool CFrameLinkHost::StartEditing(const QUuid& guid, const QHash<QString, QString>& arguments) {
  return m_frame.StartEditing(guid, nullptr, &arguments);
}

void CFrameLinkHost::OpenSettings(const QString& query) { m_frame.OpenSettings(query); }

void CFrameLinkHost::RefreshProjectList() {
  if (!m_frame.Flow()) m_frame.FillProjectList(false);
}

void CFrameLinkHost::RefreshSessionList() { m_frame.ShowSessionList(); }
