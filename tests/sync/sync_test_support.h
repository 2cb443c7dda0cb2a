// Shared pieces of the connection tests: a fixture with scoped services and a tick counter the
// test moves, a connection made for a loopback server, and a listener that records what the
// online phase delivers. The test's thread.
#pragma once

#include <gtest/gtest.h>

#include <QList>
#include <memory>

#include "app/services.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/test_sync_server.h"
#include "sync/connection.h"
#include "sync/net_message.h"

namespace qlt::test {

class CRecordingListener : public CConnection::CListener {
 public:
  bool Dispatch(CNetMessage& message) override {
    messages.append(message);
    return !failDispatch;
  }
  void OnAuthenticating() override { ++authenticating; }
  void OnClosed() override { ++closed; }

  QList<CNetMessage> messages;
  bool failDispatch = false;
  int authenticating = 0;
  int closed = 0;
};

class ConnectionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_services.Services().SetTickCounter([this] { return m_ticks; });
  }

  static CHandshake::Identity Unit() {
    return {QStringLiteral("Unit-7"), QByteArray(20, 'k'), QStringLiteral("1.2.3"),
            QStringLiteral("Debian 12"), QStringLiteral("Board")};
  }

  // Settings for a direct connection to `server` (or through it as a relay, with `relay`).
  static CConnectionSettings SettingsFor(const CTestSyncServer& server, bool relay = false) {
    CConnectionSettings s;
    const CTestSyncServer::Options& o = const_cast<CTestSyncServer&>(server).GetOptions();
    s.password = o.password;
    s.encryption = o.secondVariant || o.encrypt;
    if (relay) {
      s.server = QStringLiteral("$") + o.relayName;
      s.relayHosts[0] = QStringLiteral("127.0.0.1");
      s.relayHosts[1] = QStringLiteral("localhost");
      s.relayPort = server.Port();
    } else {
      s.server = QStringLiteral("127.0.0.1:%1").arg(server.Port());
    }
    return s;
  }

  std::unique_ptr<CConnection> Make(const CConnectionSettings& settings,
                                    uint32_t translationChecksum = 0) {
    auto connection = std::make_unique<CConnection>(settings, Unit(), translationChecksum);
    connection->SetListener(&m_listener);
    connection->SetEnabled(true);
    return connection;
  }

  // Runs the event loop until the connection reaches `state` (or has given up: idle after a
  // start counts as given up only when `state` is not idle).
  static bool WaitFor(CConnection& connection, CConnection::State state) {
    return ProcessEventsUntil([&] { return connection.GetState() == state; });
  }
  // Runs the event loop until the connection is idle, with the failure of a test that waits.
  static bool WaitIdle(CConnection& connection) { return WaitFor(connection, CConnection::kIdle); }

  QStringList Shown() const {
    QStringList texts;
    for (const auto& m : m_services.Messages().Messages()) texts.append(m.text);
    return texts;
  }

  void Advance(uint32_t ms) { m_ticks += ms; }

  CScopedServices m_services;
  uint32_t m_ticks = 0xFFFF0000u;  // near the wrap, so every difference crosses it
  CRecordingListener m_listener;
};

}  // namespace qlt::test
