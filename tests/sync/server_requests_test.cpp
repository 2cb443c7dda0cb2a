#include "sync/server_requests.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "project/posix_file_writer.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/session_files.h"
#include "support/test_sync_server.h"
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/sync_codes.h"
#include "sync/sync_host.h"
#include "sync_test_support.h"
#include "values/archive.h"

namespace qlt::test {
namespace {

// The main window as the requests see it: an open project by name, an edited session, and a
// record of every call.
class CFakeSyncHost : public CSyncHost {
 public:
  explicit CFakeSyncHost(QString folder) : m_folder(std::move(folder)) {}
  QString DataFolder() const override { return m_folder; }
  QString OpenProjectName() const override { return openName; }
  bool IsEditingSession() const override { return editing; }
  void CloseProject() override {
    calls.append(QStringLiteral("close ") + openName);
    openName.clear();
  }
  bool OpenProject(const QString& fileName) override {
    CProject project;
    const bool loaded = project.Load(QDir(m_folder).filePath(fileName));
    calls.append(QStringLiteral("open ") + fileName);
    if (loaded) openName = fileName;
    return loaded;
  }
  void RefreshProjectList() override { calls.append(QStringLiteral("list")); }
  void RefreshProjectView() override { calls.append(QStringLiteral("view")); }
  void PlaySound(int soundId) override { calls.append(QStringLiteral("sound %1").arg(soundId)); }
  void StoreUnitId(const QString& unitId) override {
    calls.append(QStringLiteral("unit ") + unitId);
  }

  QString openName;
  bool editing = false;
  QStringList calls;

 private:
  QString m_folder;
};

// A project file as the designer writes it; `size` pads its notes so the file spans pieces.
QByteArray ProjectBytes(int32_t unique, int32_t arrivalSound = 1, int notes = 0) {
  CProject project;
  project.MutableHeader().uniqueNumber = unique;
  project.MutableHeader().arrivalSound = arrivalSound;
  project.MutableHeader().notes = QString(notes, QLatin1Char('n'));
  project.AddPage();
  return project.SaveToBytes();
}

// The same bytes with another format version (the int32 after the magic string).
QByteArray WithVersion(QByteArray bytes, int32_t version) {
  CArchive ar;
  ar.WriteString(QStringLiteral("Auditmoor"));
  const qsizetype at = ar.Buffer().size();
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((version >> (8 * i)) & 0xFF);
  return bytes;
}

CNetMessage NameMessage(uint32_t code, const QString& name, uint32_t unique) {
  CNetMessage m(code);
  m.WriteString(name);
  m.WriteU32(unique);
  return m;
}

CNetMessage ProjectFileMessage(const QString& name, uint32_t unique, uint16_t status,
                               const QByteArray& bytes) {
  CNetMessage m = NameMessage(SyncCode::kProjectFile, name, unique);
  m.WriteU16(status);
  m.WriteBytes(bytes);
  return m;
}

class ServerRequestsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(m_folder));
    ASSERT_TRUE(QDir().mkpath(m_outside));
  }

  QString PathOf(const QString& name) const { return QDir(m_folder).filePath(name); }
  void Place(const QString& name, const QByteArray& bytes) {
    ASSERT_TRUE(WriteFileBytes(PathOf(name), bytes));
  }
  // The one answer sent, after checking there was exactly one with that code.
  CNetMessage Answer(uint32_t code) {
    EXPECT_EQ(m_sent.size(), 1);
    if (m_sent.isEmpty()) return CNetMessage();
    CNetMessage answer = m_sent.takeFirst();
    EXPECT_EQ(answer.Code(), code);
    return answer;
  }
  // Reads name and unique of an answer and returns its 16-bit result.
  static uint16_t ResultOf(CNetMessage& answer, const QString& name, uint32_t unique) {
    QString readName;
    uint32_t readUnique = 0;
    uint16_t result = 0xFFFF;
    answer.ReadString(readName);
    answer.ReadU32(readUnique);
    answer.ReadU16(result);
    EXPECT_FALSE(answer.Failed());
    EXPECT_EQ(readName, name);
    EXPECT_EQ(readUnique, unique);
    return result;
  }
  // Every file below the test's home, with its bytes, so a test sees anything written anywhere.
  QMap<QString, QByteArray> Files() const {
    QMap<QString, QByteArray> files;
    const QString home = TestHome();
    QDir dir(home);
    const QStringList all = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& f : all) files.insert(f, ReadFileBytes(dir.filePath(f)));
    for (const QString& sub : {m_folder, m_outside}) {
      QDir d(sub);
      for (const QString& f : d.entryList(QDir::Files | QDir::Hidden)) {
        files.insert(d.filePath(f), ReadFileBytes(d.filePath(f)));
      }
    }
    return files;
  }

  CScopedServices m_services;
  QString m_folder = TestHome() + QStringLiteral("/data");
  QString m_outside = TestHome() + QStringLiteral("/data-other");
  CFakeSyncHost m_host{m_folder};
  QList<CNetMessage> m_sent;
  CServerRequests m_requests{m_host, [this](const CNetMessage& m) {
                               m_sent.append(m);
                               return true;
                             }};
};

