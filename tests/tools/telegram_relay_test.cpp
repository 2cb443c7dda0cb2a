// Telegrams between two clients through the built `qlt server`: a tap on one unit's send point
// fills the other unit's points, the sender gets nothing back, and a telegram for a project the
// server does not hold goes nowhere.
#include <gtest/gtest.h>

#include <QDir>

#include "app/services.h"
#include "points/edit_point.h"
#include "points/telegram.h"
#include "points/telegram_point.h"
#include "project/page.h"
#include "project/project.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/tool_runner.h"
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/telegram_link.h"

namespace {

using qlt::test::CToolProcess;
using qlt::test::ProcessEventsUntil;

// A unit with the project open: relayed telegrams go to it as the window's fallback hands them.
struct Unit : CConnection::CListener {
  bool Dispatch(CNetMessage& message) override {
    if (message.Code() == CTelegramLink::kTelegramFromServer) {
      ++telegrams;
      return CTelegramLink::Receive(message, &project);
    }
    return true;
  }
  CBasePoint* Point(const char* name) const {
    return project.FindPointByName(QString::fromLatin1(name));
  }

  CProject project;
  std::unique_ptr<CConnection> connection;
  int telegrams = 0;
};

class TelegramRelayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = qlt::test::TestHome() + QStringLiteral("/telegrams");
    ASSERT_TRUE(QDir().mkpath(m_dir));
    // Every unit has the same project: a site, a send point and a receive point.
    CProject project;
    project.MutableHeader().uniqueNumber = 77;
    CPage* page = project.AddPage();
    qlt::test::AddPoint<CEditPoint>(page, u"site"_qs);
    auto* gate = qlt::test::AddPoint<CTelegramPoint>(page, u"gate"_qs);
    gate->MutableSettings().fields = QStringList{u"site"_qs};
    gate->MutableSettings().showAlerts = 0;
    auto* watch = qlt::test::AddPoint<CTelegramPoint>(page, u"watch"_qs);
    watch->MutableSettings().send = 0;
    watch->MutableSettings().receive = 1;
    watch->MutableSettings().showAlerts = 0;
    m_projectBytes = project.SaveToBytes();
    ASSERT_TRUE(qlt::test::WriteFileBytes(m_dir + u"/Site.ppc"_qs, m_projectBytes));

    ASSERT_TRUE(
        m_server.Start(u"qlt"_qs, {u"server"_qs, u"--data"_qs, m_dir, u"--port"_qs, u"0"_qs}));
    QByteArray line;
    ASSERT_TRUE(m_server.ReadLine(line)) << m_server.Err().toStdString();
    m_port = line.toUShort();
    ASSERT_GT(m_port, 0);
  }

  void Connect(Unit& unit, const QString& unitId) {
    ASSERT_TRUE(unit.project.LoadFromBytes(m_projectBytes, m_dir + u"/Site.ppc"_qs));
    CConnectionSettings settings;
    settings.server = QStringLiteral("127.0.0.1:%1").arg(m_port);
    settings.requestPush = false;
    settings.encryption = true;
    const CHandshake::Identity identity{unitId, QByteArray(20, 'k'), u"1.0"_qs, u"Debian 12"_qs,
                                        u"Board"_qs};
    unit.connection = std::make_unique<CConnection>(settings, identity, 0);
    unit.connection->SetListener(&unit);
    unit.connection->SetEnabled(true);
    ASSERT_TRUE(unit.connection->Connect());
    ASSERT_TRUE(ProcessEventsUntil([&] { return unit.connection->IsConnected(); }));
    ASSERT_FALSE(
        m_server.WaitForLine(QStringLiteral("unit %1 online").arg(unitId).toUtf8()).isEmpty());
  }

  qlt::test::CScopedServices m_services;
  CToolProcess m_server;
  QString m_dir;
  QByteArray m_projectBytes;
  uint16_t m_port = 0;
};

TEST_F(TelegramRelayTest, ATapOnOneUnitFillsTheOtherUnitsPoints) {
  Unit north;
  Unit south;
  Connect(north, u"Unit-N"_qs);
  Connect(south, u"Unit-S"_qs);
  CServices::Instance().SetTelegramSender(
      std::make_unique<CTelegramLink>(*north.connection, [] { return u"Unit-N"_qs; }));

  north.Point("site")->AssignValue(CVariant::FromString(u"Quay 4"_qs));
  auto* gate = static_cast<CTelegramPoint*>(north.Point("gate"));
  ASSERT_TRUE(gate->SendTelegram());
  EXPECT_EQ(gate->OutputText(), u"Telegram Sent"_qs);
  ASSERT_TRUE(ProcessEventsUntil([&] { return south.telegrams == 1; }));
  EXPECT_EQ(south.Point("site")->OutputText(), u"Quay 4"_qs);
  EXPECT_EQ(south.Point("watch")->OutputText(), u"Telegram Received"_qs);
  EXPECT_FALSE(m_server.WaitForLine("telegram for Site.ppc from unit Unit-N relayed to 1 unit(s)")
                   .isEmpty());

  // A telegram for a project the server does not hold is dropped there; and the sender never got
  // its own telegram back.
  CNetMessage stray(CTelegramLink::kTelegramToServer);
  stray.WriteString(u"Other.ppc"_qs);
  stray.WriteU32(77);
  stray.WriteBytes(CTelegram(nullptr).WriteArchive());
  ASSERT_TRUE(north.connection->Send(stray));
  EXPECT_FALSE(m_server.WaitForLine("telegram for Other.ppc dropped").isEmpty());
  EXPECT_EQ(north.telegrams, 0);
  EXPECT_EQ(south.telegrams, 1);
  EXPECT_EQ(north.Point("watch")->OutputText(), QString());
  EXPECT_EQ(m_server.Stop(), 0) << m_server.Err().toStdString();
}

}  // namespace
