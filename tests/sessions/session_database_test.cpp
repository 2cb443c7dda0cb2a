// The session database on real SQLite files in the test's temporary home: the statements it
// runs, opening and the schema, the point columns and their encodings, loading, the list, sort,
// purge, transactions, and bad or locked files.
#include "sessions/session_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "sessions/session.h"
#include "sessions/session_sql.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/session_files.h"
#include "values/archive.h"
#include "values/file_blob.h"
#include "values/safe_array.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::NewSession;
using qlt::test::RawDb;
using qlt::test::ReadFileBytes;
using qlt::test::Snapshot;
using qlt::test::WriteFileBytes;

class SessionDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_project = qlt::test::TestHome() + QStringLiteral("/data/Demo.v2.ppc");
    m_path = CSessionDatabase::DatabasePath(m_project);
  }
  void TearDown() override { m_db.Close(); }

  CScopedServices m_services;
  QString m_project;
  QString m_path;
  CSessionDatabase m_db;
};

// ---- statements

TEST(SessionDatabaseSql, FixedTextsAreTheSystemsOwn) {
  EXPECT_STREQ(SessionSql::kSqlUserVersion, "PRAGMA user_version;");
  EXPECT_STREQ(SessionSql::kSqlSetUserVersion, "PRAGMA user_version=2;");
  EXPECT_STREQ(SessionSql::kSqlCreateMap,
               "CREATE TABLE IF NOT EXISTS map(point TEXT NOT NULL PRIMARY KEY,target INTEGER NOT "
               "NULL,indexed INTEGER NOT NULL);");
  EXPECT_STREQ(SessionSql::kSqlCreateSession,
               "CREATE TABLE IF NOT EXISTS session(guid BLOB NOT NULL PRIMARY KEY,created INTEGER "
               "NOT NULL,saved INTEGER NOT NULL,flags INTEGER NOT NULL,unit_id TEXT NOT NULL, "
               "state INTEGER NOT NULL, state_time INTEGER NOT NULL);");
  EXPECT_STREQ(SessionSql::kSqlLoadMap, "SELECT point, target, indexed FROM map;");
  EXPECT_STREQ(SessionSql::kSqlInsertMap,
               "INSERT INTO map( point, target, indexed ) VALUES( ?, ?, ? );");
  EXPECT_STREQ(SessionSql::kSqlDeleteMap, "DELETE FROM map WHERE point=?;");
  EXPECT_STREQ(SessionSql::kSqlDropSession, "DROP TABLE session;");
  EXPECT_STREQ(SessionSql::kSqlSelectSession, "SELECT * FROM session WHERE guid=?;");
  EXPECT_STREQ(SessionSql::kSqlDeleteSession, "DELETE FROM session WHERE guid=?;");
  EXPECT_STREQ(SessionSql::kSqlSetFlags, "UPDATE session SET flags=? WHERE guid=?;");
  EXPECT_STREQ(SessionSql::kSqlSetState, "UPDATE session SET state=?, state_time=? WHERE guid=?;");
  EXPECT_STREQ(SessionSql::kSqlPurge, "DELETE FROM session WHERE state>0 AND state_time<?;");
  EXPECT_STREQ(SessionSql::kSqlBegin, "BEGIN TRANSACTION;");
  EXPECT_STREQ(SessionSql::kSqlCommit, "COMMIT TRANSACTION;");
  EXPECT_STREQ(SessionSql::kSqlRollback, "ROLLBACK TRANSACTION;");
  EXPECT_STREQ(SessionSql::kSqlCountStates, "SELECT COUNT(*), state FROM session GROUP BY state;");
  EXPECT_STREQ(SessionSql::kSqlSetIndexed, "UPDATE map SET indexed=? WHERE point=?;");
}

