// Command links carried out against a real data folder and real session databases: every
// command through the editing flow with a host without widgets, send/sessions through the router
// to the loopback server, and a table of hostile links that must touch nothing outside the data
// folder and delete nothing without asking.
#include "sync/command_link_runner.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <memory>

#include "app/message_service.h"
#include "editing/editing_flow.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "support/project_builder.h"
#include "support/scripted_message_service.h"
#include "sync/online_router.h"
#include "sync/sync_test_peer.h"
#include "sync/sync_test_support.h"

namespace qlt::test {
namespace {

constexpr int32_t kUnique = 4242;

// The window's part without widgets: the open project is an editing flow of its own.
class CHeadlessLinkHost : public CCommandLinkHost {
 public:
  explicit CHeadlessLinkHost(QString folder) : m_folder(std::move(folder)) {}
  QString DataFolder() const override { return m_folder; }
  CEditingFlow* Flow() const override { return m_flow.get(); }
  bool FinishEditing() override {
    if (m_flow && m_flow->IsEditing()) m_flow->Finish();
    return !m_flow || !m_flow->IsEditing();
  }
  void CloseProject() override {
    if (m_flow && !m_flow->IsEditing()) m_flow.reset();
    ++projectLists;
  }
  void OpenProject(const QString& path) override { m_flow = CEditingFlow::Open(path, nullptr); }
  bool StartEditing(const QUuid& guid, const QHash<QString, QString>& arguments) override {
    return m_flow && m_flow->Start(guid, nullptr, &arguments);
  }
  void OpenSettings(const QString& query) override { settingsQueries.append(query); }
  void RefreshProjectList() override { ++projectLists; }
  void RefreshSessionList() override { ++sessionLists; }

  QStringList settingsQueries;
  int projectLists = 0;
  int sessionLists = 0;

 private:
  QString m_folder;
  std::unique_ptr<CEditingFlow> m_flow;
};

class CommandLinkRunnerTest : public ConnectionFixture {
 protected:
  void SetUp() override {
    ConnectionFixture::SetUp();
    m_home = TestHome() + QStringLiteral("/links");
    m_data = m_home + QStringLiteral("/data");
    Populate();
    // No server is configured: a synchronisation cannot start unless a test serves one.
    m_connection = Make(CConnectionSettings());
    m_router = std::make_unique<COnlineRouter>(*m_connection, nullptr);
    m_connection->SetListener(m_router.get());
    m_host = std::make_unique<CHeadlessLinkHost>(m_data);
  }
  void TearDown() override {
    m_host.reset();
    m_router.reset();
    m_connection.reset();
    m_peer.reset();
    m_server.reset();
  }

  static void WriteProject(const QString& path, const QString& title) {
    CProject project;
    project.MutableHeader().title = title;
    project.MutableHeader().uniqueNumber = kUnique;
    project.MutableHeader().revision = 3;
    for (const char* name : {"Name", "Count"}) {
      CPage* page = project.AddPage();
      AddPoint<CEditPoint>(page, QString::fromLatin1(name), QString::fromLatin1(name));
    }
    project.SetPath(path);
    ASSERT_TRUE(project.Save());
  }

  // A fresh data folder with the survey (two sessions), a file that only looks like a project,
  // and projects and files outside it that no link may reach.
  void Populate() {
    QDir(m_home).removeRecursively();
    for (const QString& folder : {m_data, m_home + QStringLiteral("/outside")}) {
      ASSERT_TRUE(QDir().mkpath(folder));
    }
    WriteProject(Survey(), QStringLiteral("Site survey"));
    WriteProject(m_home + QStringLiteral("/outside/Victim.ppc"), QStringLiteral("Victim"));
    WriteProject(m_home + QStringLiteral("/Victim.ppc"), QStringLiteral("Victim"));
    for (const QString& name : {QStringLiteral("/data/Fake.ppc"), QStringLiteral("/secret.txt")}) {
      QFile file(m_home + name);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("not a project");
    }
    CSessionDatabase database(Survey());
    ASSERT_TRUE(database.Open());
    m_sessions.clear();
    for (int i = 0; i < 2; ++i) {
      CSessionPtr session = CSession::Create(QStringLiteral("Unit-1"), true);
      session->SetValueText(QStringLiteral("Name"), QStringLiteral("Stored %1").arg(i));
      session->AssignFlags(CSession::kFlagMarked);
      ASSERT_TRUE(database.SaveSession(*session));
      m_sessions.append(session->Guid());
    }
  }

