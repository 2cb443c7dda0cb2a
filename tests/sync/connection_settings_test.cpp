#include "sync/connection_settings.h"

#include <gtest/gtest.h>

#include "platform/settings_store.h"
#include "support/harness.h"

namespace {

CSettingsStore TestStore() {
  return CSettingsStore(qlt::test::TestHome() + QStringLiteral("/settings.conf"));
}

TEST(ServerAddress, FormsReadAsHostPortOrRelayName) {
  struct Case {
    const char* server;
    bool relay;
    const char* host;
    const char* relayName;
    int port;
  } const cases[] = {
      {"10.0.0.5", false, "10.0.0.5", "", 2001},
      {"10.0.0.5:2002", false, "10.0.0.5", "", 2002},
      {"sync.example:80:90", false, "sync.example", "", 80},
      {"host:", false, "host", "", 0},
      {"host:abc", false, "host", "", 0},
      {"host:12x", false, "host", "", 12},
      {":5000", false, "", "", 5000},
      {"", false, "", "", 2001},
      {"$Depot1", true, "", "Depot1", 2001},
      {"$Depot:1", true, "", "Depot:1", 2001},
      {"$", true, "", "", 2001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server);
    const CServerAddress a = CServerAddress::Parse(QString::fromUtf8(c.server));
    EXPECT_EQ(a.relay, c.relay);
    EXPECT_EQ(a.host, QString::fromUtf8(c.host));
    EXPECT_EQ(a.relayName, QString::fromUtf8(c.relayName));
    EXPECT_EQ(a.port, c.port);
  }
}

TEST(ConnectionSettings, MissingEntriesTakeTheirDefaults) {
  const CConnectionSettings s = CConnectionSettings::Load(TestStore());
  EXPECT_TRUE(s.server.isEmpty());
  EXPECT_FALSE(s.onDemand);
  EXPECT_TRUE(s.encryption);
  EXPECT_TRUE(s.requestPush);
  EXPECT_FALSE(s.autoNew);
  EXPECT_FALSE(s.autoOld);
  EXPECT_EQ(s.connectTimeout, 15000u);
  EXPECT_EQ(s.reconnectDelay, 15000u);
  EXPECT_EQ(s.idleTimeout, 130000u);
  EXPECT_EQ(s.idlePing, 60000u);
  EXPECT_FALSE(s.relayHosts[0].isEmpty());
  EXPECT_NE(s.relayHosts[0], s.relayHosts[1]);
}

TEST(ConnectionSettings, AnyNonZeroReadsAsTrueAndSavedValuesReadBack) {
  CSettingsStore store = TestStore();
  ASSERT_TRUE(store.WriteInt(QStringLiteral("Settings"), QStringLiteral("Demand"), 7));
  ASSERT_TRUE(store.WriteInt(QStringLiteral("Settings"), QStringLiteral("Encryption"), 0));
  ASSERT_TRUE(store.WriteInt(QStringLiteral("Settings"), QStringLiteral("IdlePing"), 5000));
  CConnectionSettings s = CConnectionSettings::Load(store);
  EXPECT_TRUE(s.onDemand);
  EXPECT_FALSE(s.encryption);
  EXPECT_EQ(s.idlePing, 5000u);

  s.server = QStringLiteral("$Depot1");
  s.password = QStringLiteral("pässword");
  s.onDemand = false;
  s.autoOld = true;
  ASSERT_TRUE(s.Save(store));
  const CConnectionSettings back = CConnectionSettings::Load(store);
  EXPECT_EQ(back.server, s.server);
  EXPECT_EQ(back.password, s.password);
  EXPECT_FALSE(back.onDemand);
  EXPECT_TRUE(back.autoOld);
  EXPECT_FALSE(back.encryption);
}

}  // namespace
