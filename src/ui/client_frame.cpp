#include "ui/client_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSessionManager>
#include <QShortcut>
#include <QTimer>
#include <algorithm>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "app/twkf_app.h"
#include "automation/automation_root.h"
#include "automation/automation_server.h"
#include "automation/custom_point_host.h"
#include "editing/project_summary.h"
#include "editing/session_binding.h"
#include "platform/settings_store.h"
#include "project/base_point.h"
#include "project/display_scale.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "sessions/system_time.h"
#include "sync/command_link_runner.h"
#include "sync/connection.h"
#include "sync/download_requests.h"
#include "sync/net_message.h"
#include "sync/online_router.h"
#include "sync/server_requests.h"
#include "sync/sync_run.h"
#include "sync/telegram_link.h"
#include "ui/client_button_bar.h"
#include "ui/client_filter_bar.h"
#include "ui/client_header_ctrl.h"
#include "ui/frame_link_host.h"
#include "ui/frame_sync_host.h"
#include "ui/page_ctrl.h"
#include "ui/project_list_ctrl.h"
#include "ui/session_list_ctrl.h"
#include "ui/settings_dialog.h"
#include "ui/sync_dlg.h"

namespace {

constexpr int kBand = 40;  // header, filter bar and button bar height at normal scale
// A copy into the data folder arrives as a burst of changes; the list is read once they stop.
constexpr int kFolderSettleMs = 300;
// Less than this much of a window on a screen cannot be read or grabbed.
constexpr int kMinVisiblePart = 40;
const QString kWindow = QStringLiteral("Window");

// `text` with its first printf-style placeholder ("%s", "%i", "%d" or "%u") replaced.
QString FillPlaceholder(QString text, const QString& value) {
  static const char* const kPlaceholders[] = {"%s", "%i", "%d", "%u"};
  for (const char* placeholder : kPlaceholders) {
    const qsizetype at = text.indexOf(QLatin1String(placeholder));
    if (at >= 0) return text.replace(at, 2, value);
  }
  return text;
}

int Ask(const QString& text) {
  return CServices::Instance().Messages().ShowMessage(text,
                                                      kMbYesNo | kMbIconQuestion | kMbDefButton2);
}

}  // namespace

CClientFrame::CClientFrame(CSettingsStore& settings, const QString& dataFolder,
                           const QString& commandUrl, QWidget* parent)
    : QWidget(parent),
      m_settings(settings),
      m_dataFolder(dataFolder),
      m_commandUrl(commandUrl),
      m_header(new CClientHeaderCtrl(this)),
      m_buttons(new CClientButtonBar(this)),
      m_projectList(new CProjectListCtrl(this)),
      m_filterBar(new CClientFilterBar(this)),
      m_sessionList(new CSessionListCtrl(m_settings, this)),
      m_pageView(new CPageCtrl(this)),
      m_resizeTimer(new QTimer(this)),
      m_folderWatcher(new QFileSystemWatcher(this)),
      m_folderTimer(new QTimer(this)),
      m_connectionTimer(new QTimer(this)) {
  setWindowTitle(Text("System.Application"));
  setMinimumSize(240, 240);
  m_filterBar->hide();
  m_sessionList->hide();
  m_pageView->hide();
  m_pageView->SetNotifyTarget(this);

  connect(m_header, &CClientHeaderCtrl::backClicked, this, [this] { PostCommand(kCmdBack); });
  connect(m_buttons, &CClientButtonBar::commandChosen, this,
          [this](uint32_t command) { PostCommand(command); });
  connect(m_projectList, &CProjectListCtrl::projectActivated, this, [this](const QString& path) {
    if (m_projectMenuTicked &&
        CServices::Instance().TickCount() - m_projectMenuTick < kMenuGraceMs) {
      return;
    }
    OpenProject(path);
  });
  connect(m_projectList, &CProjectListCtrl::menuRequested, this,
          [this](const QPoint& position) { ShowProjectMenu(position); });
  connect(m_projectList, &CProjectListCtrl::deleteRequested, this,
          [this] { PostCommand(kCmdDeleteProject); });
  connect(m_filterBar, &CClientFilterBar::segmentChosen, this,
          [this](int segment) { OnFilterChosen(segment); });
  connect(m_sessionList, &CSessionListCtrl::sessionActivated, this,
          [this](const QUuid& guid) { OnSessionActivated(guid); });
  connect(m_sessionList, &CSessionListCtrl::menuRequested, this, [this] { PostCommand(kCmdMenu); });

  // Timer 3: after a resize the bands are repainted once the sizes have settled.
  m_resizeTimer->setSingleShot(true);
  m_resizeTimer->setInterval(0);
  connect(m_resizeTimer, &QTimer::timeout, this, [this] {
    m_header->update();
    if (m_projectList->isVisible()) m_projectList->viewport()->update();
    m_buttons->update();
  });
  // Project files copied into the data folder (or arriving from the server) show up in the list.
  m_projectList->SetDataFolder(QDir::toNativeSeparators(m_dataFolder));
  m_folderTimer->setSingleShot(true);
  m_folderTimer->setInterval(kFolderSettleMs);
  connect(m_folderTimer, &QTimer::timeout, this, [this] { RefreshProjectList(); });
  connect(m_folderWatcher, &QFileSystemWatcher::directoryChanged, this, [this] {
    WatchDataFolder();
    m_folderTimer->start();
  });
  // A file still being copied grows after it appeared; its writes restart the wait.
  connect(m_folderWatcher, &QFileSystemWatcher::fileChanged, this,
          [this] { m_folderTimer->start(); });
  WatchDataFolder();

  // Timer 2: a command link the program was started with reaches the frame once it is up.
  if (!m_commandUrl.isEmpty()) {
    QTimer::singleShot(100, this, [this] { PostCommandLine(m_commandUrl); });
  }

  CreateConnection();
  // A link point's command link is carried out as a command line of this window's own.
  CServices::Instance().SetCommandLinkTaker([this](const QString& link) { PostCommandLine(link); });

  // Keyboard roads to what the button bar offers.
  const auto shortcut = [this](const QKeySequence& keys, uint32_t command) {
    auto* made = new QShortcut(keys, this);
    connect(made, &QShortcut::activated, this, [this, command] {
      if (m_buttons->IsButtonEnabled(command)) PostCommand(command);
    });
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_N), kCmdNewSession);
  shortcut(QKeySequence(Qt::ALT | Qt::Key_Left), kCmdPrevious);
  shortcut(QKeySequence(Qt::ALT | Qt::Key_Right), kCmdNext);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), kCmdFinish);
  auto* back = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Up), this);
  connect(back, &QShortcut::activated, this, [this] {
    if (m_flow && !IsEditing()) PostCommand(kCmdBack);
  });

  // The user's desktop session is ending: what is being edited is finished first; the outcome
  // cannot stop the ending.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
    if (IsEditing()) Finish();
  });

  FillProjectList(true);
}