TEST(SessionDatabaseSql, BuiltStatementsReadAsWritten) {
  EXPECT_EQ(CSessionDatabase::StandardIndexSql("created"),
            "CREATE INDEX IF NOT EXISTS created ON session( state, created );");
  EXPECT_EQ(CSessionDatabase::StandardIndexSql("unit_id"),
            "CREATE INDEX IF NOT EXISTS unit_id ON session( state, unit_id );");
  EXPECT_EQ(CSessionDatabase::AddColumnSql(17), "ALTER TABLE session ADD COLUMN c17 BLOB NULL;");
  EXPECT_EQ(CSessionDatabase::RebuildSql({0, 1}),
            "CREATE TABLE session(guid BLOB NOT NULL PRIMARY KEY,created INTEGER NOT NULL,saved "
            "INTEGER NOT NULL,flags INTEGER NOT NULL,unit_id TEXT NOT NULL, state INTEGER NOT "
            "NULL, state_time INTEGER NOT NULL,c0 BLOB NULL,c1 BLOB NULL);");
  EXPECT_EQ(CSessionDatabase::SaveSql({3, 0}),
            "INSERT OR REPLACE INTO session( guid, created, saved, flags, unit_id, state, "
            "state_time, c3, c0 ) VALUES( ?, ?, ?, ?, ?, ?, ?, ?, ? );");
  EXPECT_EQ(CSessionDatabase::SaveSql({}),
            "INSERT OR REPLACE INTO session( guid, created, saved, flags, unit_id, state, "
            "state_time ) VALUES( ?, ?, ?, ?, ?, ?, ? );");
  EXPECT_EQ(CSessionDatabase::ListSql(0, 1, false, false),
            "SELECT guid, flags FROM session WHERE state=0 ORDER BY created ASC;");
  EXPECT_EQ(CSessionDatabase::ListSql(2, 9, true, true),
            "SELECT guid, flags FROM session WHERE state=2 ORDER BY CAST( c2 AS REAL ) DESC;");
  EXPECT_EQ(CSessionDatabase::SortIndexSql(4), "CREATE INDEX i4 ON session( state, c4 );");
  EXPECT_EQ(CSessionDatabase::QuerySql(QString(u"ADx"_qs), {2, 0}, 5u, 7u, true, false),
            "SELECT guid, saved, c2, c0 FROM session WHERE 1 AND state IN( 100, 0, 2 ) AND ( "
            "(c5 LIKE ? ESCAPE '!') OR (c5 LIKE ? ESCAPE '!') OR (c5 LIKE ? ESCAPE '!') OR (c5 "
            "LIKE ? ESCAPE '!') ) ORDER BY CAST( c7 AS REAL ) ASC;");
  EXPECT_EQ(CSessionDatabase::QuerySql(std::nullopt, {}, std::nullopt, std::nullopt, false, true),
            "SELECT guid, saved FROM session WHERE 1 ORDER BY saved DESC;");
  EXPECT_EQ(CSessionDatabase::QuerySql(QString(u"as"_qs), {1}, std::nullopt, 1u, false, false),
            "SELECT guid, saved, c1 FROM session WHERE 1 AND state IN( 100 ) ORDER BY c1 ASC;");
  EXPECT_EQ(CSessionDatabase::EscapeLike(u"a!b%c_d"_qs), u"a!!b!%c!_d"_qs);
}

TEST(SessionDatabaseSql, PathIsTheProjectPathWithItsExtensionReplaced) {
  EXPECT_EQ(CSessionDatabase::DatabasePath(u"/d/Demo.ppc"_qs), u"/d/Demo.ppd"_qs);
  EXPECT_EQ(CSessionDatabase::DatabasePath(u"/d/Demo.v2.ppc"_qs), u"/d/Demo.v2.ppd"_qs);
  // A "." in a folder name is not the file's.
  EXPECT_EQ(CSessionDatabase::DatabasePath(u"/d.x/Demo"_qs), u"/d.x/Demo.ppd"_qs);
}

// ---- opening and the schema

TEST_F(SessionDatabaseTest, NewFileGetsTablesIndexesAndVersion) {
  ASSERT_FALSE(QFile::exists(m_path));
  const uint32_t before = m_db.ChangeCounter();
  EXPECT_FALSE(m_db.Open());  // without a project there is no path to open
  ASSERT_TRUE(m_db.OpenPath(m_project));
  EXPECT_TRUE(m_db.IsOpen());
  EXPECT_EQ(m_db.ChangeCounter(), before + 1);
  EXPECT_TRUE(m_db.PointMap().isEmpty());
  EXPECT_EQ(m_db.ListCount(), 0);
  m_db.Close();
  EXPECT_EQ(m_db.ChangeCounter(), before + 2);

  RawDb raw(m_path);
  EXPECT_EQ(raw.Value(u"PRAGMA user_version;"_qs), u"2"_qs);
  EXPECT_EQ(raw.Value(u"PRAGMA encoding;"_qs), u"UTF-16le"_qs);
  EXPECT_EQ(raw.Rows(u"SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;"_qs),
            QStringList({u"map"_qs, u"session"_qs}));
  EXPECT_EQ(raw.Rows(u"SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL "
                     "ORDER BY name;"_qs),
            QStringList({u"created"_qs, u"flags"_qs, u"saved"_qs, u"unit_id"_qs}));
  EXPECT_EQ(raw.Value(u"SELECT COUNT(*) FROM map;"_qs), u"0"_qs);
}

TEST_F(SessionDatabaseTest, EmptyFileOpensAsANewDatabase) {
  QDir().mkpath(QFileInfo(m_path).path());
  WriteFileBytes(m_path, QByteArray());
  ASSERT_TRUE(QFile::exists(m_path));
  ASSERT_TRUE(m_db.OpenPath(m_project));
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
  m_db.Close();
  EXPECT_EQ(RawDb(m_path).Value(u"PRAGMA user_version;"_qs), u"2"_qs);
}

TEST_F(SessionDatabaseTest, ForeignFileIsRefusedWithItsMessageAndLeftAsItWas) {
  QDir().mkpath(QFileInfo(m_path).path());
  const QByteArray bytes = "PK\x03\x04 this is a zip, not a session database";
  WriteFileBytes(m_path, bytes);
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_FALSE(m_db.IsOpen());
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages()[0].text, u"Database.UnrecognizedPPD"_qs);
  EXPECT_EQ(ReadFileBytes(m_path), bytes);
}

TEST_F(SessionDatabaseTest, OlderFormatIsRefusedSilentlyAndLeftAsItWas) {
  QDir().mkpath(QFileInfo(m_path).path());
  const QByteArray bytes = QByteArray("CADB") + QByteArray(600, '\x07');
  WriteFileBytes(m_path, bytes);
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
  EXPECT_EQ(ReadFileBytes(m_path), bytes);
}

