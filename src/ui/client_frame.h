// CClientFrame: the one top-level window of the client. It stacks the header band, the project
// list (or the filter bar and the session list, or the page view while a session is edited) and
// the button bar; keeps its placement per screen orientation; owns the open project, the binding
// of its current session and the session being edited; and routes every command of the user
// interface: opening and deleting projects, the road of one session from New Session through
// Previous / Next to Finish (whose rules the editing flow keeps), and the actions of the session
// list. Made by the executable after start-up; UI thread only.
#pragma once

#include <QElapsedTimer>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUuid>
#include <QWidget>
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "editing/editing_flow.h"
#include "sessions/session.h"

class CClientButtonBar;
class CClientFilterBar;
class CClientHeaderCtrl;
class CPage;
class CPageCtrl;
class CProject;
class CProjectListCtrl;
class CSessionDatabase;
class CSessionListCtrl;
class CConnection;
class COnlineRouter;
class CFrameSyncHost;
class CServerRequests;
class CDownloadRequests;
class CSettingsDialog;
class CSettingsStore;
class QFileSystemWatcher;
class QMenu;
class QTimer;

// A command posted to the frame (a button, a menu item, a long press), handled from the event
// loop as a window command would be.
class CFrameCommandEvent : public QEvent {
 public:
  static constexpr QEvent::Type kType = QEvent::Type(QEvent::User + 0x111);
  explicit CFrameCommandEvent(uint32_t command) : QEvent(kType), m_command(command) {}
  uint32_t Command() const { return m_command; }

 private:
  uint32_t m_command;
};

// A command line handed to the frame (the program's own, or one a later start forwarded), handled
// from the event loop as the private window message 0x8067 is.
class CCommandLineEvent : public QEvent {
 public:
  explicit CCommandLineEvent(const QString& text) : QEvent(QEvent::Type(0x8067)), m_text(text) {}
  const QString& Text() const { return m_text; }

 private:
  QString m_text;
};

class CAutomationRoot;
class CCustomPointHost;

class CClientFrame : public QWidget {
  Q_OBJECT

 public:
  enum Command : uint32_t {
    kCmdBack = 102,
    kCmdConnect = 103,
    kCmdSettings = 104,
    kCmdNewSession = 105,
    kCmdMenu = 106,
    kCmdPrevious = 107,
    kCmdNext = 108,
    kCmdFinish = 109,
    kCmdFilterChanged = 116,
    kCmdDisconnect = 0x8004,
    kCmdSend = 0x8008,
    kCmdDuplicate = 0x8009,
    kCmdMark = 0x800a,
    kCmdUnmark = 0x800c,
    kCmdDelete = 0x800d,
    kCmdSynchronise = 0x800e,
    kCmdDeleteProject = 0x8010,
  };
  // Window messages the frame receives, under their numbers.
  static constexpr QEvent::Type kConnectionChangedEvent = QEvent::Type(0x8064);
  static constexpr QEvent::Type kCommandUrlEvent = QEvent::Type(0x8067);
  static constexpr uint32_t kAutoNewSessionMs = CEditingFlow::kAutoNewSessionMs;
  // A tap this soon after a context menu opened is the menu's tap, not an activation.
  static constexpr uint32_t kMenuGraceMs = 1001;

  // The connection's states as the buttons and menus see them.
  enum class ConnectionState { kIdle, kConnecting, kAuthenticated };

  // `dataFolder` holds the installed projects; `commandUrl` is a command link the program was
  // started with (empty for none).
  CClientFrame(CSettingsStore& settings, const QString& dataFolder,
               const QString& commandUrl = QString(), QWidget* parent = nullptr);
  ~CClientFrame() override;

  // Shows the window where it was last closed for the screen's orientation, or maximised.
  void ShowWithPlacement();
  void SavePlacement();
  // The size a window without a floating placement gets before it is maximised, so that it
  // shows every control where maximising is not honoured (no window manager): two thirds of the
  // screen's available area, centred.
  static QRect FirstStartGeometry(const QRect& available, const QSize& minimum);
  // A saved placement as it is when enough of it shows on one of the screens' available areas;
  // otherwise moved (and shrunk when needed) into the middle of the primary screen's.
  static QRect PlacementOnScreens(const QRect& saved, const QList<QRect>& available,
                                  const QRect& primary);

  // ---- commands
  void PostCommand(uint32_t command);
  // Hands a command line (the program's own, or one a later start forwarded) to the command
  // handler from the event loop.
  void PostCommandLine(const QString& text);
  // The command handler: strips one pair of enclosing double quotes; true when the text is a
  // command link ("qlt://...").
  bool OnCommandLine(const QString& text);
  // The last command line the handler took, as it took it.
  const QString& LastCommandLine() const { return m_lastCommandLine; }
  // Runs a command now; false when the frame does not know it.
  bool OnCommand(uint32_t command);

  // ---- projects
  void FillProjectList(bool allowAutoOpen);
  // Lists the projects again when the project files in the data folder changed since they were
  // listed (a file copied in or removed, a project that arrived), keeping the selection. Nothing
  // happens while a project is open. The data folder's watcher calls it once changes settle.
  void RefreshProjectList();
  // Opens the project file (or, with an empty path, shows the open project's list again).
  void OpenProject(const QString& path);
  // IProjects.Open: the project of that file, opened when it is not (nullptr when it cannot be).
  CProject* OpenProjectFor(const QString& path);
  // Saves the list's column widths, releases the project and shows the project list.
  void CloseProject();
  void DeleteSelectedProjects();
  // Projects whose unique number is listed are drawn highlighted until opened.
  void HighlightProject(int32_t uniqueNumber);

