#include "sync_command.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <memory>

#include "app/app_folders.h"
#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "app/twkf_app.h"
#include "app/unit_identity.h"
#include "platform/settings_store.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/online_router.h"
#include "sync/server_requests.h"
#include "sync/sync_host.h"
#include "sync/sync_run.h"
#include "tool_arguments.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "qlt sync: %s\n", text.toUtf8().constData());
}

void PrintLine(const QString& text) {
  std::fprintf(stdout, "%s\n", text.toUtf8().constData());
  std::fflush(stdout);
}

// What the server asks of the main window, answered without one: no project is ever open here.
class CHeadlessHost : public CSyncHost {
 public:
  CHeadlessHost(QString dataFolder, CSettingsStore& settings, CConnection*& connection)
      : m_dataFolder(std::move(dataFolder)), m_settings(settings), m_connection(connection) {}

  QString DataFolder() const override { return m_dataFolder; }
  QString OpenProjectName() const override { return QString(); }
  bool IsEditingSession() const override { return false; }
  void CloseProject() override {}
  bool OpenProject(const QString&) override { return true; }
  void RefreshProjectList() override { PrintLine(QStringLiteral("project files changed")); }
  void RefreshProjectView() override { PrintLine(QStringLiteral("sessions received")); }
  void PlaySound(int) override {}
  void StoreUnitId(const QString& unitId) override {
    m_settings.WriteString(QStringLiteral("Unit"), QStringLiteral("ID"), unitId);
    if (m_connection) m_connection->SetUnitId(unitId);
    PrintLine(QStringLiteral("unit ID: %1").arg(unitId));
  }

 private:
  QString m_dataFolder;
  CSettingsStore& m_settings;
  CConnection*& m_connection;
};

// One run's progress as lines on stdout; its refusals as the reason of the failure. Questions
// get the answer a script wants: update the project, do not retry a locked one.
class CConsoleView : public CSyncRun::CView {
 public:
  void SetStatus(const QString& text) override {
    if (text != m_lastStatus) PrintLine(text);
    m_lastStatus = text;
  }
  int Ask(const QString& key, unsigned style) override {
    const QString text = CLanguage::Instance().Translate(key);
    if ((style & kMbButtonMask) == kMbYesNo) {
      PrintLine(QStringLiteral("%1 yes").arg(text));
      return kIdYes;
    }
    m_failure = text.isEmpty() ? key : text;
    return kIdCancel;
  }
  void OnEnded() override { m_ended = true; }

  bool Ended() const { return m_ended; }
  const QString& Failure() const { return m_failure; }

 private:
  QString m_lastStatus;
  QString m_failure;
  bool m_ended = false;
};

// The project files to synchronise: the named ones (in the data folder, by file name only), or
// every installed one.
bool ChooseProjects(const QString& dataFolder, const QStringList& named, QStringList& paths) {
  const QDir folder(dataFolder);
  if (named.isEmpty()) {
    for (const QString& name :
         folder.entryList({QStringLiteral("*.ppc")}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
      paths.append(folder.filePath(name));
    }
    return true;
  }
  for (const QString& name : named) {
    if (!CServerRequests::IsSafeName(name) ||
        !name.endsWith(QLatin1String(".ppc"), Qt::CaseInsensitive)) {
      PrintError(QStringLiteral("\"%1\" is not the file name of a project (NAME.ppc)").arg(name));
      return false;
    }
    if (!QFileInfo(folder.filePath(name)).isFile()) {
      PrintError(QStringLiteral("no project \"%1\" is installed in %2").arg(name, dataFolder));
      return false;
    }
    paths.append(folder.filePath(name));
  }
  return true;
}

}  // namespace

int CSyncCommand::Main(const QStringList& arguments) {
  Options options;
  if (!ParseArguments(arguments, options)) {
    PrintUsage(stderr, false);
    return kExitUsage;
  }
  if (options.help) {
    PrintUsage(stdout, true);
    return kExitOk;
  }
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());
  return Run(options);
}

