// CSessionDatabase: the database file of one project's sessions (".ppd" beside the ".ppc"), an
// SQLite 3 file used through the SQLite C API: opening it with its file-type and schema checks,
// one column per stored point (the point map), writing, reading, re-flagging, re-stating and
// deleting sessions, purging old sent and deleted ones, transactions, the in-memory list of the
// sessions of one state in a chosen order with the count of each state, and the free session
// query. Owned by whoever opened the project (created on first use); the sessions it reads are
// handed out as references. UI thread only.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <cstdint>
#include <optional>
#include <vector>

#include "sessions/session.h"

struct sqlite3;
struct sqlite3_stmt;

class CSessionDatabase {
 public:
  // The names of the fixed columns, in table order; sort columns 0 to 6 name them.
  static constexpr int kFixedColumns = 7;
  static const char* const kFixedColumnNames[kFixedColumns];
  // The top bit of a point-map word: the column has its sort index.
  static constexpr uint32_t kIndexedBit = 0x80000000u;
  // What the list shows for a stored BLOB when placeholders are asked for, and what the query
  // returns for one.
  static constexpr const char* kDataPlaceholder = "(Data)";
  // The first four bytes of a file this client reads, and of the older format it does not.
  static constexpr const char* kSqliteMagic = "SQLi";
  static constexpr const char* kOldFormatMagic = "CADB";

  // The database of the project file `projectPath` (opened by Open; empty: only OpenPath opens).
  explicit CSessionDatabase(const QString& projectPath = QString());
  ~CSessionDatabase();
  CSessionDatabase(const CSessionDatabase&) = delete;
  CSessionDatabase& operator=(const CSessionDatabase&) = delete;

  // ---- opening and closing
  // The database file of a project file: its path cut at the file name's last "." with ".ppd"
  // appended.
  static QString DatabasePath(const QString& projectPath);
  // Opens the database of the project path it was made for.
  bool Open();
  // Opens the database of the given project path.
  bool OpenPath(const QString& projectPath);
  // The number of active sessions in a database file, read without opening it for the list: 0
  // when the file is missing, is not an SQLite file or cannot be read.
  static int CountActiveSessions(const QString& databasePath);
  void Close();
  bool IsOpen() const { return m_db != nullptr; }
  const QString& FilePath() const { return m_filePath; }

  // ---- sessions
  // A new session filled from the stored row (marked stored), or null. With `placeholders`,
  // BLOB values become the text "(Data)" instead of being decoded.
  CSessionPtr LoadSession(const QUuid& guid, bool placeholders);
  // Inserts or replaces the session's row; on success the session is stored (no longer new).
  bool SaveSession(CSession& session);
  bool DeleteSession(const QUuid& guid);
  bool SetSessionFlags(const QUuid& guid, uint32_t flags);
  bool SetSessionState(const QUuid& guid, uint32_t state);
  // Removes sent and deleted sessions whose state changed more than `days` days ago.
  bool Purge(int days);

  // ---- transactions
  bool BeginTransaction();
  bool EndTransaction(bool commit);
  bool InTransaction() const { return m_inTransaction; }

  // ---- the list of the shown state
  bool Refresh();
  // Sorts by a point (`pointName` not empty; its column is created and indexed when needed) or
  // by one of the fixed columns 0 to 4.
  bool SetSort(int column, const QString& pointName, bool numeric, bool descending);
  int SortColumn() const { return m_sortColumn; }
  bool SortNumeric() const { return m_sortNumeric; }
  bool SortDescending() const { return m_sortDescending; }
  uint32_t ShownState() const { return m_shownState; }
  // The session list sets it, then calls Refresh.
  void SetShownState(uint32_t state) { m_shownState = state; }
  int ListCount() const { return static_cast<int>(m_list.size()); }
  CSessionPtr ListSessionAt(int index, bool placeholders);
  uint32_t ListFlagsAt(int index) const;
  QUuid ListGuidAt(int index) const;
  int FindListIndex(const QUuid& guid) const;
  uint32_t ListFlagsOf(const QUuid& guid) const;
  // The number of sessions in state 0, 1 or 2 at the last Refresh (0 for any other state).
  int StateCount(uint32_t state) const;

  // ---- the free query: per row the GUID text, the saved time as a decimal FILETIME number and
  // one text per column ("(Data)" for a BLOB). `states` null selects every state.
  bool Query(const std::optional<QString>& states, const QString& filterColumn,
             const QString& filterValue, const QString& sortColumn, bool sortNumeric,
             bool sortDescending, const QStringList& columns, QStringList& results);

  // ---- the point map: lower-cased point name to column number, kIndexedBit when indexed
  const QHash<QString, uint32_t>& PointMap() const { return m_map; }

  // Incremented after every successful change, open and close.
  uint32_t ChangeCounter() const { return m_changes; }

  // ---- the statements that are built, as they are run (tests compare them with their text)
  static QByteArray StandardIndexSql(const char* column);
  static QByteArray AddColumnSql(uint32_t column);
  static QByteArray RebuildSql(const std::vector<uint32_t>& columns);
  static QByteArray SaveSql(const std::vector<uint32_t>& columns);
  static QByteArray ListSql(uint32_t state, int sortColumn, bool numeric, bool descending);
  static QByteArray SortIndexSql(uint32_t column);
  static QByteArray QuerySql(const std::optional<QString>& states,
                             const std::vector<uint32_t>& columns,
                             std::optional<uint32_t> filterColumn,
                             std::optional<uint32_t> sortColumn, bool sortNumeric,
                             bool sortDescending);
  // The filter value with "!", "%" and "_" escaped by "!".
  static QString EscapeLike(const QString& value);

 private:
  struct Entry {
    uint32_t flags;
    QUuid guid;
  };

  bool Exec(const char* sql);
  bool Exec(const QByteArray& sql) { return Exec(sql.constData()); }
  sqlite3_stmt* Prepare(const QByteArray& sql);
  bool CheckSchema(bool& upgrading);
  bool CreateStandardIndexes();
  bool LoadMap();
  bool TableHasRows();
  uint32_t NextColumn() const;
  bool AddColumn(const QString& name);
  // Looks a (lower-cased) point name up, adding its column in a transaction of its own when it
  // has none.
  bool EnsureColumn(const QString& name, uint32_t& column);
  // The column of every value of the session (added or the table rebuilt as needed), in the
  // value map's walk order; `added` gets the names this step put into the map.
  bool PrepareColumns(const CSession& session, std::vector<uint32_t>& columns, QStringList& added);
  bool Rebuild(const QStringList& names, QStringList& added, std::vector<uint32_t>& columns);
  void FinalizeCached();
  // Rolls back whatever transaction SQLite still has open.
  void RollbackIfOpen();
  // True when a transaction the caller opened was lost (SQLite rolled it back after an I/O
  // error); writes then fail instead of committing on their own.
  bool TransactionLost() const;
  bool RunGuidStatement(const char* sql, const QUuid& guid, int64_t first, int64_t second,
                        int parameters);
  bool AfterWrite();

  QString m_projectPath;
  sqlite3* m_db = nullptr;
  QString m_filePath;
  uint32_t m_changes = 0;
  bool m_inTransaction = false;
  QHash<QString, uint32_t> m_map;
  sqlite3_stmt* m_select = nullptr;
  uint32_t m_shownState = 0;
  int m_sortColumn = 1;
  bool m_sortNumeric = false;
  bool m_sortDescending = false;
  std::vector<Entry> m_list;
  int m_counts[3] = {0, 0, 0};
};
