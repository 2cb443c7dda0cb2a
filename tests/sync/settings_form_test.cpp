// The settings dialog's rules without widgets: the address check, percent decoding and the
// configuration query, the values the dialog opens with, and what OK stores and restarts.
#include "sync/settings_form.h"

#include <gtest/gtest.h>

#include "platform/settings_store.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "sync/connection.h"
#include "sync/socket.h"

namespace {

using qlt::test::CScopedServices;

class SettingsFormTest : public ::testing::Test {
 protected:
  // A connection over `settings` whose attempts are counted and never get a socket.
  std::unique_ptr<CConnection> MakeConnection(CConnectionSettings settings = {}) {
    settings.relayHosts[0] = QStringLiteral("relay-a");
    settings.relayHosts[1] = QStringLiteral("relay-b");
    return std::make_unique<CConnection>(settings, CHandshake::Identity{}, 0, [this] {
      ++m_attempts;
      return std::unique_ptr<CSocket>();
    });
  }
  int StoredInt(const char* entry) const {
    return m_store.ReadInt(QStringLiteral("Settings"), QString::fromLatin1(entry), -1);
  }
  QString Stored(const char* entry, const char* section = "Settings") const {
    return m_store.ReadString(QString::fromLatin1(section), QString::fromLatin1(entry),
                              QStringLiteral("<none>"));
  }