TEST_F(SessionDatabaseTest, FileThatOnlyBeginsLikeSqliteIsRefusedAndLeftAsItWas) {
  QDir().mkpath(QFileInfo(m_path).path());
  const QByteArray bytes = QByteArray("SQLi") + QByteArray(5000, '\xA5');
  WriteFileBytes(m_path, bytes);
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_FALSE(m_db.IsOpen());
  EXPECT_EQ(ReadFileBytes(m_path), bytes);
}

TEST_F(SessionDatabaseTest, NewerSchemaIsRefusedAndLeftAsItWas) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  m_db.Close();
  RawDb(m_path).Exec(u"PRAGMA user_version=3;"_qs);
  const QByteArray bytes = ReadFileBytes(m_path);
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_EQ(ReadFileBytes(m_path), bytes);
}

TEST_F(SessionDatabaseTest, MissingMapTableIsRefusedAndLeftAsItWas) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  m_db.Close();
  RawDb(m_path).Exec(u"DROP TABLE map;"_qs);
  const QByteArray bytes = ReadFileBytes(m_path);
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_EQ(ReadFileBytes(m_path), bytes);

  // The same file as version 1: the upgrade is not kept when the file proves unusable.
  RawDb(m_path).Exec(u"PRAGMA user_version=1;"_qs);
  const QByteArray version1 = ReadFileBytes(m_path);
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_EQ(ReadFileBytes(m_path), version1);
}

TEST_F(SessionDatabaseTest, VersionOneFileIsUpgradedWithoutLosingRows) {
  QDir().mkpath(QFileInfo(m_path).path());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(m_path.toUtf8().constData(), &db), SQLITE_OK);
  for (const char* sql :
       {SessionSql::kSqlCreateMap, SessionSql::kSqlCreateSession,
        "INSERT INTO map VALUES('colour', 0, 0);", "ALTER TABLE session ADD COLUMN c0 BLOB NULL;",
        "INSERT INTO session VALUES(x'00112233445566778899AABBCCDDEEFF', 1, 2, 0, 'U1', 0, 0, "
        "'red');",
        "PRAGMA user_version=1;"}) {
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  }
  sqlite3_close(db);

  ASSERT_TRUE(m_db.OpenPath(m_project));
  EXPECT_EQ(m_db.StateCount(0), 1);
  const CSessionPtr session = m_db.ListSessionAt(0, false);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->GuidText(), u"33221100-5544-7766-8899-AABBCCDDEEFF"_qs);
  EXPECT_EQ(session->GetValueText(u"Colour"_qs), u"red"_qs);
  EXPECT_EQ(session->UnitId(), u"U1"_qs);
  m_db.Close();
  RawDb raw(m_path);
  EXPECT_EQ(raw.Value(u"PRAGMA user_version;"_qs), u"2"_qs);
  EXPECT_EQ(raw.Rows(u"SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL "
                     "ORDER BY name;"_qs),
            QStringList({u"created"_qs, u"flags"_qs, u"saved"_qs, u"unit_id"_qs}));
}

TEST_F(SessionDatabaseTest, UnwritableFileIsRefusedAndLeftAsItWas) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  ASSERT_TRUE(m_db.OpenPath(m_project));
  ASSERT_TRUE(m_db.SaveSession(*NewSession({{"a", CVariant::FromString(u"1"_qs)}})));
  m_db.Close();
  QFile::setPermissions(m_path, QFileDevice::ReadOwner);
  const QByteArray bytes = ReadFileBytes(m_path);
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_EQ(ReadFileBytes(m_path), bytes);
}

TEST_F(SessionDatabaseTest, LockedDatabaseFailsCleanly) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  ASSERT_TRUE(m_db.SaveSession(*NewSession({{"a", CVariant::FromString(u"1"_qs)}})));
  m_db.Close();

  RawDb other(m_path);
  ASSERT_TRUE(other.Exec(u"BEGIN EXCLUSIVE;"_qs));
  EXPECT_FALSE(m_db.OpenPath(m_project));
  EXPECT_FALSE(m_db.IsOpen());
  ASSERT_TRUE(other.Exec(u"COMMIT;"_qs));

  // Locked while open: a save that needs a new column fails and leaves the map as it was.
  ASSERT_TRUE(m_db.OpenPath(m_project));
  const auto map = m_db.PointMap();
  ASSERT_TRUE(other.Exec(u"BEGIN EXCLUSIVE;"_qs));
  CSessionPtr session = NewSession(
      {{"a", CVariant::FromString(u"2"_qs)}, {"b", CVariant::FromString(u"new point"_qs)}});
  EXPECT_FALSE(m_db.SaveSession(*session));
  EXPECT_TRUE(session->IsNew());
  EXPECT_EQ(m_db.PointMap(), map);
  EXPECT_FALSE(m_db.DeleteSession(session->Guid()));
  ASSERT_TRUE(other.Exec(u"COMMIT;"_qs));

  // Once the lock is gone the same database works again.
  EXPECT_TRUE(m_db.SaveSession(*session));
  EXPECT_FALSE(session->IsNew());
  EXPECT_EQ(m_db.StateCount(0), 2);
  EXPECT_EQ(m_db.LoadSession(session->Guid(), false)->GetValueText(u"b"_qs), u"new point"_qs);
}

// ---- columns, encodings, loading

