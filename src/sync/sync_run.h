// CSyncRun: one synchronisation run of one project, without widgets: the queue of sessions to
// send, the project check, sending each session and taking its acknowledgement, the end of the
// pushed sessions, the update question and the run's end. What the user sees and answers goes
// through its CView (the sync window in ui/, or a headless caller). Made by COnlineRouter's
// StartSync for the length of one run; the project and database are the caller's and must outlive
// the run unless ForgetProject drops them first. UI thread only.
#pragma once

#include <QList>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <deque>

class CConnection;
class CNetMessage;
class CProject;
class CSession;
class CSessionDatabase;

class CSyncRun {
 public:
  // Extra progress steps beyond one per queued session: connecting, authenticating, the project
  // check, its answer and the end of the pushed sessions.
  static constexpr int kExtraSteps = 5;
  // Message-box buttons and answer for the locked project's question (the message service keeps
  // the message-box numbers).
  static constexpr unsigned kRetryCancel = 0x5;
  static constexpr int kIdRetry = 4;

  // What the run shows and asks. The defaults ask through the translated message boxes.
  class CView {
   public:
    virtual ~CView() = default;
    virtual void SetStatus(const QString& /*text*/) {}
    virtual void SetProgress(int /*position*/, int /*maximum*/) {}
    // Shows the message of a translation key and returns the button pressed.
    virtual int Ask(const QString& key, unsigned style);
    // The run has ended; a window closes itself.
    virtual void OnEnded() {}
  };

  // `list` (may be null) names the sessions to send in its order; otherwise the database's
  // marked active sessions are queued, or every active one with `sendAll`. `purgeDays` 0 deletes
  // an acknowledged session instead of keeping it as sent.
  CSyncRun(CConnection& connection, CProject* project, CSessionDatabase* database, int purgeDays,
           const QList<QUuid>* list, bool sendAll);
  ~CSyncRun();
  CSyncRun(const CSyncRun&) = delete;
  CSyncRun& operator=(const CSyncRun&) = delete;

  // Where the run shows itself from now on (a window attaches itself before Start); null goes
  // back to the default view, which shows nothing and asks through the message boxes.
  void SetView(CView* view) { m_view = view ? view : &m_defaultView; }

  // The dialog's start: queue, progress range, and the project check when already online.
  void Start();

  // ---- what the connection reports while the run is active
  void OnAuthenticating();
  void OnOnline();
  void OnClosed();
  // True when the code is one the run takes (project check answer, session acknowledgement, end
  // of pushed sessions).
  static bool IsRunCode(uint32_t code);
  // Handles one of the run's codes; false for a malformed message (the connection then fails).
  bool Dispatch(CNetMessage& message);

  // ---- hooks of the server requests
  // A project file with this name arrives: the run lets go of its project and database.
  void ForgetProject(const QString& fileName);
  // A project file was installed: for the run's project it counts as sending done.
  void OnProjectInstalled(const QString& fileName, uint32_t unique);

  // The user pressed Cancel.
  void Cancel() { End(); }

  // ---- state, for the window and tests
  bool IsEnded() const { return m_ended; }
  const QString& ProjectName() const { return m_name; }
  QString ProjectTitle() const;
  uint32_t ProjectUnique() const { return m_unique; }
  int Total() const { return m_total; }
  int Position() const { return m_position; }
  int QueueLength() const { return static_cast<int>(m_queue.size()); }
  bool PushDone() const { return m_pushDone; }
  bool SendingDone() const { return m_sendingDone; }
  // The translated title of the window: "Sync.Title" followed by "...".
  static QString Title();

 private:
  void Fill();
  void CheckProject();
  void Advance();
  void SetStatus(const char* key);
  // Step 4: sends the queue's head, or finishes sending when the queue is empty.
  void SendNext();
  bool PassesSendRule(const CSession& session) const;
  bool IsOwnProject(const QString& name, uint32_t unique) const;
  void OnCheckAnswer(CNetMessage& message);
  void OnAcknowledgement(CNetMessage& message);
  void OnEndOfPushed(CNetMessage& message);
  void ShowRefusal(uint16_t status);
  void End();
  // A session sent and not acknowledged when the run ends gets its mark back, so the next run
  // sends it again instead of leaving it active and forgotten.
  void RestorePendingMark();

  CConnection& m_connection;
  CProject* m_project;
  CSessionDatabase* m_database;
  int m_purgeDays;
  bool m_sendAll;
  bool m_hasList;
  QList<QUuid> m_list;
  CView m_defaultView;
  CView* m_view = &m_defaultView;
  QString m_name;
  QString m_title;
  uint32_t m_unique = 0;
  bool m_checked = false;
  bool m_updateAvailable = false;
  bool m_pushDone = false;
  bool m_sendingDone = false;
  bool m_ended = false;
  std::deque<QUuid> m_queue;
  int m_total = 0;
  int m_position = 0;
  // The head as sent and not yet acknowledged, and whether it was marked before sending cleared
  // the mark.
  QUuid m_pending;
  bool m_pendingWasMarked = false;
};
