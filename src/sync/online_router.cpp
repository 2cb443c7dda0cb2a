#include "sync/online_router.h"

#include <QCoreApplication>

#include "app/language.h"
#include "app/message_service.h"
#include "platform/settings_store.h"
#include "sync/net_message.h"
#include "sync/sync_run.h"

COnlineRouter::COnlineRouter(CConnection& connection, const CSettingsStore* settings)
    : m_connection(connection), m_settings(settings) {}

COnlineRouter::~COnlineRouter() = default;

bool COnlineRouter::StartSync(CProject* project, CSessionDatabase* database,
                              const QList<QUuid>* list, bool automatic, bool sendAll) {
  if (m_run != nullptr || !m_connection.IsEnabled()) return false;
  const CConnectionSettings& settings = m_connection.Settings();
  if (automatic && !settings.autoNew && !settings.autoOld) return false;

  const bool wasOnline = m_connection.IsConnected();
  if (!wasOnline) {
    m_connection.Disconnect(false);
    m_connection.SetEnabled(true);
    if (!m_connection.Connect()) {
      CLanguage::Instance().MessageByKey(QStringLiteral("Network.ErrorConnecting"),
                                         kMbOk | kMbIconExclamation);
      return false;
    }
  }
  if (database == nullptr) return false;

  const int purgeDays =
      m_settings ? m_settings->ReadInt(QStringLiteral("Settings"), QStringLiteral("PurgeDays"), 30)
                 : 30;
  CSyncRun run(m_connection, project, database, purgeDays, list, sendAll);
  m_run = &run;
  if (m_modal) {
    m_modal(run);
  } else {
    run.Start();
    while (!run.IsEnded()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  m_run = nullptr;

  if (m_connection.Settings().onDemand && !wasOnline) m_connection.Disconnect(false);
  return true;
}

void COnlineRouter::OnAuthenticating() {
  if (m_run) m_run->OnAuthenticating();
}

bool COnlineRouter::OnOnline() {
  if (!m_run) return false;
  m_run->OnOnline();
  return true;
}

bool COnlineRouter::Dispatch(CNetMessage& message) {
  if (m_run && CSyncRun::IsRunCode(message.Code())) return m_run->Dispatch(message);
  return m_fallback ? m_fallback(message) : true;
}

void COnlineRouter::OnClosed() {
  if (m_run) m_run->OnClosed();
}