TEST_F(SessionDatabaseTest, FirstSaveRebuildsTheTableInValueOrder) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  CSessionPtr session = NewSession({{"Alpha", CVariant::FromString(u"a"_qs)},
                                    {"beta", CVariant::FromInt32(2)},
                                    {"gamma", CVariant::FromDouble(3.5)}});
  ASSERT_TRUE(m_db.SaveSession(*session));
  EXPECT_EQ(m_db.PointMap().size(), 3);
  // Column numbers follow the value map's walk order.
  uint32_t expected = 0;
  session->Values().ForEach([&](const QString& key, const CVariant&) {
    EXPECT_EQ(m_db.PointMap().value(key), expected++) << key.toStdString();
  });
  m_db.Close();
  RawDb raw(m_path);
  EXPECT_EQ(raw.Rows(u"SELECT name FROM pragma_table_info('session');"_qs),
            QStringList({u"guid"_qs, u"created"_qs, u"saved"_qs, u"flags"_qs, u"unit_id"_qs,
                         u"state"_qs, u"state_time"_qs, u"c0"_qs, u"c1"_qs, u"c2"_qs}));
  EXPECT_EQ(raw.Rows(u"SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL "
                     "ORDER BY name;"_qs),
            QStringList({u"created"_qs, u"flags"_qs, u"saved"_qs, u"unit_id"_qs}));
}

TEST_F(SessionDatabaseTest, RebuildKeepsStoredSessions) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  // Sessions without values in states the list does not show (and one it shows, of another
  // state than the list's) leave the map empty and the list of the shown state empty.
  CSessionPtr sent = NewSession();
  sent->SetState(CSession::kStateSent);
  CSessionPtr deleted = NewSession();
  deleted->SetState(CSession::kStateDeleted);
  CSessionPtr odd = NewSession();
  odd->SetState(7);
  ASSERT_TRUE(m_db.SaveSession(*sent));
  ASSERT_TRUE(m_db.SaveSession(*deleted));
  ASSERT_TRUE(m_db.SaveSession(*odd));
  ASSERT_TRUE(m_db.PointMap().isEmpty());
  ASSERT_EQ(m_db.ListCount(), 0);

  CSessionPtr withValues = NewSession({{"colour", CVariant::FromString(u"red"_qs)}});
  ASSERT_TRUE(m_db.SaveSession(*withValues));
  for (const CSessionPtr& stored : {sent, deleted, odd, withValues}) {
    const CSessionPtr loaded = m_db.LoadSession(stored->Guid(), false);
    ASSERT_TRUE(loaded) << stored->GuidText().toStdString();
    EXPECT_EQ(loaded->State(), stored->State());
  }
  EXPECT_EQ(m_db.StateCount(0), 1);
  EXPECT_EQ(m_db.StateCount(1), 1);
  EXPECT_EQ(m_db.StateCount(2), 1);
  EXPECT_EQ(m_db.LoadSession(withValues->Guid(), false)->GetValueText(u"colour"_qs), u"red"_qs);
}

TEST_F(SessionDatabaseTest, NewPointGetsTheNextColumnAndOlderSessionsLackIt) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  CSessionPtr first =
      NewSession({{"a", CVariant::FromString(u"1"_qs)}, {"b", CVariant::FromString(u"2"_qs)}});
  ASSERT_TRUE(m_db.SaveSession(*first));
  CSessionPtr second =
      NewSession({{"a", CVariant::FromString(u"3"_qs)}, {"c", CVariant::FromString(u"new"_qs)}});
  ASSERT_TRUE(m_db.SaveSession(*second));
  EXPECT_EQ(m_db.PointMap().value(u"c"_qs), 2u);

  const CSessionPtr older = m_db.LoadSession(first->Guid(), false);
  ASSERT_TRUE(older);
  EXPECT_EQ(older->Values().Find(u"c"_qs), nullptr);
  EXPECT_EQ(older->GetValueText(u"b"_qs), u"2"_qs);
  const CSessionPtr newer = m_db.LoadSession(second->Guid(), false);
  EXPECT_EQ(newer->GetValueText(u"c"_qs), u"new"_qs);
  EXPECT_EQ(newer->Values().Find(u"b"_qs), nullptr);
  m_db.Close();
  EXPECT_EQ(RawDb(m_path).Value(u"SELECT target FROM map WHERE point='c';"_qs), u"2"_qs);
}

TEST_F(SessionDatabaseTest, ValuesAreStoredInTheirStorageClasses) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  CSessionPtr session = NewSession({{"int", CVariant::FromInt32(12)},
                                    {"text", CVariant::FromString(u"12"_qs)},
                                    {"real", CVariant::FromDouble(1.5)},
                                    {"empty", CVariant()}});
  ASSERT_TRUE(m_db.SaveSession(*session));
  const auto map = m_db.PointMap();
  m_db.Close();
  RawDb raw(m_path);
  auto cell = [&](const char* name) {
    return raw.Value(QStringLiteral("SELECT typeof(c%1) || ':' || quote(c%1) FROM session;")
                         .arg(map.value(QString::fromLatin1(name))));
  };
  EXPECT_EQ(cell("int"), u"integer:12"_qs);
  EXPECT_EQ(cell("text"), u"text:'12'"_qs);
  EXPECT_EQ(cell("real"), u"blob:X'0500000000000000F83F'"_qs);
  EXPECT_EQ(cell("empty"), u"null:NULL"_qs);
  // The fixed columns: the FILETIME of the session's local times, flags, unit, state.
  EXPECT_EQ(raw.Value(u"SELECT created, typeof(saved), flags, unit_id, state, state_time FROM "
                      "session;"_qs),
            QStringLiteral("%1|integer|0|%2|0|0")
                .arg(session->Created().ToFileTime())
                .arg(session->UnitId()));
}

