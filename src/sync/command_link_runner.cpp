#include "sync/command_link_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <memory>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "editing/editing_flow.h"
#include "editing/project_summary.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "sync/online_router.h"

namespace {

// `text` with its first printf-style placeholder replaced.
QString Fill(QString text, const QString& value) {
  for (const char* placeholder : {"%s", "%i", "%d", "%u"}) {
    const qsizetype at = text.indexOf(QLatin1String(placeholder));
    if (at >= 0) return text.replace(at, 2, value);
  }
  return text;
}

bool AskYes(const QString& question) {
  return CServices::Instance().Messages().ShowMessage(
             question, kMbYesNo | kMbIconQuestion | kMbDefButton2) == kIdYes;
}

}  // namespace

CCommandLinkRunner::CCommandLinkRunner(CCommandLinkHost& host, COnlineRouter& router,
                                       const CSettingsStore* settings)
    : m_host(host), m_router(router), m_settings(settings) {}

bool CCommandLinkRunner::Run(const QString& line) {
  const std::optional<CCommandLink> link = CCommandLink::Read(line);
  if (!link) return false;
  switch (link->GetCommand()) {
    case CCommandLink::Command::kConfigure:
      m_host.OpenSettings(link->Query());
      break;
    case CCommandLink::Command::kDeleteProject:
      DeleteProjects(*link);
      break;
    case CCommandLink::Command::kOpenSession:
      OpenSession(*link, true);
      break;
    case CCommandLink::Command::kNewSession:
      OpenSession(*link, false);
      break;
    case CCommandLink::Command::kDeleteSession:
      DeleteSessions(*link);
      break;
    case CCommandLink::Command::kSendSessions:
      SendSessions(*link);
      break;
    case CCommandLink::Command::kNone:
      break;
  }
  return true;
}

QString CCommandLinkRunner::ProjectPath(const QString& name) const {
  if (!CCommandLink::IsSafeProjectName(name)) return QString();
  return QDir(m_host.DataFolder()).filePath(name);
}

bool CCommandLinkRunner::IsOpen(const QString& path) const {
  const CEditingFlow* flow = m_host.Flow();
  return flow && !path.isEmpty() &&
         QDir::cleanPath(flow->Project().Path())
                 .compare(QDir::cleanPath(path), Qt::CaseInsensitive) == 0;
}

void CCommandLinkRunner::OpenSession(const CCommandLink& link, bool stored) {
  const QString path = ProjectPath(link.Param(QStringLiteral("project")));
  if (path.isEmpty() || !QFileInfo(path).isFile()) return;
  if (!m_host.FinishEditing()) return;
  if (m_host.Flow() && !IsOpen(path)) {
    m_host.CloseProject();
    if (m_host.Flow()) return;
  }
  if (!m_host.Flow()) {
    m_host.OpenProject(path);
    if (!IsOpen(path)) return;
  }
  const QUuid guid =
      stored ? CCommandLink::ReadGuid(link.Param(QStringLiteral("session"))) : QUuid();
  // An open/session link whose session does not read opens nothing rather than a new session.
  if (stored && guid.isNull()) return;
  m_host.StartEditing(guid, link.EditingArguments());
}

void CCommandLinkRunner::DeleteProjects(const CCommandLink& link) {
  QStringList names;
  const QString single = link.Param(QStringLiteral("project"));
  if (!single.isEmpty()) names.append(single);
  names += CCommandLink::ReadStrings(link.Param(QStringLiteral("projects")));

  // Only real project files directly in the data folder, each once.
  QList<CProjectSummary> kept;
  QSet<QString> seen;
  for (const QString& name : names) {
    const QString path = ProjectPath(name);
    if (path.isEmpty() || seen.contains(path.toLower()) || !QFileInfo(path).isFile()) continue;
    std::optional<CProjectSummary> summary = CProjectSummary::Read(path);
    if (!summary) continue;
    seen.insert(path.toLower());
    kept.append(*summary);
  }
  if (kept.isEmpty()) return;
  if (!m_host.FinishEditing()) return;
  if (m_host.Flow()) {
    m_host.CloseProject();
    if (m_host.Flow()) return;
  }
  const QString question =
      CLanguage::Instance().Translate(QStringLiteral("Project.ConfirmDeleteProjectMessage"));
  for (const CProjectSummary& project : kept) {
    if (!AskYes(Fill(question, project.title))) continue;
    // The database goes only with its project.
    if (QFile::remove(project.path)) QFile::remove(CSessionDatabase::DatabasePath(project.path));
  }
  m_host.RefreshProjectList();
}

void CCommandLinkRunner::DeleteSessions(const CCommandLink& link) {
  const QString path = ProjectPath(link.Param(QStringLiteral("project")));
  if (path.isEmpty() || !QFileInfo(path).isFile()) return;
  std::unique_ptr<CEditingFlow> loaded;
  CEditingFlow* flow = nullptr;
  const bool open = IsOpen(path);
  if (open) {
    if (!m_host.FinishEditing()) return;
    flow = m_host.Flow();
  } else {
    loaded = CEditingFlow::Open(path, m_settings);
    flow = loaded.get();
  }
  if (!flow) return;
  // A project that forbids deleting sessions keeps them against links too.
  if (flow->Project().GetHeader().noDelete != 0) return;
  CSessionDatabase* database = flow->Database();
  if (!database) return;

  QList<QUuid> guids = CCommandLink::ReadGuids(link.Param(QStringLiteral("session")), true);
  for (const QUuid& guid : CCommandLink::ReadGuids(link.Param(QStringLiteral("sessions")), true)) {
    if (!guids.contains(guid)) guids.append(guid);
  }
  if (guids.isEmpty()) return;
  const QString question = Fill(
      CLanguage::Instance().Translate(QStringLiteral("SessionList.ConfirmDeleteSelectionPlural")),
      QString::number(guids.size()));
  if (!AskYes(question)) return;
  const bool own = database->BeginTransaction();
  bool deleted = false;
  // A GUID that names no session is simply not there; the others still go.
  for (const QUuid& guid : guids) deleted = database->DeleteSession(guid) || deleted;
  if (own) database->EndTransaction(true);
  if (!deleted) return;
  if (open) {
    m_host.RefreshSessionList();
  } else if (!m_host.Flow()) {
    m_host.RefreshProjectList();
  }
}

void CCommandLinkRunner::SendSessions(const CCommandLink& link) {
  const QString path = ProjectPath(link.Param(QStringLiteral("project")));
  if (path.isEmpty() || !QFileInfo(path).isFile()) return;
  const QList<QUuid> guids = CCommandLink::ReadGuids(link.Param(QStringLiteral("sessions")), false);
  std::unique_ptr<CEditingFlow> loaded;
  CEditingFlow* flow = nullptr;
  const bool open = IsOpen(path);
  if (open) {
    if (!m_host.FinishEditing()) return;
    flow = m_host.Flow();
  } else {
    loaded = CEditingFlow::Open(path, m_settings);
    flow = loaded.get();
  }
  if (!flow) return;
  m_router.StartSync(&flow->Project(), flow->Database(), guids.isEmpty() ? nullptr : &guids, false,
                     false);
  if (open) {
    m_host.RefreshSessionList();
  } else {
    loaded.reset();
    if (!m_host.Flow()) m_host.RefreshProjectList();
  }
}
