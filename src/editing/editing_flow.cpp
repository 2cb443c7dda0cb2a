#include "editing/editing_flow.h"

#include <QVariant>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "editing/json_value.h"
#include "platform/settings_store.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "sessions/system_time.h"

namespace {

const QString kSettingsSection = QStringLiteral("Settings");

int ReadSetting(const CSettingsStore* settings, const QString& entry, int defaultValue) {
  return settings ? settings->ReadInt(kSettingsSection, entry, defaultValue) : defaultValue;
}

}  // namespace

CEditingFlow::CEditingFlow(std::unique_ptr<CProject> project, const CSettingsStore* settings)
    : m_project(std::move(project)),
      m_settings(settings),
      m_binding(*m_project),
      m_display(&m_plainDisplay) {}

CEditingFlow::~CEditingFlow() {
  // The binding and the display still refer to the points; let them go before the project does.
  Abandon();
  if (m_display->ShownPage()) m_display->ChangeToPage(nullptr, false);
  m_database.reset();
}

std::unique_ptr<CEditingFlow> CEditingFlow::Open(const QString& path,
                                                 const CSettingsStore* settings) {
  auto project = std::make_unique<CProject>();
  if (!project->Load(path)) return nullptr;
  return std::make_unique<CEditingFlow>(std::move(project), settings);
}

CSessionDatabase* CEditingFlow::Database() {
  const QString path = CSessionDatabase::DatabasePath(m_project->Path());
  if (m_database && m_database->FilePath() == path) return m_database.get();
  if (m_project->Path().isEmpty()) return nullptr;
  auto database = std::make_unique<CSessionDatabase>(m_project->Path());
  if (!database->Open()) return nullptr;
  m_database = std::move(database);
  return m_database.get();
}

void CEditingFlow::SetDisplay(CPageDisplay* display) {
  CPageDisplay* next = display ? display : &m_plainDisplay;
  if (next == m_display) return;
  CPage* shown = m_display->ShownPage();
  if (shown) m_display->ChangeToPage(nullptr, false);
  m_display = next;
  if (shown) m_display->ChangeToPage(shown, false);
}

int CEditingFlow::PurgeDays() const {
  return ReadSetting(m_settings, QStringLiteral("PurgeDays"), 30);
}

bool CEditingFlow::DuplicationPrevented() const {
  return ReadSetting(m_settings, QStringLiteral("Dedupe"), 0) != 0;
}

bool CEditingFlow::Purge() {
  CSessionDatabase* database = Database();
  return database && database->Purge(PurgeDays());
}

// ---- opening

bool CEditingFlow::Start(const QUuid& guid, CSession* session,
                         const QHash<QString, QString>* arguments) {
  if (IsEditing()) return false;
  CSessionPtr edited;
  if (!guid.isNull()) {
    CSessionDatabase* database = Database();
    if (!database) return false;
    edited = database->LoadSession(guid, false);
    if (!edited) return false;
    // Opening an active session takes back its marks at once.
    if (edited->State() == CSession::kStateActive) {
      edited->SetFlags(edited->Flags() & ~(CSession::kFlagReceived | CSession::kFlagMarked));
    }
  } else if (session) {
    edited = CSessionPtr(session);
  } else {
    edited = CSession::Create(CProject::UnitId(), true);
  }
  m_session = edited;

  int startPage = 0;
  if (arguments) {
    // The lock as the previous attach left it decides whether a link may fill values.
    if (!m_binding.IsLocked()) {
      // Each member's text as the link wrote it (a number keeps its form).
      const std::optional<CJsonValue> values =
          CJsonValue::Parse(arguments->value(QStringLiteral("values")));
      if (values && values->IsObject()) {
        for (const CJsonValue& member : values->Children()) {
          const CBasePoint* point =
              member.Name().isEmpty() ? nullptr : m_project->FindPointByName(member.Name());
          if (point) m_session->SetValueText(point->Name(), member.Text());
        }
      }
    }
    bool ok = false;
    startPage = arguments->value(QStringLiteral("page")).trimmed().toInt(&ok, 10);
    if (!ok || startPage < 0 || startPage >= m_project->PageCount()) startPage = 0;
  }

  m_binding.Attach(m_session.data());
  // A sent or deleted session is shown, but Finish takes nothing from its points.
  if (m_session->State() != CSession::kStateActive) m_binding.SetLocked(true);
  if (m_project->GetHeader().unitRestamp != 0 && !m_binding.IsLocked()) {
    m_session->SetUnitId(CProject::UnitId());
  }
  m_display->ChangeToPage(m_project->Page(startPage), false);
  m_openedTick = CServices::Instance().TickCount();
  return true;
}