  // ---- the editing flow
  void ShowSessionList();
  // Opens the stored session `guid`, or `session`, or a fresh one; `arguments` (from a command
  // link) may fill values and choose the start page. False when nothing was opened.
  bool StartEditing(const QUuid& guid, CSession* session,
                    const QHash<QString, QString>* arguments = nullptr);
  void PreviousPage();
  void NextPage();
  // False when a point refused and the session stays open.
  bool Finish();
  void DuplicateSelected();

  // ---- state, for the executable and tests
  CProject* Project() const { return m_flow ? &m_flow->Project() : nullptr; }
  // The open project's editing flow, nullptr while no project is open.
  CEditingFlow* Flow() const { return m_flow.get(); }
  CSessionDatabase* Database() const { return m_flow ? m_flow->Database() : nullptr; }
  CSession* EditedSession() const { return m_flow ? m_flow->Session() : nullptr; }
  bool IsEditing() const { return m_flow && m_flow->IsEditing(); }
  uint32_t ListFilter() const { return m_listFilter; }
  ConnectionState Connection() const;
  // The frame's one connection to the server (created with the frame, destroyed with it).
  CConnection& ServerConnection() const { return *m_serverConnection; }
  // The connection's listener: starts synchronisation runs and routes the online messages.
  COnlineRouter& Router() const { return *m_router; }
  // Synchronises the open project (Synchronise, Send Selected with `list`, or automatically
  // after Finish) in the modal sync window; true when a run took place.
  bool Synchronise(const QList<QUuid>* list, bool automatic);
  // Opens the settings dialog (window-modal) over the frame, with a configuration query or an
  // empty text; the dialog already open when there is one.
  CSettingsDialog* OpenSettings(const QString& query);
  CClientHeaderCtrl* Header() const { return m_header; }
  CClientButtonBar* ButtonBar() const { return m_buttons; }
  CProjectListCtrl* ProjectList() const { return m_projectList; }
  CClientFilterBar* FilterBar() const { return m_filterBar; }
  CSessionListCtrl* SessionList() const { return m_sessionList; }
  CPageCtrl* PageView() const { return m_pageView; }
  // The index of the page shown while editing, -1 when none.
  int ShownPageIndex() const;

 Q_SIGNALS:
  // The first frame has been painted (start-up measurements follow it).
  void firstPainted();
  // The command handler took a command line (as it was handed over).
  void commandLineTaken(const QString& text);

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void LayoutChildren();
  // Shows these of the header, project list, filter bar, session list and page view; hides the
  // others.
  void ShowOnly(std::initializer_list<QWidget*> shown);
  void SetProjectListButtons();
  void SetListButtons();
  void UpdatePageButtons();
  void ShowEditingButtons();
  void ShowListMenu(const QPoint& globalPosition);
  void ShowProjectMenu(const QPoint& globalPosition);
  void OnSessionActivated(const QUuid& guid);
  void OnFilterChosen(int segment);
  void MarkSessions(bool mark);
  void DeleteSessions();
  void ReleaseProject();
  // Hands the opened project to the automation objects and creates its custom-point controls.
  void AttachAutomation();
  void WatchDataFolder();
  // Names, sizes and times of the project files in the data folder.
  QStringList ProjectFileStamps() const;
  void CreateConnection();
  QString Text(const char* key) const;
  QString PlacementPrefix() const;

  CSettingsStore& m_settings;
  QString m_dataFolder;
  QString m_commandUrl;

  CClientHeaderCtrl* m_header;
  CClientButtonBar* m_buttons;
  CProjectListCtrl* m_projectList;
  CClientFilterBar* m_filterBar;
  CSessionListCtrl* m_sessionList;
  CPageCtrl* m_pageView;
  QTimer* m_resizeTimer;
  QFileSystemWatcher* m_folderWatcher;
  QTimer* m_folderTimer;
  QStringList m_listedStamps;
  QPointer<QMenu> m_menu;

  // The automation objects (the application's, or the frame's own where no application made
  // them) and the custom-point controls of the open project; declared before the flow so that
  // they outlive it.
  std::unique_ptr<CAutomationRoot> m_ownAutomation;
  CAutomationRoot* m_automation = nullptr;
  std::unique_ptr<CCustomPointHost> m_customPoints;
  std::unique_ptr<CEditingFlow> m_flow;
  QString m_lastCommandLine;
  uint32_t m_listFilter = 0;
  uint32_t m_listMenuTick = 0;
  uint32_t m_projectMenuTick = 0;
  bool m_menuTicked = false;
  bool m_projectMenuTicked = false;
  QSet<int32_t> m_highlighted;
  std::unique_ptr<CConnection> m_serverConnection;
  std::unique_ptr<COnlineRouter> m_router;
  // The server's own requests while online (a new unit ID, project files, pushed sessions, the
  // inventory), served over the frame through its host; the router's fallback.
  std::unique_ptr<CFrameSyncHost> m_syncHost;
  std::unique_ptr<CServerRequests> m_serverRequests;
  // The upgrade and translation downloads the server offers; beside the requests.
  std::unique_ptr<CDownloadRequests> m_downloads;
  QPointer<CSettingsDialog> m_settingsDialog;
  QTimer* m_connectionTimer;  // timer 1: the connection's tick
  bool m_painted = false;
};
