// The power-loss families of the session database: each operation runs on the power-loss VFS and
// the power goes at every sync point, at random changes between them, or just after the operation
// returned, while none, an in-order part or any choice of the unsynced writes reaches the disk.
// The folder then comes back as the disk holds it (sometimes with a second cut while the restarted
// program first opens it). The restarted program must open the database, and a raw view of the
// same files must find the old state or the new one, never a mixture, with an operation that
// reported success in it, and pass SQLite's integrity check.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <map>

#include "sessions/session_database.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/power_loss_disk.h"
#include "support/power_loss_trials.h"
#include "support/power_loss_vfs.h"
#include "support/scoped_services.h"
#include "support/session_files.h"
#include "support/session_operations.h"

namespace {

using qlt::test::PowerLossTrial;

struct Family {
  std::string name;
  // Makes the files the operation starts from beside the project path (on the real disk).
  std::function<void(const QString& project)> setUp;
  // Opens the database and runs the operation; the result is what the caller would see.
  std::function<bool(const QString& project)> run;
};

bool OpenAndRun(const QString& project, const std::function<bool(CSessionDatabase&)>& run) {
  CSessionDatabase db;
  return db.OpenPath(project) && run(db);
}

std::vector<Family> Families() {
  std::vector<Family> families;
  for (const qlt::test::SessionOperation& operation : qlt::test::SessionOperations()) {
    families.push_back(
        {operation.name,
         [setUp = operation.setUp](const QString& project) {
           CSessionDatabase db;
           ASSERT_TRUE(db.OpenPath(project));
           setUp(db);
         },
         [run = operation.run](const QString& project) { return OpenAndRun(project, run); }});
  }
  const auto open = [](const QString& project) {
    return OpenAndRun(project, [](CSessionDatabase&) { return true; });
  };
  // The upgrade of a version 1 file (no standard indexes yet) happens as it is opened.
  families.push_back({"schema upgrade",
                      [](const QString& project) {
                        {
                          CSessionDatabase db;
                          ASSERT_TRUE(db.OpenPath(project));
                          qlt::test::StoreTwo(db);
                        }
                        qlt::test::RawDb raw(CSessionDatabase::DatabasePath(project));
                        for (const char* index : {"created", "saved", "flags", "unit_id"}) {
                          ASSERT_TRUE(raw.Exec(QStringLiteral("DROP INDEX %1;").arg(index)));
                        }
                        ASSERT_TRUE(raw.Exec(u"PRAGMA user_version=1;"_qs));
                      },
                      open});
  families.push_back({"new database", [](const QString&) {}, open});
  return families;
}

// What the database file holds, read as a restarted program would (a journal left behind is
// rolled back first); a missing or empty file is no database yet.
QStringList State(const QString& path) {
  QString version;
  {
    qlt::test::RawDb raw(path);
    version = raw.Value(u"PRAGMA user_version;"_qs);
  }
  if (QFileInfo(path).size() == 0) return {u"<no database>"_qs};
  return QStringList{u"user_version "_qs + version} + qlt::test::Snapshot(path);
}

// The files of a folder by name, and the folder made to hold exactly them again.
std::map<QString, QByteArray> FolderFiles(const QString& folder) {
  std::map<QString, QByteArray> files;
  for (const QString& name : QDir(folder).entryList(QDir::Files)) {
    files[name] = qlt::test::ReadFileBytes(folder + u'/' + name);
  }
  return files;
}

bool WriteFolder(const QString& folder, const std::map<QString, QByteArray>& files) {
  QDir(folder).removeRecursively();
  bool ok = QDir().mkpath(folder);
  for (const auto& [name, bytes] : files) {
    ok = qlt::test::WriteFileBytes(folder + u'/' + name, bytes) && ok;
  }
  return ok;
}

class SessionDatabasePowerLoss : public ::testing::Test {
 protected:
  void SetUp() override {
    m_services.SetNow(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    m_folder = qlt::test::TestHome() + u"/power"_qs;
    m_project = m_folder + u"/work.ppc"_qs;
    m_baseProject = qlt::test::TestHome() + u"/base/work.ppc"_qs;
    ASSERT_TRUE(CPowerLossVfs::Install());
  }
  void TearDown() override {
    CPowerLossDisk::Instance().Stop();
    CPowerLossVfs::Uninstall();
  }

  // Runs every trial of the family; each must find the old or the new state.
  void RunFamily(const Family& family) {
    CPowerLossDisk& disk = CPowerLossDisk::Instance();
    const QString database = CSessionDatabase::DatabasePath(m_project);
    QDir(QFileInfo(m_baseProject).path()).removeRecursively();
    QDir().mkpath(QFileInfo(m_baseProject).path());
    // Modelled only so that its syncs do not wait for the real device.
    disk.Start(QFileInfo(m_baseProject).path());
    ASSERT_NO_FATAL_FAILURE(family.setUp(m_baseProject));
    disk.Stop();
    // Each trial starts from these files, written without a sync to the real device.
    const std::map<QString, QByteArray> start = FolderFiles(QFileInfo(m_baseProject).path());
    ASSERT_TRUE(WriteFolder(m_folder, start));
    const QStringList before = State(database);

    // With the power on: the changes the operation makes and the state it leaves.
    disk.Start(m_folder);
    ASSERT_TRUE(family.run(m_project));
    const int changes = disk.Changes();
    const std::vector<int> syncs = disk.SyncPoints();
    disk.Stop();
    const QStringList after = State(database);
    ASSERT_NE(before, after);
    ASSERT_FALSE(syncs.empty());

    int failures = 0;
    int oldStates = 0;
    int newStates = 0;
    const std::vector<PowerLossTrial> trials =
        qlt::test::PowerLossTrials(family.name.c_str(), changes, syncs);
    for (const PowerLossTrial& trial : trials) {
      ASSERT_TRUE(WriteFolder(m_folder, start));
      disk.Start(m_folder);
      disk.CutAt(trial.change, trial.landing, trial.seed);
      const bool reported = family.run(m_project);
      ASSERT_TRUE(disk.Restart());
      if (trial.recoveryChange > 0) {
        disk.CutAt(trial.recoveryChange, trial.landing, trial.seed + 1);
        OpenAndRun(m_project, [](CSessionDatabase&) { return true; });
        ASSERT_TRUE(disk.Restart());
      }
      // The restarted program opens the files as the cut left them; the raw view then reads the
      // same files again.
      const std::map<QString, QByteArray> files = FolderFiles(m_folder);
      const bool opens = OpenAndRun(m_project, [](CSessionDatabase&) { return true; });
      ASSERT_TRUE(WriteFolder(m_folder, files));
      disk.Start(m_folder);
      const QStringList now = State(database);
      const bool missing = now == QStringList{u"<no database>"_qs};
      QString integrity = u"ok"_qs;
      if (!missing) integrity = qlt::test::IntegrityCheck(database);
      disk.Stop();
      oldStates += now == before;
      newStates += now == after;
      const bool sound =
          (now == after || (!reported && now == before)) && integrity == u"ok"_qs && opens;
      if (!sound && ++failures <= 3) {
        ADD_FAILURE() << family.name << ": power cut at change " << trial.change << " of "
                      << changes << " (0: after it returned), landing "
                      << static_cast<int>(trial.landing) << ", seed " << trial.seed
                      << ", recovery cut " << trial.recoveryChange << "; reported "
                      << (reported ? "success" : "failure") << ", integrity "
                      << integrity.toStdString() << ", opens " << opens << "\nnow:\n"
                      << now.join(u'\n').toStdString() << "\nbefore:\n"
                      << before.join(u'\n').toStdString() << "\nafter:\n"
                      << after.join(u'\n').toStdString();
      }
    }
    EXPECT_EQ(failures, 0) << family.name << ": " << failures << " of " << trials.size()
                           << " trials lost or mixed the state";
    // Both outcomes occur: the cuts fall before and after the operation's commit point.
    EXPECT_GT(oldStates, 0) << family.name;
    EXPECT_GT(newStates, 0) << family.name;
    std::printf("[power loss] %s: %d old, %d new, %d unsound\n", family.name.c_str(), oldStates,
                newStates, failures);
  }

  qlt::test::CScopedServices m_services;
  QString m_folder;
  QString m_project;
  QString m_baseProject;
};

TEST_F(SessionDatabasePowerLoss, EveryCutLeavesTheOldOrTheNewStateAndKeepsWhatWasReported) {
  for (const Family& family : Families()) {
    SCOPED_TRACE(family.name);
    RunFamily(family);
  }
}

}  // namespace

namespace {

// The journal of a commit is deleted; at the default level nothing makes that deletion durable,
// so after a power cut the journal comes back and rolls the reported commit back. The level the
// database uses syncs the folder after it. (A control of the simulation as much as of the level.)
TEST_F(SessionDatabasePowerLoss, OnlyTheDatabaseLevelKeepsACommitThatWasFollowedByACut) {
  CPowerLossDisk& disk = CPowerLossDisk::Instance();
  const QString database = m_folder + u"/raw.ppd"_qs;
  const struct {
    const char* level;
    const char* rows;
  } cases[] = {{"FULL", "0"}, {"EXTRA", "1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    QDir(m_folder).removeRecursively();
    ASSERT_TRUE(qlt::test::WriteFileBytes(database, QByteArray()));  // an empty database
    {
      qlt::test::RawDb raw(database);
      ASSERT_TRUE(raw.Exec(u"CREATE TABLE t(x);"_qs));
    }
    disk.Start(m_folder);
    {
      qlt::test::RawDb raw(database);
      ASSERT_TRUE(raw.Exec(QStringLiteral("PRAGMA synchronous=%1;").arg(c.level)));
      ASSERT_TRUE(raw.Exec(u"INSERT INTO t VALUES(1);"_qs));
    }
    disk.CutAt(0, CPowerLossDisk::Landing::kNothing, 0);
    ASSERT_TRUE(disk.Restart());
    EXPECT_EQ(qlt::test::RawDb(database).Value(u"SELECT COUNT(*) FROM t;"_qs), c.rows);
    disk.Stop();
  }
}

// A power cut during the first write of a new database, where the disk kept a later page but not
// the first: the file starts with zeros and its journal lies beside it. The restarted program
// opens it (the journal takes it back to empty) instead of calling it a file of another kind.
TEST_F(SessionDatabasePowerLoss, NewDatabaseThatLostItsFirstPageOpens) {
  CPowerLossDisk& disk = CPowerLossDisk::Instance();
  const QString database = CSessionDatabase::DatabasePath(m_project);
  QDir(m_folder).removeRecursively();
  disk.Start(m_folder);
  ASSERT_TRUE(OpenAndRun(m_project, [](CSessionDatabase&) { return true; }));
  const int lastSync = disk.SyncPoints().back();
  disk.Stop();

  // Cut at the last sync, the folder's after the journal was deleted: the file is complete and
  // the journal comes back. Then the first page goes as if it had never landed.
  QDir(m_folder).removeRecursively();
  disk.Start(m_folder);
  disk.CutAt(lastSync, CPowerLossDisk::Landing::kNothing, 0);
  OpenAndRun(m_project, [](CSessionDatabase&) { return true; });
  ASSERT_TRUE(disk.Restart());
  disk.Stop();
  QByteArray bytes = qlt::test::ReadFileBytes(database);
  ASSERT_GT(bytes.size(), 4096);
  ASSERT_TRUE(QFile::exists(database + u"-journal"_qs));
  bytes.replace(0, 4096, QByteArray(4096, '\0'));
  ASSERT_TRUE(qlt::test::WriteFileBytes(database, bytes));

  CSessionDatabase db;
  EXPECT_TRUE(db.OpenPath(m_project));
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
  EXPECT_EQ(db.ListCount(), 0);
  EXPECT_FALSE(QFile::exists(database + u"-journal"_qs));
}

}  // namespace
