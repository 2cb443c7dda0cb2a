// Start-up of the application object: folders, settings entries and the unit identity in a fresh
// home and in damaged ones, the single-instance hand-over inside one process, and the command
// line's composition.
#include "app/twkf_app.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "app/app_folders.h"
#include "app/services.h"
#include "support/files.h"
#include "support/harness.h"

namespace {

QByteArray Sha1OfUtf16Le(const QString& text) {
  QStringEncoder encoder(QStringEncoder::Utf16LE);
  const QByteArray bytes = encoder(text);
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

bool IsGuidText(const QString& text) {
  static const QRegularExpression pattern(
      QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
  return pattern.match(text).hasMatch();
}

using qlt::test::ProcessEventsUntil;
using qlt::test::WriteFileBytes;

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = CServices::Install(std::make_unique<CServices>());
    ASSERT_TRUE(m_program.isValid());
    CServices::Instance().programFolderOverride = m_program.path();
  }
  void TearDown() override { CServices::Install(std::move(m_previous)); }

  static QString Home() { return qlt::test::TestHome(); }
  static QString SettingsFile() {
    return Home() + QStringLiteral("/config/Brenmoor/QLT Client.conf");
  }
  static QString StoredValue(const QString& key) {
    return QSettings(SettingsFile(), QSettings::IniFormat).value(key).toString();
  }

  QTemporaryDir m_program;
  std::unique_ptr<CServices> m_previous;
};

TEST_F(StartUpTest, FirstStartInEmptyHomeCreatesFoldersAndIdentity) {
  CTWKFApp app;
  bool windowSawIdentity = false;
  app.SetMainWindowFactory([&app, &windowSawIdentity] {
    windowSawIdentity = !app.UnitGuid().isEmpty() && !app.DataFolder().isEmpty();
    return true;
  });
  ASSERT_TRUE(app.InitInstance(QString()));
  EXPECT_TRUE(windowSawIdentity);

  const QString data = Home() + QStringLiteral("/data/Brenmoor/QLT Client");
  EXPECT_EQ(app.ProgramFolder(), m_program.path());
  EXPECT_EQ(app.DataFolder(), data);
  EXPECT_TRUE(QFileInfo(data).isDir());

  ASSERT_TRUE(QFileInfo::exists(SettingsFile()));
  EXPECT_EQ(StoredValue(QStringLiteral("Path")), m_program.path());
  EXPECT_EQ(StoredValue(QStringLiteral("Projects")), data);

  EXPECT_EQ(app.UnitId(), QStringLiteral("Local"));
  EXPECT_TRUE(IsGuidText(app.UnitGuid())) << app.UnitGuid().toStdString();
  EXPECT_EQ(StoredValue(QStringLiteral("Unit/GUID")), app.UnitGuid());
  EXPECT_EQ(app.UnitKey(), Sha1OfUtf16Le(StoredValue(QStringLiteral("Unit/GUID"))));
}

TEST_F(StartUpTest, SecondStartKeepsTheGuidAndTheKey) {
  QString guid;
  QByteArray key;
  {
    CTWKFApp app;
    ASSERT_TRUE(app.InitInstance(QString()));
    guid = app.UnitGuid();
    key = app.UnitKey();
  }
  CTWKFApp again;
  ASSERT_TRUE(again.InitInstance(QString()));
  EXPECT_EQ(again.UnitGuid(), guid);
  EXPECT_EQ(again.UnitKey(), key);
}

TEST_F(StartUpTest, StoredIdentityIsTakenAsStored) {
  EXPECT_TRUE(WriteFileBytes(SettingsFile(), "[Unit]\nID=Truck 7\nGUID=not really a guid\n"));
  CTWKFApp app;
  ASSERT_TRUE(app.InitInstance(QString()));
  EXPECT_EQ(app.UnitId(), QStringLiteral("Truck 7"));
  EXPECT_EQ(app.UnitGuid(), QStringLiteral("not really a guid"));
  EXPECT_EQ(app.UnitKey(), Sha1OfUtf16Le(QStringLiteral("not really a guid")));
  EXPECT_EQ(StoredValue(QStringLiteral("Unit/GUID")), QStringLiteral("not really a guid"));
}

TEST_F(StartUpTest, UnitKeyMatchesKnownDigests) {
  // Digests of the UTF-16LE bytes, computed with another implementation.
  EXPECT_EQ(CUnitIdentity::KeyOf(QStringLiteral("abc")).toHex(),
            QByteArray("9f04f41a848514162050e3d68c1a7abb441dc2b5"));
  EXPECT_EQ(CUnitIdentity::KeyOf(QStringLiteral("6B29FC40-CA47-1067-B31D-00DD010662DA")).toHex(),
            QByteArray("5e8fe1da2096ea112b5d01bbca574abc5c9bece3"));
}

TEST_F(StartUpTest, UnwritableSettingsRegenerateTheGuidNextStart) {
  // A regular file where the settings folder would be: nothing can be written below it.
  EXPECT_TRUE(WriteFileBytes(Home() + QStringLiteral("/blocker"), "x"));
  const QString blocked = Home() + QStringLiteral("/blocker/QLT Client.conf");
  QString first;
  {
    CTWKFApp app(blocked);
    ASSERT_TRUE(app.InitInstance(QString()));
    first = app.UnitGuid();
    EXPECT_TRUE(IsGuidText(first));
    EXPECT_EQ(app.UnitKey(), Sha1OfUtf16Le(first));
  }
  CTWKFApp again(blocked);
  ASSERT_TRUE(again.InitInstance(QString()));
  EXPECT_TRUE(IsGuidText(again.UnitGuid()));
  EXPECT_NE(again.UnitGuid(), first);
}

TEST_F(StartUpTest, CorruptSettingsFileDoesNotStopStartUp) {
  EXPECT_TRUE(
      WriteFileBytes(SettingsFile(), QByteArray("\x00\x01\xff\xfe[Unit\nGUID\n=\n\"\\\n[[[", 20)));
  CTWKFApp app;
  ASSERT_TRUE(app.InitInstance(QString()));
  EXPECT_EQ(app.UnitId(), QStringLiteral("Local"));
  EXPECT_FALSE(app.UnitGuid().isEmpty());
  EXPECT_EQ(app.UnitKey(), Sha1OfUtf16Le(app.UnitGuid()));
}

TEST_F(StartUpTest, DataFolderThatCannotBeMadeFallsBackToProgramFolder) {
  EXPECT_TRUE(WriteFileBytes(Home() + QStringLiteral("/not-a-folder"), "x"));
  setenv("XDG_DATA_HOME", qPrintable(Home() + QStringLiteral("/not-a-folder")), 1);
  CTWKFApp app;
  ASSERT_TRUE(app.InitInstance(QString()));
  EXPECT_EQ(app.DataFolder(), m_program.path());
  EXPECT_EQ(StoredValue(QStringLiteral("Projects")), m_program.path());
}

TEST_F(StartUpTest, DataFolderFallsBackWhenALevelIsAFile) {
  EXPECT_TRUE(WriteFileBytes(Home() + QStringLiteral("/data/Brenmoor/QLT Client"), "x"));
  EXPECT_EQ(CAppFolders::ResolveDataFolder(Home() + QStringLiteral("/data"), m_program.path()),
            m_program.path());
  EXPECT_EQ(CAppFolders::ResolveDataFolder(QString(), m_program.path()), m_program.path());
  // A missing application-data folder is made with both levels below it.
  const QString fresh = Home() + QStringLiteral("/fresh/share");
  EXPECT_EQ(CAppFolders::ResolveDataFolder(fresh, m_program.path()),
            fresh + QStringLiteral("/Brenmoor/QLT Client"));
  EXPECT_TRUE(QFileInfo(fresh + QStringLiteral("/Brenmoor/QLT Client")).isDir());
}

TEST_F(StartUpTest, DataFolderOverrideWins) {
  CServices::Instance().dataFolderOverride = Home() + QStringLiteral("/elsewhere/");
  CTWKFApp app;
  ASSERT_TRUE(app.InitInstance(QString()));
  EXPECT_EQ(app.DataFolder(), Home() + QStringLiteral("/elsewhere"));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/data/Brenmoor")));
}

TEST_F(StartUpTest, LaterStartHandsItsCommandLineOverAndEnds) {
  CTWKFApp first;
  QStringList received;
  int activations = 0;
  QObject::connect(&first, &CTWKFApp::commandReceived, &first,
                   [&received](const QString& text) { received.append(text); });
  QObject::connect(&first, &CTWKFApp::activationRequested, &first,
                   [&activations] { ++activations; });
  ASSERT_TRUE(first.InitInstance(QString()));
  // The later start must not touch the settings: see that it does not write them anew.
  ASSERT_TRUE(QFile::remove(SettingsFile()));

  CTWKFApp later;
  bool windowMade = false;
  later.SetMainWindowFactory([&windowMade] { return windowMade = true; });
  EXPECT_FALSE(later.InitInstance(QStringLiteral("/home/u/My Project.ppc")));
  EXPECT_FALSE(later.IsStarted());
  EXPECT_FALSE(windowMade);
  EXPECT_FALSE(QFileInfo::exists(SettingsFile()));

  ASSERT_TRUE(ProcessEventsUntil([&received] { return !received.isEmpty(); }));
  EXPECT_EQ(received, QStringList{QStringLiteral("/home/u/My Project.ppc")});
  EXPECT_EQ(activations, 1);
}

TEST_F(StartUpTest, OwnCommandLineReachesTheHandlerOnceTheLoopRuns) {
  CTWKFApp app;
  QStringList received;
  QObject::connect(&app, &CTWKFApp::commandReceived, &app,
                   [&received](const QString& text) { received.append(text); });
  ASSERT_TRUE(app.InitInstance(QStringLiteral("qlt://new/session")));
  EXPECT_TRUE(received.isEmpty());
  ASSERT_TRUE(ProcessEventsUntil([&received] { return !received.isEmpty(); }));
  EXPECT_EQ(received, QStringList{QStringLiteral("qlt://new/session")});
}

TEST(CommandLineTest, ArgumentsBecomeOneText) {
  EXPECT_EQ(CTWKFApp::CommandLineFromArguments({}), QString());
  EXPECT_EQ(CTWKFApp::CommandLineFromArguments({QStringLiteral("/a b/c.ppc")}),
            QStringLiteral("/a b/c.ppc"));
  EXPECT_EQ(CTWKFApp::CommandLineFromArguments(
                {QStringLiteral("qlt://x"), QStringLiteral("a b"), QString()}),
            QStringLiteral("qlt://x \"a b\" \"\""));
}

}  // namespace
