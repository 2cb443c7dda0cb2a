// The settings store: where the file lies, values written and read back by section and entry,
// defaults, and writes to unwritable or damaged files.
#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "support/files.h"
#include "support/harness.h"

namespace {

using qlt::test::WriteFileBytes;

class SettingsStoreTest : public ::testing::Test {
 protected:
  static QString Home() { return qlt::test::TestHome(); }
  // The client's store where the application puts it.
  static CSettingsStore ClientStore() { return CSettingsStore(CSettingsStore::DefaultFilePath()); }
};

TEST_F(SettingsStoreTest, ValuesGoToTheUsersConfigFileBySectionAndEntry) {
  CSettingsStore store = ClientStore();
  const QString file = Home() + QStringLiteral("/config/Brenmoor/QLT Client.conf");
  EXPECT_EQ(store.FilePath(), file);
  ASSERT_TRUE(store.WriteString(QString(), QStringLiteral("Path"), QStringLiteral("/opt/q, 2")));
  ASSERT_TRUE(store.WriteString(QStringLiteral("Unit"), QStringLiteral("ID"),
                                QStringLiteral("  Ünit 7  ")));
  ASSERT_TRUE(store.WriteInt(QStringLiteral("Connection"), QStringLiteral("Port"), -4711));

  const QSettings plain(file, QSettings::IniFormat);
  EXPECT_EQ(plain.value(QStringLiteral("Path")).toString(), QStringLiteral("/opt/q, 2"));
  EXPECT_EQ(plain.value(QStringLiteral("Unit/ID")).toString(), QStringLiteral("  Ünit 7  "));

  EXPECT_EQ(store.ReadString(QString(), QStringLiteral("Path")), QStringLiteral("/opt/q, 2"));
  EXPECT_EQ(store.ReadString(QStringLiteral("Unit"), QStringLiteral("ID")),
            QStringLiteral("  Ünit 7  "));
  EXPECT_EQ(store.ReadInt(QStringLiteral("Connection"), QStringLiteral("Port"), 0), -4711);
  // The same entry name in another section is another setting.
  EXPECT_EQ(store.ReadString(QString(), QStringLiteral("ID"), QStringLiteral("none")),
            QStringLiteral("none"));
}

TEST_F(SettingsStoreTest, MissingOrMistypedValuesGiveTheDefault) {
  EXPECT_TRUE(WriteFileBytes(Home() + QStringLiteral("/config/Brenmoor/QLT Client.conf"),
                             "[Unit]\nCount=twelve\nSpaced= 12 \nNames=a, b\n"));
  CSettingsStore store = ClientStore();
  EXPECT_EQ(store.ReadString(QStringLiteral("Unit"), QStringLiteral("GUID"), QStringLiteral("d")),
            QStringLiteral("d"));
  EXPECT_EQ(store.ReadInt(QStringLiteral("Unit"), QStringLiteral("Missing"), 7), 7);
  EXPECT_EQ(store.ReadInt(QStringLiteral("Unit"), QStringLiteral("Count"), 7), 7);
  EXPECT_EQ(store.ReadInt(QStringLiteral("Unit"), QStringLiteral("Spaced"), 7), 12);
  // A hand-written value with commas is still one text.
  EXPECT_EQ(store.ReadString(QStringLiteral("Unit"), QStringLiteral("Names")),
            QStringLiteral("a, b"));
}

TEST_F(SettingsStoreTest, EachStoreKeepsTheFileItsCreatorNamed) {
  const QString elsewhere = Home() + QStringLiteral("/elsewhere/client.conf");
  CSettingsStore client(elsewhere);
  CSettingsStore gps(
      CSettingsStore::DefaultFilePath(QString::fromLatin1(CSettingsStore::kGpsApplication)));
  EXPECT_EQ(client.FilePath(), elsewhere);
  EXPECT_EQ(gps.FilePath(), Home() + QStringLiteral("/config/Brenmoor/Tarnwick.conf"));

  ASSERT_TRUE(gps.WriteInt(QStringLiteral("GPS"), QStringLiteral("Baud"), 4800));
  EXPECT_EQ(client.ReadInt(QStringLiteral("GPS"), QStringLiteral("Baud"), 0), 0);
  EXPECT_EQ(gps.ReadInt(QStringLiteral("GPS"), QStringLiteral("Baud"), 0), 4800);
}

TEST_F(SettingsStoreTest, UnwritableFileFailsQuietly) {
  EXPECT_TRUE(WriteFileBytes(Home() + QStringLiteral("/blocker"), "x"));
  CSettingsStore store(Home() + QStringLiteral("/blocker/QLT Client.conf"));
  EXPECT_FALSE(
      store.WriteString(QStringLiteral("Unit"), QStringLiteral("GUID"), QStringLiteral("g")));
  EXPECT_FALSE(store.WriteInt(QStringLiteral("Unit"), QStringLiteral("N"), 1));
  EXPECT_EQ(store.ReadString(QStringLiteral("Unit"), QStringLiteral("GUID")), QString());
}

TEST_F(SettingsStoreTest, DamagedFileIsRewrittenWithWhatCouldBeRead) {
  const QString file = Home() + QStringLiteral("/config/Brenmoor/QLT Client.conf");
  EXPECT_TRUE(WriteFileBytes(file, "[Unit]\nID=Truck\nGUID\n[Broken\nServer=abc\n\x01\xff=\n"));
  CSettingsStore store = ClientStore();
  EXPECT_TRUE(store.WriteString(QString(), QStringLiteral("Path"), QStringLiteral("/p")));
  EXPECT_EQ(store.ReadString(QStringLiteral("Unit"), QStringLiteral("ID")),
            QStringLiteral("Truck"));
  EXPECT_EQ(store.ReadString(QStringLiteral("Broken"), QStringLiteral("Server")),
            QStringLiteral("abc"));
  EXPECT_EQ(store.ReadString(QString(), QStringLiteral("Path")), QStringLiteral("/p"));

  QFile written(file);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  const QByteArray text = written.readAll();
  EXPECT_TRUE(text.contains("Path=/p")) << text.constData();
  EXPECT_TRUE(text.contains("ID=Truck")) << text.constData();
}

TEST_F(SettingsStoreTest, DamagedFileReadBeforeWritingIsRewrittenToo) {
  const QString file = Home() + QStringLiteral("/config/Brenmoor/QLT Client.conf");
  EXPECT_TRUE(WriteFileBytes(file, "[Unit]\nID=Truck\n[Broken\nServer=abc\n"));
  CSettingsStore store = ClientStore();
  EXPECT_EQ(store.ReadString(QStringLiteral("Unit"), QStringLiteral("ID")),
            QStringLiteral("Truck"));
  EXPECT_TRUE(store.WriteInt(QString(), QStringLiteral("Count"), 3));
  EXPECT_EQ(store.ReadInt(QString(), QStringLiteral("Count"), 0), 3);
  EXPECT_EQ(store.ReadString(QStringLiteral("Broken"), QStringLiteral("Server")),
            QStringLiteral("abc"));
}

}  // namespace