CVariantMap EveryType() {
  CVariantMap values;
  values.SetVariant(u"null"_qs, CVariant::Null());
  values.SetVariant(u"i2"_qs, CVariant::FromInt16(-1234));
  values.SetVariant(u"i4"_qs, CVariant::FromInt32(-2000000000));
  values.SetVariant(u"r4"_qs, CVariant::FromFloat(1.25f));
  values.SetVariant(u"r8"_qs, CVariant::FromDouble(-0.1));
  values.SetVariant(u"cy"_qs, CVariant::FromCurrency(-123456789012LL));
  values.SetVariant(u"date"_qs, CVariant::FromDate(45365.75));
  values.SetVariant(u"text"_qs, CVariant::FromString(QStringLiteral("Grüße 😀 a,b \"q\"\nline")));
  values.SetVariant(u"nul"_qs, CVariant::FromString(QString(u"a\0b"_qs)));
  values.SetVariant(u"emptytext"_qs, CVariant::FromString(QString(u""_qs)));
  values.SetVariant(u"error"_qs, CVariant::FromError(static_cast<int32_t>(0x80020004)));
  values.SetVariant(u"bool"_qs, CVariant::FromBool(true));
  values.SetVariant(u"i1"_qs, CVariant::FromInt8(-5));
  values.SetVariant(u"ui1"_qs, CVariant::FromByte(200));
  values.SetVariant(u"ui2"_qs, CVariant::FromInteger(kVtUi2, 65000));
  values.SetVariant(u"ui4"_qs, CVariant::FromInteger(kVtUi4, 4000000000LL));
  values.SetVariant(u"i8"_qs, CVariant::FromInteger(kVtI8, -9000000000000LL));
  values.SetVariant(u"ui8"_qs, CVariant::FromInteger(kVtUi8, 9000000000000LL));
  values.SetVariant(u"int"_qs, CVariant::FromInteger(kVtInt, 77));
  values.SetVariant(u"uint"_qs, CVariant::FromInteger(kVtUint, 78));
  values.SetVariant(u"bytes"_qs, CVariant::FromBytes(QByteArray("\x00\x01\xFFraw", 6)));
  values.SetVariant(u"file"_qs, FileBlob::Make(u"photo.jpg"_qs, QByteArray(3000, '\x5A')));
  CSafeArray strings(kVtBstr, {{0, 3}});
  strings.Strings()[0] = u"one"_qs;
  strings.Strings()[2] = u"three"_qs;
  values.SetVariant(u"strings"_qs, CVariant::FromArray(strings));
  CSafeArray grid(kVtI4, {{1, 2}, {-1, 3}});
  for (qsizetype i = 0; i < grid.RawData().size(); ++i) grid.RawData()[i] = static_cast<char>(i);
  values.SetVariant(u"grid"_qs, CVariant::FromArray(grid));
  CSafeArray reals(kVtR8, {{0, 2}});
  values.SetVariant(u"reals"_qs, CVariant::FromArray(reals));
  return values;
}

TEST_F(SessionDatabaseTest, EveryValueTypeRoundTrips) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  CSessionPtr session = NewSession();
  const CVariantMap values = EveryType();
  session->CopyValues(values);
  session->SetUnitId(u"Unit \"7\""_qs);
  session->AssignFlags(0x80000003u);
  session->SetStateTime(1700000000);
  ASSERT_TRUE(m_db.SaveSession(*session));
  m_db.Close();
  ASSERT_TRUE(m_db.OpenPath(m_project));

  const CSessionPtr loaded = m_db.LoadSession(session->Guid(), false);
  ASSERT_TRUE(loaded);
  EXPECT_FALSE(loaded->IsNew());
  EXPECT_EQ(loaded->Guid(), session->Guid());
  EXPECT_EQ(loaded->Created(), session->Created());
  EXPECT_EQ(loaded->Saved(), session->Saved());
  EXPECT_EQ(loaded->Flags(), 0x80000003u);
  EXPECT_EQ(loaded->UnitId(), u"Unit \"7\""_qs);
  EXPECT_EQ(loaded->State(), 0u);
  EXPECT_EQ(loaded->StateTime(), 1700000000);
  EXPECT_EQ(loaded->Values().Count(), values.Count());
  values.ForEach([&](const QString& key, const CVariant& value) {
    const CVariant* back = loaded->Values().Find(key);
    ASSERT_NE(back, nullptr) << key.toStdString();
    EXPECT_TRUE(*back == value) << key.toStdString();
  });

  // The list loads with placeholders: every BLOB is "(Data)", the rest as stored.
  const CSessionPtr listed = m_db.ListSessionAt(0, true);
  ASSERT_TRUE(listed);
  EXPECT_EQ(listed->GetValueText(u"file"_qs), u"(Data)"_qs);
  EXPECT_EQ(listed->GetValueText(u"r8"_qs), u"(Data)"_qs);
  EXPECT_EQ(listed->GetValueText(u"text"_qs), values.GetText(u"text"_qs));
  EXPECT_TRUE(*listed->Values().Find(u"i4"_qs) == CVariant::FromInt32(-2000000000));
}

