#include "sessions/session_database.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <memory>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "sessions/session_sql.h"
#include "values/archive.h"

using namespace SessionSql;

namespace {

// The page cache of a connection, in KiB. SQLite's default of 2 MB holds a fifth of a
// 100 000-session file: listing it in an order other than the storage order then reads every
// table page again from the file for each row. Pages are cached only as they are read.
constexpr const char* kSqlPageCache = "PRAGMA cache_size=-32768;";
// A commit ends by deleting the rollback journal. At the default level that deletion is not made
// durable: after a power cut the journal can come back and roll a transaction that had reported
// success back. EXTRA syncs the folder after the deletion. A setting of the connection only; the
// file is the same for every reader.
constexpr const char* kSqlDurableCommits = "PRAGMA synchronous=EXTRA;";

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

QByteArray Format(const char* pattern, uint32_t value) {
  return QByteArray(pattern).replace("%u", QByteArray::number(value));
}

void BindText(sqlite3_stmt* statement, int index, const QString& text) {
  static const char16_t kEmpty[] = u"";
  const void* data = text.utf16();
  if (!data) data = kEmpty;
  sqlite3_bind_text16(statement, index, data, static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
}

void BindGuid(sqlite3_stmt* statement, int index, const QUuid& guid) {
  const QByteArray bytes = CSession::GuidBytes(guid);
  sqlite3_bind_blob(statement, index, bytes.constData(), 16, SQLITE_TRANSIENT);
}

QString ColumnText(sqlite3_stmt* statement, int column) {
  const void* text = sqlite3_column_text16(statement, column);
  const int bytes = sqlite3_column_bytes16(statement, column);
  if (!text || bytes <= 0) return QString(u""_qs);
  return QString(static_cast<const QChar*>(text), bytes / 2);
}

QUuid ColumnGuid(sqlite3_stmt* statement, int column) {
  const void* blob = sqlite3_column_blob(statement, column);
  return CSession::GuidFromBytes(blob, sqlite3_column_bytes(statement, column));
}

// Whether SQLite's rollback journal of a write in progress lies beside the database: a file that
// begins with the journal's magic number.
bool HasRollbackJournal(const QString& databasePath) {
  static constexpr char kJournalMagic[] = {'\xd9', '\xd5', '\x05', '\xf9',
                                           '\x20', '\xa1', '\x63', '\xd7'};
  QFile journal(databasePath + u"-journal"_qs);
  return journal.open(QIODevice::ReadOnly) &&
         journal.read(sizeof kJournalMagic) == QByteArray(kJournalMagic, sizeof kJournalMagic);
}

int64_t NowSeconds() { return CServices::Instance().Now().toSecsSinceEpoch(); }

// The value of one point column: NULL for empty, TEXT for text, INTEGER for a 32-bit integer and
// the variant's archive form as a BLOB for everything else.
void BindValue(sqlite3_stmt* statement, int index, const CVariant& value) {
  switch (value.Type()) {
    case kVtEmpty:
      sqlite3_bind_null(statement, index);
      return;
    case kVtBstr:
      BindText(statement, index, value.StringPayload());
      return;
    case kVtI4:
      sqlite3_bind_int(statement, index, static_cast<int>(value.IntegerPayload()));
      return;
    default: {
      CArchive ar;
      value.Serialize(ar);
      const QByteArray& bytes = ar.Buffer();
      sqlite3_bind_blob(statement, index, bytes.constData(), static_cast<int>(bytes.size()),
                        SQLITE_TRANSIENT);
      return;
    }
  }
}

}  // namespace

const char* const CSessionDatabase::kFixedColumnNames[kFixedColumns] = {
    "guid", "created", "saved", "flags", "unit_id", "state", "state_time"};

CSessionDatabase::CSessionDatabase(const QString& projectPath) : m_projectPath(projectPath) {}

CSessionDatabase::~CSessionDatabase() { Close(); }

// ---- statements as built

QByteArray CSessionDatabase::StandardIndexSql(const char* column) {
  return QByteArray(kSqlStandardIndexPrefix) + column + kSqlStandardIndexMiddle +
         kSqlStandardIndexState + column + kSqlStandardIndexSuffix;
}

QByteArray CSessionDatabase::AddColumnSql(uint32_t column) { return Format(kSqlAddColumn, column); }

QByteArray CSessionDatabase::RebuildSql(const std::vector<uint32_t>& columns) {
  QByteArray sql(kSqlRebuildStart);
  for (uint32_t column : columns) sql += Format(kSqlRebuildColumn, column);
  return sql + kSqlRebuildEnd;
}

QByteArray CSessionDatabase::SaveSql(const std::vector<uint32_t>& columns) {
  QByteArray sql(kSqlSaveStart);
  sql += kSqlSaveState;
  for (uint32_t column : columns) sql += Format(kSqlSaveColumn, column);
  sql += kSqlSaveValues;
  sql += kSqlSaveStateValues;
  for (size_t i = 0; i < columns.size(); ++i) sql += kSqlSaveValue;
  return sql + kSqlSaveEnd;
}

QByteArray CSessionDatabase::ListSql(uint32_t state, int sortColumn, bool numeric,
                                     bool descending) {
  QByteArray sql(kSqlListStart);
  sql += Format(kSqlListState, state);
  sql += kSqlOrderBy;
  if (numeric) sql += kSqlCastStart;
  if (sortColumn >= 0 && sortColumn < kFixedColumns) {
    sql += kFixedColumnNames[sortColumn];
  } else {
    sql += Format(kSqlPointColumn, static_cast<uint32_t>(sortColumn - kFixedColumns));
  }
  if (numeric) sql += kSqlCastEnd;
  return sql + (descending ? kSqlDescending : kSqlAscending);
}

QByteArray CSessionDatabase::SortIndexSql(uint32_t column) {
  return Format(kSqlCreateSortIndex, column);
}

QByteArray CSessionDatabase::QuerySql(const std::optional<QString>& states,
                                      const std::vector<uint32_t>& columns,
                                      std::optional<uint32_t> filterColumn,
                                      std::optional<uint32_t> sortColumn, bool sortNumeric,
                                      bool sortDescending) {
  QByteArray sql(kSqlQueryStart);
  for (uint32_t column : columns) sql += Format(kSqlQueryColumn, column);
  sql += kSqlQueryFrom;
  if (states) {
    sql += kSqlQueryStatesStart;
    if (states->contains(u'A')) sql += kSqlQueryActive;
    if (states->contains(u'S')) sql += kSqlQuerySent;
    if (states->contains(u'D')) sql += kSqlQueryDeleted;
    sql += kSqlQueryStatesEnd;
  }
  if (filterColumn) sql += Format(kSqlQueryFilter, *filterColumn);
  sql += kSqlOrderBy;
  if (sortColumn) {
    if (sortNumeric) sql += kSqlCastStart;
    sql += Format(kSqlPointColumn, *sortColumn);
    if (sortNumeric) sql += kSqlCastEnd;
  } else {
    sql += kSqlQuerySaved;
  }
  return sql + (sortDescending ? kSqlDescending : kSqlAscending);
}

QString CSessionDatabase::EscapeLike(const QString& value) {
  QString escaped = value;
  escaped.replace(u"!"_qs, u"!!"_qs);
  escaped.replace(u"%"_qs, u"!%"_qs);
  escaped.replace(u"_"_qs, u"!_"_qs);
  return escaped;
}

// ---- helpers

bool CSessionDatabase::Exec(const char* sql) {
  if (!m_db) return false;
  return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

sqlite3_stmt* CSessionDatabase::Prepare(const QByteArray& sql) {
  if (!m_db) return nullptr;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(m_db, sql.constData(), static_cast<int>(sql.size()) + 1, &statement,
                         nullptr) != SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  return statement;
}

void CSessionDatabase::FinalizeCached() {
  if (m_select) {
    sqlite3_finalize(m_select);
    m_select = nullptr;
  }
}

void CSessionDatabase::RollbackIfOpen() {
  // After some I/O errors SQLite has already rolled the transaction back itself.
  if (m_db && !sqlite3_get_autocommit(m_db)) Exec(kSqlRollback);
}

bool CSessionDatabase::TransactionLost() const {
  return m_inTransaction && m_db && sqlite3_get_autocommit(m_db);
}

// ---- opening and closing

QString CSessionDatabase::DatabasePath(const QString& projectPath) {
  const QFileInfo info(projectPath);
  const QString name = info.fileName();
  const qsizetype dot = name.lastIndexOf(u'.');
  // Only a "." of the file name counts; one in a folder name does not.
  const QString base =
      dot < 0 ? projectPath : projectPath.left(projectPath.size() - name.size() + dot);
  return base + u".ppd"_qs;
}

int CSessionDatabase::CountActiveSessions(const QString& databasePath) {
  {
    QFile file(databasePath);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) return 0;
    if (file.read(4) != kSqliteMagic) return 0;
  }
  sqlite3* db = nullptr;
  int count = 0;
  if (sqlite3_open16(databasePath.utf16(), &db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, kSqlCountActive, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      count = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}

bool CSessionDatabase::Open() { return OpenPath(m_projectPath); }

bool CSessionDatabase::OpenPath(const QString& projectPath) {
  if (IsOpen()) Close();
  if (projectPath.isEmpty()) return false;
  const QString path = DatabasePath(projectPath);

  if (QFileInfo::exists(path)) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) return false;
    const QByteArray magic = file.read(4);
    file.close();
    // An empty file is what SQLite leaves when a program ends between creating the file and
    // writing its first page; SQLite reads it as an empty database.
    if (!magic.isEmpty() && magic != kSqliteMagic) {
      if (magic == kOldFormatMagic) return false;
      // A power cut during the first write of a new database can leave a later page on the disk
      // but not the first: the file starts with zeros, and the journal beside it takes it back
      // to empty as SQLite opens it.
      if (magic != QByteArray(4, '\0') || !HasRollbackJournal(path)) {
        CLanguage::Instance().MessageByKey(QStringLiteral("Database.UnrecognizedPPD"),
                                           kMbOk | kMbIconExclamation);
        return false;
      }
    }
  }

  sqlite3* db = nullptr;
  if (sqlite3_open16(path.utf16(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  m_db = db;
  m_filePath = path;
  // Only a speed setting: the file is as usable without it.
  Exec(kSqlPageCache);

  bool upgrading = false;
  bool ok = Exec(kSqlDurableCommits) && CheckSchema(upgrading) && LoadMap();
  if (upgrading) {
    // The upgrade of an older file is kept only when the file proved usable.
    if (ok) ok = Exec(kSqlCommit);
    if (!ok) RollbackIfOpen();
  }
  if (ok) {
    m_sortColumn = 1;
    m_sortNumeric = false;
    m_sortDescending = false;
    ok = Refresh();
  }
  if (!ok) {
    m_map.clear();
    m_list.clear();
    FinalizeCached();
    if (m_db) sqlite3_close(m_db);
    m_db = nullptr;
    m_filePath.clear();
    return false;
  }
  ++m_changes;
  return true;
}

bool CSessionDatabase::CheckSchema(bool& upgrading) {
  upgrading = false;
  int version = 0;
  {
    Statement statement(Prepare(kSqlUserVersion));
    if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW) return false;
    version = sqlite3_column_int(statement.get(), 0);
  }
  if (version == 2) return true;
  if (version > 2) return false;  // a newer file is not touched
  if (!Exec(kSqlBegin)) return false;
  upgrading = true;
  // A negative version is taken as 0: the file gets its tables, indexes and version like a new one.
  if (version <= 0) {
    if (!Exec(kSqlCreateMap) || !Exec(kSqlCreateSession)) return false;
  }
  return CreateStandardIndexes() && Exec(kSqlSetUserVersion);
}

bool CSessionDatabase::CreateStandardIndexes() {
  for (const char* column : {"created", "saved", "flags", "unit_id"}) {
    if (!Exec(StandardIndexSql(column))) return false;
  }
  return true;
}

bool CSessionDatabase::LoadMap() {
  m_map.clear();
  Statement statement(Prepare(kSqlLoadMap));
  if (!statement) return false;
  int result;
  while ((result = sqlite3_step(statement.get())) == SQLITE_ROW) {
    const QString point = ColumnText(statement.get(), 0);
    const uint32_t target =
        static_cast<uint32_t>(sqlite3_column_int(statement.get(), 1)) & ~kIndexedBit;
    const bool indexed = sqlite3_column_int(statement.get(), 2) != 0;
    m_map.insert(point, target | (indexed ? kIndexedBit : 0));
  }
  return result == SQLITE_DONE;
}

void CSessionDatabase::Close() {
  if (!m_db) return;
  m_list.clear();
  m_map.clear();
  m_counts[0] = m_counts[1] = m_counts[2] = 0;
  FinalizeCached();
  // Closing inside a transaction rolls it back.
  sqlite3_close(m_db);
  m_db = nullptr;
  m_inTransaction = false;
  m_filePath.clear();
  ++m_changes;
}

// ---- columns

uint32_t CSessionDatabase::NextColumn() const {
  if (m_map.isEmpty()) return 0;
  uint32_t highest = 0;
  for (uint32_t word : m_map) highest = std::max(highest, word & ~kIndexedBit);
  return highest + 1;
}

bool CSessionDatabase::AddColumn(const QString& name) {
  FinalizeCached();
  const uint32_t column = NextColumn();
  {
    Statement insert(Prepare(kSqlInsertMap));
    if (!insert) return false;
    BindText(insert.get(), 1, name);
    sqlite3_bind_int(insert.get(), 2, static_cast<int>(column));
    sqlite3_bind_int(insert.get(), 3, 0);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) return false;
  }
  if (!Exec(AddColumnSql(column))) {
    Statement remove(Prepare(kSqlDeleteMap));
    if (remove) {
      BindText(remove.get(), 1, name);
      sqlite3_step(remove.get());
    }
    return false;
  }
  m_map.insert(name, column);
  return true;
}

bool CSessionDatabase::EnsureColumn(const QString& name, uint32_t& column) {
  auto found = m_map.constFind(name);
  if (found == m_map.constEnd()) {
    // The map row and the column are added together or not at all.
    const bool own = !m_inTransaction;
    if (own && !Exec(kSqlBegin)) return false;
    bool ok = AddColumn(name);
    if (own) {
      if (ok) ok = Exec(kSqlCommit);
      if (!ok) {
        RollbackIfOpen();
        m_map.remove(name);
      }
    }
    if (!ok) return false;
    found = m_map.constFind(name);
    if (found == m_map.constEnd()) return false;
  }
  column = *found & ~kIndexedBit;
  return true;
}

bool CSessionDatabase::TableHasRows() {
  Statement statement(Prepare(kSqlAnySession));
  // When the table cannot be read, it is taken to hold rows: nothing may be dropped then.
  if (!statement) return true;
  return sqlite3_step(statement.get()) != SQLITE_DONE;
}

bool CSessionDatabase::Rebuild(const QStringList& names, QStringList& added,
                               std::vector<uint32_t>& columns) {
  FinalizeCached();
  Statement insert(Prepare(kSqlInsertMap));
  if (!insert) return false;
  for (qsizetype i = 0; i < names.size(); ++i) {
    const uint32_t column = static_cast<uint32_t>(i);
    sqlite3_reset(insert.get());
    BindText(insert.get(), 1, names[i]);
    sqlite3_bind_int(insert.get(), 2, static_cast<int>(column));
    sqlite3_bind_int(insert.get(), 3, 0);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) return false;
    m_map.insert(names[i], column);
    added.append(names[i]);
    columns.push_back(column);
  }
  insert.reset();
  return Exec(kSqlDropSession) && Exec(RebuildSql(columns)) && CreateStandardIndexes();
}

bool CSessionDatabase::PrepareColumns(const CSession& session, std::vector<uint32_t>& columns,
                                      QStringList& added) {
  columns.clear();
  QStringList names;
  session.Values().ForEach([&names](const QString& key, const CVariant&) { names.append(key); });

  // The table is rebuilt only while it holds no row at all: sessions of any state that hold no
  // values would otherwise be dropped with it.
  if (m_map.isEmpty() && m_list.empty() && !TableHasRows()) return Rebuild(names, added, columns);
  for (const QString& name : names) {
    auto found = m_map.constFind(name);
    if (found == m_map.constEnd()) {
      if (!AddColumn(name)) return false;
      added.append(name);
      found = m_map.constFind(name);
    }
    columns.push_back(*found & ~kIndexedBit);
  }
  return true;
}

// ---- sessions

bool CSessionDatabase::AfterWrite() {
  ++m_changes;
  return m_inTransaction ? true : Refresh();
}

bool CSessionDatabase::SaveSession(CSession& session) {
  if (!IsOpen() || TransactionLost()) return false;
  session.SetSaved(CSystemTime::Now());

  // The new columns and the row are written in one transaction: a save that fails leaves
  // neither behind.
  const bool own = !m_inTransaction;
  if (own && !Exec(kSqlBegin)) return false;
  std::vector<uint32_t> columns;
  QStringList added;
  bool ok = PrepareColumns(session, columns, added);
  if (ok) {
    Statement statement(Prepare(SaveSql(columns)));
    ok = statement != nullptr;
    if (ok) {
      sqlite3_stmt* s = statement.get();
      BindGuid(s, 1, session.Guid());
      sqlite3_bind_int64(s, 2, session.Created().ToFileTime());
      sqlite3_bind_int64(s, 3, session.Saved().ToFileTime());
      sqlite3_bind_int(s, 4, static_cast<int>(session.Flags()));
      BindText(s, 5, session.UnitId());
      sqlite3_bind_int(s, 6, static_cast<int>(session.State()));
      sqlite3_bind_int64(s, 7, session.StateTime());
      int parameter = 8;
      // The values in the walk order PrepareColumns recorded the columns in.
      session.Values().ForEach([s, &parameter](const QString&, const CVariant& value) {
        BindValue(s, parameter++, value);
      });
      ok = sqlite3_step(s) == SQLITE_DONE;
    }
  }
  if (own) {
    if (ok) ok = Exec(kSqlCommit);
    if (!ok) RollbackIfOpen();
  }
  if (!ok) {
    if (own) {
      for (const QString& name : added) m_map.remove(name);
    } else {
      // Inside the caller's transaction the file may hold part of this save: the map is taken
      // from the file as it now is.
      LoadMap();
    }
    FinalizeCached();
    return false;
  }
  session.SetNew(false);
  session.SetDatabase(this);
  return AfterWrite();
}

CSessionPtr CSessionDatabase::LoadSession(const QUuid& guid, bool placeholders) {
  if (!IsOpen()) return CSessionPtr();
  if (m_select) {
    sqlite3_reset(m_select);
  } else {
    m_select = Prepare(kSqlSelectSession);
    if (!m_select) return CSessionPtr();
  }
  BindGuid(m_select, 1, guid);
  // The statement is reset on every way out, so no read stays open on the file.
  struct ResetOnExit {
    sqlite3_stmt* statement;
    ~ResetOnExit() { sqlite3_reset(statement); }
  } resetOnExit{m_select};
  if (sqlite3_step(m_select) != SQLITE_ROW) return CSessionPtr();

  CSessionPtr session = CSession::Create(QString(), false);
  session->SetDatabase(this);
  session->SetNew(false);
  session->SetGuid(ColumnGuid(m_select, 0));
  session->SetCreated(CSystemTime::FromFileTime(sqlite3_column_int64(m_select, 1)));
  session->SetSaved(CSystemTime::FromFileTime(sqlite3_column_int64(m_select, 2)));
  session->AssignFlags(static_cast<uint32_t>(sqlite3_column_int(m_select, 3)));
  session->SetUnitId(ColumnText(m_select, 4));
  session->SetState(static_cast<uint32_t>(sqlite3_column_int(m_select, 5)));
  session->SetStateTime(sqlite3_column_int64(m_select, 6));

  const int columnCount = sqlite3_column_count(m_select);
  for (auto it = m_map.constBegin(); it != m_map.constEnd(); ++it) {
    const int64_t position = kFixedColumns + static_cast<int64_t>(it.value() & ~kIndexedBit);
    // A map row without its column (a damaged file) leaves the point without a value.
    if (position >= columnCount) continue;
    const int column = static_cast<int>(position);
    switch (sqlite3_column_type(m_select, column)) {
      case SQLITE_NULL:
        break;
      case SQLITE_INTEGER:
        session->SetValue(it.key(), CVariant::FromInt32(sqlite3_column_int(m_select, column)));
        break;
      case SQLITE_BLOB:
        if (placeholders) {
          session->SetValueText(it.key(), QString::fromLatin1(kDataPlaceholder));
        } else {
          const char* blob = static_cast<const char*>(sqlite3_column_blob(m_select, column));
          const int size = sqlite3_column_bytes(m_select, column);
          try {
            CArchive ar(QByteArray(blob, size));
            session->SetValue(it.key(), CVariant::Deserialize(ar));
          } catch (const CArchiveError&) {
            return CSessionPtr();  // an undecodable value: the session cannot be loaded
          }
        }
        break;
      default:  // REAL and TEXT
        session->SetValueText(it.key(), ColumnText(m_select, column));
        break;
    }
  }
  return session;
}

bool CSessionDatabase::RunGuidStatement(const char* sql, const QUuid& guid, int64_t first,
                                        int64_t second, int parameters) {
  if (!IsOpen() || TransactionLost()) return false;
  Statement statement(Prepare(sql));
  if (!statement) return false;
  if (parameters >= 1) sqlite3_bind_int64(statement.get(), 1, first);
  if (parameters >= 2) sqlite3_bind_int64(statement.get(), 2, second);
  BindGuid(statement.get(), parameters + 1, guid);
  if (sqlite3_step(statement.get()) != SQLITE_DONE) return false;
  statement.reset();
  return AfterWrite();
}

bool CSessionDatabase::DeleteSession(const QUuid& guid) {
  return RunGuidStatement(kSqlDeleteSession, guid, 0, 0, 0);
}

bool CSessionDatabase::SetSessionFlags(const QUuid& guid, uint32_t flags) {
  return RunGuidStatement(kSqlSetFlags, guid, static_cast<int32_t>(flags), 0, 1);
}

bool CSessionDatabase::SetSessionState(const QUuid& guid, uint32_t state) {
  return RunGuidStatement(kSqlSetState, guid, static_cast<int32_t>(state), NowSeconds(), 2);
}

bool CSessionDatabase::Purge(int days) {
  if (!IsOpen() || m_inTransaction) return false;
  if (m_counts[1] == 0 && m_counts[2] == 0) return true;
  Statement statement(Prepare(kSqlPurge));
  if (!statement) return false;
  sqlite3_bind_int64(statement.get(), 1, NowSeconds() - static_cast<int64_t>(days) * 86400);
  if (sqlite3_step(statement.get()) != SQLITE_DONE) return false;
  if (sqlite3_changes(m_db) == 0) return true;
  statement.reset();
  ++m_changes;
  return Refresh();
}

// ---- transactions

bool CSessionDatabase::BeginTransaction() {
  if (!IsOpen() || m_inTransaction) return false;
  if (!Exec(kSqlBegin)) return false;
  m_inTransaction = true;
  return true;
}

bool CSessionDatabase::EndTransaction(bool commit) {
  if (!IsOpen()) return false;
  if (!m_inTransaction) return true;
  bool ok = Exec(commit ? kSqlCommit : kSqlRollback);
  if (!ok) RollbackIfOpen();
  m_inTransaction = false;
  if (!ok || !commit) {
    // Columns added inside the transaction are gone from the file again: the map follows it.
    FinalizeCached();
    if (!LoadMap()) ok = false;
  }
  return Refresh() && ok;
}

// ---- the list

bool CSessionDatabase::Refresh() {
  if (!IsOpen()) return false;
  m_list.clear();
  m_counts[0] = m_counts[1] = m_counts[2] = 0;
  int result;
  {
    Statement counts(Prepare(kSqlCountStates));
    if (!counts) {
      Close();
      return false;
    }
    while ((result = sqlite3_step(counts.get())) == SQLITE_ROW) {
      const int64_t state = sqlite3_column_int64(counts.get(), 1);
      if (state >= 0 && state <= 2) m_counts[state] = sqlite3_column_int(counts.get(), 0);
    }
  }
  if (result != SQLITE_DONE) return false;
  const int count = m_shownState <= 2 ? m_counts[m_shownState] : 0;
  if (count == 0) return true;

  Statement list(Prepare(ListSql(m_shownState, m_sortColumn, m_sortNumeric, m_sortDescending)));
  if (!list) {
    Close();
    return false;
  }
  const size_t room = static_cast<size_t>(count) + 16;
  m_list.reserve(room);
  while (m_list.size() < room && (result = sqlite3_step(list.get())) == SQLITE_ROW) {
    m_list.push_back(
        Entry{static_cast<uint32_t>(sqlite3_column_int(list.get(), 1)), ColumnGuid(list.get(), 0)});
  }
  // A read that broke off (a busy or damaged file) is a failure, not a shorter list.
  return result == SQLITE_DONE || result == SQLITE_ROW;
}

bool CSessionDatabase::SetSort(int column, const QString& pointName, bool numeric,
                               bool descending) {
  if (!IsOpen() || m_inTransaction) return false;
  if (!pointName.isEmpty()) {
    const QString name = pointName.toLower();
    uint32_t target = 0;
    if (!EnsureColumn(name, target)) return false;
    if (!(m_map.value(name) & kIndexedBit)) {
      // The index and the map's note of it are made together, so a failure never leaves an
      // index the map does not know of (which would make every later attempt fail).
      FinalizeCached();
      if (!Exec(kSqlBegin)) return false;
      bool ok = Exec(SortIndexSql(target));
      if (ok) {
        Statement update(Prepare(kSqlSetIndexed));
        ok = update != nullptr;
        if (ok) {
          sqlite3_bind_int(update.get(), 1, 1);
          BindText(update.get(), 2, name);
          ok = sqlite3_step(update.get()) == SQLITE_DONE;
        }
      }
      if (ok) ok = Exec(kSqlCommit);
      if (!ok) {
        RollbackIfOpen();
        return false;
      }
      m_map[name] |= kIndexedBit;
    }
    column = kFixedColumns + static_cast<int>(target);
  } else if (column < 0 || column >= 5) {
    return false;
  }
  if (column == m_sortColumn && numeric == m_sortNumeric && descending == m_sortDescending) {
    return true;
  }
  m_sortColumn = column;
  m_sortNumeric = numeric;
  m_sortDescending = descending;
  return Refresh();
}

CSessionPtr CSessionDatabase::ListSessionAt(int index, bool placeholders) {
  if (index < 0 || index >= ListCount()) return CSessionPtr();
  return LoadSession(m_list[static_cast<size_t>(index)].guid, placeholders);
}

uint32_t CSessionDatabase::ListFlagsAt(int index) const {
  if (index < 0 || index >= ListCount()) return 0;
  return m_list[static_cast<size_t>(index)].flags;
}

QUuid CSessionDatabase::ListGuidAt(int index) const {
  if (index < 0 || index >= ListCount()) return QUuid();
  return m_list[static_cast<size_t>(index)].guid;
}

int CSessionDatabase::FindListIndex(const QUuid& guid) const {
  for (size_t i = 0; i < m_list.size(); ++i) {
    if (m_list[i].guid == guid) return static_cast<int>(i);
  }
  return -1;
}

uint32_t CSessionDatabase::ListFlagsOf(const QUuid& guid) const {
  return ListFlagsAt(FindListIndex(guid));
}

int CSessionDatabase::StateCount(uint32_t state) const { return state <= 2 ? m_counts[state] : 0; }

// ---- the free query

bool CSessionDatabase::Query(const std::optional<QString>& states, const QString& filterColumn,
                             const QString& filterValue, const QString& sortColumn,
                             bool sortNumeric, bool sortDescending, const QStringList& columns,
                             QStringList& results) {
  results.clear();
  if (!IsOpen() || m_inTransaction) return false;

  std::vector<uint32_t> columnNumbers;
  for (const QString& name : columns) {
    uint32_t number = 0;
    if (!EnsureColumn(name.toLower(), number)) return false;
    columnNumbers.push_back(number);
  }
  std::optional<uint32_t> filterNumber;
  const bool filtered = !filterColumn.isEmpty() && !filterValue.isEmpty();
  if (filtered) {
    uint32_t number = 0;
    if (!EnsureColumn(filterColumn.toLower(), number)) return false;
    filterNumber = number;
  }
  std::optional<uint32_t> sortNumber;
  if (!sortColumn.isEmpty() && sortColumn != u"_DATE"_qs && sortColumn != u"_TIME"_qs) {
    uint32_t number = 0;
    if (!EnsureColumn(sortColumn.toLower(), number)) return false;
    sortNumber = number;
  }

  Statement statement(Prepare(
      QuerySql(states, columnNumbers, filterNumber, sortNumber, sortNumeric, sortDescending)));
  if (!statement) return false;
  sqlite3_stmt* s = statement.get();
  if (filtered) {
    const QString escaped = EscapeLike(filterValue);
    BindText(s, 1, escaped);
    BindText(s, 2, escaped + u"; %"_qs);
    BindText(s, 3, u"%; "_qs + escaped);
    BindText(s, 4, u"%; "_qs + escaped + u"; %"_qs);
  }
  const int width = 2 + static_cast<int>(columnNumbers.size());
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(s)) == SQLITE_ROW) {
    results.append(CSession::GuidText(ColumnGuid(s, 0)));
    results.append(QString::number(static_cast<qlonglong>(sqlite3_column_int64(s, 1))));
    for (int column = 2; column < width; ++column) {
      if (sqlite3_column_type(s, column) == SQLITE_BLOB) {
        results.append(QString::fromLatin1(kDataPlaceholder));
      } else {
        results.append(ColumnText(s, column));
      }
    }
  }
  // A query cut short by an error (a failing disk) found only some of the sessions: no answer.
  if (step != SQLITE_DONE) {
    results.clear();
    return false;
  }
  return true;
}