  QString Survey() const { return m_data + QStringLiteral("/Site Inspection.ppc"); }
  QString Guid(int i) const { return m_sessions[i].toString(QUuid::WithoutBraces).toUpper(); }

  bool Run(const QString& line) {
    CCommandLinkRunner runner(*m_host, *m_router, nullptr);
    return runner.Run(line);
  }
  // The survey's sessions still stored (by index), read from the file.
  QList<int> Stored() {
    CSessionDatabase database(Survey());
    QList<int> stored;
    if (!database.Open()) return stored;
    for (int i = 0; i < m_sessions.size(); ++i) {
      if (database.LoadSession(m_sessions[i], false)) stored.append(i);
    }
    return stored;
  }
  uint32_t StateOf(int i) {
    CSessionDatabase database(Survey());
    if (!database.Open()) return 99;
    CSessionPtr session = database.LoadSession(m_sessions[i], false);
    return session ? session->State() : 99;
  }
  // Every file under the test's home with a hash of its bytes; session databases inside the data
  // folder by name only (opening one may touch its bytes).
  QMap<QString, QByteArray> Snapshot() const {
    QMap<QString, QByteArray> files;
    QDirIterator it(m_home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      QByteArray hash;
      const bool database = path.startsWith(m_data) && !path.endsWith(QLatin1String(".ppc"));
      QFile file(path);
      if (!database && file.open(QIODevice::ReadOnly)) {
        hash = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
      }
      files.insert(path, hash);
    }
    return files;
  }
  static QMap<QString, QByteArray> Outside(QMap<QString, QByteArray> files, const QString& data) {
    for (auto it = files.begin(); it != files.end();) {
      it = it.key().startsWith(data + u'/') ? files.erase(it) : std::next(it);
    }
    return files;
  }

  void Serve() {
    m_router.reset();
    m_connection.reset();
    m_server = std::make_unique<CTestSyncServer>();
    m_peer = std::make_unique<CSyncPeer>(*m_server);
    m_connection = Make(SettingsFor(*m_server));
    m_router = std::make_unique<COnlineRouter>(*m_connection, nullptr);
    m_connection->SetListener(m_router.get());
    m_router->SetModal([this](CSyncRun& run) {
      run.SetView(&m_view);
      run.Start();
      if (!ProcessEventsUntil([&] {
            m_peer->Pump();
            return run.IsEnded();
          })) {
        ADD_FAILURE() << "the run did not end";
        run.Cancel();
      }
    });
  }

