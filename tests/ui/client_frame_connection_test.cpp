// The frame's connection: the button follows the state, Connect and Disconnect work against a
// loopback server, the window stays responsive while a server stalls, and closing disconnects.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/services.h"
#include "platform/settings_store.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/test_sync_server.h"
#include "sync/connection.h"
#include "ui/client_button_bar.h"
#include "ui/client_frame.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::CTestSyncServer;
using qlt::test::ProcessEventsUntil;

class FrameConnectionTest : public ::testing::Test {
 protected:
  std::unique_ptr<CClientFrame> MakeFrame(const CTestSyncServer& server) {
    const QString section = QStringLiteral("Settings");
    m_settings.WriteString(section, QStringLiteral("Server"),
                           QStringLiteral("127.0.0.1:%1").arg(server.Port()));
    m_settings.WriteString(section, QStringLiteral("Password"), QStringLiteral("secret"));
    return std::make_unique<CClientFrame>(m_settings, m_data.path());
  }

  static QString ButtonText(const CClientFrame& frame) {
    return frame.ButtonBar()->Buttons().value(0).text;
  }

  CScopedServices m_services{CScopedServices::Clock::kWall};
  QTemporaryDir m_data;
  CSettingsStore m_settings{CSettingsStore::DefaultFilePath()};
};

TEST_F(FrameConnectionTest, TheButtonFollowsTheConnectionAndItsCommandsWork) {
  CTestSyncServer server;
  auto frame = MakeFrame(server);
  frame->show();
  const uint32_t first = frame->ButtonBar()->Buttons().value(0).command;
  EXPECT_EQ(first, CClientFrame::kCmdDisconnect);  // connecting at once
  EXPECT_EQ(ButtonText(*frame), CScopedServices::Text("Toolbar.Connecting"));
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return ButtonText(*frame) == CScopedServices::Text("Toolbar.Connected"); }));
  EXPECT_EQ(frame->Connection(), CClientFrame::ConnectionState::kAuthenticated);

  QTest::mouseClick(frame->ButtonBar(), Qt::LeftButton, {},
                    frame->ButtonBar()->ButtonRect(CClientFrame::kCmdDisconnect).center());
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return ButtonText(*frame) == CScopedServices::Text("Toolbar.Connect"); }));
  EXPECT_TRUE(frame->ServerConnection().IsEnabled());

  QTest::mouseClick(frame->ButtonBar(), Qt::LeftButton, {},
                    frame->ButtonBar()->ButtonRect(CClientFrame::kCmdConnect).center());
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return ButtonText(*frame) == CScopedServices::Text("Toolbar.Connected"); }));
  EXPECT_EQ(server.Connections(), 2);

  frame.reset();
  EXPECT_TRUE(ProcessEventsUntil([&] { return server.ClientClosed(); }));
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(FrameConnectionTest, AStalledServerLeavesTheWindowResponsive) {
  qlt::test::CTestSyncOptions o;
  o.silent = true;
  CTestSyncServer server(o);
  auto frame = MakeFrame(server);
  frame->show();
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return frame->ServerConnection().GetState() == CConnection::kServerHello; }));
  // Half a frame header, then nothing: a click is still handled at once.
  server.SendRaw(QByteArray("TWK", 3));
  QTest::mouseClick(frame->ButtonBar(), Qt::LeftButton, {},
                    frame->ButtonBar()->ButtonRect(CClientFrame::kCmdDisconnect).center());
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return frame->Connection() == CClientFrame::ConnectionState::kIdle; }));
  EXPECT_EQ(ButtonText(*frame), CScopedServices::Text("Toolbar.Connect"));
}

}  // namespace
