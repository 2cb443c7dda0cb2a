// CAutomationRoot: hands out the automation facets of the core objects and keeps track of every
// live one. A core object has at most one facet of a kind at a time (asking twice gives the same
// object, as callers compare identities); collection views are new on every request. When a core
// object is removed through automation, or the root itself goes, the facets concerned are
// disconnected: they stay valid objects for their holders but answer RPC_E_DISCONNECTED. Owned
// by the application object (tests make their own); the facets are owned by their references.
// UI thread.
#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "automation/com.h"

class CBasePoint;
class CEditingFlow;
class CFacet;
class CImageServices;
class CPage;
class CProject;
class CSession;
class CTimerTable;
class QEventLoopLocker;
struct ITWKFTimerSource;

class CAutomationRoot {
 public:
  // `running`: the projects are open for data entry (the client); a design-time host passes false.
  explicit CAutomationRoot(bool running = true);
  ~CAutomationRoot();
  CAutomationRoot(const CAutomationRoot&) = delete;
  CAutomationRoot& operator=(const CAutomationRoot&) = delete;

  bool IsRunning() const { return m_running; }

  // The client's application facet and its projects facet (one each); new references.
  IDispatch* ApplicationFacet();
  IDispatch* ProjectsFacet();

  // The projects open in the client, in the order they were opened. A project must be closed
  // here before it is destroyed: its facets and those of its pages and points are disconnected.
  const QList<CProject*>& OpenProjects() const { return m_openProjects; }
  void AddOpenProject(CProject* project);
  // The same for a project opened through an editing flow, which gives it its session database
  // and the session being edited.
  void AddOpenProject(CEditingFlow* flow);
  void CloseProject(CProject* project);
  // The editing flow of an open project, nullptr when it was added without one.
  CEditingFlow* FlowOf(const CProject* project) const { return m_flows.value(project); }

  // How IProjects.Open opens a project file (the client's normal open path): the open project,
  // or nullptr when it cannot be opened. Without an opener nothing opens.
  using ProjectOpener = std::function<CProject*(const QString& path)>;
  void SetProjectOpener(ProjectOpener opener) { m_opener = std::move(opener); }
  CProject* OpenProjectFile(const QString& path) { return m_opener ? m_opener(path) : nullptr; }

  // A new reference to the facet of the object; nullptr for a null object.
  IDispatch* ProjectFacet(CProject* project);
  IDispatch* PageFacet(CPage* page);
  IDispatch* PointFacet(CBasePoint* point);
  // The project's session database (nullptr when it has none or it cannot be opened) and a
  // session of the project (the facet keeps the session alive; disconnected with the project).
  IDispatch* DatabaseFacet(CProject* project);
  IDispatch* SessionFacet(CProject* project, CSession* session);
  // New views over a project's pages and a page's points.
  IDispatch* NewPagesView(CProject* project);
  IDispatch* NewPointsView(CPage* page);

  // This unit's ID for new telegrams (the application's; empty without one).
  QString UnitId() const;
  void SetUnitIdSource(std::function<QString()> source) { m_unitId = std::move(source); }

  // Hands a synchronisation of the project to whoever runs them (the main window posts its
  // "synchronise" command); false when nobody does (headless, tests) or it refuses the project.
  bool PostSync(CProject* project) const { return m_postSync && m_postSync(project); }
  void SetSyncPoster(std::function<bool(CProject*)> post) { m_postSync = std::move(post); }

  // The application's timers for custom points; a new reference.
  ITWKFTimerSource* TimerSource();
  // The class factory that hands out the application; a new reference.
  IClassFactory* ClassFactory();
  // Whether a holder of the factory has locked the application against exit.
  bool IsLocked() const { return m_locks > 0; }
  void Lock(bool lock);

  // Disconnects every facet of the core object.
  void Disconnect(const void* core);
  // Disconnects the facets of a page and of each of its points (the page is being removed).
  void DisconnectPage(CPage* page);

  // The application's one image service (IApplication.LoadImage), made on first use; used on
  // the thread that made the root only.
  const CImageServices& ImageServices();
  bool OnOwnThread() const { return std::this_thread::get_id() == m_thread; }

  // Facets alive (connected or not); zero once every reference handed out was released.
  int LiveFacets() const { return static_cast<int>(m_all.size()); }

  // For CFacet only.
  void Register(CFacet* facet);
  void Unregister(CFacet* facet);
  void Forget(CFacet* facet);  // disconnected: no longer found for its core object

 private:
  template <typename T>
  T* Existing(const void* core) const;

  bool m_running;
  std::thread::id m_thread = std::this_thread::get_id();
  std::unique_ptr<CImageServices> m_imageServices;
  std::function<QString()> m_unitId;
  std::function<bool(CProject*)> m_postSync;
  // Stopped, with every sink released, when the root goes.
  std::unique_ptr<CTimerTable> m_timers;
  int m_locks = 0;
  // While the application is locked the event loop outlives its last window.
  std::vector<std::unique_ptr<QEventLoopLocker>> m_loopLocks;
  QList<CProject*> m_openProjects;
  QHash<const CProject*, CEditingFlow*> m_flows;
  ProjectOpener m_opener;
  QSet<CFacet*> m_all;
  QMultiHash<const void*, CFacet*> m_byCore;
};