CClientFrame::~CClientFrame() {
  CServices::Instance().SetCommandLinkTaker({});
  CServices::Instance().SetTelegramSender(nullptr);
  // The views let go of the page and the list before the project goes away.
  ReleaseProject();
  if (m_automation) m_automation->SetSyncPoster({});
}

QString CClientFrame::Text(const char* key) const {
  const QString text = CLanguage::Instance().Translate(QString::fromLatin1(key));
  return text.isEmpty() ? QString::fromLatin1(key) : text;
}

// ---------------------------------------------------------------------------------------------
// placement and layout

QString CClientFrame::PlacementPrefix() const {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QSize size = screen ? screen->size() : QSize(1, 0);
  return size.width() < size.height() ? QStringLiteral("Portrait_") : QStringLiteral("Landscape_");
}

QRect CClientFrame::FirstStartGeometry(const QRect& available, const QSize& minimum) {
  const QSize size = QSize(available.width() * 2 / 3, available.height() * 2 / 3)
                         .expandedTo(minimum)
                         .boundedTo(available.size());
  QRect geometry(QPoint(0, 0), size);
  geometry.moveCenter(available.center());
  return geometry;
}

QRect CClientFrame::PlacementOnScreens(const QRect& saved, const QList<QRect>& available,
                                       const QRect& primary) {
  for (const QRect& screen : available) {
    const QRect shown = saved.intersected(screen);
    if (shown.width() >= kMinVisiblePart && shown.height() >= kMinVisiblePart) return saved;
  }
  // The screen it was on is gone (unplugged, or another arrangement): bring it back.
  QRect moved(QPoint(0, 0), saved.size().boundedTo(primary.size()));
  moved.moveCenter(primary.center());
  return moved;
}

void CClientFrame::ShowWithPlacement() {
  const QString prefix = PlacementPrefix();
  const QScreen* primary = QGuiApplication::primaryScreen();
  const QScreen* screen = this->screen() ? this->screen() : primary;
  if (m_settings.ReadInt(kWindow, prefix + u"Floating"_qs, 0) != 0) {
    const int left = m_settings.ReadInt(kWindow, prefix + u"Left"_qs, 0);
    const int top = m_settings.ReadInt(kWindow, prefix + u"Top"_qs, 0);
    const int right = m_settings.ReadInt(kWindow, prefix + u"Right"_qs, 0);
    const int bottom = m_settings.ReadInt(kWindow, prefix + u"Bottom"_qs, 0);
    if (right > left && bottom > top) {
      QRect geometry(left, top, right - left, bottom - top);
      if (primary) {
        QList<QRect> available;
        for (const QScreen* each : QGuiApplication::screens()) {
          available.append(each->availableGeometry());
        }
        geometry = PlacementOnScreens(geometry, available, primary->availableGeometry());
      }
      setGeometry(geometry);
      showNormal();
      return;
    }
  }
  // Maximised, from a size that shows every control: without a window manager the request to
  // maximise goes unanswered, and un-maximising returns to this size.
  if (screen) setGeometry(FirstStartGeometry(screen->availableGeometry(), minimumSize()));
  showMaximized();
}