TEST_F(ServerRequestsTest, NewUnitIdIsStoredAndAcknowledged) {
  CNetMessage m(SyncCode::kNewUnitId);
  m.WriteString(QStringLiteral("Depot-3"));
  ASSERT_TRUE(m_requests.Handle(m));
  EXPECT_EQ(m_host.calls, QStringList{QStringLiteral("unit Depot-3")});
  CNetMessage answer = Answer(SyncCode::kUnitIdAcknowledgement);
  QString unit;
  EXPECT_TRUE(answer.ReadString(unit));
  EXPECT_EQ(unit, QStringLiteral("Depot-3"));

  CNetMessage truncated(SyncCode::kNewUnitId, QByteArray("\x05", 1));
  EXPECT_FALSE(m_requests.Handle(truncated));
  EXPECT_EQ(m_host.calls.size(), 1);
}

TEST_F(ServerRequestsTest, ProjectFileIsInstalledOnlyWhenItLoadsAndNothingIsEdited) {
  const QByteArray installed = ProjectBytes(11);
  const QByteArray fresh = ProjectBytes(12, 1, 300);
  struct Case {
    const char* name;
    bool before;  // a project of that name is installed
    bool open;
    bool editing;
    QByteArray payload;
    uint16_t status;
    int result;  // -1: no answer
    QStringList calls;
  } const cases[] = {
      {"new project", false, false, false, fresh, 0, 0, {"list", "sound 141"}},
      {"replaces a closed one", true, false, false, fresh, 0, 0, {"list", "sound 141"}},
      {"replaces the open one",
       true,
       true,
       false,
       fresh,
       0,
       0,
       {"close p.ppc", "open p.ppc", "sound 141"}},
      {"open with a session edited", true, true, true, fresh, 0, 4, {}},
      {"damaged", true, false, false, fresh.left(fresh.size() / 2), 0, 4, {}},
      {"damaged while open", true, true, false, fresh.left(60), 0, 4, {}},
      {"too new", true, false, false, WithVersion(fresh, CProject::kFormatVersion + 1), 0, 4, {}},
      {"not a project", true, false, false, QByteArray("PK\x03\x04 zip"), 0, 4, {}},
      {"empty", true, false, false, QByteArray(), 0, 4, {}},
      {"refused by the server", true, false, false, fresh, 5, -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(PathOf(QStringLiteral("p.ppc")));
    if (c.before) Place(QStringLiteral("p.ppc"), installed);
    m_host.openName = c.open ? QStringLiteral("p.ppc") : QString();
    m_host.editing = c.editing;
    m_host.calls.clear();
    m_sent.clear();
    QStringList hooks;
    m_requests.SetHooks({[&](const QString& n) { hooks.append(QStringLiteral("forget ") + n); },
                         [&](const QString& n, uint32_t u) {
                           hooks.append(QStringLiteral("installed %1 %2").arg(n).arg(u));
                         }});

    CNetMessage m = ProjectFileMessage(QStringLiteral("p.ppc"), 12, c.status, c.payload);
    ASSERT_TRUE(m_requests.Handle(m));
    EXPECT_EQ(m_host.calls, c.calls);
    const QByteArray onDisk = ReadFileBytes(PathOf(QStringLiteral("p.ppc")));
    if (c.result < 0) {
      EXPECT_TRUE(m_sent.isEmpty());
      EXPECT_EQ(onDisk, installed);
      continue;
    }
    CNetMessage answer = Answer(SyncCode::kProjectFileReceipt);
    EXPECT_EQ(ResultOf(answer, QStringLiteral("p.ppc"), 12), c.result);
    if (c.result == 0) {
      EXPECT_EQ(onDisk, fresh);
      EXPECT_EQ(hooks, (QStringList{QStringLiteral("forget p.ppc"),
                                    QStringLiteral("installed p.ppc 12")}));
    } else {
      EXPECT_EQ(onDisk, c.before ? installed : QByteArray());
      EXPECT_FALSE(hooks.contains(QStringLiteral("installed p.ppc 12")));
    }
    // Nothing but the project file is left in the data folder.
    EXPECT_EQ(QDir(m_folder).entryList(QDir::Files),
              c.before || c.result == 0 ? QStringList{QStringLiteral("p.ppc")} : QStringList());
  }
}

class CFullDiskWriter : public CPosixFileWriter {
 public:
  int64_t Write(const char*, int64_t) override { return -1; }
  int Error() const override { return ENOSPC; }
};

TEST_F(ServerRequestsTest, ProjectFileThatCannotBeWrittenLeavesTheInstalledOne) {
  const QByteArray installed = ProjectBytes(11);
  Place(QStringLiteral("p.ppc"), installed);
  m_host.openName = QStringLiteral("p.ppc");
  const CFileWriter::Factory previous =
      CFileWriter::SetFactory([] { return std::make_unique<CFullDiskWriter>(); });
  CNetMessage m = ProjectFileMessage(QStringLiteral("p.ppc"), 12, 0, ProjectBytes(12));
  const bool handled = m_requests.Handle(m);
  CFileWriter::SetFactory(previous);
  ASSERT_TRUE(handled);
  CNetMessage answer = Answer(SyncCode::kProjectFileReceipt);
  EXPECT_EQ(ResultOf(answer, QStringLiteral("p.ppc"), 12), SyncCode::kResultRefused);
  EXPECT_EQ(ReadFileBytes(PathOf(QStringLiteral("p.ppc"))), installed);
  EXPECT_TRUE(m_host.calls.isEmpty());  // the open project stays open
}

TEST_F(ServerRequestsTest, HostileNamesTouchNothingOutsideTheDataFolder) {
  // A project outside the data folder that a name reaching out of it would find.
  const QByteArray victim = ProjectBytes(33);
  ASSERT_TRUE(WriteFileBytes(TestHome() + QStringLiteral("/victim.ppc"), victim));
  ASSERT_TRUE(WriteFileBytes(m_outside + QStringLiteral("/victim.ppc"), victim));
  Place(QStringLiteral("victim.ppc"), victim);
  const QString absolute = m_outside + QStringLiteral("/victim.ppc");
  const QString names[] = {
      QString(),
      QStringLiteral("../victim.ppc"),
      QStringLiteral(".."),
      QStringLiteral("..\\victim.ppc"),
      QStringLiteral("../data-other/victim.ppc"),
      QStringLiteral("sub/victim.ppc"),
      QStringLiteral("victim.ppc/"),
      absolute,
      QStringLiteral("victim..ppc"),
      QStringLiteral("victim.ppc") + QChar(0) + QStringLiteral(".txt"),
  };
  const QMap<QString, QByteArray> before = Files();
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    m_sent.clear();
    CNetMessage install = ProjectFileMessage(name, 33, 0, ProjectBytes(34));
    EXPECT_TRUE(m_requests.Handle(install));
    EXPECT_TRUE(m_sent.isEmpty());
    CNetMessage remove = NameMessage(SyncCode::kRemoveProject, name, 33);
    EXPECT_FALSE(m_requests.Handle(remove));
    CNetMessage fetch = NameMessage(SyncCode::kFetchProjectFile, name, 33);
    EXPECT_FALSE(m_requests.Handle(fetch));
    EXPECT_TRUE(m_sent.isEmpty());
    CNetMessage push = NameMessage(SyncCode::kPushedSession, name, 33);
    push.WriteBytes(NewSession({{"a", CVariant::FromString(QStringLiteral("x"))}})->WriteArchive());
    EXPECT_TRUE(m_requests.Handle(push));
    CNetMessage answer = Answer(SyncCode::kPushedSessionReceipt);
    EXPECT_EQ(ResultOf(answer, name, 33), SyncCode::kResultNotFound);
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(m_host.calls.isEmpty());
  }
}