bool CSyncCommand::ParseArguments(const QStringList& arguments, Options& options) {
  CToolArguments reader(arguments);
  while (reader.Next()) {
    const QString& argument = reader.Current();
    if (reader.IsHelp()) {
      options.help = true;
      return true;
    }
    if (!reader.IsOption()) {
      PrintError(QStringLiteral("unexpected argument \"%1\"").arg(argument));
      return false;
    }
    if (argument == u"--send-all"_qs) {
      options.sendAll = true;
      continue;
    }
    static const QStringList kValued = {u"--project"_qs, u"--server"_qs, u"--password"_qs,
                                        u"--encryption"_qs, u"--timeout"_qs};
    if (!kValued.contains(argument)) {
      PrintError(QStringLiteral("unknown option \"%1\"").arg(argument));
      return false;
    }
    QString value;
    if (!reader.TakeValue(value)) {
      PrintError(QStringLiteral("option %1 needs a value").arg(argument));
      return false;
    }
    if (argument == u"--project"_qs) {
      options.projects.append(value);
    } else if (argument == u"--server"_qs) {
      options.server = value;
    } else if (argument == u"--password"_qs) {
      options.password = value;
    } else if (argument == u"--encryption"_qs) {
      if (value != u"0"_qs && value != u"1"_qs) {
        PrintError(QStringLiteral("--encryption takes 0 or 1, not \"%1\"").arg(value));
        return false;
      }
      options.encryption = value == u"1"_qs;
    } else {
      bool ok = false;
      options.timeoutSeconds = value.toInt(&ok);
      if (!ok || options.timeoutSeconds < 1 || options.timeoutSeconds > 86400) {
        PrintError(
            QStringLiteral("--timeout takes seconds from 1 to 86400, not \"%1\"").arg(value));
        return false;
      }
    }
  }
  return true;
}

