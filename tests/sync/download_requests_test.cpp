#include "sync/download_requests.h"

#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "app/language.h"
#include "project/posix_file_writer.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/test_sync_server.h"
#include "sync/connection.h"
#include "sync/handshake.h"
#include "sync/net_message.h"
#include "sync/online_router.h"
#include "sync_test_support.h"

namespace qlt::test {
namespace {

using Requests = CDownloadRequests;

uint32_t Crc(const QByteArray& bytes) {
  return static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(bytes.constData()),
                                     static_cast<uInt>(bytes.size())));
}

CNetMessage UpgradeFile(uint16_t status, const QByteArray& digest, const QByteArray& bytes) {
  CNetMessage m(Requests::kUpgradeFile);
  m.WriteU16(status);
  m.WriteBytes(digest);
  m.WriteBytes(bytes);
  return m;
}

CNetMessage LanguageFile(uint16_t status, uint32_t checksum, const QByteArray& bytes) {
  CNetMessage m(Requests::kLanguageFile);
  m.WriteU16(status);
  m.WriteU32(checksum);
  m.WriteBytes(bytes);
  return m;
}

CNetMessage Offer(const QString& version) {
  CNetMessage m(Requests::kUpgradeOffer);
  m.WriteString(version);
  return m;
}

const QByteArray kTranslation = QByteArrayLiteral(
    "[Upgrade]\r\nLanguageInstalled=Neue Sprache installiert.\r\n[Extra]\r\nOnly=here\r\n");

class DownloadRequestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(m_data));
    ASSERT_TRUE(QDir().mkpath(m_program));
    m_requests.SetHooks({[this] { return m_canAsk; }, [this] { ++m_reloads; }});
  }
  void TearDown() override { CLanguage::Instance().LoadTranslation(QString(), QString()); }

  QString UpgradeIn(const QString& folder) const {
    return QDir(folder).filePath(QString::fromLatin1(Requests::kUpgradeName));
  }
  QString LanguagePath() const {
    return QDir(m_data).filePath(QString::fromLatin1(Requests::kLanguageName));
  }
  // The one message shown: its text and style.
  CScriptedMessageService::Shown Only() {
    const auto& shown = m_services.Messages().Messages();
    EXPECT_EQ(shown.size(), 1);
    return shown.isEmpty() ? CScriptedMessageService::Shown{} : shown.last();
  }
  // Every file the two folders hold, so a left-over temporary shows.
  QStringList Files() const {
    QStringList all;
    for (const QString& folder : {m_data, m_program}) {
      for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        all.append(QFileInfo(folder).fileName() + u'/' + name);
      }
    }
    return all;
  }

  CScopedServices m_services;
  QString m_data = TestHome() + QStringLiteral("/data");
  QString m_program = TestHome() + QStringLiteral("/program");
  QList<CNetMessage> m_sent;
  bool m_canAsk = true;
  int m_reloads = 0;
  Requests m_requests{m_data, m_program, [this](const CNetMessage& m) {
                        m_sent.append(m);
                        return true;
                      }};
};