TEST_F(ServerRequestsTest, PushedSessionIsStoredAsReceivedOrRefusedWithNothingStored) {
  Place(QStringLiteral("loud.ppc"), ProjectBytes(1, 1));
  Place(QStringLiteral("quiet.ppc"), ProjectBytes(2, 0));
  Place(QStringLiteral("broken.ppc"), QByteArray("not a project"));
  CSessionPtr session = NewSession({{"place", CVariant::FromString(QStringLiteral("Harbour"))}});
  const QByteArray archive = session->WriteArchive();
  QByteArray tooNew = archive;
  tooNew[0] = 99;  // the archive's version
  struct Case {
    const char* name;
    const char* project;
    bool open;
    QByteArray archive;
    int result;
    QStringList calls;
  } const cases[] = {
      {"stored, with its sound", "loud.ppc", false, archive, 0, {"sound 142"}},
      {"stored in the open project", "loud.ppc", true, archive, 0, {"view", "sound 142"}},
      {"stored without a sound", "quiet.ppc", false, archive, 0, {}},
      {"project not installed", "gone.ppc", false, archive, 7, {}},
      {"project unreadable", "broken.ppc", false, archive, 7, {}},
      {"archive too new", "quiet.ppc", false, tooNew, 4, {}},
      {"archive cut short", "quiet.ppc", false, archive.left(archive.size() - 3), 4, {}},
      {"no archive", "quiet.ppc", false, QByteArray(), 4, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString name = QString::fromLatin1(c.project);
    const QString database = CSessionDatabase::DatabasePath(PathOf(name));
    QFile::remove(database);
    m_host.openName = c.open ? name.toUpper() : QString();
    m_host.calls.clear();
    m_sent.clear();
    CNetMessage m = NameMessage(SyncCode::kPushedSession, name, 5);
    m.WriteBytes(c.archive);
    ASSERT_TRUE(m_requests.Handle(m));
    EXPECT_EQ(m_host.calls, c.calls);
    CNetMessage answer = Answer(SyncCode::kPushedSessionReceipt);
    ASSERT_EQ(ResultOf(answer, name, 5), c.result);
    const QStringList rows =
        QFileInfo::exists(database)
            ? RawDb(database, true).Rows(QStringLiteral("SELECT flags, state FROM session"))
            : QStringList();
    if (c.result != 0) {
      EXPECT_TRUE(rows.isEmpty());
      EXPECT_EQ(answer.Remaining(), 0);
      continue;
    }
    QByteArray guid;
    ASSERT_TRUE(answer.ReadBytes(16, guid));
    EXPECT_EQ(answer.Remaining(), 0);
    EXPECT_EQ(CSession::GuidFromBytes(guid.constData(), guid.size()), session->Guid());
    EXPECT_EQ(rows, QStringList{QStringLiteral("1|0")});
    CSessionDatabase db(PathOf(name));
    ASSERT_TRUE(db.Open());
    CSessionPtr stored = db.LoadSession(session->Guid(), false);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->GetValueText(QStringLiteral("place")), QStringLiteral("Harbour"));
  }
}