int CSyncCommand::Run(const Options& options) {
  const QString programFolder = CAppFolders::ProgramFolder();
  const QString dataFolder = CAppFolders::DataFolder(programFolder);
  QStringList projectPaths;
  if (!ChooseProjects(dataFolder, options.projects, projectPaths)) return kExitUsage;

  CSettingsStore store(CSettingsStore::DefaultFilePath());
  CConnectionSettings settings = CConnectionSettings::Load(store);
  if (options.server) settings.server = *options.server;
  if (options.password) settings.password = *options.password;
  if (options.encryption) settings.encryption = *options.encryption;
  settings.onDemand = false;  // one connection for every project of this run
  if (settings.server.trimmed().isEmpty()) {
    PrintError(
        QStringLiteral("no server is set: give --server, or set one in the client's Settings"));
    return kExitFailure;
  }

  const CUnitIdentity unit = CUnitIdentity::Establish(
      store, store.ReadString(QStringLiteral("Unit"), QStringLiteral("ID"),
                              QString::fromLatin1(CUnitIdentity::kDefaultId)));
  CHandshake::Identity identity;
  identity.unitId = unit.Id();
  identity.unitKey = unit.Key();
  identity.version = CTWKFApp::VersionText();
  identity.operatingSystem = CTWKFApp::OperatingSystemDescription();
  identity.hardware = CTWKFApp::HardwareDescription();

  CConnection connection(settings, identity, CLanguage::Instance().Checksum());
  CConnection* connectionRef = &connection;
  CHeadlessHost host(dataFolder, store, connectionRef);
  CServerRequests requests(host, [&](const CNetMessage& m) { return connection.Send(m); });
  COnlineRouter router(connection, &store);
  router.SetFallback([&](CNetMessage& message) { return requests.Handle(message); });
  requests.SetHooks({[&](const QString& name) {
                       if (CSyncRun* run = router.ActiveRun()) run->ForgetProject(name);
                     },
                     [&](const QString& name, uint32_t unique) {
                       if (CSyncRun* run = router.ActiveRun())
                         run->OnProjectInstalled(name, unique);
                     }});
  connection.SetListener(&router);
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { connection.Tick(); });
  ticker.start(1000);

  QElapsedTimer clock;
  clock.start();
  const qint64 deadline = qint64(options.timeoutSeconds) * 1000;
  bool timedOut = false;
  QString failure;
  router.SetModal([&](CSyncRun& run) {
    CConsoleView view;
    run.SetView(&view);
    run.Start();
    // A connection that falls back to idle before the run ends did not get through (the reason
    // has been shown); waiting for its next attempt would only reach the timeout.
    const QMetaObject::Connection watch =
        QObject::connect(&connection, &CConnection::stateChanged, [&] {
          if (connection.GetState() == CConnection::kIdle && !run.IsEnded()) {
            if (failure.isEmpty()) {
              failure = CLanguage::Instance().Translate(QStringLiteral("Network.ErrorConnecting"));
            }
            run.Cancel();
          }
        });
    while (!run.IsEnded()) {
      if (clock.elapsed() >= deadline) {
        timedOut = true;
        run.Cancel();
        break;
      }
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 200);
    }
    QObject::disconnect(watch);
    if (!view.Failure().isEmpty()) {
      failure = view.Failure();
    } else if (run.QueueLength() > 0 && failure.isEmpty()) {
      failure = QStringLiteral("%1 of %2 sessions of %3 were not acknowledged")
                    .arg(run.QueueLength())
                    .arg(run.Total())
                    .arg(run.ProjectName());
    }
  });

  connection.SetEnabled(true);
  for (const QString& path : projectPaths) {
    if (timedOut) break;
    const QString name = QFileInfo(path).fileName();
    auto project = std::make_unique<CProject>();
    if (!project->Load(path)) {
      failure = QStringLiteral("the project %1 could not be loaded").arg(name);
      continue;
    }
    CSessionDatabase database(path);
    if (!database.Open()) {
      failure = QStringLiteral("the sessions of %1 could not be opened").arg(name);
      continue;
    }
    PrintLine(QStringLiteral("%1: %2").arg(CSyncRun::Title(), name));
    if (!router.StartSync(project.get(), &database, nullptr, false, options.sendAll)) {
      failure = CLanguage::Instance().Translate(QStringLiteral("Network.ErrorConnecting"));
      break;
    }
  }
  // Serve the server's own requests until it has been quiet for a while.
  while (!timedOut && connection.IsConnected() &&
         CServices::Instance().TickCount() - connection.LastReceive() < uint32_t(kQuietMs)) {
    if (clock.elapsed() >= deadline) timedOut = true;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 200);
  }
  connection.SetListener(nullptr);
  connection.Disconnect(true);
  if (timedOut && failure.isEmpty()) {
    failure = QStringLiteral("timed out after %1 seconds").arg(options.timeoutSeconds);
  }
  if (!failure.isEmpty()) {
    PrintError(failure);
    return kExitFailure;
  }
  return kExitOk;
}

void CSyncCommand::PrintUsage(std::FILE* out, bool full) {
  std::fputs(
      "usage: qlt sync [--project NAME.ppc]... [--send-all] [--server ADDRESS]\n"
      "                [--password TEXT] [--encryption 0|1] [--timeout SECONDS]\n",
      out);
  if (!full) return;
  std::fputs(
      "\n"
      "Synchronises installed projects with the server, as the client's Synchronise does,\n"
      "over the client's data folder and settings. It sends the sessions marked for sending\n"
      "(every active one with --send-all), takes the sessions and project files the server\n"
      "pushes, and ends when every queue is empty and the server has been silent for two\n"
      "seconds, or at the timeout. One line per step goes to stdout.\n"
      "\n"
      "options:\n"
      "  --project NAME.ppc  a project of the data folder (repeatable; default: every one)\n"
      "  --send-all          send every active session, marked or not\n"
      "  --server ADDRESS    the server (host:port, or relay$name) for this run only\n"
      "  --password TEXT     the password for this run only\n"
      "  --encryption 0|1    encryption off or on for this run only\n"
      "  --timeout SECONDS   give up after this long (default 120)\n"
      "\n"
      "Values given here are never written to the settings.\n"
      "exit status: 0 every session sent was acknowledged, 1 a failure (the reason on\n"
      "stderr), 2 bad usage\n",
      out);
}