void CClientFrame::SavePlacement() {
  const QString prefix = PlacementPrefix();
  if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
    m_settings.WriteInt(kWindow, prefix + u"Floating"_qs, 0);
    return;
  }
  const QRect r = geometry();
  m_settings.WriteInt(kWindow, prefix + u"Floating"_qs, 1);
  m_settings.WriteInt(kWindow, prefix + u"Left"_qs, r.left());
  m_settings.WriteInt(kWindow, prefix + u"Top"_qs, r.top());
  m_settings.WriteInt(kWindow, prefix + u"Right"_qs, r.left() + r.width());
  m_settings.WriteInt(kWindow, prefix + u"Bottom"_qs, r.top() + r.height());
}

void CClientFrame::ShowOnly(std::initializer_list<QWidget*> shown) {
  QWidget* const views[] = {m_header, m_projectList, m_filterBar, m_sessionList, m_pageView};
  for (QWidget* view : views) {
    view->setVisible(std::find(shown.begin(), shown.end(), view) != shown.end());
  }
}

void CClientFrame::LayoutChildren() {
  const int band = kBand * CDisplayScale::Factor();
  const int w = width();
  const int h = height();
  m_header->setGeometry(0, 0, w, band);
  m_projectList->setGeometry(0, band, w, std::max(0, h - 2 * band));
  m_filterBar->setGeometry(0, band, w, band);
  m_sessionList->setGeometry(0, 2 * band, w, std::max(0, h - 3 * band));
  m_pageView->setGeometry(0, 0, w, std::max(0, h - band));
  m_buttons->setGeometry(0, h - band, w, band);
}

void CClientFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutChildren();
  m_resizeTimer->start();
}

void CClientFrame::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (!m_painted) {
    m_painted = true;
    QTimer::singleShot(0, this, [this] { Q_EMIT firstPainted(); });
  }
}

// ---------------------------------------------------------------------------------------------
// events and commands

void CClientFrame::PostCommand(uint32_t command) {
  QCoreApplication::postEvent(this, new CFrameCommandEvent(command));
}

void CClientFrame::PostCommandLine(const QString& text) {
  QCoreApplication::postEvent(this, new CCommandLineEvent(text));
}

bool CClientFrame::OnCommandLine(const QString& text) {
  QString line = text;
  if (line.size() >= 2 && line.startsWith(u'"') && line.endsWith(u'"')) {
    line = line.mid(1, line.size() - 2);
  }
  // A link arriving while another one waits on a question or a synchronisation comes back once
  // that one is done, so two links never interleave their steps.
  static bool running = false;
  if (running) {
    QTimer::singleShot(200, this, [this, text] { PostCommandLine(text); });
    return line.startsWith(QLatin1String("qlt://"));
  }
  m_lastCommandLine = line;
  Q_EMIT commandLineTaken(text);
  // A plain file path opens nothing here.
  CFrameLinkHost host(*this, m_dataFolder);
  CCommandLinkRunner runner(host, *m_router, &m_settings);
  running = true;
  const bool link = runner.Run(line);
  running = false;
  return link;
}

