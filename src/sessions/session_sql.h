// The SQL texts of the session database, character for character: stored files and other
// readers of them depend on these exact statements. Only the database and its tests include this.
#pragma once

namespace SessionSql {

inline constexpr const char* kSqlUserVersion = "PRAGMA user_version;";
inline constexpr const char* kSqlSetUserVersion = "PRAGMA user_version=2;";
inline constexpr const char* kSqlCreateMap =
    "CREATE TABLE IF NOT EXISTS map(point TEXT NOT NULL PRIMARY KEY,target INTEGER NOT "
    "NULL,indexed INTEGER NOT NULL);";
inline constexpr const char* kSqlCreateSession =
    "CREATE TABLE IF NOT EXISTS session(guid BLOB NOT NULL PRIMARY KEY,created INTEGER NOT "
    "NULL,saved INTEGER NOT NULL,flags INTEGER NOT NULL,unit_id TEXT NOT NULL, state INTEGER NOT "
    "NULL, state_time INTEGER NOT NULL);";
// A standard index: prefix + name + middle + "state, " + name + suffix.
inline constexpr const char* kSqlStandardIndexPrefix = "CREATE INDEX IF NOT EXISTS ";
inline constexpr const char* kSqlStandardIndexMiddle = " ON session( ";
inline constexpr const char* kSqlStandardIndexState = "state, ";
inline constexpr const char* kSqlStandardIndexSuffix = " );";
inline constexpr const char* kSqlLoadMap = "SELECT point, target, indexed FROM map;";
inline constexpr const char* kSqlInsertMap =
    "INSERT INTO map( point, target, indexed ) VALUES( ?, ?, ? );";
inline constexpr const char* kSqlDeleteMap = "DELETE FROM map WHERE point=?;";
inline constexpr const char* kSqlAddColumn = "ALTER TABLE session ADD COLUMN c%u BLOB NULL;";
inline constexpr const char* kSqlRebuildStart =
    "CREATE TABLE session(guid BLOB NOT NULL PRIMARY KEY,created INTEGER NOT NULL,saved INTEGER "
    "NOT NULL,flags INTEGER NOT NULL,unit_id TEXT NOT NULL, state INTEGER NOT NULL, state_time "
    "INTEGER NOT NULL";
inline constexpr const char* kSqlRebuildColumn = ",c%u BLOB NULL";
inline constexpr const char* kSqlRebuildEnd = ");";
inline constexpr const char* kSqlDropSession = "DROP TABLE session;";
// Whether the table holds any row at all; the rebuild is taken only when it holds none.
inline constexpr const char* kSqlAnySession = "SELECT 1 FROM session LIMIT 1;";
inline constexpr const char* kSqlSaveStart =
    "INSERT OR REPLACE INTO session( guid, created, saved, flags, unit_id";
inline constexpr const char* kSqlSaveState = ", state, state_time";
inline constexpr const char* kSqlSaveColumn = ", c%u";
inline constexpr const char* kSqlSaveValues = " ) VALUES( ?, ?, ?, ?, ?";
inline constexpr const char* kSqlSaveStateValues = ", ?, ?";
inline constexpr const char* kSqlSaveValue = ", ?";
inline constexpr const char* kSqlSaveEnd = " );";
inline constexpr const char* kSqlSelectSession = "SELECT * FROM session WHERE guid=?;";
inline constexpr const char* kSqlDeleteSession = "DELETE FROM session WHERE guid=?;";
inline constexpr const char* kSqlSetFlags = "UPDATE session SET flags=? WHERE guid=?;";
inline constexpr const char* kSqlSetState =
    "UPDATE session SET state=?, state_time=? WHERE guid=?;";
inline constexpr const char* kSqlPurge = "DELETE FROM session WHERE state>0 AND state_time<?;";
inline constexpr const char* kSqlBegin = "BEGIN TRANSACTION;";
inline constexpr const char* kSqlCommit = "COMMIT TRANSACTION;";
inline constexpr const char* kSqlRollback = "ROLLBACK TRANSACTION;";
inline constexpr const char* kSqlCountStates =
    "SELECT COUNT(*), state FROM session GROUP BY state;";
inline constexpr const char* kSqlListStart = "SELECT guid, flags FROM session";
inline constexpr const char* kSqlListState = " WHERE state=%u";
inline constexpr const char* kSqlOrderBy = " ORDER BY ";
inline constexpr const char* kSqlCastStart = "CAST( ";
inline constexpr const char* kSqlCastEnd = " AS REAL )";
inline constexpr const char* kSqlPointColumn = "c%u";
inline constexpr const char* kSqlDescending = " DESC;";
inline constexpr const char* kSqlAscending = " ASC;";
inline constexpr const char* kSqlCreateSortIndex = "CREATE INDEX i%u ON session( state, c%u );";
inline constexpr const char* kSqlSetIndexed = "UPDATE map SET indexed=? WHERE point=?;";
// The free query.
inline constexpr const char* kSqlQueryStart = "SELECT guid, saved";
inline constexpr const char* kSqlQueryColumn = ", c%u";
inline constexpr const char* kSqlQueryFrom = " FROM session WHERE 1";
inline constexpr const char* kSqlQueryStatesStart = " AND state IN( 100";
inline constexpr const char* kSqlQueryActive = ", 0";
inline constexpr const char* kSqlQuerySent = ", 1";
inline constexpr const char* kSqlQueryDeleted = ", 2";
inline constexpr const char* kSqlQueryStatesEnd = " )";
inline constexpr const char* kSqlQueryFilter =
    " AND ( (c%u LIKE ? ESCAPE '!') OR (c%u LIKE ? ESCAPE '!') OR (c%u LIKE ? ESCAPE '!') OR "
    "(c%u LIKE ? ESCAPE '!') )";
inline constexpr const char* kSqlQuerySaved = "saved";
// The project list's badge.
inline constexpr const char* kSqlCountActive = "SELECT COUNT(*) FROM session WHERE state=0;";

}  // namespace SessionSql
