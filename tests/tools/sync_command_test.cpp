// `qlt sync` run as the built tool against `qlt server`, both over real folders and loopback.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "points/edit_point.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/session_files.h"
#include "support/tool_runner.h"

namespace {

using qlt::test::CToolProcess;
using qlt::test::RunQlt;

const QString kProject = QStringLiteral("Site.ppc");

class SyncCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const QString home = qlt::test::TestHome();
    m_serverDir = home + QStringLiteral("/sync-server");
    // Where the client (and so `qlt sync`) keeps its projects, under the test's XDG folders.
    m_dataDir = home + QStringLiteral("/data/Brenmoor/QLT Client");
    m_settingsFile = home + QStringLiteral("/config/Brenmoor/QLT Client.conf");
    for (const QString& dir : {m_serverDir, m_dataDir}) {
      QDir(dir).removeRecursively();
      ASSERT_TRUE(QDir().mkpath(dir));
    }
    QFile::remove(m_settingsFile);
    CProject project;
    project.MutableHeader().uniqueNumber = 777;
    project.MutableHeader().revision = 1;
    qlt::test::AddPoint<CEditPoint>(project.AddPage(), u"site"_qs, u"Site"_qs);
    const QByteArray bytes = project.SaveToBytes();
    ASSERT_TRUE(qlt::test::WriteFileBytes(m_serverDir + u'/' + kProject, bytes));
    ASSERT_TRUE(qlt::test::WriteFileBytes(ClientProject(), bytes));

    CSessionDatabase database(ClientProject());
    ASSERT_TRUE(database.Open());
    m_marked = qlt::test::NewSession({{"site", CVariant::FromString(u"North"_qs)}});
    m_marked->SetFlags(CSession::kFlagMarked);
    m_unmarked = qlt::test::NewSession({{"site", CVariant::FromString(u"South"_qs)}});
    ASSERT_TRUE(database.SaveSession(*m_marked));
    ASSERT_TRUE(database.SaveSession(*m_unmarked));
  }

  QString ClientProject() const { return m_dataDir + u'/' + kProject; }

  void StartServer(const QStringList& options) {
    ASSERT_TRUE(m_server.Start(
        u"qlt"_qs,
        QStringList{u"server"_qs, u"--data"_qs, m_serverDir, u"--port"_qs, u"0"_qs} + options));
    QByteArray line;
    ASSERT_TRUE(m_server.ReadLine(line)) << m_server.Err().toStdString();
    m_address = QStringLiteral("127.0.0.1:%1").arg(QString::fromLatin1(line));
  }

  qlt::test::ToolRun Sync(const QStringList& options) {
    return RunQlt(QStringList{u"sync"_qs, u"--server"_qs, m_address, u"--timeout"_qs, u"60"_qs} +
                  options);
  }

  // The state of a client session (-1: gone).
  int ClientState(const CSession& session) {
    CSessionDatabase database(ClientProject());
    if (!database.Open()) return -2;
    const CSessionPtr loaded = database.LoadSession(session.Guid(), false);
    return loaded ? static_cast<int>(loaded->State()) : -1;
  }

  QString ServerListing() const {
    const auto run = RunQlt({u"sessions"_qs, u"list"_qs, m_serverDir + u'/' + kProject});
    return QString::fromUtf8(run.out);
  }

  qlt::test::CScopedServices m_services;
  CToolProcess m_server;
  QString m_serverDir;
  QString m_dataDir;
  QString m_settingsFile;
  QString m_address;
  CSessionPtr m_marked;
  CSessionPtr m_unmarked;
};

TEST_F(SyncCommandTest, SendsTheMarkedSessionsThenEveryActiveOneWithoutWritingTheSettings) {
  StartServer({u"--variant"_qs, u"1"_qs, u"--encryption"_qs, u"0"_qs, u"--password"_qs, u"pw"_qs});
  auto run = Sync({u"--password"_qs, u"pw"_qs, u"--encryption"_qs, u"0"_qs});
  ASSERT_EQ(run.exitCode, 0) << run.Err() << run.out.toStdString();
  EXPECT_TRUE(run.out.contains("1 of 1")) << run.out.toStdString();
  EXPECT_EQ(ClientState(*m_marked), 1);
  EXPECT_EQ(ClientState(*m_unmarked), 0);
  QString listed = ServerListing();
  EXPECT_TRUE(listed.contains(m_marked->GuidText())) << listed.toStdString();
  EXPECT_FALSE(listed.contains(m_unmarked->GuidText()));

  run = Sync({u"--password"_qs, u"pw"_qs, u"--encryption"_qs, u"0"_qs, u"--send-all"_qs,
              u"--project"_qs, kProject});
  ASSERT_EQ(run.exitCode, 0) << run.Err();
  EXPECT_EQ(ClientState(*m_unmarked), 1);
  EXPECT_TRUE(ServerListing().contains(m_unmarked->GuidText()));
  // The address and password given for the run never reach the client's settings.
  QFile settings(m_settingsFile);
  const QByteArray stored = settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray();
  EXPECT_FALSE(stored.contains("127.0.0.1")) << stored.toStdString();
  EXPECT_FALSE(stored.contains("pw"));
}

TEST_F(SyncCommandTest, FailuresExitOneWithTheReasonAndKeepTheSessionsMarked) {
  StartServer({u"--password"_qs, u"right"_qs});
  const auto refused = Sync({u"--password"_qs, u"wrong"_qs});
  EXPECT_EQ(refused.exitCode, 1) << refused.out.toStdString();
  EXPECT_FALSE(refused.err.isEmpty());
  EXPECT_EQ(ClientState(*m_marked), 0);

  EXPECT_EQ(m_server.Stop(), 0);
  const auto unreachable = Sync({u"--password"_qs, u"right"_qs});
  EXPECT_EQ(unreachable.exitCode, 1);
  EXPECT_FALSE(unreachable.err.isEmpty());
  CSessionDatabase database(ClientProject());
  ASSERT_TRUE(database.Open());
  const CSessionPtr stillMarked = database.LoadSession(m_marked->Guid(), false);
  ASSERT_TRUE(stillMarked);
  EXPECT_EQ(stillMarked->Flags() & CSession::kFlagMarked, CSession::kFlagMarked);
}

TEST_F(SyncCommandTest, BadUsageExitsTwo) {
  for (const QStringList& arguments :
       {QStringList{u"--frobnicate"_qs}, QStringList{u"--encryption"_qs, u"2"_qs},
        QStringList{u"--timeout"_qs, u"soon"_qs}, QStringList{u"--project"_qs, u"../Site.ppc"_qs},
        QStringList{u"--project"_qs, u"Missing.ppc"_qs}, QStringList{u"--server"_qs},
        QStringList{u"stray"_qs}}) {
    const auto run = RunQlt(QStringList{u"sync"_qs} + arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString() << run.Err();
  }
}

}  // namespace
