#include "sync/sync_run.h"

#include <initializer_list>

#include "app/language.h"
#include "app/message_service.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"
#include "values/variant.h"
#include "values/variant_map.h"

namespace {

QString Tr(const char* key) {
  const QString text = CLanguage::Instance().Translate(QString::fromLatin1(key));
  return text.isEmpty() ? QString::fromLatin1(key) : text;
}

// Each "%s" in turn takes the next number, in decimal.
QString FillPlaceholders(QString text, std::initializer_list<int> numbers) {
  qsizetype from = 0;
  for (int number : numbers) {
    const qsizetype at = text.indexOf(QLatin1String("%s"), from);
    if (at < 0) break;
    const QString digits = QString::number(number);
    text.replace(at, 2, digits);
    from = at + digits.size();
  }
  return text;
}

}  // namespace

int CSyncRun::CView::Ask(const QString& key, unsigned style) {
  return CLanguage::Instance().MessageByKey(key, style);
}

CSyncRun::CSyncRun(CConnection& connection, CProject* project, CSessionDatabase* database,
                   int purgeDays, const QList<QUuid>* list, bool sendAll)
    : m_connection(connection),
      m_project(project),
      m_database(database),
      m_purgeDays(purgeDays),
      m_sendAll(sendAll),
      m_hasList(list != nullptr),
      m_list(list ? *list : QList<QUuid>()) {
  if (m_project) {
    m_name = m_project->FileName();
    m_title = m_project->GetHeader().title;
    m_unique = static_cast<uint32_t>(m_project->GetHeader().uniqueNumber);
  }
}

CSyncRun::~CSyncRun() { RestorePendingMark(); }

QString CSyncRun::Title() { return Tr("Sync.Title") + QStringLiteral("..."); }

QString CSyncRun::ProjectTitle() const { return m_title; }

void CSyncRun::Start() {
  m_position = 0;
  Fill();
  m_total = static_cast<int>(m_queue.size());
  m_view->SetProgress(m_position, m_total + kExtraSteps);
  if (m_connection.IsConnected()) {
    CheckProject();
  } else {
    SetStatus("Sync.Connecting");
  }
}

void CSyncRun::Fill() {
  m_queue.clear();
  if (m_hasList) {
    m_queue.assign(m_list.begin(), m_list.end());
    return;
  }
  if (!m_database) return;
  if (m_database->ShownState() != CSession::kStateActive) {
    m_database->SetShownState(CSession::kStateActive);
    if (!m_database->Refresh()) return;
  }
  for (int i = 0; i < m_database->ListCount(); ++i) {
    if (m_sendAll || (m_database->ListFlagsAt(i) & CSession::kFlagMarked) != 0) {
      m_queue.push_back(m_database->ListGuidAt(i));
    }
  }
}

void CSyncRun::SetStatus(const char* key) { m_view->SetStatus(Tr(key)); }

void CSyncRun::Advance() {
  ++m_position;
  m_view->SetProgress(m_position, m_total + kExtraSteps);
}

void CSyncRun::OnAuthenticating() {
  if (m_ended) return;
  SetStatus("Sync.Authenticating");
  Advance();
}

void CSyncRun::OnOnline() {
  if (!m_ended) CheckProject();
}

void CSyncRun::CheckProject() {
  SetStatus("Sync.CheckingProject");
  Advance();
  CNetMessage check(SyncCode::kProjectCheck);
  check.WriteString(m_name);
  check.WriteU32(m_unique);
  check.WriteU32(m_project ? static_cast<uint32_t>(m_project->GetHeader().revision) : 1u);
  m_connection.Send(check);
  m_connection.RequestPushedSessions(m_name, m_unique);
}

void CSyncRun::OnClosed() { End(); }

bool CSyncRun::IsRunCode(uint32_t code) {
  return code == SyncCode::kProjectCheckAnswer || code == SyncCode::kSessionAcknowledgement ||
         code == SyncCode::kEndOfPushed;
}

bool CSyncRun::IsOwnProject(const QString& name, uint32_t unique) const {
  // Names are compared exactly: the server names the project as this client sent it.
  return name == m_name && unique == m_unique;
}

bool CSyncRun::Dispatch(CNetMessage& message) {
  message.Rewind();
  switch (message.Code()) {
    case SyncCode::kProjectCheckAnswer:
      OnCheckAnswer(message);
      break;
    case SyncCode::kSessionAcknowledgement:
      OnAcknowledgement(message);
      break;
    case SyncCode::kEndOfPushed:
      OnEndOfPushed(message);
      break;
    default:
      return true;
  }
  return !message.Failed();
}

void CSyncRun::ShowRefusal(uint16_t status) {
  const char* key = status == SyncCode::kProjectNotOpen ? QLT_KEY("Network.ErrorProjectNotOpen")
                    : status == SyncCode::kProjectLocked
                        ? QLT_KEY("Network.ErrorProjectLocked")
                        : QLT_KEY("Network.ErrorProjectUnavailable");
  m_view->Ask(QString::fromLatin1(key), kMbOk | kMbIconExclamation);
}

void CSyncRun::OnCheckAnswer(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  uint16_t status = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  message.ReadU16(status);
  if (message.Failed() || m_ended || m_checked || !IsOwnProject(name, unique)) return;
  switch (status) {
    case SyncCode::kProjectNotOpen:
    case SyncCode::kProjectLocked:
    case SyncCode::kProjectUnavailable:
      m_checked = true;
      ShowRefusal(status);
      End();
      return;
    case SyncCode::kAcceptedUpdateAvailable:
      m_updateAvailable = true;
      [[fallthrough]];
    case SyncCode::kAccepted:
      m_checked = true;
      Advance();
      SendNext();
      return;
    default:
      return;
  }
}

