#include "support/session_files.h"

#include <sqlite3.h>

#include <QByteArray>

namespace qlt::test {

CSessionPtr NewSession(SessionValues values, const QString& unitId) {
  CSessionPtr session = CSession::Create(unitId, true);
  for (const auto& [name, value] : values) session->SetValue(QString::fromLatin1(name), value);
  return session;
}

RawDb::RawDb(const QString& path, bool readOnly) {
  const QByteArray utf8 = path.toUtf8();
  sqlite3_open_v2(utf8.constData(), &m_db, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                  nullptr);
}

RawDb::~RawDb() { sqlite3_close(m_db); }

bool RawDb::Exec(const QString& sql) {
  return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QStringList RawDb::Rows(const QString& sql) const {
  QStringList rows;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
    return {QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(m_db)))};
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    QStringList columns;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      switch (sqlite3_column_type(statement, i)) {
        case SQLITE_NULL:
          columns.append(QStringLiteral("<null>"));
          break;
        case SQLITE_BLOB:
          columns.append(QStringLiteral("x'%1'").arg(QString::fromLatin1(
              QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, i)),
                         sqlite3_column_bytes(statement, i))
                  .toHex())));
          break;
        default:
          columns.append(
              QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, i))));
      }
    }
    rows.append(columns.join(u'|'));
  }
  sqlite3_finalize(statement);
  return rows;
}

QString RawDb::Value(const QString& sql) const {
  const QStringList rows = Rows(sql);
  return rows.isEmpty() ? QString() : rows.first();
}

QStringList Snapshot(const QString& path) {
  RawDb db(path);
  const QStringList map = db.Rows(QStringLiteral("SELECT point, target FROM map ORDER BY point;"));
  QString select =
      QStringLiteral("SELECT hex(guid), created, saved, flags, unit_id, state, state_time");
  for (const QString& entry : map) {
    const QString column = QStringLiteral("c") + entry.section(u'|', 1);
    select += QStringLiteral(", '%1=' || typeof(%2) || ':' || quote(%2)")
                  .arg(entry.section(u'|', 0, 0), column);
  }
  select += QStringLiteral(" FROM session ORDER BY guid;");
  QStringList snapshot = db.Rows(select);
  snapshot +=
      db.Rows(QStringLiteral("SELECT 'map', point, target, indexed FROM map ORDER BY point;"));
  snapshot += db.Rows(QStringLiteral(
      "SELECT 'index', name, sql FROM sqlite_master WHERE type='index' ORDER BY name;"));
  return snapshot;
}

QString IntegrityCheck(const QString& path) {
  RawDb db(path);
  return db.Value(QStringLiteral("PRAGMA integrity_check;"));
}

}  // namespace qlt::test
