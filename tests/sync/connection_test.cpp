#include "sync/connection.h"

#include <QtEndian>

#include "sync/framing.h"
#include "sync/handshake.h"
#include "sync_test_support.h"

namespace qlt::test {
namespace {

using Options = CTestSyncServer::Options;
using Welcome = CTestSyncServer::Welcome;

CNetMessage Telegram(const QByteArray& bytes) {
  CNetMessage m(41);
  m.WriteBytes(bytes);
  return m;
}

class ConnectionTest : public ConnectionFixture {};

TEST_F(ConnectionTest, EveryVariantCompletesAndCarriesFramesBothWays) {
  struct Case {
    const char* name;
    bool second;
    bool encrypt;
    uint8_t identityFlags;
    const char* password;
    bool relay;
  } const cases[] = {
      {"first, plain", false, false, 0, "secret", false},
      {"first, encrypted", false, true, 0, "secret", false},
      {"first, encrypted, empty password", false, true, 0, "", false},
      {"first, encrypted, odd password", false, true, 0, "abcde", false},
      {"second, anonymous", true, true, 0, "secret", false},
      {"second, by unit", true, true, 8, "secret", false},
      {"second, by account", true, true, 16, "", false},
      {"second, by account with skipped block", true, true, 16 | 4, "pässwörd", false},
      {"second, through the relay", true, true, 16, "secret", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Options o;
    o.secondVariant = c.second;
    o.encrypt = c.encrypt;
    o.identityFlags = c.identityFlags;
    o.password = QString::fromUtf8(c.password);
    o.relay = c.relay;
    CTestSyncServer server(o);
    auto connection = Make(SettingsFor(server, c.relay));
    m_listener.messages.clear();
    ASSERT_TRUE(connection->Connect());
    ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline)) << Shown().join(u'|').toStdString();
    EXPECT_TRUE(server.ResponseHeld());
    EXPECT_EQ(server.SawHello(), !c.relay);
    EXPECT_EQ(connection->IsEncrypted(), c.second || c.encrypt);
    EXPECT_EQ(connection->HasFrameCheck(), c.second);
    if (c.relay) {
      EXPECT_EQ(server.LoginName(), QStringLiteral("Depot1"));
      EXPECT_TRUE(server.LoginProofHeld());
    }
    if (c.second) {
      EXPECT_EQ(server.IdentityMode(), c.identityFlags & 24);
      if (c.identityFlags & 16) {
        EXPECT_EQ(server.Identity(), CHandshake::AccountDigest(QStringLiteral("acme"), "unit-7"));
      } else if (c.identityFlags & 8) {
        EXPECT_EQ(server.Identity(), QByteArray("Unit-7"));
      }
    }
    // Pushed sessions are asked for on their own; then frames of every size cross both ways.
    for (const int size : {0, 1, 13, 14, 15, 16, 100000}) {
      EXPECT_TRUE(connection->Send(Telegram(QByteArray(size, 'a'))));
      server.SendSession(Telegram(QByteArray(size, 'b')));
    }
    ASSERT_TRUE(ProcessEventsUntil(
        [&] { return server.Received().size() == 8 && m_listener.messages.size() == 7; }));
    EXPECT_EQ(server.Received()[0].Code(), 32u);
    EXPECT_EQ(server.Received()[0].Payload(), QByteArray(5, '\0'));  // empty name, 0
    EXPECT_EQ(server.Received()[7].Payload(), QByteArray(100000, 'a'));
    EXPECT_EQ(m_listener.messages[6].Payload(), QByteArray(100000, 'b'));
    EXPECT_EQ(m_listener.messages[1].Payload(), QByteArray(1, 'b'));
    EXPECT_TRUE(Shown().isEmpty());
  }
}

TEST_F(ConnectionTest, HandshakeFailuresEndDisabledWithTheirOwnMessage) {
  const QString mismatch = CScopedServices::Text("Network.ProtocolMismatch");
  struct Case {
    const char* name;
    std::function<void(Options&)> server;
    std::function<void(CConnectionSettings&)> client;
    QString message;
  } const cases[] = {
      {"first variant, wrong password", [](Options& o) { o.secondVariant = false; },
       [](CConnectionSettings& s) { s.password = QStringLiteral("wrong"); },
       CScopedServices::Text("Network.WrongPassword")},
      {"second variant, wrong password", [](Options&) {},
       [](CConnectionSettings& s) { s.password = QStringLiteral("wrong"); },
       CScopedServices::Text("Network.WrongPassword")},
      {"wrong server proof",
       [](Options& o) {
         o.secondVariant = false;
         o.badProof = true;
       },
       {},
       mismatch},
      {"welcome of 48 bytes", [](Options& o) { o.welcome = Welcome::kShort48; }, {}, mismatch},
      {"welcome of 65 bytes", [](Options& o) { o.welcome = Welcome::kLong65; }, {}, mismatch},
      {"welcome with a bad check",
       [](Options& o) { o.welcome = Welcome::kBadCheck; },
       {},
       mismatch},
      {"welcome with another nonce",
       [](Options& o) { o.welcome = Welcome::kWrongNonce; },
       {},
       mismatch},
      {"result code 1", [](Options& o) { o.resultCode = 1; }, {}, mismatch},
      {"other result code",
       [](Options& o) { o.resultCode = 9; },
       {},
       QStringLiteral("Unable to handshake with server.")},
      {"result with the server's text",
       [](Options& o) {
         o.resultCode = 2;
         o.resultText = QStringLiteral("Unit blocked");
       },
       {},
       QStringLiteral("Unit blocked")},
      {"server encrypts, setting off",
       [](Options& o) {
         o.secondVariant = false;
         o.encrypt = true;
       },
       [](CConnectionSettings& s) { s.encryption = false; },
       CScopedServices::Text("Network.EncryptionIsOff")},
      {"setting on, server does not encrypt",
       [](Options& o) {
         o.secondVariant = false;
         o.encrypt = false;
       },
       [](CConnectionSettings& s) { s.encryption = true; },
       CScopedServices::Text("Network.EncryptionIsOn")},
      {"second variant direct, setting off", [](Options&) {},
       [](CConnectionSettings& s) { s.encryption = false; },
       CScopedServices::Text("Network.EncryptionIsOff")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Options o;
    c.server(o);
    CTestSyncServer server(o);
    CConnectionSettings settings = SettingsFor(server);
    if (c.client) c.client(settings);
    auto connection = Make(settings);
    m_services.Messages().ClearMessages();
    m_listener.messages.clear();
    ASSERT_TRUE(connection->Connect());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Shown().isEmpty(); }));
    EXPECT_EQ(Shown(), QStringList{c.message});
    EXPECT_EQ(connection->GetState(), CConnection::kIdle);
    EXPECT_FALSE(connection->IsEnabled());
    EXPECT_TRUE(m_listener.messages.isEmpty());
    EXPECT_FALSE(server.IsOnline() && server.Received().size() > 0);
  }
}