TEST_F(DownloadRequestsTest, UpgradeOfferAsksWithTheVersionAndRequestsThisPlatform) {
  struct Case {
    bool canAsk;
    int answer;
    bool sent;
  } const cases[] = {{true, kIdYes, true}, {true, kIdNo, false}, {false, kIdYes, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.canAsk << " " << c.answer);
    m_services.Messages().ClearMessages();
    m_sent.clear();
    m_canAsk = c.canAsk;
    m_services.Messages().QueueAnswer(c.answer);
    CNetMessage offer = Offer(QStringLiteral("7.1.0"));
    EXPECT_TRUE(m_requests.Handle(offer));
    if (c.canAsk) {
      const auto shown = Only();
      EXPECT_TRUE(shown.text.contains(QStringLiteral("(7.1.0)"))) << shown.text.toStdString();
      EXPECT_EQ(shown.style, unsigned(kMbYesNo | kMbIconQuestion));
    } else {
      // A modal dialog is open: the offer is ignored, the answer stays unused.
      EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
      m_services.Messages().ClearMessages();
    }
    ASSERT_EQ(m_sent.size(), c.sent ? 1 : 0);
    if (c.sent) {
      QString platform;
      EXPECT_EQ(m_sent[0].Code(), 52u);
      EXPECT_TRUE(m_sent[0].ReadString(platform));
      EXPECT_EQ(platform, QStringLiteral("linux:x86_64"));
    }
  }
  // A cut-off offer asks nothing.
  m_services.Messages().ClearMessages();
  m_canAsk = true;
  CNetMessage cut(Requests::kUpgradeOffer, QByteArray("\x05", 1));
  EXPECT_TRUE(m_requests.Handle(cut));
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(DownloadRequestsTest, UpgradeFileIsStoredOnlyWhenItsDigestHolds) {
  const QByteArray old = "old installer";
  const QByteArray bytes = QByteArray("#!/bin/sh\necho new\n") + QByteArray(70000, 'x');
  const QByteArray good = CHandshake::Sha1(bytes);
  QByteArray bad = good;
  bad[19] = static_cast<char>(bad[19] ^ 1);
  struct Case {
    const char* name;
    CNetMessage message;
    const char* key;  // null: stored
  } const cases[] = {
      {"good", UpgradeFile(0, good, bytes), nullptr},
      {"digest of other bytes", UpgradeFile(0, bad, bytes), "Upgrade.Corrupt"},
      {"one byte lost", UpgradeFile(0, good, bytes.chopped(1)), "Upgrade.Corrupt"},
      {"digest cut short", UpgradeFile(0, good.left(12), QByteArray()), "Upgrade.Corrupt"},
      {"no status", CNetMessage(Requests::kUpgradeFile), "Upgrade.Corrupt"},
      {"unavailable", UpgradeFile(5, QByteArray(), QByteArray()), "Upgrade.Unavailable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_services.Messages().ClearMessages();
    ASSERT_TRUE(WriteFileBytes(UpgradeIn(m_program), old));
    CNetMessage m = c.message;
    EXPECT_TRUE(m_requests.Handle(m));
    const auto shown = Only();
    if (c.key == nullptr) {
      EXPECT_EQ(ReadFileBytes(UpgradeIn(m_program)), bytes);
      EXPECT_TRUE(QFileInfo(UpgradeIn(m_program)).isExecutable());
      EXPECT_EQ(m_requests.UpgradePath(), UpgradeIn(m_program));
      EXPECT_TRUE(shown.text.contains(UpgradeIn(m_program))) << shown.text.toStdString();
      EXPECT_EQ(shown.style, unsigned(kMbOk | kMbIconInformation));
    } else {
      EXPECT_EQ(ReadFileBytes(UpgradeIn(m_program)), old);
      EXPECT_EQ(shown.text, CScopedServices::Text(c.key));
      EXPECT_EQ(shown.style, unsigned(kMbOk | kMbIconExclamation));
    }
    EXPECT_EQ(Files(), QStringList{QStringLiteral("program/Upgrade.run")});
  }
  EXPECT_TRUE(m_sent.isEmpty());
}

TEST_F(DownloadRequestsTest, UpgradeGoesToTheDataFolderWhenTheProgramFolderCannotBeWritten) {
  Requests requests(m_data, TestHome() + QStringLiteral("/no/such/program"),
                    [](const CNetMessage&) { return true; });
  const QByteArray bytes = "installer";
  CNetMessage m = UpgradeFile(0, CHandshake::Sha1(bytes), bytes);
  EXPECT_TRUE(requests.Handle(m));
  EXPECT_EQ(ReadFileBytes(UpgradeIn(m_data)), bytes);
  EXPECT_TRUE(Only().text.contains(UpgradeIn(m_data)));
}

class CFullDiskWriter : public CPosixFileWriter {
 public:
  int64_t Write(const char*, int64_t size) override { return size > 1 ? size / 2 : -1; }
  int Error() const override { return ENOSPC; }
};

TEST_F(DownloadRequestsTest, FullDiskKeepsTheOldFilesAndLeavesNoTemporary) {
  ASSERT_TRUE(WriteFileBytes(UpgradeIn(m_program), "old installer"));
  ASSERT_TRUE(WriteFileBytes(LanguagePath(), kTranslation));
  const QByteArray bytes = QByteArray(5000, 'n');
  const QByteArray language = "[Upgrade]\nWriteError=Kein Platz.\n";
  const CFileWriter::Factory previous =
      CFileWriter::SetFactory([] { return std::make_unique<CFullDiskWriter>(); });
  CNetMessage upgrade = UpgradeFile(0, CHandshake::Sha1(bytes), bytes);
  CNetMessage translation = LanguageFile(0, Crc(language), language);
  const bool handled = m_requests.Handle(upgrade) && m_requests.Handle(translation);
  CFileWriter::SetFactory(previous);
  EXPECT_TRUE(handled);
  EXPECT_EQ(ReadFileBytes(UpgradeIn(m_program)), QByteArray("old installer"));
  EXPECT_EQ(ReadFileBytes(LanguagePath()), kTranslation);
  EXPECT_EQ(Files(), (QStringList{QStringLiteral("data/Language.ini"),
                                  QStringLiteral("program/Upgrade.run")}));
  QStringList shown;
  for (const auto& m : m_services.Messages().Messages()) shown.append(m.text);
  const QString writeError = CScopedServices::Text("Upgrade.WriteError");
  EXPECT_EQ(shown, (QStringList{writeError, writeError}));
  EXPECT_EQ(m_reloads, 0);
}

TEST_F(DownloadRequestsTest, LanguageFileIsInstalledAndLoadedOnlyWhenItsChecksumHolds) {
  const QByteArray old = "[Extra]\nOnly=old\n";
  struct Case {
    const char* name;
    CNetMessage message;
    const char* key;
    QByteArray onDisk;  // empty: no file
    QString only;       // "Extra.Only" after the message
  } const cases[] = {
      {"good", LanguageFile(0, Crc(kTranslation), kTranslation), "Upgrade.LanguageInstalled",
       kTranslation, QStringLiteral("here")},
      {"checksum of other bytes", LanguageFile(0, Crc(kTranslation) ^ 4, kTranslation),
       "Upgrade.Corrupt", old, QStringLiteral("old")},
      {"one byte lost", LanguageFile(0, Crc(kTranslation), kTranslation.chopped(1)),
       "Upgrade.Corrupt", old, QStringLiteral("old")},
      {"checksum cut short", CNetMessage(Requests::kLanguageFile, QByteArray(4, '\0')),
       "Upgrade.Corrupt", old, QStringLiteral("old")},
      {"unavailable", LanguageFile(2, 0, QByteArray()), "Upgrade.Unavailable", old,
       QStringLiteral("old")},
      {"none for us", LanguageFile(0, 0, QByteArray()), "Upgrade.LanguageInstalled", QByteArray(),
       QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_services.Messages().ClearMessages();
    ASSERT_TRUE(WriteFileBytes(LanguagePath(), old));
    ASSERT_TRUE(CLanguage::Instance().LoadTranslation(m_data, m_program));
    const int reloads = m_reloads;
    CNetMessage m = c.message;
    EXPECT_TRUE(m_requests.Handle(m));
    const auto shown = Only();
    EXPECT_EQ(QFileInfo::exists(LanguagePath()), !c.onDisk.isEmpty());
    EXPECT_EQ(ReadFileBytes(LanguagePath()), c.onDisk);
    EXPECT_EQ(CLanguage::Instance().Translate(QStringLiteral("Extra.Only")), c.only);
    // The report is shown in the translation just loaded.
    EXPECT_EQ(shown.text, CLanguage::Instance().Translate(QString::fromLatin1(c.key)));
    const bool installed = QByteArray(c.key) == "Upgrade.LanguageInstalled";
    EXPECT_EQ(shown.style, unsigned(kMbOk | (installed ? kMbIconInformation : kMbIconExclamation)));
    EXPECT_EQ(m_reloads, reloads + (installed ? 1 : 0));
    if (c.onDisk == kTranslation) {
      EXPECT_EQ(CLanguage::Instance().Checksum(), Crc(kTranslation));
    }
  }
  EXPECT_EQ(CLanguage::Instance().Translate(QStringLiteral("Upgrade.LanguageInstalled")),
            CScopedServices::Text("Upgrade.LanguageInstalled"));
}

TEST_F(DownloadRequestsTest, DamagedTranslationThatPassesItsCheckLeavesEveryTextReadable) {
  ASSERT_TRUE(CLanguage::Instance().LoadTranslation(QString(), QString()));
  const QHash<QString, QString> builtIn = CLanguage::Instance().Table();
  ASSERT_GT(builtIn.size(), 100);
  QByteArray noise(4096, '\0');
  for (int i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) % 251);
  const QByteArray damaged[] = {
      noise,
      QByteArray(3000, '\0'),
      kTranslation.left(kTranslation.size() / 2),
      QByteArray("\xFF\xFE[\0U\0p\0", 9),  // UTF-16 cut inside a character
      QByteArray("\xFE\xFF\xD8\x00\x00[", 6),
      QByteArray("\xEF\xBB\xBF\xC3\x28[Upgrade\n=\n==\n"),
      QByteArray("Version=10.0\n[\n]]]]\n[Upgrade\nCorrupt\n;=\n"),
      QByteArray(70000, '['),
      QByteArray(70000, '='),
  };
  for (const QByteArray& bytes : damaged) {
    SCOPED_TRACE(bytes.left(16).toHex().toStdString());
    m_services.Messages().ClearMessages();
    CNetMessage m = LanguageFile(0, Crc(bytes), bytes);
    EXPECT_TRUE(m_requests.Handle(m));
    ASSERT_EQ(ReadFileBytes(LanguagePath()), bytes);
    // Every built-in text is still there and the user is told in readable words.
    for (auto it = builtIn.cbegin(); it != builtIn.cend(); ++it) {
      if (it.value().isEmpty()) continue;
      ASSERT_FALSE(CLanguage::Instance().Translate(it.key()).isEmpty()) << it.key().toStdString();
    }
    const QString shown = Only().text;
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown, CLanguage::Instance().Translate(QStringLiteral("Upgrade.LanguageInstalled")));
  }
}

// The whole road over a loopback server: the offer after the handshake, the request, the file
// through the router's fallback, and no second offer once the new translation is loaded.
class DownloadOverConnectionTest : public ConnectionFixture {};

TEST_F(DownloadOverConnectionTest, OfferedTranslationIsFetchedInstalledAndNotOfferedAgain) {
  const QString data = TestHome() + QStringLiteral("/data");
  ASSERT_TRUE(QDir().mkpath(data));
  CTestSyncServer::Options o;
  o.translationChecksum = Crc(kTranslation);
  CTestSyncServer server(o);
  CConnectionSettings settings = SettingsFor(server);
  settings.requestPush = false;
  auto connection = Make(settings, 0);
  COnlineRouter router(*connection, nullptr);
  Requests downloads(data, QString(), [&](const CNetMessage& m) { return connection->Send(m); });
  downloads.SetHooks(
      {[&] { return router.CanAsk(); },
       [&] { connection->SetTranslationChecksum(CLanguage::Instance().Checksum()); }});
  router.SetFallback(
      [&](CNetMessage& m) { return !Requests::Serves(m.Code()) || downloads.Handle(m); });
  connection->SetListener(&router);

  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
  ASSERT_TRUE(ProcessEventsUntil([&] { return server.Received().size() == 1; }));
  EXPECT_EQ(server.Received()[0].Code(), 81u);
  EXPECT_EQ(Shown(), QStringList{CScopedServices::Text("Upgrade.ConfirmLanguage")});

  server.SendSession(LanguageFile(0, Crc(kTranslation), kTranslation));
  server.SendSession(Offer(QStringLiteral("9.0")));
  ASSERT_TRUE(ProcessEventsUntil([&] { return server.Received().size() == 2; }));
  EXPECT_EQ(server.Received()[1].Code(), 52u);
  EXPECT_EQ(ReadFileBytes(QDir(data).filePath(QStringLiteral("Language.ini"))), kTranslation);
  EXPECT_EQ(CLanguage::Instance().Translate(QStringLiteral("Extra.Only")), QStringLiteral("here"));
  ASSERT_EQ(Shown().size(), 3);
  EXPECT_EQ(Shown()[1], QStringLiteral("Neue Sprache installiert."));
  EXPECT_EQ(connection->GetState(), CConnection::kOnline);

  // The same offer after the next handshake asks nothing: that translation is the loaded one.
  m_services.Messages().ClearMessages();
  connection->Disconnect(false);
  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));
  EXPECT_TRUE(Shown().isEmpty());
  connection->Disconnect(true);
  CLanguage::Instance().LoadTranslation(QString(), QString());
}

}  // namespace
}  // namespace qlt::test