TEST_F(ServerRequestsTest, InventoryListsTheProjectFilesWithAndWithoutCounts) {
  Place(QStringLiteral("b.ppc"), ProjectBytes(22));
  Place(QStringLiteral("a.ppc"), ProjectBytes(11));
  Place(QStringLiteral("c.ppc"), QByteArray("junk"));
  Place(QStringLiteral("d.txt"), ProjectBytes(44));
  {
    CSessionDatabase db(PathOf(QStringLiteral("b.ppc")));
    ASSERT_TRUE(db.Open());
    for (int i = 0; i < 3; ++i)
      ASSERT_TRUE(db.SaveSession(*NewSession({{"n", CVariant::FromString(QString::number(i))}})));
    CSessionPtr sent = NewSession();
    ASSERT_TRUE(db.SaveSession(*sent));
    ASSERT_TRUE(db.SetSessionState(sent->Guid(), CSession::kStateSent));
  }
  for (const bool counts : {false, true}) {
    SCOPED_TRACE(counts);
    m_sent.clear();
    CNetMessage m(SyncCode::kProjectInventoryRequest);
    if (counts) m.WriteU8(1);
    ASSERT_TRUE(m_requests.Handle(m));
    CNetMessage expected(SyncCode::kProjectInventory);
    if (counts) expected.WriteBytes(QByteArray::fromHex("1027000001"));
    expected.WriteU32(2);
    expected.WriteString(QStringLiteral("a.ppc"));
    expected.WriteU32(11);
    if (counts) expected.WriteU32(0);
    expected.WriteString(QStringLiteral("b.ppc"));
    expected.WriteU32(22);
    if (counts) expected.WriteU32(3);
    expected.WriteU8(3);
    EXPECT_EQ(Answer(SyncCode::kProjectInventory).Payload().toHex(), expected.Payload().toHex());
  }
}