  QString m_home;
  QString m_data;
  QList<QUuid> m_sessions;
  std::unique_ptr<CTestSyncServer> m_server;
  std::unique_ptr<CSyncPeer> m_peer;
  std::unique_ptr<CConnection> m_connection;
  std::unique_ptr<COnlineRouter> m_router;
  std::unique_ptr<CHeadlessLinkHost> m_host;
  CRecordingSyncView m_view;
};

TEST_F(CommandLinkRunnerTest, NewAndOpenSessionGoThroughTheEditingFlow) {
  // Jürgen with the ü as the two UTF-8 bytes, in quotes, the command in capitals, page 1.
  ASSERT_TRUE(
      Run(QStringLiteral("\"qlt://NEW/SESSION?project=Site%20Inspection.ppc&values="
                         "%7B%22Name%22%3A%22J%C3%BCrgen%22%2C%22Count%22%3A-01.5%7D"
                         "&page=1\"")));
  ASSERT_NE(m_host->Flow(), nullptr);
  ASSERT_TRUE(m_host->Flow()->IsEditing());
  EXPECT_EQ(m_host->Flow()->Session()->GetValueText(QStringLiteral("Name")),
            QStringLiteral("Jürgen"));
  EXPECT_EQ(m_host->Flow()->Session()->GetValueText(QStringLiteral("Count")),
            QStringLiteral("-01.5"));
  EXPECT_EQ(m_host->Flow()->ShownPageIndex(), 1);
  const QUuid fresh = m_host->Flow()->Session()->Guid();

  // The next link finishes that session first (it is saved), then opens a stored one; one in
  // braces opens nothing, and a trailing "s" on the command still opens.
  ASSERT_TRUE(
      Run(u"qlt://open/session?project=Site%20Inspection.ppc&session={%1}"_qs.arg(Guid(0))));
  EXPECT_FALSE(m_host->Flow()->IsEditing());
  EXPECT_TRUE(m_host->Flow()->Database()->LoadSession(fresh, false));
  ASSERT_TRUE(Run(u"qlt://open/sessions?project=Site%20Inspection.ppc&session=%1"_qs.arg(Guid(1))));
  ASSERT_TRUE(m_host->Flow()->IsEditing());
  EXPECT_EQ(m_host->Flow()->Session()->Guid(), m_sessions[1]);
  // Opening an active session takes back its mark at once.
  EXPECT_EQ(m_host->Flow()->Database()->LoadSession(m_sessions[1], false)->Flags(), 0u);
  EXPECT_EQ(m_host->Flow()->ShownPageIndex(), 0);
}

TEST_F(CommandLinkRunnerTest, DeleteLinksAskFirstAndDeleteOnlyWhatTheyName) {
  CScriptedMessageService& messages = m_services.Messages();
  // delete/session: one question with the number, No keeps, Yes deletes from the file.
  const QString sessions =
      u"qlt://delete/session?project=Site%20Inspection.ppc&session=%1&sessions=[\"%1\",\"%2\","
      "\"not a guid\"]"_qs.arg(Guid(0), Guid(1));
  messages.QueueAnswer(kIdNo);
  ASSERT_TRUE(Run(sessions));
  ASSERT_EQ(messages.Messages().size(), 1);
  EXPECT_EQ(messages.Messages()[0].text,
            QStringLiteral("Are you sure you want to delete the 2 selected sessions?"));
  EXPECT_EQ(messages.Messages()[0].style & kMbButtonMask, unsigned(kMbYesNo));
  EXPECT_EQ(Stored(), (QList<int>{0, 1}));
  messages.QueueAnswer(kIdYes);
  ASSERT_TRUE(Run(sessions));
  EXPECT_TRUE(Stored().isEmpty());
  EXPECT_EQ(m_host->projectLists, 1);  // no project open: the project list is rebuilt

  // delete/project: a file that is not a project, or is missing, asks nothing.
  messages.ClearMessages();
  ASSERT_TRUE(Run(QStringLiteral("qlt://delete/project?project=Fake.ppc&projects=[\"Gone.ppc\"]")));
  EXPECT_TRUE(messages.Messages().isEmpty());
  EXPECT_TRUE(QFile::exists(m_data + QStringLiteral("/Fake.ppc")));
  // The open project is closed first, each project asked about by its title (once).
  Run(QStringLiteral("qlt://new/session?project=Site%20Inspection.ppc"));
  ASSERT_TRUE(m_host->Flow());
  messages.QueueAnswer(kIdNo);
  ASSERT_TRUE(Run(QStringLiteral(
      "qlt://delete/project?project=Site%20Inspection.ppc&projects=[\"Site Inspection.ppc\"]")));
  EXPECT_EQ(m_host->Flow(), nullptr);
  ASSERT_EQ(messages.Messages().size(), 1);
  EXPECT_EQ(messages.Messages()[0].text,
            QStringLiteral("Are you sure you want to delete 'Site survey'?  All session data "
                           "will be lost."));
  EXPECT_TRUE(QFile::exists(Survey()));
  ASSERT_TRUE(Run(QStringLiteral("qlt://delete/project?project=Site%20Inspection.ppc")));
  EXPECT_FALSE(QFile::exists(Survey()));
  EXPECT_FALSE(QFile::exists(CSessionDatabase::DatabasePath(Survey())));
}

TEST_F(CommandLinkRunnerTest, SendSessionsRunsTheSynchronisationOfTheNamedSessionsOrTheProject) {
  Serve();
  ASSERT_TRUE(
      Run(u"qlt://send/sessions?project=Site%20Inspection.ppc&sessions=[\"%1\"]"_qs.arg(Guid(1))));
  EXPECT_EQ(m_peer->sent, (QList<QUuid>{m_sessions[1]}));
  EXPECT_EQ(StateOf(1), CSession::kStateSent);
  EXPECT_EQ(StateOf(0), CSession::kStateActive);
  EXPECT_EQ(m_host->projectLists, 1);

  // Without sessions, the project as a whole (its marked sessions), here while it is open.
  Run(QStringLiteral("qlt://new/session?project=Site%20Inspection.ppc"));
  Serve();
  ASSERT_TRUE(Run(QStringLiteral("qlt://send/sessions?project=Site%20Inspection.ppc")));
  EXPECT_FALSE(m_host->Flow()->IsEditing());  // the new session was finished first
  EXPECT_EQ(m_peer->sent, (QList<QUuid>{m_sessions[0]}));
  EXPECT_EQ(StateOf(0), CSession::kStateSent);
  EXPECT_EQ(m_host->sessionLists, 1);
}

TEST_F(CommandLinkRunnerTest, ConfigureHandsTheQueryToTheSettings) {
  ASSERT_TRUE(Run(QStringLiteral("qlt://Configure?server=host%3A1&unit=7")));
  ASSERT_TRUE(Run(QStringLiteral("qlt://configure")));
  EXPECT_EQ(m_host->settingsQueries,
            (QStringList{QStringLiteral("server=host%3A1&unit=7"), QString()}));
  EXPECT_FALSE(Run(QStringLiteral("QLT://configure")));
  EXPECT_EQ(m_host->settingsQueries.size(), 2);
}

// The hostile links: every command with names that leave the data folder (plain and encoded),
// control characters, long texts, option-like arguments, other schemes, broken GUIDs and
// repeated parameters.
QStringList HostileLinks() {
  const QString guid = QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E");
  const QStringList commands = {
      QStringLiteral("delete/project"),      QStringLiteral("DELETE/PROJECTS"),
      QStringLiteral("open/session"),        QStringLiteral("new/session"),
      QStringLiteral("delete/session"),      QStringLiteral("send/sessions"),
      QStringLiteral("x/delete/sessions/y"), QStringLiteral("unknown")};
  const QStringList projects = {
      QStringLiteral("../Victim.ppc"),
      QStringLiteral("..%2FVictim.ppc"),
      QStringLiteral("%2E%2E%2FVictim.ppc"),
      QStringLiteral("%2e%2e/outside/Victim.ppc"),
      QStringLiteral("..\\Victim.ppc"),
      QStringLiteral("..%5CVictim.ppc"),
      QStringLiteral("../outside/Victim.ppc"),
      QStringLiteral("%C0%AE%C0%AE%2FVictim.ppc"),
      QStringLiteral("%2Ftmp%2FVictim.ppc"),
      QStringLiteral("/etc/passwd"),
      QStringLiteral("Victim.ppc"),
      QStringLiteral("Fake.ppc"),
      QStringLiteral("Site%20Inspection.ppc%00.txt"),
      QStringLiteral("Site%20Inspection.ppc%0A"),
      QStringLiteral("Site%0D%0AInspection.ppc"),
      QStringLiteral("-rf.ppc"),
      QStringLiteral("--help"),
      QStringLiteral("Site%20Inspection.ppd"),
      QStringLiteral("%22Site%20Inspection.ppc%22"),
      QStringLiteral("~/Victim.ppc"),
      QStringLiteral(".ppc"),
      QString(65536, u'A') + QStringLiteral(".ppc"),
  };
  QStringList links;
  for (const QString& command : commands) {
    for (const QString& project : projects) {
      links.append(u"qlt://%1?project=%2&session=%3&sessions=[\"%3\"]&projects=[\"%2\"]"_qs.arg(
          command, project, guid));
    }
  }
  // Projects lists, GUIDs with and without braces, repeated and broken parameters.
  links += {
      u"qlt://delete/project?projects=[\"../Victim.ppc\",\"../outside/Victim.ppc\"]"_qs,
      u"qlt://delete/project?projects=%5B%22..%2FVictim.ppc%22%5D"_qs,
      u"qlt://delete/project?projects=[\"Fake.ppc\", \"Fake.ppc\"]"_qs,
      u"qlt://delete/project?project=&projects="_qs,
      u"qlt://delete/project?project"_qs,
      u"qlt://delete/project"_qs,
      u"qlt://delete/session?project=Site%20Inspection.ppc&session={"_qs + guid + u"}"_qs,
      u"qlt://delete/session?project=Site%20Inspection.ppc&sessions=[\"{"_qs + guid + u"}\"]"_qs,
      u"qlt://delete/session?project=Site%20Inspection.ppc&session="_qs + guid.left(35),
      u"qlt://delete/session?project=Site%20Inspection.ppc&session="_qs + guid + u"0"_qs,
      u"qlt://delete/session?project=Site%20Inspection.ppc&session=--"_qs + guid,
      u"qlt://delete/session?project=Site%20Inspection.ppc&sessions=[null]"_qs,
      u"qlt://delete/session?project=Site%20Inspection.ppc&sessions=[1e5]"_qs,
      u"qlt://delete/session?project=Site%20Inspection.ppc&sessions="_qs + QString(65536, u'['),
      u"qlt://delete/session?project=Site%20Inspection.ppc&sessions=[\"a\\u0000\"]"_qs,
      u"qlt://delete/session?project=../Victim.ppc&project=Site%20Inspection.ppc&session="_qs +
          guid,
      u"qlt://open/session?project=Site%20Inspection.ppc&session={"_qs + guid + u"}"_qs,
      u"qlt://open/session?project=Site%20Inspection.ppc&session=%7B"_qs + guid + u"%7D"_qs,
      u"qlt://open/session?project=Site%20Inspection.ppc&values="_qs + QString(65536, u'{'),
      u"qlt://new/session?project=Site%20Inspection.ppc&page=-1&values={\"Name\":null}"_qs,
      u"qlt://new/session?project=Site%20Inspection.ppc&page=99999999999999999999"_qs,
      u"qlt://new/session?project=Site%20Inspection.ppc&values={\"../x\":\"y\"}"_qs,
      u"qlt://send/sessions?project=Site%20Inspection.ppc&sessions=[\"--all\"]"_qs,
      u"qlt://send/sessions?project=-&sessions=-"_qs,
      u"qlt://configure/../delete/project?project=Site%20Inspection.ppc"_qs,
      u"QLT://delete/project?project=Site%20Inspection.ppc"_qs,
      u"Qlt://delete/session?project=Site%20Inspection.ppc&session="_qs + guid,
      u"http://delete/project?project=Site%20Inspection.ppc"_qs,
      u"file:///etc/passwd"_qs,
      u"javascript:alert(1)"_qs,
      u"qlt:/delete/project?project=Site%20Inspection.ppc"_qs,
      u"qlt:\\\\delete/project?project=Site%20Inspection.ppc"_qs,
      u" qlt://delete/project?project=Site%20Inspection.ppc"_qs,
      u"\"qlt://delete/project?project=../Victim.ppc\""_qs,
      u"\"\"qlt://delete/project?project=../Victim.ppc\"\""_qs,
      u"qlt://delete/project?project=../Victim.ppc\n"_qs,
      u"qlt://delete%2Fproject?project=Site%20Inspection.ppc"_qs,
      u"qlt://\ndelete/project?project=../Victim.ppc"_qs,
      u"--"_qs,
      u"-h"_qs,
      u"--version"_qs,
      u"-qlt://delete/project"_qs,
      QString(),
      u"\""_qs,
      u"qlt://"_qs,
      u"qlt://?"_qs,
      u"qlt://??&&=="_qs,
      u"qlt://"_qs + QString(65536, u'x'),
      u"qlt://delete/project?"_qs + QString(65536, u'&'),
      u"qlt://delete/project?project="_qs + QString(20000, u'%'),
      QString::fromUtf16(u"qlt://delete/project\0?project=Fake.ppc", 38),
  };
  return links;
}

TEST_F(CommandLinkRunnerTest, HostileLinksTouchNothingOutsideTheDataFolderAndNeverDeleteUnasked) {
  const QStringList links = HostileLinks();
  ASSERT_GE(links.size(), 200);
  CScriptedMessageService& messages = m_services.Messages();
  QMap<QString, QByteArray> pristine = Snapshot();
  for (const QString& link : links) {
    SCOPED_TRACE(link.left(160).toStdString());
    for (const int answer : {kIdNo, kIdYes}) {
      // Writing the folder again is what takes the time; only a changed one is.
      if (Snapshot() != pristine || Stored() != QList<int>{0, 1}) {
        Populate();
        pristine = Snapshot();
      }
      m_host = std::make_unique<CHeadlessLinkHost>(m_data);
      const QMap<QString, QByteArray> before = Snapshot();
      messages.ClearMessages();
      messages.SetDefaultAnswer(answer);
      Run(link);
      m_host.reset();  // closes what the link opened, unsaved
      const QMap<QString, QByteArray> after = Snapshot();
      EXPECT_EQ(Outside(after, m_data), Outside(before, m_data));
      bool asked = false;
      for (const auto& message : messages.Messages()) {
        asked = asked || (message.style & kMbButtonMask) == kMbYesNo;
      }
      if (answer == kIdNo || !asked) {
        EXPECT_EQ(after, before);
        EXPECT_EQ(Stored(), (QList<int>{0, 1}));
      }
    }
  }
  messages.SetDefaultAnswer(0);
}

}  // namespace
}  // namespace qlt::test