TEST_F(SessionDatabaseTest, UndecodableValueFailsOnlyThatSessionAndChangesNothing) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  CSessionPtr good = NewSession({{"photo", CVariant::FromDouble(2.5)}});
  CSessionPtr bad = NewSession({{"photo", CVariant::FromDouble(3.5)}});
  ASSERT_TRUE(m_db.SaveSession(*good));
  ASSERT_TRUE(m_db.SaveSession(*bad));
  const uint32_t column = m_db.PointMap().value(u"photo"_qs);
  m_db.Close();
  {
    RawDb raw(m_path);
    // An array type word with five dimensions, and a truncated double.
    ASSERT_TRUE(raw.Exec(QStringLiteral("UPDATE session SET c%1=x'1120050000000000' WHERE "
                                        "guid=x'%2';")
                             .arg(column)
                             .arg(QString::fromLatin1(CSession::GuidBytes(bad->Guid()).toHex()))));
  }
  const QByteArray bytes = ReadFileBytes(m_path);

  ASSERT_TRUE(m_db.OpenPath(m_project));
  EXPECT_FALSE(m_db.LoadSession(bad->Guid(), false));
  const CSessionPtr stillGood = m_db.LoadSession(good->Guid(), false);
  ASSERT_TRUE(stillGood);
  EXPECT_TRUE(*stillGood->Values().Find(u"photo"_qs) == CVariant::FromDouble(2.5));
  // Placeholders do not decode, so the list still shows it.
  EXPECT_TRUE(m_db.LoadSession(bad->Guid(), true));
  EXPECT_EQ(m_db.ListCount(), 2);
  m_db.Close();
  EXPECT_EQ(ReadFileBytes(m_path), bytes);
}

TEST_F(SessionDatabaseTest, MissingSessionLoadsAsNone) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  EXPECT_FALSE(m_db.LoadSession(CSession::NewGuid(), false));
  EXPECT_FALSE(m_db.ListSessionAt(0, false));
  EXPECT_FALSE(m_db.ListSessionAt(-1, false));
  EXPECT_EQ(m_db.ListFlagsAt(3), 0u);
  EXPECT_EQ(m_db.FindListIndex(CSession::NewGuid()), -1);
}

// ---- flags, state, delete, purge

TEST_F(SessionDatabaseTest, FlagsStateAndDeleteChangeTheRowAndTheList) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  CSessionPtr a = NewSession({{"x", CVariant::FromString(u"a"_qs)}});
  CSessionPtr b = NewSession({{"x", CVariant::FromString(u"b"_qs)}});
  ASSERT_TRUE(m_db.SaveSession(*a));
  ASSERT_TRUE(m_db.SaveSession(*b));
  EXPECT_EQ(m_db.ListCount(), 2);

  uint32_t changes = m_db.ChangeCounter();
  ASSERT_TRUE(m_db.SetSessionFlags(a->Guid(), 0x80000002u));
  EXPECT_EQ(m_db.ChangeCounter(), changes + 1);
  EXPECT_EQ(m_db.ListFlagsOf(a->Guid()), 0x80000002u);
  EXPECT_EQ(m_db.ListFlagsAt(m_db.FindListIndex(a->Guid())), 0x80000002u);
  EXPECT_EQ(m_db.LoadSession(a->Guid(), false)->Flags(), 0x80000002u);

  m_services.SetNow(QDateTime::fromSecsSinceEpoch(1700000123));
  ASSERT_TRUE(m_db.SetSessionState(a->Guid(), CSession::kStateSent));
  EXPECT_EQ(m_db.StateCount(0), 1);
  EXPECT_EQ(m_db.StateCount(1), 1);
  EXPECT_EQ(m_db.FindListIndex(a->Guid()), -1);
  EXPECT_EQ(m_db.ListFlagsOf(a->Guid()), 0u);
  const CSessionPtr sent = m_db.LoadSession(a->Guid(), false);
  EXPECT_EQ(sent->State(), 1u);
  EXPECT_EQ(sent->StateTime(), 1700000123);

  m_db.SetShownState(CSession::kStateSent);
  ASSERT_TRUE(m_db.Refresh());
  EXPECT_EQ(m_db.ListCount(), 1);
  EXPECT_EQ(m_db.ListGuidAt(0), a->Guid());

  changes = m_db.ChangeCounter();
  ASSERT_TRUE(m_db.DeleteSession(a->Guid()));
  EXPECT_FALSE(m_db.LoadSession(a->Guid(), false));
  EXPECT_EQ(m_db.ListCount(), 0);
  // A statement that matches no row still succeeds.
  EXPECT_TRUE(m_db.DeleteSession(a->Guid()));
  EXPECT_TRUE(m_db.SetSessionFlags(a->Guid(), 2));
  EXPECT_EQ(m_db.ChangeCounter(), changes + 3);
  EXPECT_TRUE(m_db.LoadSession(b->Guid(), false));
}

