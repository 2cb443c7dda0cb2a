// `qlt server` run as the built tool, with real client connections speaking to it over loopback.
#include <gtest/gtest.h>

#include <QDir>
#include <QTcpServer>
#include <optional>

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
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"

namespace {

using qlt::test::CToolProcess;
using qlt::test::ProcessEventsUntil;
using qlt::test::RunQlt;

constexpr uint32_t kUnique = 4242;
constexpr uint32_t kRevision = 3;
const QString kProject = QStringLiteral("Site.ppc");

// Keeps what the server sends and, when asked, answers its inventory request as a unit would.
class CUnitListener : public CConnection::CListener {
 public:
  bool Dispatch(CNetMessage& message) override {
    if (message.Code() == SyncCode::kProjectInventoryRequest && connection) {
      CNetMessage inventory(SyncCode::kProjectInventory);
      inventory.WriteU32(SyncCode::kInventoryCountsMarker);
      inventory.WriteU8(1);
      inventory.WriteU32(1);
      inventory.WriteString(kProject);
      inventory.WriteU32(kUnique);
      inventory.WriteU32(2);
      inventory.WriteU8(SyncCode::kInventoryEnd);
      connection->Send(inventory);
    }
    messages.append(message);
    return true;
  }
  // The messages with this code so far.
  QList<CNetMessage> WithCode(uint32_t code) const {
    QList<CNetMessage> found;
    for (const CNetMessage& message : messages) {
      if (message.Code() == code) found.append(message);
    }
    return found;
  }

  QList<CNetMessage> messages;
  CConnection* connection = nullptr;
};

// A unit connected to the server.
struct Unit {
  std::unique_ptr<CConnection> connection;
  CUnitListener listener;
};

class ServerCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = qlt::test::TestHome() + QStringLiteral("/server");
    ASSERT_TRUE(QDir().mkpath(m_dir));
    CProject project;
    project.MutableHeader().uniqueNumber = static_cast<int32_t>(kUnique);
    project.MutableHeader().revision = static_cast<int32_t>(kRevision);
    project.MutableHeader().title = QStringLiteral("Site");
    // A point, so the server must know the point types to read the file.
    qlt::test::AddPoint<CEditPoint>(project.AddPage(), u"site"_qs, u"Site"_qs);
    m_projectBytes = project.SaveToBytes();
    ASSERT_TRUE(qlt::test::WriteFileBytes(m_dir + u'/' + kProject, m_projectBytes));
  }

  // Starts the server with the options and reads its port from the first line.
  void Start(CToolProcess& server, QStringList options) {
    options << QStringLiteral("--data") << m_dir << QStringLiteral("--port") << u"0"_qs;
    ASSERT_TRUE(server.Start(QStringLiteral("qlt"), QStringList{u"server"_qs} + options));
    QByteArray line;
    ASSERT_TRUE(server.ReadLine(line)) << server.Err().toStdString();
    bool ok = false;
    m_port = line.toUShort(&ok);
    ASSERT_TRUE(ok && m_port > 0) << line.toStdString();
  }

  // Connects a unit and waits until it is online (or has given up).
  void Connect(Unit& unit, const QString& unitId, const QString& password, bool encryption) {
    CConnectionSettings settings;
    settings.server = QStringLiteral("127.0.0.1:%1").arg(m_port);
    settings.password = password;
    settings.encryption = encryption;
    settings.requestPush = false;  // the tests ask for pushed sessions themselves
    const CHandshake::Identity identity{unitId, QByteArray(20, 'k'), QStringLiteral("1.0"),
                                        QStringLiteral("Debian 12"), QStringLiteral("Board")};
    unit.connection = std::make_unique<CConnection>(settings, identity, 0);
    unit.listener.connection = unit.connection.get();
    unit.connection->SetListener(&unit.listener);
    unit.connection->SetEnabled(true);
    ASSERT_TRUE(unit.connection->Connect());
    ProcessEventsUntil([&] {
      return unit.connection->IsConnected() || unit.connection->GetState() == CConnection::kIdle;
    });
  }

  // Sends a message and waits for the next one with `code`; null when none came.
  static std::optional<CNetMessage> Ask(Unit& unit, const CNetMessage& message, uint32_t code) {
    const qsizetype before = unit.listener.WithCode(code).size();
    if (!unit.connection->Send(message)) return std::nullopt;
    if (!ProcessEventsUntil([&] { return unit.listener.WithCode(code).size() > before; })) {
      return std::nullopt;
    }
    CNetMessage answer = unit.listener.WithCode(code)[before];
    answer.Rewind();
    return answer;
  }

  static CNetMessage NameMessage(uint32_t code, const QString& name, uint32_t unique) {
    CNetMessage message(code);
    message.WriteString(name);
    message.WriteU32(unique);
    return message;
  }

  // Sends a session for the project and returns the acknowledgement's status (GUID checked).
  static int SendSession(Unit& unit, const CSession& session, const QString& name = kProject,
                         uint32_t unique = kUnique) {
    CNetMessage message = NameMessage(SyncCode::kSession, name, unique);
    message.WriteBytes(session.WriteArchive());
    const auto answer = Ask(unit, message, SyncCode::kSessionAcknowledgement);
    if (!answer) return -1;
    CNetMessage ack = *answer;
    QString ackName;
    uint32_t ackUnique = 0;
    uint16_t status = 0;
    QByteArray guid;
    ack.ReadString(ackName);
    ack.ReadU32(ackUnique);
    ack.ReadU16(status);
    EXPECT_EQ(ackName, name);
    EXPECT_EQ(ackUnique, unique);
    if (status == SyncCode::kAccepted) {
      EXPECT_TRUE(ack.ReadBytes(16, guid));
      EXPECT_EQ(guid, CSession::GuidBytes(session.Guid()));
    }
    EXPECT_FALSE(ack.Failed());
    return status;
  }

  QString Listed() const {
    const auto run = RunQlt({u"sessions"_qs, u"list"_qs, m_dir + u'/' + kProject});
    EXPECT_EQ(run.exitCode, 0) << run.Err();
    return QString::fromUtf8(run.out);
  }

  qlt::test::CScopedServices m_services;
  QString m_dir;
  QByteArray m_projectBytes;
  uint16_t m_port = 0;
};

