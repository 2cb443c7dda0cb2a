// The fault family of the session database: every write and every sync of an operation fails in
// turn (1, 2, ... N) through the fault VFS; afterwards the file holds the old state or the new
// one, never a mix, passes SQLite's integrity check, and the same open database goes on working.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/fault_vfs.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/session_files.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::IntegrityCheck;
using qlt::test::Snapshot;

struct Operation {
  const char* name;
  // Prepares the database the operation starts from (runs without faults).
  std::function<void(CSessionDatabase&)> setUp;
  // The operation under test; its result is what the caller would see.
  std::function<bool(CSessionDatabase&)> run;
};

CSessionPtr MakeSession(const QUuid& guid, qlt::test::SessionValues values) {
  CSessionPtr session = qlt::test::NewSession(values);
  session->SetGuid(guid);
  return session;
}

const QUuid kFirst(0x11111111, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1);
const QUuid kSecond(0x22222222, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2);
const QUuid kThird(0x33333333, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3);

void StoreTwo(CSessionDatabase& db) {
  ASSERT_TRUE(db.SaveSession(*MakeSession(
      kFirst, {{"a", CVariant::FromString(u"one"_qs)}, {"b", CVariant::FromDouble(1.5)}})));
  CSessionPtr sent = MakeSession(kSecond, {{"a", CVariant::FromString(u"two"_qs)}});
  sent->SetState(CSession::kStateSent);
  ASSERT_TRUE(db.SaveSession(*sent));
}

std::vector<Operation> Operations() {
  return {
      {"first save rebuilds the table", [](CSessionDatabase&) {},
       [](CSessionDatabase& db) {
         return db.SaveSession(*MakeSession(
             kThird, {{"x", CVariant::FromString(u"new"_qs)}, {"y", CVariant::FromInt32(4)}}));
       }},
      {"save adding columns", StoreTwo,
       [](CSessionDatabase& db) {
         return db.SaveSession(*MakeSession(kThird, {{"a", CVariant::FromString(u"three"_qs)},
                                                     {"c", CVariant::FromInt32(3)},
                                                     {"d", CVariant::FromBytes("photo")}}));
       }},
      {"save replacing a row", StoreTwo,
       [](CSessionDatabase& db) {
         return db.SaveSession(
             *MakeSession(kFirst, {{"a", CVariant::FromString(u"changed"_qs)}, {"b", CVariant()}}));
       }},
      {"delete", StoreTwo, [](CSessionDatabase& db) { return db.DeleteSession(kFirst); }},
      {"state", StoreTwo,
       [](CSessionDatabase& db) { return db.SetSessionState(kFirst, CSession::kStateDeleted); }},
      {"flags", StoreTwo, [](CSessionDatabase& db) { return db.SetSessionFlags(kSecond, 2); }},
      {"purge", StoreTwo, [](CSessionDatabase& db) { return db.Purge(0); }},
      {"sort index", StoreTwo,
       [](CSessionDatabase& db) { return db.SetSort(0, u"a"_qs, true, false); }},
      {"transaction of two saves", StoreTwo,
       [](CSessionDatabase& db) {
         if (!db.BeginTransaction()) return false;
         const bool saved =
             db.SaveSession(*MakeSession(kThird, {{"e", CVariant::FromString(u"3"_qs)}})) &&
             db.SaveSession(*MakeSession(kFirst, {{"a", CVariant::FromString(u"1b"_qs)}}));
         return db.EndTransaction(saved) && saved;
       }},
  };
}

class SessionDatabaseFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_base = qlt::test::TestHome() + QStringLiteral("/data/base.ppc");
    m_work = qlt::test::TestHome() + QStringLiteral("/data/work.ppc");
    m_services.SetNow(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
  }
  void TearDown() override {
    CFaultVfs::Instance().Disarm();
    CFaultVfs::Instance().Uninstall();
  }

  QString BasePath() const { return CSessionDatabase::DatabasePath(m_base); }
  QString WorkPath() const { return CSessionDatabase::DatabasePath(m_work); }

  // The starting file, and the snapshots before and after the operation when nothing fails.
  void Prepare(const Operation& operation, QStringList& before, QStringList& after) {
    QFile::remove(BasePath());
    {
      CSessionDatabase db;
      ASSERT_TRUE(db.OpenPath(m_base));
      operation.setUp(db);
    }
    before = Snapshot(BasePath());
    QFile::remove(WorkPath());
    QFile::remove(WorkPath() + QStringLiteral("-journal"));
    ASSERT_TRUE(QFile::copy(BasePath(), WorkPath()));
    {
      CSessionDatabase db;
      ASSERT_TRUE(db.OpenPath(m_work));
      ASSERT_TRUE(operation.run(db));
    }
    after = Snapshot(WorkPath());
    ASSERT_NE(before, after);
    QFile::remove(WorkPath());
  }

  // Runs the operation with the `count`-th operation of the kind failing; false once the
  // operation finished before reaching it.
  bool RunWithFault(const Operation& operation, CFaultVfs::Operation kind, int count, int error,
                    bool sticky, bool torn, const QStringList& before, const QStringList& after) {
    const std::string label =
        std::string(operation.name) + (kind == CFaultVfs::Operation::Write ? " write " : " sync ") +
        std::to_string(count) + (sticky ? " sticky" : "") + (torn ? " torn" : "");
    SCOPED_TRACE(label);
    QFile::remove(WorkPath());
    QFile::remove(WorkPath() + QStringLiteral("-journal"));
    EXPECT_TRUE(QFile::copy(BasePath(), WorkPath()));
    CFaultVfs& vfs = CFaultVfs::Instance();
    EXPECT_TRUE(vfs.Install());
    CSessionDatabase db;
    const bool opened = db.OpenPath(m_work);
    vfs.Uninstall();  // the open database keeps the shim
    EXPECT_TRUE(opened);
    if (!opened) return false;

    vfs.FailAt(kind, count, error, sticky, torn);
    const bool result = operation.run(db);
    const bool fired = vfs.Fired();
    vfs.Disarm();
    if (fired && !sticky) {
      // The same open database goes on: the operation now succeeds and the file is the new state.
      if (!result) {
        EXPECT_TRUE(operation.run(db));
      }
      db.Close();
      EXPECT_EQ(Snapshot(WorkPath()), after);
    } else {
      db.Close();
      const QStringList now = Snapshot(WorkPath());
      EXPECT_EQ(now, result ? after : before);
    }
    EXPECT_EQ(IntegrityCheck(WorkPath()), u"ok"_qs);
    // Reopened normally, the file is usable.
    CSessionDatabase reopened(nullptr);
    EXPECT_TRUE(reopened.OpenPath(m_work));
    return fired;
  }

  CScopedServices m_services;
  QString m_base;
  QString m_work;
};

TEST_F(SessionDatabaseFaultTest, EveryFailedWriteOrSyncLeavesTheOldOrTheNewState) {
  for (const Operation& operation : Operations()) {
    QStringList before;
    QStringList after;
    ASSERT_NO_FATAL_FAILURE(Prepare(operation, before, after)) << operation.name;
    for (CFaultVfs::Operation kind : {CFaultVfs::Operation::Write, CFaultVfs::Operation::Sync}) {
      const int error =
          kind == CFaultVfs::Operation::Write ? SQLITE_IOERR_WRITE : SQLITE_IOERR_FSYNC;
      int count = 1;
      while (RunWithFault(operation, kind, count, error, false, false, before, after)) {
        ASSERT_LT(++count, 200) << operation.name;
      }
      // The operation does write and sync: the family is not empty.
      EXPECT_GT(count, 1) << operation.name;
    }
  }
}

TEST_F(SessionDatabaseFaultTest, TornWritesLeaveTheOldOrTheNewState) {
  for (const Operation& operation : Operations()) {
    QStringList before;
    QStringList after;
    ASSERT_NO_FATAL_FAILURE(Prepare(operation, before, after)) << operation.name;
    int count = 1;
    while (RunWithFault(operation, CFaultVfs::Operation::Write, count, SQLITE_IOERR_WRITE, false,
                        true, before, after)) {
      ASSERT_LT(++count, 200) << operation.name;
    }
  }
}

TEST_F(SessionDatabaseFaultTest, FullDiskFromTheNthWriteOnLeavesTheOldState) {
  for (const Operation& operation : Operations()) {
    QStringList before;
    QStringList after;
    ASSERT_NO_FATAL_FAILURE(Prepare(operation, before, after)) << operation.name;
    int count = 1;
    while (RunWithFault(operation, CFaultVfs::Operation::Write, count, SQLITE_FULL, true, false,
                        before, after)) {
      ASSERT_LT(++count, 200) << operation.name;
    }
  }
}

}  // namespace