TEST_F(SessionDatabaseTest, SessionSetFlagsWritesThroughWhenStored) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  CSessionPtr session = NewSession({{"x", CVariant::FromString(u"a"_qs)}});
  EXPECT_TRUE(session->SetFlags(2));  // new: memory only
  ASSERT_TRUE(m_db.SaveSession(*session));
  EXPECT_EQ(m_db.ListFlagsOf(session->Guid()), 2u);
  EXPECT_TRUE(session->SetFlags(1));
  EXPECT_EQ(m_db.ListFlagsOf(session->Guid()), 1u);
  m_db.Close();
  // The database fails: the flags in memory change all the same.
  EXPECT_FALSE(session->SetFlags(3));
  EXPECT_EQ(session->Flags(), 3u);
}

TEST_F(SessionDatabaseTest, PurgeRemovesOnlyOldSentAndDeletedSessions) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  const int64_t day = 86400;
  const QDateTime start = QDateTime::fromSecsSinceEpoch(1700000000);
  struct Case {
    uint32_t state;
    int64_t ageDays;
    bool kept;
  };
  const Case cases[] = {{0, 100, true}, {1, 31, false}, {2, 45, false},
                        {1, 29, true},  {2, 1, true},   {7, 90, false}};
  std::vector<CSessionPtr> sessions;
  for (const Case& c : cases) {
    CSessionPtr session = NewSession({{"x", CVariant::FromString(u"v"_qs)}});
    ASSERT_TRUE(m_db.SaveSession(*session));
    m_services.SetNow(start.addSecs(-c.ageDays * day));
    if (c.state != 0) {
      ASSERT_TRUE(m_db.SetSessionState(session->Guid(), c.state));
    }
    sessions.push_back(session);
  }
  m_services.SetNow(start);
  ASSERT_TRUE(m_db.BeginTransaction());
  EXPECT_FALSE(m_db.Purge(30));
  ASSERT_TRUE(m_db.EndTransaction(true));

  const uint32_t changes = m_db.ChangeCounter();
  ASSERT_TRUE(m_db.Purge(30));
  EXPECT_EQ(m_db.ChangeCounter(), changes + 1);
  for (size_t i = 0; i < sessions.size(); ++i) {
    EXPECT_EQ(static_cast<bool>(m_db.LoadSession(sessions[i]->Guid(), false)), cases[i].kept) << i;
  }
  // Nothing left to remove: no change.
  ASSERT_TRUE(m_db.Purge(30));
  EXPECT_EQ(m_db.ChangeCounter(), changes + 1);
}

TEST_F(SessionDatabaseTest, PurgeWithoutSentOrDeletedSessionsDoesNotTouchTheFile) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  ASSERT_TRUE(m_db.SaveSession(*NewSession({{"x", CVariant::FromString(u"v"_qs)}})));
  // Another connection holds the file: any access would fail.
  RawDb other(m_path);
  ASSERT_TRUE(other.Exec(u"BEGIN EXCLUSIVE;"_qs));
  const uint32_t changes = m_db.ChangeCounter();
  EXPECT_TRUE(m_db.Purge(30));
  EXPECT_EQ(m_db.ChangeCounter(), changes);
  ASSERT_TRUE(other.Exec(u"COMMIT;"_qs));
}

// ---- transactions

TEST_F(SessionDatabaseTest, TransactionDefersTheListAndRollsBack) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  ASSERT_TRUE(m_db.SaveSession(*NewSession({{"a", CVariant::FromString(u"1"_qs)}})));
  ASSERT_TRUE(m_db.BeginTransaction());
  EXPECT_FALSE(m_db.BeginTransaction());
  EXPECT_FALSE(m_db.SetSort(2, QString(), false, false));
  QStringList results;
  EXPECT_FALSE(m_db.Query(std::nullopt, {}, {}, {}, false, false, {}, results));
  CSessionPtr inside = NewSession(
      {{"a", CVariant::FromString(u"2"_qs)}, {"b", CVariant::FromString(u"added inside"_qs)}});
  ASSERT_TRUE(m_db.SaveSession(*inside));
  EXPECT_EQ(m_db.ListCount(), 1);  // no refresh inside a transaction
  EXPECT_TRUE(m_db.PointMap().contains(u"b"_qs));
  ASSERT_TRUE(m_db.EndTransaction(false));
  EXPECT_EQ(m_db.ListCount(), 1);
  EXPECT_FALSE(m_db.LoadSession(inside->Guid(), false));
  // The column added inside is gone from the file and from the map, so later saves work.
  EXPECT_FALSE(m_db.PointMap().contains(u"b"_qs));
  CSessionPtr after = NewSession({{"b", CVariant::FromString(u"again"_qs)}});
  ASSERT_TRUE(m_db.SaveSession(*after));
  EXPECT_EQ(m_db.LoadSession(after->Guid(), false)->GetValueText(u"b"_qs), u"again"_qs);

  ASSERT_TRUE(m_db.BeginTransaction());
  CSessionPtr committed = NewSession({{"c", CVariant::FromInt32(5)}});
  ASSERT_TRUE(m_db.SaveSession(*committed));
  ASSERT_TRUE(m_db.EndTransaction(true));
  EXPECT_EQ(m_db.ListCount(), 3);
  EXPECT_TRUE(m_db.EndTransaction(true));  // none open: nothing happens
}

// ---- sort and list

