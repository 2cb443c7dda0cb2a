#include "automation/automation_root.h"

#include <QCoreApplication>
#include <QEventLoopLocker>

#include "app/image_services.h"
#include "app/twkf_app.h"
#include "automation/facet.h"
#include "automation/timer_table.h"
#include "automation/x_application.h"
#include "automation/x_class_factory.h"
#include "automation/x_database.h"
#include "automation/x_page.h"
#include "automation/x_point.h"
#include "automation/x_project.h"
#include "automation/x_session.h"
#include "automation/x_timer_source.h"
#include "editing/editing_flow.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"

CAutomationRoot::CAutomationRoot(bool running) : m_running(running) {}

CAutomationRoot::~CAutomationRoot() {
  // The timers stop first, so no sink is called while the objects go.
  if (m_timers) m_timers->Clear();
  // Facets still held outside outlive the root; they answer RPC_E_DISCONNECTED from now on.
  const QSet<CFacet*> all = m_all;
  for (CFacet* facet : all) facet->DetachFromRoot();
}

template <typename T>
T* CAutomationRoot::Existing(const void* core) const {
  for (auto it = m_byCore.constFind(core); it != m_byCore.cend() && it.key() == core; ++it) {
    if (auto* facet = dynamic_cast<T*>(it.value())) return facet;
  }
  return nullptr;
}

IDispatch* CAutomationRoot::ApplicationFacet() {
  if (XApplication* facet = Existing<XApplication>(this)) {
    facet->AddRef();
    return facet;
  }
  return new XApplication(this);
}

const CImageServices& CAutomationRoot::ImageServices() {
  if (!m_imageServices) m_imageServices = std::make_unique<CImageServices>();
  return *m_imageServices;
}

IDispatch* CAutomationRoot::ProjectsFacet() {
  if (XProjects* facet = Existing<XProjects>(this)) {
    facet->AddRef();
    return facet;
  }
  return new XProjects(this);
}

QString CAutomationRoot::UnitId() const {
  if (m_unitId) return m_unitId();
  const CTWKFApp* app = CTWKFApp::Instance();
  return app != nullptr ? app->UnitId() : QString();
}

ITWKFTimerSource* CAutomationRoot::TimerSource() {
  if (XTimerSource* facet = Existing<XTimerSource>(this)) {
    facet->AddRef();
    return facet;
  }
  if (!m_timers) m_timers = std::make_unique<CTimerTable>();
  return new XTimerSource(this, m_timers.get());
}

IClassFactory* CAutomationRoot::ClassFactory() {
  if (XClassFactory* facet = Existing<XClassFactory>(this)) {
    facet->AddRef();
    return facet;
  }
  return new XClassFactory(this);
}

void CAutomationRoot::Lock(bool lock) {
  if (lock) {
    ++m_locks;
    if (QCoreApplication::instance() != nullptr) {
      m_loopLocks.push_back(std::make_unique<QEventLoopLocker>());
    }
  } else if (m_locks > 0) {
    --m_locks;
    // The last lock let go may end a loop whose windows are all closed.
    if (!m_loopLocks.empty()) m_loopLocks.pop_back();
  }
}

void CAutomationRoot::AddOpenProject(CProject* project) {
  if (project != nullptr && !m_openProjects.contains(project)) m_openProjects.append(project);
}

void CAutomationRoot::AddOpenProject(CEditingFlow* flow) {
  if (flow == nullptr) return;
  m_flows.insert(&flow->Project(), flow);
  AddOpenProject(&flow->Project());
}

void CAutomationRoot::CloseProject(CProject* project) {
  if (project == nullptr) return;
  m_openProjects.removeAll(project);
  m_flows.remove(project);
  // Sessions are found by their own object; those of this project go with it.
  const QSet<CFacet*> all = m_all;
  for (CFacet* facet : all) {
    auto* session = dynamic_cast<XSession*>(facet);
    if (session != nullptr && session->Owner() == project) session->Disconnect();
  }
  for (const auto& page : project->Pages()) DisconnectPage(page.get());
  Disconnect(project);
}

IDispatch* CAutomationRoot::ProjectFacet(CProject* project) {
  if (project == nullptr) return nullptr;
  if (XProject* facet = Existing<XProject>(project)) {
    facet->AddRef();
    return facet;
  }
  return new XProject(this, project);
}

IDispatch* CAutomationRoot::PageFacet(CPage* page) {
  if (page == nullptr) return nullptr;
  if (XPage* facet = Existing<XPage>(page)) {
    facet->AddRef();
    return facet;
  }
  return new XPage(this, page);
}

IDispatch* CAutomationRoot::PointFacet(CBasePoint* point) {
  if (point == nullptr) return nullptr;
  if (XPoint* facet = Existing<XPoint>(point)) {
    facet->AddRef();
    return facet;
  }
  return new XPoint(this, point);
}

IDispatch* CAutomationRoot::DatabaseFacet(CProject* project) {
  CEditingFlow* flow = FlowOf(project);
  if (flow == nullptr || flow->Database() == nullptr) return nullptr;
  // Kept under the project: the facet asks the flow for the database on every call, so a
  // database reopened under a new path is followed and one closed with the project is not used.
  if (XDatabase* facet = Existing<XDatabase>(project)) {
    facet->AddRef();
    return facet;
  }
  return new XDatabase(this, project);
}

IDispatch* CAutomationRoot::SessionFacet(CProject* project, CSession* session) {
  if (project == nullptr || session == nullptr) return nullptr;
  if (XSession* facet = Existing<XSession>(session)) {
    facet->AddRef();
    return facet;
  }
  return new XSession(this, project, session);
}

IDispatch* CAutomationRoot::NewPagesView(CProject* project) {
  return project == nullptr ? nullptr : new XPages(this, project);
}

IDispatch* CAutomationRoot::NewPointsView(CPage* page) {
  return page == nullptr ? nullptr : new XPoints(this, page);
}

void CAutomationRoot::Disconnect(const void* core) {
  const QList<CFacet*> facets = m_byCore.values(core);
  for (CFacet* facet : facets) facet->Disconnect();
}

void CAutomationRoot::DisconnectPage(CPage* page) {
  if (page == nullptr) return;
  for (const auto& point : page->Points()) Disconnect(point.get());
  Disconnect(page);
}

void CAutomationRoot::Register(CFacet* facet) {
  m_all.insert(facet);
  if (facet->Core() != nullptr) m_byCore.insert(facet->Core(), facet);
}

void CAutomationRoot::Unregister(CFacet* facet) {
  Forget(facet);
  m_all.remove(facet);
}

void CAutomationRoot::Forget(CFacet* facet) {
  if (facet->Core() != nullptr) m_byCore.remove(facet->Core(), facet);
}
