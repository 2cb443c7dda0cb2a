// CEditingFlow: what happens to the sessions of one open project, without widgets: it owns the
// project, opens its session database on first use, and runs the road of one session: opening
// it (new, stored, duplicated, with a command link's values and start page), the session lock
// and the unit restamp, attaching its values to the points and taking them back, stepping
// through the visible pages with verification, finishing (marking for sending, saving) and
// abandoning. The main frame, the command-line tool and every other caller go through it, so
// the rules live here once. Made by whoever opens a project; UI thread only.
#pragma once

#include <QHash>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <memory>

#include "editing/plain_page_display.h"
#include "editing/session_binding.h"
#include "sessions/session.h"

class CPage;
class CPageDisplay;
class CProject;
class CSessionDatabase;
class CSettingsStore;

class CEditingFlow {
 public:
  // Finishing a session sooner than this after opening it does not start the next one.
  static constexpr uint32_t kAutoNewSessionMs = 2000;

  enum class FinishResult {
    kNotEditing,  // no session, or no database: nothing happened
    kRefused,     // a point of the shown page refused; the session stays open on it
    kNotSaved,    // the database refused the session; it stays open with everything typed
    kSaved,
  };
  struct FinishOutcome {
    FinishResult result = FinishResult::kNotEditing;
    bool send = false;       // the session was marked and a synchronisation should start
    bool startNext = false;  // the project starts the next session at once
  };

  // Takes over a loaded project. `settings` (may be null: no automatic sending, default purge and
  // duplication settings) is read at each step, so later changes apply.
  CEditingFlow(std::unique_ptr<CProject> project, const CSettingsStore* settings);
  ~CEditingFlow();
  CEditingFlow(const CEditingFlow&) = delete;
  CEditingFlow& operator=(const CEditingFlow&) = delete;

  // Loads the project file; nullptr when it cannot be loaded (the loader has shown why).
  static std::unique_ptr<CEditingFlow> Open(const QString& path, const CSettingsStore* settings);

  CProject& Project() const { return *m_project; }
  // The session database beside the project file, opened on first use; nullptr when it cannot be
  // opened (a later call tries again). A project saved under another path gets that path's.
  CSessionDatabase* Database();
  CSessionBinding& Binding() { return m_binding; }

  // Where pages are shown; nullptr returns to the flow's own display without widgets. The
  // display must outlive the flow or be replaced before it goes.
  void SetDisplay(CPageDisplay* display);
  CPageDisplay& Display() const { return *m_display; }
  // The flow's own display (used while no other is set).
  CPlainPageDisplay& PlainDisplay() { return m_plainDisplay; }

  // ---- settings read by the flow
  int PurgeDays() const;
  bool DuplicationPrevented() const;
  // Purges sent and deleted sessions older than the purge setting (opening a project does).
  bool Purge();

  // ---- the session being edited
  bool IsEditing() const { return m_session; }
  CSession* Session() const { return m_session.data(); }
  // Opens the stored session `guid` (an active one loses its marks at once), or `session`, or a
  // fresh one; `arguments` (from a command link) may fill values ("values", a JSON object) and
  // choose the start page ("page"). Attaches it, locks a sent or deleted one, restamps the unit
  // and shows the start page. False when nothing was opened. Only a stored session needs the
  // database here; Finish needs it to save.
  bool Start(const QUuid& guid, CSession* session = nullptr,
             const QHash<QString, QString>* arguments = nullptr);
  // A copy of the stored session `guid` to be edited as a new one (created now), or null when
  // duplication is prevented by the settings or the session is gone.
  CSessionPtr Duplicate(const QUuid& guid);

  // ---- pages
  int ShownPageIndex() const;
  // The nearest visible page before (step -1) or after (step 1) the shown one, or -1.
  int FindVisiblePage(int step) const;
  // Changes to the previous visible page with verification; false when there is none or a point
  // refused.
  bool PreviousPage();
  // Changes to the next visible page with verification; without one, shows
  // "Project.EndOfProject" and stays. False when nothing changed.
  bool NextPage();
  // Shows the page of that index (without verification), for runs that visit every page.
  bool ShowPage(int index);
  // Verifies the shown page as leaving it would, but stays on it; false with the refusing point.
  bool VerifyShownPage(CBasePoint** failing = nullptr);

  // Leaves the shown page with verification, marks the session for sending when the settings
  // say so, takes the points' values (unless locked) and saves it. On success the session is
  // released. A save the database refuses is reported ("SessionList.CantSave") and the session
  // stays open on its page with everything typed.
  FinishOutcome Finish();
  // Ends editing without saving (the values typed are dropped).
  void Abandon();

 private:
  void Release();

  std::unique_ptr<CProject> m_project;
  const CSettingsStore* m_settings;
  std::unique_ptr<CSessionDatabase> m_database;
  CSessionBinding m_binding;
  CPlainPageDisplay m_plainDisplay;
  CPageDisplay* m_display;
  CSessionPtr m_session;
  uint32_t m_openedTick = 0;
};