  CScopedServices m_services;
  CSettingsStore m_store{qlt::test::TestHome() + QStringLiteral("/settings.conf")};
  int m_attempts = 0;
};

TEST(SettingsForm, AddressCheckTrimsAndRemovesTheForbiddenCharacters) {
  const struct {
    const char16_t* typed;
    const char16_t* kept;
  } cases[] = {
      {u"a/b?c", u"abc"},
      {u"$Depot 1", u"$Depot1"},
      {u"  sync-1.example:2002\t", u"sync-1.example:2002"},
      {u"!#%&\u20AC\u20B5\u00A3\u00A5^~|/()[]{}=+?,;@*\\\"' x", u"x"},
      {u"$relay:name.a-b", u"$relay:name.a-b"},
      {u"h\u00E9te_2", u"h\u00E9te_2"},
  };
  for (const auto& c : cases) {
    const QString typed = QString::fromUtf16(c.typed);
    SCOPED_TRACE(typed.toStdString());
    EXPECT_EQ(CSettingsForm::CleanAddress(typed), QString::fromUtf16(c.kept));
  }
}

TEST(SettingsForm, PercentDecodingAsTheQueryWritesIt) {
  const struct {
    const char* encoded;
    const char16_t* decoded;
  } cases[] = {
      {"a%20b", u"a b"},
      {"%C3%A9t%c3%a9", u"\u00E9t\u00E9"},
      {"%E2%82%AC5", u"\u20AC5"},
      {"a+b", u"a+b"},
      {"100%", u"100%"},
      {"a%2", u"a%2"},
      {"%41%4", u"A%4"},
      {"%zz%41", u"%zzA"},
      {"%4g", u"%4g"},
      {"%FF", u"\uFFFD"},
      {"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoded);
    EXPECT_EQ(CSettingsForm::PercentDecode(QString::fromLatin1(c.encoded)),
              QString::fromUtf16(c.decoded));
  }
}

TEST(SettingsForm, QueryPiecesNeedAKeyAndAnEqualsSign) {
  const auto pairs =
      CSettingsForm::ParseQuery(QStringLiteral("Server_ADDRESS=h%3A1&=x&lonely&b=c=d&&empty="));
  const QList<QPair<QString, QString>> expected = {
      {QStringLiteral("server_address"), QStringLiteral("h:1")},
      {QStringLiteral("b"), QStringLiteral("c=d")},
      {QStringLiteral("empty"), QString()},
  };
  EXPECT_EQ(pairs, expected);
}

TEST(SettingsForm, PurgeListHasItsThirtyEightEntriesAndTexts) {
  const QList<int> days = CSettingsForm::PurgeDayCounts();
  ASSERT_EQ(days.size(), 38);
  EXPECT_EQ(days.first(), 0);
  EXPECT_EQ(days[30], 30);
  EXPECT_EQ(days[31], 40);
  EXPECT_EQ(days.last(), 100);
  CScopedServices services;
  EXPECT_EQ(CSettingsForm::PurgeEntryText(0), CScopedServices::Text("Settings.PurgeImmediately"));
  EXPECT_EQ(CSettingsForm::PurgeEntryText(1), CScopedServices::Text("Settings.PurgeOneDay"));
  EXPECT_EQ(CSettingsForm::PurgeEntryText(7),
            CScopedServices::Text("Settings.PurgePluralDays").replace("%s", "7"));
  EXPECT_FALSE(CSettingsForm::PurgeEntryText(7).contains(QLatin1String("%s")));
}

TEST_F(SettingsFormTest, OpensWithTheConnectionsAddressAndTheStoredEntries) {
  const struct {
    const char* server;
    const char* address;
    int port;
  } cases[] = {
      {"10.0.0.5:2002", "10.0.0.5", 2002},
      {"10.0.0.5", "10.0.0.5", 2001},
      {"$Depot:1", "$Depot:1", 2001},
      {"", "", 2001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.server);
    CConnectionSettings s;
    s.server = QString::fromLatin1(c.server);
    const CSettingsForm form = CSettingsForm::Load(*MakeConnection(s), m_store, "U1");
    EXPECT_EQ(form.address, QString::fromLatin1(c.address));
    EXPECT_EQ(form.port, c.port);
  }
  CConnectionSettings s;
  s.onDemand = true;
  s.password = QStringLiteral("pw");
  m_store.WriteInt("Settings", "Dedupe", 5);
  m_store.WriteInt("Settings", "PurgeDays", 35);
  m_store.WriteInt("Settings", "Locked", 1);
  const CSettingsForm form = CSettingsForm::Load(*MakeConnection(s), m_store, "U1");
  EXPECT_FALSE(form.continuous);
  EXPECT_EQ(form.password, QStringLiteral("pw"));
  EXPECT_EQ(form.unitId, QStringLiteral("U1"));
  EXPECT_TRUE(form.dedupe);
  EXPECT_TRUE(form.locked);
  EXPECT_EQ(form.purgeDays, CSettingsForm::kNoPurgeEntry);
  m_store.WriteInt("Settings", "PurgeDays", 90);
  EXPECT_EQ(CSettingsForm::Load(*MakeConnection(), m_store, "U1").purgeDays, 90);
}

TEST_F(SettingsFormTest, ConfigurationQueryFillsTheFormAndStoresOnlyTheLock) {
  CSettingsForm form;
  form.ApplyQuery(QStringLiteral("server_address=10.0.0.5&server_port=3000&encryption=0&"
                                 "purge_days=7&unit_id=Van%203&server_password=p%26w&"
                                 "AUTO_CONNECT=0&push_sessions=0&auto_send_new=1&"
                                 "auto_send_old=1&prevent_duplicate=1&colour=red"),
                  m_store);
  EXPECT_EQ(form.address, QStringLiteral("10.0.0.5"));
  EXPECT_EQ(form.port, 3000);
  EXPECT_FALSE(form.encryption);
  EXPECT_EQ(form.purgeDays, 7);
  EXPECT_EQ(form.unitId, QStringLiteral("Van 3"));
  EXPECT_EQ(form.password, QStringLiteral("p&w"));
  EXPECT_FALSE(form.continuous);
  EXPECT_FALSE(form.requestPush);
  EXPECT_TRUE(form.autoNew && form.autoOld && form.dedupe);
  EXPECT_EQ(Stored("Server"), QStringLiteral("<none>"));

  // Values a key cannot take leave things as they were.
  form.ApplyQuery(QStringLiteral("purge_days=35&encryption=yes&auto_send_new=2&settings_locked=x"),
                  m_store);
  EXPECT_EQ(form.purgeDays, 7);
  EXPECT_FALSE(form.encryption);
  EXPECT_TRUE(form.autoNew);
  EXPECT_EQ(StoredInt("Locked"), -1);

  form.ApplyQuery(QStringLiteral("settings_locked=1"), m_store);
  EXPECT_TRUE(form.locked);
  EXPECT_EQ(StoredInt("Locked"), 1);
  form.ApplyQuery(QStringLiteral("settings_locked=0"), m_store);
  EXPECT_FALSE(form.locked);
  EXPECT_EQ(StoredInt("Locked"), 0);
}

TEST_F(SettingsFormTest, ServerIsStoredWithItsPortOnlyForADirectServerOnAnotherPort) {
  const struct {
    const char* address;
    int port;
    const char* stored;
  } cases[] = {
      {"10.0.0.5", 2001, "10.0.0.5"},
      {"10.0.0.5", 2002, "10.0.0.5:2002"},
      {" host ", 2001, "host"},
      {"$Depot1", 2002, "$Depot1"},
      {"", 2002, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    CSettingsForm form;
    form.address = QString::fromLatin1(c.address);
    form.port = c.port;
    EXPECT_EQ(form.ServerText(), QString::fromLatin1(c.stored));
  }
}

TEST_F(SettingsFormTest, OkStoresAppliesAndRestartsTheConnection) {
  for (const bool continuous : {true, false}) {
    SCOPED_TRACE(continuous);
    m_attempts = 0;
    auto connection = MakeConnection();
    const QString relayBefore = connection->RelayHost();
    CSettingsForm form;
    form.address = QStringLiteral("10.0.0.5");
    form.port = 2002;
    form.unitId = QStringLiteral("  Van 3 ");
    form.password = QStringLiteral(" secret ");
    form.continuous = continuous;
    form.encryption = false;
    form.requestPush = false;
    form.autoNew = true;
    form.dedupe = true;
    form.purgeDays = CSettingsForm::kNoPurgeEntry;
    ASSERT_EQ(form.Commit(m_store, *connection), CSettingsForm::CommitResult::kStored);

    const CConnectionSettings& s = connection->Settings();
    EXPECT_EQ(s.server, QStringLiteral("10.0.0.5:2002"));
    EXPECT_EQ(s.password, QStringLiteral("secret"));
    EXPECT_EQ(s.onDemand, !continuous);
    EXPECT_FALSE(s.encryption);
    EXPECT_TRUE(s.autoNew);
    EXPECT_EQ(Stored("Server"), s.server);
    EXPECT_EQ(Stored("Password"), QStringLiteral("secret"));
    EXPECT_EQ(StoredInt("Demand"), continuous ? 0 : 1);
    EXPECT_EQ(StoredInt("Encryption"), 0);
    EXPECT_EQ(StoredInt("RequestPush"), 0);
    EXPECT_EQ(StoredInt("Auto"), 1);
    EXPECT_EQ(StoredInt("AutoOld"), 0);
    EXPECT_EQ(StoredInt("Dedupe"), 1);
    EXPECT_EQ(StoredInt("PurgeDays"), 30);
    EXPECT_EQ(Stored("ID", "Unit"), QStringLiteral("Van 3"));
    EXPECT_EQ(connection->Identity().unitId, QStringLiteral("Van 3"));
    EXPECT_EQ(StoredInt("Locked"), -1);  // unchanged, so not written
    // Restarted: the other relay host, and a connection attempt only when continuous.
    EXPECT_NE(connection->RelayHost(), relayBefore);
    EXPECT_EQ(m_attempts, continuous ? 1 : 0);
  }
}

TEST_F(SettingsFormTest, LockingNeedsAPasswordAndUnlockingDoesNot) {
  auto connection = MakeConnection();
  CSettingsForm form;
  form.address = QStringLiteral("host");
  form.locked = true;
  EXPECT_EQ(form.Commit(m_store, *connection), CSettingsForm::CommitResult::kNeedsPassword);
  EXPECT_EQ(StoredInt("Locked"), -1);
  EXPECT_EQ(Stored("Server"), QStringLiteral("<none>"));
  EXPECT_TRUE(connection->Settings().server.isEmpty());
  EXPECT_EQ(m_attempts, 0);

  form.password = QStringLiteral("pw");
  ASSERT_EQ(form.Commit(m_store, *connection), CSettingsForm::CommitResult::kStored);
  EXPECT_EQ(StoredInt("Locked"), 1);

  form.password.clear();
  form.locked = false;
  ASSERT_EQ(form.Commit(m_store, *connection), CSettingsForm::CommitResult::kStored);
  EXPECT_EQ(StoredInt("Locked"), 0);

  form.password = QStringLiteral("Pw");
  EXPECT_TRUE(form.UnlockMatches(QStringLiteral("Pw")));
  EXPECT_FALSE(form.UnlockMatches(QStringLiteral("pw")));
  EXPECT_FALSE(form.UnlockMatches(QStringLiteral("Pw ")));
}

}  // namespace