TEST_F(ServerCommandTest, EveryVariantStoresTheSessionsOfSeveralUnitsForTheSessionsList) {
  struct Case {
    const char* variant;
    const char* encryption;
    bool encrypted;
  };
  for (const Case& c : {Case{"1", "0", false}, Case{"1", "1", true}, Case{"2", "1", true}}) {
    SCOPED_TRACE(std::string("variant ") + c.variant + " encryption " + c.encryption);
    QDir(m_dir).remove(CSessionDatabase::DatabasePath(kProject));
    CToolProcess server;
    Start(server, {u"--variant"_qs, QString::fromLatin1(c.variant), u"--encryption"_qs,
                   QString::fromLatin1(c.encryption), u"--password"_qs, u"pa55"_qs});
    Unit first;
    Unit second;
    Connect(first, u"Unit-1"_qs, u"pa55"_qs, c.encrypted);
    Connect(second, u"Unit-2"_qs, u"pa55"_qs, c.encrypted);
    ASSERT_TRUE(first.connection->IsConnected()) << m_services.Messages().Messages().size();
    ASSERT_TRUE(second.connection->IsConnected());
    EXPECT_EQ(first.connection->IsEncrypted(), c.encrypted);
    EXPECT_FALSE(server.WaitForLine("unit Unit-2 online").isEmpty());

    const CSessionPtr one = qlt::test::NewSession({{"site", CVariant::FromString(u"North"_qs)}});
    const CSessionPtr two = qlt::test::NewSession({{"site", CVariant::FromString(u"South"_qs)}});
    EXPECT_EQ(SendSession(first, *one), SyncCode::kAccepted);
    EXPECT_EQ(SendSession(second, *two), SyncCode::kAccepted);
    // Sent again after a lost acknowledgement: the server keeps one copy.
    EXPECT_EQ(SendSession(second, *two), SyncCode::kAccepted);
    EXPECT_EQ(server.Stop(), 0) << server.Err().toStdString();
    EXPECT_EQ(server.Lines().last(), "stopped");

    const QString listed = Listed();
    EXPECT_TRUE(listed.contains(one->GuidText())) << listed.toStdString();
    EXPECT_EQ(listed.count(two->GuidText()), 1) << listed.toStdString();
  }
}

