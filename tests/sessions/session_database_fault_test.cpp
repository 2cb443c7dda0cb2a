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
#include "support/session_operations.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::IntegrityCheck;
using qlt::test::Snapshot;

using Operation = qlt::test::SessionOperation;

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
  for (const Operation& operation : qlt::test::SessionOperations()) {
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
  for (const Operation& operation : qlt::test::SessionOperations()) {
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
  for (const Operation& operation : qlt::test::SessionOperations()) {
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