void CClientFrame::CreateConnection() {
  CHandshake::Identity identity;
  if (const CTWKFApp* app = CTWKFApp::Instance()) {
    identity.unitId = app->UnitId();
    identity.unitKey = app->UnitKey();
  }
  identity.version = CTWKFApp::VersionText();
  identity.operatingSystem = CTWKFApp::OperatingSystemDescription();
  identity.hardware = CTWKFApp::HardwareDescription();
  const CConnectionSettings settings = CConnectionSettings::Load(m_settings);
  m_serverConnection =
      std::make_unique<CConnection>(settings, identity, CLanguage::Instance().Checksum());
  // Every change of state reaches the frame as its posted message, so the buttons are relabelled
  // from the event loop and never inside the connection's own work.
  connect(m_serverConnection.get(), &CConnection::stateChanged, this,
          [this] { QCoreApplication::postEvent(this, new QEvent(kConnectionChangedEvent)); });
  m_connectionTimer->setInterval(10000);
  connect(m_connectionTimer, &QTimer::timeout, this, [this] { m_serverConnection->Tick(); });
  m_connectionTimer->start();
  m_router = std::make_unique<COnlineRouter>(*m_serverConnection, &m_settings);
  m_router->SetModal([this](CSyncRun& run) {
    CSyncDlg dialog(run, this);
    dialog.Execute();
  });
  m_syncHost = std::make_unique<CFrameSyncHost>(*this, m_settings, m_dataFolder);
  m_serverRequests = std::make_unique<CServerRequests>(
      *m_syncHost,
      [this](const CNetMessage& message) { return m_serverConnection->Send(message); });
  m_serverRequests->SetHooks({[this](const QString& name) {
                                if (CSyncRun* run = m_router->ActiveRun()) run->ForgetProject(name);
                              },
                              [this](const QString& name, uint32_t unique) {
                                if (CSyncRun* run = m_router->ActiveRun()) {
                                  run->OnProjectInstalled(name, unique);
                                }
                              }});
  // Telegrams leave through the connection and arrive for the open project.
  CServices::Instance().SetTelegramSender(std::make_unique<CTelegramLink>(*m_serverConnection, [] {
    return CTWKFApp::Instance() ? CTWKFApp::Instance()->UnitId() : QString();
  }));
  const CTWKFApp* app = CTWKFApp::Instance();
  m_downloads = std::make_unique<CDownloadRequests>(
      m_dataFolder, app ? app->ProgramFolder() : QCoreApplication::applicationDirPath(),
      [this](const CNetMessage& message) { return m_serverConnection->Send(message); });
  m_downloads->SetHooks(
      {[this] { return m_router->CanAsk() && QApplication::activeModalWidget() == nullptr; },
       [this] { m_serverConnection->SetTranslationChecksum(CLanguage::Instance().Checksum()); }});
  m_router->SetFallback([this](CNetMessage& message) {
    if (message.Code() == CTelegramLink::kTelegramFromServer) {
      return CTelegramLink::Receive(message, Project());
    }
    if (CDownloadRequests::Serves(message.Code())) return m_downloads->Handle(message);
    return m_serverRequests->Handle(message);
  });
  m_serverConnection->SetListener(m_router.get());
  m_serverConnection->Restart(!settings.onDemand);
}

bool CClientFrame::Synchronise(const QList<QUuid>* list, bool automatic) {
  if (!m_flow || IsEditing()) return false;
  if (!m_router->StartSync(Project(), Database(), list, automatic, false)) return false;
  ShowSessionList();
  return true;
}