TEST_F(ServerCommandTest, RefusalsStoreNothing) {
  CToolProcess server;
  Start(server, {u"--password"_qs, u"right"_qs});
  Unit wrong;
  Connect(wrong, u"Unit-9"_qs, u"wrong"_qs, true);
  EXPECT_FALSE(wrong.connection->IsConnected());
  EXPECT_FALSE(wrong.connection->IsEnabled());
  EXPECT_FALSE(server.WaitForLine("refused unit Unit-9 (handshake result 2)").isEmpty());

  Unit unit;
  Connect(unit, u"Unit-1"_qs, u"right"_qs, true);
  ASSERT_TRUE(unit.connection->IsConnected());
  const CSessionPtr session = qlt::test::NewSession({{"site", CVariant::FromString(u"X"_qs)}});
  // No such project, a hostile name, another project under the same name, an unreadable session.
  EXPECT_EQ(SendSession(unit, *session, u"Other.ppc"_qs), SyncCode::kProjectNotOpen);
  EXPECT_EQ(SendSession(unit, *session, u"../server/Site.ppc"_qs), SyncCode::kProjectNotOpen);
  EXPECT_EQ(SendSession(unit, *session, kProject, kUnique + 1), SyncCode::kProjectUnavailable);
  CNetMessage damaged = NameMessage(SyncCode::kSession, kProject, kUnique);
  damaged.WriteBytes("not a session");
  const auto answer = Ask(unit, damaged, SyncCode::kSessionAcknowledgement);
  ASSERT_TRUE(answer);
  CNetMessage ack = *answer;
  QString name;
  uint32_t unique = 0;
  uint16_t status = 0;
  ack.ReadString(name);
  ack.ReadU32(unique);
  ack.ReadU16(status);
  EXPECT_EQ(status, SyncCode::kProjectUnavailable);
  EXPECT_EQ(ack.Remaining(), 0);
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_FALSE(QFile::exists(CSessionDatabase::DatabasePath(m_dir + u'/' + kProject)));
  EXPECT_FALSE(QFile::exists(m_dir + u"/Other.ppd"_qs));
}