bool CSyncRun::PassesSendRule(const CSession& session) const {
  if (!m_project) return true;
  const CVariantMap& properties = m_project->Properties();
  const CVariant* enabled = properties.Find(QStringLiteral("validate.send.enabled"));
  const CVariant* point = properties.Find(QStringLiteral("validate.send.point"));
  const CVariant* value = properties.Find(QStringLiteral("validate.send.value"));
  if (!enabled || enabled->Type() != kVtBool || enabled->IntegerPayload() == 0) return true;
  if (!point || !point->IsString() || point->StringPayload().isEmpty()) return true;
  if (!value || !value->IsString() || value->StringPayload().isEmpty()) return true;
  return session.GetValueText(point->StringPayload())
             .compare(value->StringPayload(), Qt::CaseInsensitive) == 0;
}

void CSyncRun::SendNext() {
  while (!m_ended && !m_queue.empty()) {
    const QUuid guid = m_queue.front();
    CSessionPtr session = m_database ? m_database->LoadSession(guid, false) : CSessionPtr();
    if (!session || session->State() != CSession::kStateActive ||
        (session->Flags() & CSession::kFlagReceived) != 0 || !PassesSendRule(*session)) {
      m_queue.pop_front();
      Advance();
      continue;
    }
    const int number = m_total - static_cast<int>(m_queue.size()) + 1;
    m_view->SetStatus(FillPlaceholders(Tr("Sync.SendingSessions"), {number, m_total}));
    const uint32_t flags = session->Flags();
    if (m_pending != guid) m_pendingWasMarked = (flags & CSession::kFlagMarked) != 0;
    session->SetFlags(flags & ~CSession::kFlagMarked);
    m_pending = guid;
    CNetMessage message(SyncCode::kSession);
    message.WriteString(m_name);
    message.WriteU32(m_unique);
    message.WriteBytes(session->WriteArchive());
    m_connection.Send(message);
    return;
  }
  if (m_ended) return;
  if (m_updateAvailable) {
    m_updateAvailable = false;
    const int answer =
        m_view->Ask(QStringLiteral("Sync.UpdateProjectMessage"), kMbYesNo | kMbIconQuestion);
    if (m_ended) return;
    if (answer == kIdYes) {
      SetStatus("Sync.UpdatingProject");
      CNetMessage request(SyncCode::kProjectUpdateRequest);
      request.WriteString(m_name);
      request.WriteU32(m_unique);
      m_connection.Send(request);
      return;
    }
  }
  if (m_pushDone) {
    End();
  } else {
    m_sendingDone = true;
  }
}

void CSyncRun::OnAcknowledgement(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  uint16_t status = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  message.ReadU16(status);
  QByteArray guidBytes;
  if (!message.Failed() && status == SyncCode::kAccepted) message.ReadBytes(16, guidBytes);
  if (message.Failed() || m_ended || !IsOwnProject(name, unique)) return;
  switch (status) {
    case SyncCode::kAccepted: {
      const QUuid guid = CSession::GuidFromBytes(guidBytes.constData(), guidBytes.size());
      // Only the head's own acknowledgement moves the queue. Another GUID changes nothing and
      // sends nothing: the head is still awaited, and sending it again would send every later
      // session twice as each doubled acknowledgement arrives.
      if (m_queue.empty() || m_queue.front() != guid || m_pending != guid) return;
      if (m_database) {
        if (m_purgeDays != 0) {
          m_database->SetSessionState(guid, CSession::kStateSent);
        } else {
          m_database->DeleteSession(guid);
        }
      }
      m_pending = QUuid();
      m_queue.pop_front();
      Advance();
      SendNext();
      return;
    }
    case SyncCode::kProjectNotOpen:
    case SyncCode::kProjectUnavailable:
      ShowRefusal(status);
      End();
      return;
    case SyncCode::kProjectLocked: {
      const int answer = m_view->Ask(QStringLiteral("Network.ErrorProjectLocked"),
                                     kRetryCancel | kMbIconExclamation);
      if (m_ended) return;
      if (answer == kIdRetry) {
        SendNext();
      } else {
        End();
      }
      return;
    }
    default:
      return;
  }
}

void CSyncRun::OnEndOfPushed(CNetMessage& message) {
  QString name;
  uint32_t unique = 0;
  message.ReadString(name);
  message.ReadU32(unique);
  if (message.Failed() || m_ended || m_pushDone || !IsOwnProject(name, unique)) return;
  m_pushDone = true;
  Advance();
  if (m_sendingDone) End();
}

void CSyncRun::ForgetProject(const QString& fileName) {
  if (m_project && fileName.compare(m_name, Qt::CaseInsensitive) == 0) {
    // The pending session's mark is given back while its database is still there.
    RestorePendingMark();
    m_project = nullptr;
    m_database = nullptr;
  }
}

void CSyncRun::OnProjectInstalled(const QString& fileName, uint32_t unique) {
  if (m_ended || !IsOwnProject(fileName, unique)) return;
  if (m_pushDone) {
    End();
  } else {
    m_sendingDone = true;
  }
}

void CSyncRun::RestorePendingMark() {
  if (m_pending.isNull()) return;
  const QUuid guid = m_pending;
  m_pending = QUuid();
  if (!m_pendingWasMarked || !m_database) return;
  CSessionPtr session = m_database->LoadSession(guid, false);
  if (session && session->State() == CSession::kStateActive) {
    m_database->SetSessionFlags(guid, session->Flags() | CSession::kFlagMarked);
  }
}

void CSyncRun::End() {
  if (m_ended) return;
  m_ended = true;
  RestorePendingMark();
  m_view->OnEnded();
}