CSettingsDialog* CClientFrame::OpenSettings(const QString& query) {
  if (m_settingsDialog) return m_settingsDialog;
  const CTWKFApp* app = CTWKFApp::Instance();
  const QString unitId =
      app ? app->UnitId() : m_settings.ReadString(QStringLiteral("Unit"), QStringLiteral("ID"));
  // Window-modal and open() rather than exec(): the frame's timers and the connection keep
  // running underneath, and OK does its own storing and restarting.
  auto* dialog = new CSettingsDialog(m_settings, *m_serverConnection, unitId, query, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  m_settingsDialog = dialog;
  dialog->open();
  return dialog;
}

CClientFrame::ConnectionState CClientFrame::Connection() const {
  switch (m_serverConnection->GetState()) {
    case CConnection::kOnline:
      return ConnectionState::kAuthenticated;
    case CConnection::kIdle:
      return ConnectionState::kIdle;
    default:
      return ConnectionState::kConnecting;
  }
}

bool CClientFrame::event(QEvent* event) {
  if (event->type() == CFrameCommandEvent::kType) {
    OnCommand(static_cast<CFrameCommandEvent*>(event)->Command());
    return true;
  }
  if (event->type() == CPageCtrl::kPageChangedEvent) {
    if (IsEditing()) UpdatePageButtons();
    return true;
  }
  if (event->type() == kConnectionChangedEvent) {
    if (!m_flow) SetProjectListButtons();
    return true;
  }
  if (event->type() == kCommandUrlEvent) {
    if (auto* line = dynamic_cast<CCommandLineEvent*>(event)) OnCommandLine(line->Text());
    return true;
  }
  return QWidget::event(event);
}

bool CClientFrame::OnCommand(uint32_t command) {
  switch (command) {
    case kCmdBack:
      if (m_flow && !IsEditing()) CloseProject();
      return true;
    case kCmdNewSession:
      if (m_flow && !IsEditing() && m_listFilter == CSession::kStateActive) {
        StartEditing(QUuid(), nullptr);
      }
      return true;
    case kCmdMenu:
      if (m_flow && !IsEditing() && m_sessionList->isVisible()) {
        ShowListMenu(QCursor::pos());
      }
      return true;
    case kCmdPrevious:
      PreviousPage();
      return true;
    case kCmdNext:
      NextPage();
      return true;
    case kCmdFinish:
      Finish();
      return true;
    case kCmdFilterChanged:
      OnFilterChosen(m_filterBar->Selected());
      return true;
    case kCmdDuplicate:
      DuplicateSelected();
      return true;
    case kCmdMark:
      MarkSessions(true);
      return true;
    case kCmdUnmark:
      MarkSessions(false);
      return true;
    case kCmdDelete:
      DeleteSessions();
      return true;
    case kCmdDeleteProject:
      DeleteSelectedProjects();
      return true;
    case kCmdConnect:
      // Without a server address the settings dialog is the place to go.
      if (m_serverConnection->Settings().server.isEmpty()) {
        OpenSettings(QString());
      } else {
        m_serverConnection->Restart(true);
      }
      return true;
    case kCmdDisconnect:
      m_serverConnection->Disconnect(false);
      return true;
    case kCmdSettings:
      OpenSettings(QString());
      return true;
    case kCmdSynchronise:
      Synchronise(nullptr, false);
      return true;
    case kCmdSend:
      // Sending the selected sessions is offered only while online.
      if (m_flow && !IsEditing() && Connection() == ConnectionState::kAuthenticated) {
        const QList<QUuid> selected = m_sessionList->SelectedGuids();
        if (!selected.isEmpty()) Synchronise(&selected, false);
      }
      return true;
    default:
      return false;
  }
}

void CClientFrame::closeEvent(QCloseEvent* event) {
  if (IsEditing()) {
    Finish();
    if (IsEditing()) {
      event->ignore();
      return;
    }
  }
  if (m_flow) m_sessionList->SaveColumnWidths();
  SavePlacement();
  event->accept();
}

// ---------------------------------------------------------------------------------------------
// the project list

void CClientFrame::SetProjectListButtons() {
  QList<CClientButtonBar::Button> buttons;
  switch (Connection()) {
    case ConnectionState::kAuthenticated:
      buttons.append({Text("Toolbar.Connected"), kCmdDisconnect, true});
      break;
    case ConnectionState::kIdle:
      buttons.append({Text("Toolbar.Connect"), kCmdConnect, true});
      break;
    case ConnectionState::kConnecting:
      buttons.append({Text("Toolbar.Connecting"), kCmdDisconnect, true});
      break;
  }
  buttons.append({Text("Toolbar.Settings"), kCmdSettings, true});
  m_buttons->SetButtons(buttons);
}

void CClientFrame::FillProjectList(bool allowAutoOpen) {
  m_projectList->clear();
  QDir folder(m_dataFolder);
  // Listed by name, as the file systems the projects come from list them.
  const QStringList files = folder.entryList(QStringList{QStringLiteral("*.ppc")}, QDir::Files,
                                             QDir::Name | QDir::IgnoreCase);
  m_listedStamps = ProjectFileStamps();
  for (const QString& file : files) {
    const std::optional<CProjectSummary> summary = CProjectSummary::Read(folder.filePath(file));
    if (!summary) continue;
    m_projectList->AddProject(*summary, m_highlighted.contains(summary->uniqueNumber));
  }
  m_header->SetTitle(Text("System.Application"));
  m_header->SetBackVisible(false);
  SetProjectListButtons();

  if (allowAutoOpen && m_projectList->count() == 1) {
    OpenProject(m_projectList->PathAt(0));
    return;
  }
  ShowOnly({m_header, m_projectList});
  m_projectList->setFocus();
}

QStringList CClientFrame::ProjectFileStamps() const {
  QStringList stamps;
  const QFileInfoList files = QDir(m_dataFolder)
                                  .entryInfoList(QStringList{QStringLiteral("*.ppc")}, QDir::Files,
                                                 QDir::Name | QDir::IgnoreCase);
  for (const QFileInfo& file : files) {
    stamps.append(QStringLiteral("%1|%2|%3")
                      .arg(file.fileName())
                      .arg(file.size())
                      .arg(file.lastModified().toMSecsSinceEpoch()));
  }
  return stamps;
}

void CClientFrame::WatchDataFolder() {
  if (!QFileInfo(m_dataFolder).isDir()) return;
  if (!m_folderWatcher->directories().contains(m_dataFolder)) {
    m_folderWatcher->addPath(m_dataFolder);
  }
  // The project files themselves too: one still being copied when it appeared grows later.
  const QStringList watched = m_folderWatcher->files();
  QStringList present;
  const QDir folder(m_dataFolder);
  for (const QString& name : folder.entryList(QStringList{QStringLiteral("*.ppc")}, QDir::Files)) {
    present.append(folder.filePath(name));
  }
  for (const QString& path : watched) {
    if (!present.contains(path)) m_folderWatcher->removePath(path);
  }
  for (const QString& path : present) {
    if (!watched.contains(path)) m_folderWatcher->addPath(path);
  }
}

void CClientFrame::RefreshProjectList() {
  // The open project, its list and its editing stay as they are; closing it lists afresh.
  if (m_flow) return;
  if (ProjectFileStamps() == m_listedStamps) return;
  QStringList selected;
  for (int row : m_projectList->SelectedRows()) selected.append(m_projectList->PathAt(row));
  const QString current = m_projectList->PathAt(m_projectList->currentRow());
  FillProjectList(false);
  for (const QString& path : selected) {
    if (QListWidgetItem* item = m_projectList->item(m_projectList->RowOfPath(path))) {
      item->setSelected(true);
    }
  }
  const int currentRow = m_projectList->RowOfPath(current);
  if (currentRow >= 0) {
    m_projectList->setCurrentRow(currentRow, QItemSelectionModel::NoUpdate);
  }
}

void CClientFrame::HighlightProject(int32_t uniqueNumber) {
  m_highlighted.insert(uniqueNumber);
  if (!m_flow) FillProjectList(false);
}

void CClientFrame::ShowProjectMenu(const QPoint& globalPosition) {
  QMenu menu(this);
  QAction* remove = menu.addAction(Text("System.Delete"));
  m_projectMenuTick = CServices::Instance().TickCount();
  m_projectMenuTicked = true;
  if (menu.exec(globalPosition) == remove) PostCommand(kCmdDeleteProject);
}

void CClientFrame::DeleteSelectedProjects() {
  if (!m_projectList->isVisible() || m_flow) return;
  const QList<int> rows = m_projectList->SelectedRows();
  if (rows.isEmpty()) return;
  // The files are named now: the list may be read again while the question is open (a project
  // arriving in the data folder), and a row number would then name another project.
  QStringList paths;
  for (int row : rows) paths.append(m_projectList->PathAt(row));
  const QString question = rows.size() == 1
                               ? FillPlaceholder(Text("Project.ConfirmDeleteProjectMessage"),
                                                 m_projectList->TitleAt(rows.first()))
                               : FillPlaceholder(Text("Project.ConfirmDeleteMultipleProjects"),
                                                 QString::number(rows.size()));
  if (Ask(question) != kIdYes) return;
  for (const QString& path : paths) {
    // The listed name may end in any case (".PPC"); the database goes only with its project.
    if (QFile::remove(path)) QFile::remove(CSessionDatabase::DatabasePath(path));
  }
  FillProjectList(false);
}

// ---------------------------------------------------------------------------------------------
// projects

void CClientFrame::OpenProject(const QString& path) {
  if (!m_flow) {
    if (path.isEmpty()) return;
    // A file that cannot be opened at all fails the load quietly; a damaged one shows its own
    // message from the loader, so only the first case is reported here.
    {
      QFile file(path);
      if (!file.open(QIODevice::ReadOnly)) {
        CLanguage::Instance().MessageByKey(QStringLiteral("Project.CantOpen"), kMbIconExclamation);
        return;
      }
    }
    m_flow = CEditingFlow::Open(path, &m_settings);
    if (!m_flow) return;
    AttachAutomation();
    m_flow->SetDisplay(m_pageView);
    m_listFilter = CSession::kStateActive;
    m_filterBar->SetSelected(0);
    m_sessionList->ResetSort();
  }
  const CProject& project = m_flow->Project();
  m_highlighted.remove(project.GetHeader().uniqueNumber);

  m_header->SetTitle(project.GetHeader().title);
  m_header->SetBackVisible(true);
  ShowOnly({m_header});

  CSessionDatabase* db = Database();
  if (!db) {
    // A project whose database was refused is open, but offers neither a list nor editing.
    m_buttons->SetButtons({{Text("Toolbar.NewSession"), kCmdNewSession, false},
                           {Text("System.Menu"), kCmdMenu, false}});
    return;
  }
  if (!path.isEmpty()) m_flow->Purge();
  ShowSessionList();
}

void CClientFrame::ReleaseProject() {
  // The list reads the project's database while it has rows: it lets go first.
  m_sessionList->Rebuild(nullptr, nullptr);
  if (m_flow) {
    m_flow->Abandon();
    m_flow->SetDisplay(nullptr);
  }
  m_pageView->SetPage(nullptr, false);
  if (m_flow && m_automation) {
    // The project's objects are disconnected and its controls let go while it still exists.
    m_automation->CloseProject(&m_flow->Project());
    CCustomPointHost::ReleaseControls(m_flow->Project());
  }
  m_flow.reset();
}

void CClientFrame::AttachAutomation() {
  if (!m_automation) {
    if (CAutomationServer* server = CAutomationServer::Instance()) {
      m_automation = server->Root();
    } else {
      m_ownAutomation = std::make_unique<CAutomationRoot>();
      m_automation = m_ownAutomation.get();
    }
    // IProject.Synchronise of the open project is this window's own sync command.
    m_automation->SetSyncPoster([this](CProject* project) {
      if (project == nullptr || project != Project()) return false;
      PostCommand(kCmdSynchronise);
      return true;
    });
    m_customPoints = std::make_unique<CCustomPointHost>(m_automation, [] {
      CTWKFApp* app = CTWKFApp::Instance();
      return app != nullptr && app->RegisterCustomPointLibraries();
    });
    m_automation->SetProjectOpener([this](const QString& path) { return OpenProjectFor(path); });
  }
  m_automation->AddOpenProject(m_flow.get());
  m_customPoints->CreateControls(m_flow->Project());
}

CProject* CClientFrame::OpenProjectFor(const QString& path) {
  if (m_flow && QFileInfo(m_flow->Project().Path()) == QFileInfo(path)) return &m_flow->Project();
  // One project at a time: another one opens only when nothing of the open one is in use (the
  // caller may be a control of its pages).
  if (m_flow && (IsEditing() || m_flow->Project().IsNotifying())) return nullptr;
  if (m_flow) CloseProject();
  if (m_flow) return nullptr;
  OpenProject(path);
  return m_flow ? &m_flow->Project() : nullptr;
}

void CClientFrame::CloseProject() {
  if (!m_flow || IsEditing()) return;
  m_sessionList->SaveColumnWidths();
  ReleaseProject();
  FillProjectList(false);
}

// ---------------------------------------------------------------------------------------------
// the session list

void CClientFrame::SetListButtons() {
  m_buttons->SetButtons(
      {{Text("Toolbar.NewSession"), kCmdNewSession, m_listFilter == CSession::kStateActive},
       {Text("System.Menu"), kCmdMenu, true}});
}

void CClientFrame::ShowSessionList() {
  if (!m_flow) return;
  CSessionDatabase* db = Database();
  if (!db) return;
  const CProject& project = m_flow->Project();
  m_header->SetTitle(project.GetHeader().title);
  m_header->SetBackVisible(true);
  if (db->IsOpen() && !db->InTransaction() && m_listFilter <= CSession::kStateDeleted &&
      db->ShownState() != m_listFilter) {
    db->SetShownState(m_listFilter);
    if (!db->Refresh()) {
      // A database that cannot list shows no rows; the filter bar stays as it was.
      m_sessionList->Rebuild(nullptr, nullptr);
      ShowOnly({m_header, m_filterBar, m_sessionList});
      SetListButtons();
      return;
    }
  }
  m_filterBar->SetCounts(static_cast<uint32_t>(db->StateCount(0)),
                         static_cast<uint32_t>(db->StateCount(1)),
                         static_cast<uint32_t>(db->StateCount(2)));
  m_filterBar->SetSelected(static_cast<int>(m_listFilter));
  m_sessionList->Rebuild(&m_flow->Project(), db);
  ShowOnly({m_header, m_filterBar, m_sessionList});
  SetListButtons();
  m_sessionList->setFocus();
}

void CClientFrame::OnFilterChosen(int segment) {
  if (!m_flow || IsEditing() || segment < 0 || segment > 2) return;
  if (static_cast<uint32_t>(segment) == m_listFilter) return;
  m_sessionList->SaveColumnWidths();
  m_listFilter = static_cast<uint32_t>(segment);
  ShowSessionList();
}

void CClientFrame::OnSessionActivated(const QUuid& guid) {
  if (m_menuTicked && CServices::Instance().TickCount() - m_listMenuTick < kMenuGraceMs) return;
  StartEditing(guid, nullptr);
}

void CClientFrame::ShowListMenu(const QPoint& globalPosition) {
  const int selected = m_sessionList->SelectedCount();
  const bool connected = Connection() == ConnectionState::kAuthenticated;
  const bool active = m_listFilter == CSession::kStateActive;
  QMenu menu(this);
  const auto add = [&menu, this](const char* key, uint32_t command, bool enabled) {
    QAction* action = menu.addAction(Text(key));
    action->setData(command);
    action->setEnabled(enabled);
  };
  if (selected != 1) {
    add(QLT_KEY("Buttons.Sync"), kCmdSynchronise, connected && active);
    add(QLT_KEY("Toolbar.ConnectButton"), kCmdConnect,
        Connection() != ConnectionState::kAuthenticated);
    add(QLT_KEY("Toolbar.Disconnect"), kCmdDisconnect, Connection() != ConnectionState::kIdle);
    menu.addSeparator();
    add(QLT_KEY("Buttons.DeleteAllLong"), kCmdDelete, true);
    add(QLT_KEY("Buttons.MarkAllLong"), kCmdMark, active);
    add(QLT_KEY("Buttons.UnmarkAllLong"), kCmdUnmark, active);
  } else {
    add(QLT_KEY("Buttons.Send"), kCmdSend, connected && active && selected > 0);
    add(QLT_KEY("Buttons.DuplicateLong"), kCmdDuplicate, !m_flow->DuplicationPrevented());
    add(QLT_KEY("Buttons.Delete"), kCmdDelete, true);
    add(QLT_KEY("Buttons.MarkLong"), kCmdMark, active);
    add(QLT_KEY("Buttons.UnmarkLong"), kCmdUnmark, active);
  }
  m_listMenuTick = CServices::Instance().TickCount();
  m_menuTicked = true;
  m_menu = &menu;
  QAction* chosen = menu.exec(globalPosition);
  m_menu = nullptr;
  if (chosen) PostCommand(chosen->data().toUInt());
}

void CClientFrame::MarkSessions(bool mark) {
  CSessionDatabase* db = Database();
  if (!db || IsEditing() || m_listFilter != CSession::kStateActive) return;
  // The list's rows are the database list's entries, flags included: no search per session,
  // which would make marking every row of a long list quadratic.
  const QList<int> selected = m_sessionList->SelectedRows();
  const int count = selected.isEmpty() ? db->ListCount() : static_cast<int>(selected.size());
  if (count == 0) return;
  QList<QPair<QUuid, uint32_t>> changes;
  for (int i = 0; i < count; ++i) {
    const int row = selected.isEmpty() ? i : selected[i];
    const QUuid guid = db->ListGuidAt(row);
    const uint32_t flags = db->ListFlagsAt(row);
    const uint32_t changed = mark ? flags | CSession::kFlagMarked : flags & ~CSession::kFlagMarked;
    if (!guid.isNull() && changed != flags) changes.append({guid, changed});
  }
  const bool own = db->BeginTransaction();
  bool ok = true;
  for (const auto& [guid, flags] : changes) ok = db->SetSessionFlags(guid, flags) && ok;
  if (own) db->EndTransaction(ok);
  ShowSessionList();
}

void CClientFrame::DeleteSessions() {
  CSessionDatabase* db = Database();
  if (!db || IsEditing() || m_flow->Project().GetHeader().noDelete != 0) return;
  QList<QUuid> guids = m_sessionList->SelectedGuids();
  if (guids.isEmpty()) guids = m_sessionList->AllGuids();
  if (guids.isEmpty()) return;
  const QString question = guids.size() == 1
                               ? Text("SessionList.ConfirmDeleteSelectionSingular")
                               : FillPlaceholder(Text("SessionList.ConfirmDeleteSelectionPlural"),
                                                 QString::number(guids.size()));
  if (Ask(question) != kIdYes) return;
  const bool erase = m_listFilter == CSession::kStateDeleted || m_flow->PurgeDays() == 0;
  const bool own = db->BeginTransaction();
  bool ok = true;
  for (const QUuid& guid : guids) {
    ok = (erase ? db->DeleteSession(guid) : db->SetSessionState(guid, CSession::kStateDeleted)) &&
         ok;
  }
  // Every row goes, or none does.
  if (own) db->EndTransaction(ok);
  ShowSessionList();
}

// ---------------------------------------------------------------------------------------------
// the editing flow

void CClientFrame::ShowEditingButtons() {
  m_buttons->SetButtons({{Text("Button.Previous"), kCmdPrevious, true},
                         {Text("Button.Next"), kCmdNext, true},
                         {Text("Button.Finish"), kCmdFinish, true}});
  ShowOnly({m_pageView});
  UpdatePageButtons();
  m_pageView->setFocus();
}

bool CClientFrame::StartEditing(const QUuid& guid, CSession* session,
                                const QHash<QString, QString>* arguments) {
  // A project without a usable database offers no editing.
  if (!m_flow || !Database() || IsEditing()) return false;
  if (!m_flow->Start(guid, session, arguments)) return false;
  ShowEditingButtons();
  return true;
}

int CClientFrame::ShownPageIndex() const { return m_flow ? m_flow->ShownPageIndex() : -1; }

void CClientFrame::UpdatePageButtons() {
  m_buttons->EnableButton(kCmdPrevious, m_flow && m_flow->FindVisiblePage(-1) >= 0);
  m_buttons->EnableButton(kCmdNext, m_flow && m_flow->FindVisiblePage(1) >= 0);
  m_buttons->EnableButton(kCmdFinish, true);
}

void CClientFrame::PreviousPage() {
  if (IsEditing()) m_flow->PreviousPage();
}

void CClientFrame::NextPage() {
  if (IsEditing()) m_flow->NextPage();
}

bool CClientFrame::Finish() {
  if (!IsEditing() || !Database()) return true;
  const CEditingFlow::FinishOutcome outcome = m_flow->Finish();
  switch (outcome.result) {
    case CEditingFlow::FinishResult::kRefused:
      return false;
    case CEditingFlow::FinishResult::kNotSaved:
      UpdatePageButtons();
      return false;
    case CEditingFlow::FinishResult::kNotEditing:
    case CEditingFlow::FinishResult::kSaved:
      break;
  }
  // The next session is a new, active one: the list it returns to shows the active sessions.
  if (outcome.startNext && m_listFilter != CSession::kStateActive) {
    m_sessionList->SaveColumnWidths();
    m_listFilter = CSession::kStateActive;
  }
  ShowSessionList();
  if (outcome.send) Synchronise(nullptr, true);
  if (outcome.startNext) PostCommand(kCmdNewSession);
  return true;
}

void CClientFrame::DuplicateSelected() {
  if (!Database() || IsEditing()) return;
  const QList<QUuid> selected = m_sessionList->SelectedGuids();
  if (selected.size() != 1) return;
  CSessionPtr clone = m_flow->Duplicate(selected.first());
  if (!clone) return;
  m_listFilter = CSession::kStateActive;
  m_filterBar->SetSelected(0);
  StartEditing(QUuid(), clone.data());
}