TEST_F(ServerRequestsTest, RemoveAndFetchAnswerForTheNamedProjectOnly) {
  const QByteArray big = ProjectBytes(11, 1, 5000);  // more than two pieces
  struct Case {
    const char* name;
    uint32_t code;
    const char* file;
    uint32_t unique;
    bool open;
    bool editing;
    uint32_t result;
    bool stays;
    QStringList calls;
  } const cases[] = {
      {"remove", SyncCode::kRemoveProject, "p.ppc", 11, false, false, 0, false, {"list"}},
      {"remove the open one",
       SyncCode::kRemoveProject,
       "p.ppc",
       11,
       true,
       false,
       0,
       false,
       {"close p.ppc", "list"}},
      {"remove while editing", SyncCode::kRemoveProject, "p.ppc", 11, true, true, 4, true, {}},
      {"remove, other unique", SyncCode::kRemoveProject, "p.ppc", 12, false, false, 7, true, {}},
      {"remove, not installed", SyncCode::kRemoveProject, "q.ppc", 11, false, false, 7, true, {}},
      {"fetch", SyncCode::kFetchProjectFile, "p.ppc", 11, true, true, 0, true, {}},
      {"fetch, other unique", SyncCode::kFetchProjectFile, "p.ppc", 12, false, false, 7, true, {}},
      {"fetch, not installed", SyncCode::kFetchProjectFile, "q.ppc", 11, false, false, 7, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Place(QStringLiteral("p.ppc"), big);
    {
      CSessionDatabase db(PathOf(QStringLiteral("p.ppc")));
      ASSERT_TRUE(db.Open());
    }
    m_host.openName = c.open ? QStringLiteral("p.ppc") : QString();
    m_host.editing = c.editing;
    m_host.calls.clear();
    m_sent.clear();
    const QString name = QString::fromLatin1(c.file);
    CNetMessage m = NameMessage(c.code, name, c.unique);
    ASSERT_TRUE(m_requests.Handle(m));
    EXPECT_EQ(m_host.calls, c.calls);
    EXPECT_EQ(QFileInfo::exists(PathOf(QStringLiteral("p.ppc"))), c.stays);
    EXPECT_EQ(QFileInfo::exists(PathOf(QStringLiteral("p.ppd"))), c.stays);
    if (c.code == SyncCode::kRemoveProject) {
      CNetMessage answer = Answer(SyncCode::kProjectRemovalResult);
      QString readName;
      uint32_t result = 0xFFFF;
      answer.ReadString(readName);
      answer.ReadU32(result);
      EXPECT_EQ(readName, name);
      EXPECT_EQ(result, c.result);
      EXPECT_EQ(answer.Remaining(), 0);
    } else {
      CNetMessage answer = Answer(SyncCode::kProjectFileUpload);
      EXPECT_EQ(ResultOf(answer, name, c.unique), c.result);
      EXPECT_EQ(answer.ReadRest(), c.result == 0 ? big : QByteArray());
    }
  }
}

TEST_F(ServerRequestsTest, MalformedRequestsFailTheMessage) {
  const QByteArray cut[] = {QByteArray(), QByteArray("\x03", 1), QByteArray("\x01\x41\x00", 3)};
  for (const uint32_t code : {SyncCode::kProjectFile, SyncCode::kPushedSession,
                              SyncCode::kRemoveProject, SyncCode::kFetchProjectFile}) {
    for (const QByteArray& payload : cut) {
      CNetMessage m(code, payload);
      EXPECT_FALSE(m_requests.Handle(m)) << code;
    }
  }
  CNetMessage other(SyncCode::kSessionAcknowledgement, QByteArray("\x01", 1));
  EXPECT_TRUE(m_requests.Handle(other));
  EXPECT_TRUE(m_sent.isEmpty());
  EXPECT_TRUE(m_host.calls.isEmpty());
}

// The listener a connection hands the online messages to, serving them as the window does.
class CForwardingListener : public CConnection::CListener {
 public:
  bool Dispatch(CNetMessage& message) override { return requests && requests->Handle(message); }
  CServerRequests* requests = nullptr;
};

class ServerRequestsLoopbackTest : public ConnectionFixture {};

TEST_F(ServerRequestsLoopbackTest, RequestsOverTheConnectionAreAnswered) {
  const QString folder = TestHome() + QStringLiteral("/data");
  ASSERT_TRUE(WriteFileBytes(folder + QStringLiteral("/a.ppc"), ProjectBytes(11)));
  CFakeSyncHost host(folder);
  CTestSyncServer server;
  auto connection = Make(SettingsFor(server));
  CServerRequests requests(host, [&](const CNetMessage& m) { return connection->Send(m); });
  CForwardingListener listener;
  listener.requests = &requests;
  connection->SetListener(&listener);
  ASSERT_TRUE(connection->Connect());
  ASSERT_TRUE(WaitFor(*connection, CConnection::kOnline));

  CNetMessage unit(SyncCode::kNewUnitId);
  unit.WriteString(QStringLiteral("Depot-9"));
  server.SendSession(unit);
  CNetMessage inventory(SyncCode::kProjectInventoryRequest);
  inventory.WriteU8(1);
  server.SendSession(inventory);
  ASSERT_TRUE(ProcessEventsUntil([&] {
    for (const CNetMessage& m : server.Received()) {
      if (m.Code() == SyncCode::kProjectInventory) return true;
    }
    return false;
  }));
  QList<uint32_t> codes;
  QByteArray inventoryPayload;
  for (const CNetMessage& m : server.Received()) {
    codes.append(m.Code());
    if (m.Code() == SyncCode::kProjectInventory) inventoryPayload = m.Payload();
  }
  EXPECT_TRUE(codes.contains(SyncCode::kUnitIdAcknowledgement));
  EXPECT_EQ(host.calls, QStringList{QStringLiteral("unit Depot-9")});
  EXPECT_EQ(inventoryPayload.toHex(), QByteArray("102700000101000000") +
                                          QByteArray("0561002e00700070006300") +
                                          QByteArray("0b0000000000000003"));

  // A remove reaching out of the data folder drops the connection.
  server.SendSession(NameMessage(SyncCode::kRemoveProject, QStringLiteral("../a.ppc"), 11));
  ASSERT_TRUE(WaitIdle(*connection));
  EXPECT_FALSE(connection->IsEnabled());
}

}  // namespace
}  // namespace qlt::test