TEST_F(ServerCommandTest, ProjectChecksUpdatesPushesAndTheInventory) {
  // One session waiting to be pushed, one already delivered.
  const QString pushProject = m_dir + u"/push/"_qs + kProject;
  ASSERT_TRUE(QDir().mkpath(m_dir + u"/push"_qs));
  // A copy of the project beside them, so `qlt sessions` can read the push database too.
  ASSERT_TRUE(qlt::test::WriteFileBytes(pushProject, m_projectBytes));
  const CSessionPtr waiting = qlt::test::NewSession({{"site", CVariant::FromString(u"W"_qs)}});
  const CSessionPtr delivered = qlt::test::NewSession({{"site", CVariant::FromString(u"D"_qs)}});
  {
    CSessionDatabase push(pushProject);
    ASSERT_TRUE(push.Open());
    ASSERT_TRUE(push.SaveSession(*waiting));
    delivered->SetState(CSession::kStateSent);
    ASSERT_TRUE(push.SaveSession(*delivered));
  }

  CToolProcess server;
  Start(server, {u"--variant"_qs, u"1"_qs, u"--inventory"_qs});
  Unit unit;
  Connect(unit, u"Unit-5"_qs, QString(), true);
  ASSERT_TRUE(unit.connection->IsConnected());
  EXPECT_EQ(server.WaitForLine("inventory of unit Unit-5"),
            "#1 inventory of unit Unit-5: 1 project(s): Site.ppc (unique 4242, 2 active)");

  struct Check {
    QString name;
    uint32_t unique;
    uint32_t revision;
    uint16_t status;
  };
  for (const Check& c :
       {Check{kProject, kUnique, kRevision, SyncCode::kAccepted},
        Check{kProject, kUnique, kRevision + 1, SyncCode::kAccepted},
        Check{kProject, kUnique, kRevision - 1, SyncCode::kAcceptedUpdateAvailable},
        Check{kProject, kUnique + 1, kRevision, SyncCode::kProjectUnavailable},
        Check{u"Nope.ppc"_qs, kUnique, kRevision, SyncCode::kProjectNotOpen}}) {
    SCOPED_TRACE(c.name.toStdString() + " revision " + std::to_string(c.revision));
    CNetMessage check = NameMessage(SyncCode::kProjectCheck, c.name, c.unique);
    check.WriteU32(c.revision);
    auto answer = Ask(unit, check, SyncCode::kProjectCheckAnswer);
    ASSERT_TRUE(answer);
    QString name;
    uint32_t unique = 0;
    uint16_t status = 0;
    answer->ReadString(name);
    answer->ReadU32(unique);
    answer->ReadU16(status);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(unique, c.unique);
    EXPECT_EQ(status, c.status);
  }

  // The update is the server's file, byte for byte.
  auto file = Ask(unit, NameMessage(SyncCode::kProjectUpdateRequest, kProject, kUnique),
                  SyncCode::kProjectFile);
  ASSERT_TRUE(file);
  QString name;
  uint32_t unique = 0;
  uint16_t status = 0;
  file->ReadString(name);
  file->ReadU32(unique);
  file->ReadU16(status);
  EXPECT_EQ(status, SyncCode::kAccepted);
  EXPECT_EQ(unique, kUnique);
  EXPECT_EQ(file->ReadRest(), m_projectBytes);

  // The waiting session is pushed, then the end; once stored by the unit it is not pushed again.
  ASSERT_TRUE(
      Ask(unit, NameMessage(SyncCode::kRequestPushed, kProject, kUnique), SyncCode::kEndOfPushed));
  const QList<CNetMessage> pushed = unit.listener.WithCode(SyncCode::kPushedSession);
  ASSERT_EQ(pushed.size(), 1);
  CNetMessage push = pushed[0];
  push.Rewind();
  push.ReadString(name);
  push.ReadU32(unique);
  EXPECT_EQ(name, kProject);
  CSessionPtr received = CSession::Create(QString(), false);
  ASSERT_TRUE(received->ReadArchive(push.ReadRest()));
  EXPECT_EQ(received->Guid(), waiting->Guid());
  EXPECT_EQ(received->GetValueText(u"site"_qs), u"W"_qs);

  CNetMessage receipt = NameMessage(SyncCode::kPushedSessionReceipt, kProject, kUnique);
  receipt.WriteU16(SyncCode::kResultOk);
  receipt.WriteBytes(CSession::GuidBytes(waiting->Guid()));
  ASSERT_TRUE(unit.connection->Send(receipt));
  // Everything: the end for all projects comes with the empty name.
  auto end = Ask(unit, NameMessage(SyncCode::kRequestPushed, QString(), 0), SyncCode::kEndOfPushed);
  ASSERT_TRUE(end);
  end->ReadString(name);
  EXPECT_TRUE(name.isEmpty());
  EXPECT_EQ(unit.listener.WithCode(SyncCode::kPushedSession).size(), 1);
  EXPECT_EQ(server.Stop(), 0);
  const auto sent = RunQlt({u"sessions"_qs, u"list"_qs, pushProject, u"--state"_qs, u"sent"_qs});
  EXPECT_TRUE(QString::fromUtf8(sent.out).contains(waiting->GuidText())) << sent.Err();
}

TEST_F(ServerCommandTest, HelpBadUsageAndABusyPort) {
  const auto help = RunQlt({u"help"_qs, u"server"_qs});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("DIR/push/NAME.ppd")) << help.out.toStdString();
  const QStringList data{u"--data"_qs, m_dir};
  for (const QStringList& arguments :
       {QStringList{}, QStringList{u"--port"_qs, u"1"_qs},
        data + QStringList{u"--port"_qs, u"x"_qs}, data + QStringList{u"--port"_qs, u"70000"_qs},
        data + QStringList{u"--variant"_qs, u"3"_qs},
        data + QStringList{u"--encryption"_qs, u"0"_qs},
        data + QStringList{u"--encryption"_qs, u"yes"_qs, u"--variant"_qs, u"1"_qs},
        data + QStringList{u"--relay"_qs}, data + QStringList{u"extra"_qs}}) {
    SCOPED_TRACE(arguments.join(u' ').toStdString());
    const auto run = RunQlt(QStringList{u"server"_qs} + arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("usage: qlt server")) << run.Err();
  }
  QTcpServer busy;
  ASSERT_TRUE(busy.listen(QHostAddress::LocalHost, 0));
  const auto run =
      RunQlt(QStringList{u"server"_qs, u"--port"_qs, QString::number(busy.serverPort())} + data);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains("cannot listen")) << run.Err();
  EXPECT_TRUE(run.out.isEmpty());
}

}  // namespace