TEST_F(ConnectionTest, RelayErrorsRedirectsAndFirstVariantThroughTheRelay) {
  {
    SCOPED_TRACE("relay error");
    Options o;
    o.relay = true;
    o.relayError = QStringLiteral("No such depot");
    CTestSyncServer relay(o);
    auto connection = Make(SettingsFor(relay, true));
    ASSERT_TRUE(connection->Connect());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Shown().isEmpty(); }));
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("No such depot")});
    EXPECT_FALSE(connection->IsEnabled());
  }
  {
    SCOPED_TRACE("first variant through the relay");
    m_services.Messages().ClearMessages();
    Options o;
    o.relay = true;
    o.secondVariant = false;
    CTestSyncServer relay(o);
    auto connection = Make(SettingsFor(relay, true));
    ASSERT_TRUE(connection->Connect());
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Shown().isEmpty(); }));
    EXPECT_EQ(Shown(), QStringList{CScopedServices::Text("Network.ProtocolMismatch")});
  }
  {
    SCOPED_TRACE("redirect");
    m_services.Messages().ClearMessages();
    Options target;
    target.relay = true;
    CTestSyncServer second(target);
    Options o;
    o.relay = true;
    o.redirectPort = second.Port();
    CTestSyncServer first(o);
    CConnectionSettings settings = SettingsFor(first, true);
    auto connection = Make(settings);
    ASSERT_TRUE(connection->Connect());
    ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
    EXPECT_EQ(second.Connections(), 1);
    EXPECT_EQ(connection->RelayHost(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(connection->RelayPort(), second.Port());
    // A later failure leaves the redirect's host for the first relay host and its port; from
    // there the switch alternates.
    connection->SwitchRelayHost();
    EXPECT_EQ(connection->RelayHost(), settings.relayHosts[1]);
    connection->SwitchRelayHost();
    EXPECT_EQ(connection->RelayHost(), settings.relayHosts[0]);
    EXPECT_EQ(connection->RelayPort(), first.Port());
  }
}

TEST_F(ConnectionTest, UnresolvableHostsDisableADirectConnectionAndAlternateRelayHosts) {
  CConnectionSettings direct;
  direct.server = QStringLiteral("no-such-host.invalid:2001");
  auto connection = Make(direct);
  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(ProcessEventsUntil([&] { return !Shown().isEmpty(); }));
  EXPECT_EQ(Shown(),
            QStringList{CScopedServices::Text("Network.ErrorFailedToResolveServerAddress")});
  EXPECT_FALSE(connection->IsEnabled());

  m_services.Messages().ClearMessages();
  Options o;
  o.relay = true;
  CTestSyncServer relay(o);
  CConnectionSettings settings = SettingsFor(relay, true);
  settings.relayHosts[0] = QStringLiteral("relay-a.invalid");
  settings.relayHosts[1] = QStringLiteral("127.0.0.1");
  connection = Make(settings);
  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(WaitIdle(*connection));
  EXPECT_TRUE(connection->IsEnabled());
  EXPECT_EQ(connection->RelayHost(), QStringLiteral("127.0.0.1"));
  // The next attempt, made by the tick after the reconnect delay, uses the other host.
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kIdle);
  Advance(settings.reconnectDelay);
  connection->Tick();
  ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
  EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(ConnectionTest, TimeoutsPingsAndReconnectsFollowTheTickCounter) {
  Options o;
  o.silent = true;
  CTestSyncServer silent(o);
  const CConnectionSettings settings = SettingsFor(silent);
  auto connection = Make(settings);
  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(WaitFor(*connection, CConnection::kServerHello));
  Advance(settings.connectTimeout - 1);
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kServerHello);
  Advance(1);
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kIdle);
  EXPECT_TRUE(connection->IsEnabled());
  EXPECT_TRUE(Shown().isEmpty());

  CTestSyncServer server;
  CConnectionSettings live = SettingsFor(server);
  connection = Make(live);
  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
  ASSERT_TRUE(ProcessEventsUntil([&] { return server.Received().size() == 1; }));
  Advance(live.idlePing - 1);
  connection->Tick();
  Advance(1);
  connection->Tick();
  // One ping, answered by the server; the answer counts as received.
  ASSERT_TRUE(ProcessEventsUntil([&] { return server.Received().size() == 2; }));
  EXPECT_EQ(server.Received()[1].Code(), 0u);
  server.GetOptions().answerPings = false;
  // From the answer on nothing arrives: pings go out, and the idle time-out ends the connection.
  ASSERT_TRUE(ProcessEventsUntil([&] { return connection->LastReceive() == m_ticks; }));
  Advance(live.idleTimeout - 1);
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kOnline);
  ASSERT_TRUE(ProcessEventsUntil([&] { return server.Received().size() == 3; }));
  Advance(1);
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kIdle);

  // A continuous connection comes back after the reconnect delay; an on-demand one does not.
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kIdle);
  Advance(live.reconnectDelay);
  connection->Tick();
  ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
  EXPECT_EQ(server.Connections(), 2);
  connection->Settings().onDemand = true;
  connection->Disconnect(false);
  Advance(live.reconnectDelay);
  connection->Tick();
  EXPECT_EQ(connection->GetState(), CConnection::kIdle);
  EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(ConnectionTest, ServerPingIsAnsweredAndAClosedPeerIsRetriedQuietly) {
  CTestSyncServer server;
  auto connection = Make(SettingsFor(server));
  EXPECT_FALSE(connection->Send(Telegram("x")));  // idle
  ASSERT_TRUE(connection->Connect());
  EXPECT_FALSE(connection->Send(Telegram("x")));  // connecting: dropped, nothing queued
  ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
  server.SendSession(CNetMessage(0));
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return server.Received().size() == 2 && server.Received()[1].Code() == 1; }));
  EXPECT_TRUE(m_listener.messages.isEmpty());
  server.DropClient();
  ASSERT_TRUE(WaitIdle(*connection));
  EXPECT_TRUE(connection->IsEnabled());
  EXPECT_EQ(m_listener.closed, 1);
  EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(ConnectionTest, TranslationOfferOnlyForANewChecksum) {
  struct Case {
    uint32_t offered;
    uint32_t loaded;
    bool asked;
  } const cases[] = {{0x1234, 0x5678, true}, {0x1234, 0x1234, false}, {0, 0x5678, false}};
  for (const bool second : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << second << " " << c.offered);
      m_services.Messages().ClearMessages();
      Options o;
      o.secondVariant = second;
      o.translationChecksum = c.offered;
      CTestSyncServer server(o);
      CConnectionSettings settings = SettingsFor(server);
      settings.requestPush = false;
      auto connection = Make(settings, c.loaded);
      ASSERT_TRUE(connection->Connect());
      ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
      EXPECT_EQ(!Shown().isEmpty(), c.asked);
      if (c.asked) {
        ASSERT_TRUE(ProcessEventsUntil([&] { return server.Received().size() == 1; }));
        EXPECT_EQ(server.Received()[0].Code(), 81u);
      }
    }
  }
}

}  // namespace
}  // namespace qlt::test