TEST_F(SessionDatabaseTest, SortByPointIndexesItOnceAndOrdersNumericallyWhenAsked) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  for (const char* value : {"10", "9", "100", "-1"}) {
    ASSERT_TRUE(
        m_db.SaveSession(*NewSession({{"n", CVariant::FromString(QString::fromLatin1(value))}})));
  }
  auto listed = [this] {
    QStringList values;
    for (int i = 0; i < m_db.ListCount(); ++i) {
      values.append(m_db.ListSessionAt(i, true)->GetValueText(u"n"_qs));
    }
    return values;
  };
  ASSERT_TRUE(m_db.SetSort(0, u"N"_qs, false, false));
  EXPECT_EQ(listed(), QStringList({u"-1"_qs, u"10"_qs, u"100"_qs, u"9"_qs}));
  ASSERT_TRUE(m_db.SetSort(0, u"n"_qs, true, false));
  EXPECT_EQ(listed(), QStringList({u"-1"_qs, u"9"_qs, u"10"_qs, u"100"_qs}));
  ASSERT_TRUE(m_db.SetSort(0, u"n"_qs, true, true));
  EXPECT_EQ(listed(), QStringList({u"100"_qs, u"10"_qs, u"9"_qs, u"-1"_qs}));
  EXPECT_EQ(m_db.SortColumn(),
            7 + static_cast<int>(m_db.PointMap().value(u"n"_qs) & ~CSessionDatabase::kIndexedBit));
  EXPECT_TRUE(m_db.PointMap().value(u"n"_qs) & CSessionDatabase::kIndexedBit);

  // A point nobody stored yet gets its column, then its index.
  ASSERT_TRUE(m_db.SetSort(0, u"later"_qs, false, false));
  EXPECT_TRUE(m_db.PointMap().contains(u"later"_qs));
  EXPECT_EQ(m_db.ListCount(), 4);

  // Fixed columns below 5 only.
  EXPECT_TRUE(m_db.SetSort(4, QString(), false, false));
  EXPECT_FALSE(m_db.SetSort(5, QString(), false, false));
  EXPECT_FALSE(m_db.SetSort(-1, QString(), false, false));
  m_db.Close();

  RawDb raw(m_path);
  const QString n = raw.Value(u"SELECT target || '|' || indexed FROM map WHERE point='n';"_qs);
  EXPECT_EQ(n.section(u'|', 1), u"1"_qs);
  EXPECT_EQ(raw.Rows(u"SELECT name FROM sqlite_master WHERE type='index' AND name LIKE 'i%' "
                     "ORDER BY name;"_qs)
                .size(),
            2);
  EXPECT_EQ(raw.Value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='i%1';")
                          .arg(n.section(u'|', 0, 0))),
            QStringLiteral("CREATE INDEX i%1 ON session( state, c%1 )").arg(n.section(u'|', 0, 0)));
}

TEST_F(SessionDatabaseTest, ListIsSortedByCreationAtFirst) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  std::vector<CSessionPtr> sessions;
  for (int day : {3, 1, 2}) {
    CSessionPtr session = NewSession({{"x", CVariant::FromInt32(day)}});
    session->SetCreated(CSystemTime::FromDateTime(QDateTime(QDate(2020, 5, day), QTime(8, 0))));
    ASSERT_TRUE(m_db.SaveSession(*session));
    sessions.push_back(session);
  }
  ASSERT_EQ(m_db.ListCount(), 3);
  EXPECT_EQ(m_db.ListGuidAt(0), sessions[1]->Guid());
  EXPECT_EQ(m_db.ListGuidAt(1), sessions[2]->Guid());
  EXPECT_EQ(m_db.ListGuidAt(2), sessions[0]->Guid());
}

TEST_F(SessionDatabaseTest, ClosedDatabaseRefusesEverything) {
  CSessionPtr session = NewSession({{"x", CVariant::FromInt32(1)}});
  QStringList results;
  EXPECT_FALSE(m_db.SaveSession(*session));
  EXPECT_FALSE(m_db.LoadSession(session->Guid(), false));
  EXPECT_FALSE(m_db.DeleteSession(session->Guid()));
  EXPECT_FALSE(m_db.SetSessionFlags(session->Guid(), 1));
  EXPECT_FALSE(m_db.SetSessionState(session->Guid(), 1));
  EXPECT_FALSE(m_db.Purge(1));
  EXPECT_FALSE(m_db.BeginTransaction());
  EXPECT_FALSE(m_db.EndTransaction(true));
  EXPECT_FALSE(m_db.Refresh());
  EXPECT_FALSE(m_db.SetSort(1, QString(), false, false));
  EXPECT_FALSE(m_db.Query(std::nullopt, {}, {}, {}, false, false, {}, results));
  EXPECT_FALSE(QFile::exists(m_path));
}

TEST_F(SessionDatabaseTest, UnpreparableListClosesTheDatabase) {
  ASSERT_TRUE(m_db.OpenPath(m_project));
  ASSERT_TRUE(m_db.SaveSession(*NewSession({{"x", CVariant::FromInt32(1)}})));
  ASSERT_TRUE(m_db.SetSort(0, u"x"_qs, false, false));
  // The sorted column disappears behind the database's back.
  {
    RawDb raw(m_path);
    ASSERT_TRUE(raw.Exec(u"DROP INDEX i0;"_qs));
    ASSERT_TRUE(raw.Exec(u"ALTER TABLE session DROP COLUMN c0;"_qs));
  }
  EXPECT_FALSE(m_db.Refresh());
  EXPECT_FALSE(m_db.IsOpen());
}

}  // namespace
