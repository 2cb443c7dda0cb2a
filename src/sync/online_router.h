// COnlineRouter: the connection's listener. It starts synchronisation runs (StartSync) and routes
// the online messages: the run's own codes to the run while one is active, every other code to a
// fallback handler (the server's requests). The main window, or a headless caller, owns one
// beside its connection and installs it as the connection's listener; the router outlives every
// run it starts. UI thread only, no widgets.
#pragma once

#include <QList>
#include <QUuid>
#include <functional>

#include "sync/connection.h"

class CNetMessage;
class CProject;
class CSessionDatabase;
class CSettingsStore;
class CSyncRun;

class COnlineRouter : public CConnection::CListener {
 public:
  // Handles an online message no run takes; false fails the connection.
  using Fallback = std::function<bool(CNetMessage&)>;
  // Shows a run modally: attaches its view, calls Start and returns once the run has ended (a
  // window's exec, or an event loop of a headless caller).
  using Modal = std::function<void(CSyncRun&)>;

  // `settings` (may be null: defaults) is read for "PurgeDays" at each run.
  COnlineRouter(CConnection& connection, const CSettingsStore* settings);
  ~COnlineRouter() override;
  COnlineRouter(const COnlineRouter&) = delete;
  COnlineRouter& operator=(const COnlineRouter&) = delete;

  void SetFallback(Fallback fallback) { m_fallback = std::move(fallback); }
  // Without one, a run waits in an event loop of its own and shows nothing.
  void SetModal(Modal modal) { m_modal = std::move(modal); }

  // Runs a synchronisation of the project: `list` (may be null) names the sessions to send;
  // `automatic` runs only when automatic sending is on; `sendAll` queues every active session.
  // False when nothing ran (disabled, automatic sending off, no connection could be started, no
  // database, or a run is already going).
  bool StartSync(CProject* project, CSessionDatabase* database, const QList<QUuid>* list,
                 bool automatic, bool sendAll);

  // The run in progress, or null; the server requests call its hooks.
  CSyncRun* ActiveRun() const { return m_run; }

  // ---- CConnection::CListener
  void OnAuthenticating() override;
  bool OnOnline() override;
  bool Dispatch(CNetMessage& message) override;
  void OnClosed() override;
  bool CanAsk() override { return m_run == nullptr; }

 private:
  CConnection& m_connection;
  const CSettingsStore* m_settings;
  Fallback m_fallback;
  Modal m_modal;
  CSyncRun* m_run = nullptr;
};