CSessionPtr CEditingFlow::Duplicate(const QUuid& guid) {
  CSessionDatabase* database = Database();
  if (!database || DuplicationPrevented()) return CSessionPtr();
  CSessionPtr loaded = database->LoadSession(guid, false);
  if (!loaded) return CSessionPtr();
  CSessionPtr clone = loaded->Clone();
  clone->SetCreated(CSystemTime::Now());
  return clone;
}

// ---- pages

int CEditingFlow::ShownPageIndex() const { return m_project->IndexOfPage(m_display->ShownPage()); }

int CEditingFlow::FindVisiblePage(int step) const {
  const int shown = ShownPageIndex();
  if (shown < 0 || step == 0) return -1;
  for (int i = shown + step; i >= 0 && i < m_project->PageCount(); i += step) {
    if (m_project->Page(i)->IsVisible()) return i;
  }
  return -1;
}

bool CEditingFlow::PreviousPage() {
  if (!IsEditing()) return false;
  const int target = FindVisiblePage(-1);
  return target >= 0 && m_display->ChangeToPage(m_project->Page(target), true);
}

bool CEditingFlow::NextPage() {
  if (!IsEditing()) return false;
  const int target = FindVisiblePage(1);
  if (target < 0) {
    CLanguage::Instance().MessageByKey(QStringLiteral("Project.EndOfProject"), kMbOk);
    return false;
  }
  return m_display->ChangeToPage(m_project->Page(target), true);
}

bool CEditingFlow::ShowPage(int index) {
  CPage* page = m_project->Page(index);
  return IsEditing() && page && m_display->ChangeToPage(page, false);
}

bool CEditingFlow::VerifyShownPage(CBasePoint** failing) {
  CPage* page = m_display->ShownPage();
  return !page || page->Leave(true, failing);
}

// ---- finishing

CEditingFlow::FinishOutcome CEditingFlow::Finish() {
  FinishOutcome outcome;
  CSessionDatabase* database = Database();
  if (!IsEditing() || !database) return outcome;
  CPage* shown = m_display->ShownPage();
  if (!m_display->ChangeToPage(nullptr, true)) {
    outcome.result = FinishResult::kRefused;
    return outcome;
  }

  const QString autoSend = m_session->IsNew() ? QStringLiteral("Auto") : QStringLiteral("AutoOld");
  outcome.send = ReadSetting(m_settings, autoSend, 0) != 0;
  if (outcome.send) m_session->SetFlags(CSession::kFlagMarked);
  m_binding.Take();
  if (!database->SaveSession(*m_session)) {
    // Nothing typed may be lost: the session stays open on its page with its values.
    CLanguage::Instance().MessageByKey(QStringLiteral("SessionList.CantSave"),
                                       kMbOk | kMbIconExclamation);
    if (m_binding.CurrentSession() != m_session.data()) {
      // A locked session was let go by the take; it comes back as it was opened.
      m_binding.Attach(m_session.data());
      if (m_session->State() != CSession::kStateActive) m_binding.SetLocked(true);
    }
    m_display->ChangeToPage(shown, false);
    outcome.result = FinishResult::kNotSaved;
    outcome.send = false;
    return outcome;
  }

  const uint32_t openFor = CServices::Instance().TickCount() - m_openedTick;
  Release();
  outcome.result = FinishResult::kSaved;
  outcome.startNext = m_project->GetHeader().autoNewSession != 0 && openFor > kAutoNewSessionMs;
  return outcome;
}

void CEditingFlow::Abandon() {
  if (!IsEditing()) return;
  m_display->ChangeToPage(nullptr, false);
  Release();
}

void CEditingFlow::Release() {
  m_binding.Detach();
  m_session.reset();
}
