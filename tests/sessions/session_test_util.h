// Helpers of the session storage tests: a raw SQLite view of a database file (to check what the
// file holds independently of CSessionDatabase), a text snapshot of the stored sessions, file
// bytes and a fixed clock.
#pragma once

#include <sqlite3.h>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <ostream>

#include "app/services.h"
#include "support/scripted_message_service.h"

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace qlt::test {

// A raw connection to a database file.
class RawDb {
 public:
  explicit RawDb(const QString& path, bool readOnly = false) {
    const QByteArray utf8 = path.toUtf8();
    sqlite3_open_v2(utf8.constData(), &m_db,
                    readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
  }
  ~RawDb() { sqlite3_close(m_db); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  sqlite3* Handle() const { return m_db; }
  bool Exec(const QString& sql) {
    return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  // Every row of the statement, each column as text (NULL as "<null>"), columns joined by "|".
  QStringList Rows(const QString& sql) const {
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
            columns.append(QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, i))));
        }
      }
      rows.append(columns.join(u'|'));
    }
    sqlite3_finalize(statement);
    return rows;
  }
  QString Value(const QString& sql) const {
    const QStringList rows = Rows(sql);
    return rows.isEmpty() ? QString() : rows.first();
  }

 private:
  sqlite3* m_db = nullptr;
};

// The stored sessions as text: per row (by guid) the fixed columns and, for each point of the
// map, its value with its storage class; then the map and the indexes.
inline QStringList Snapshot(const QString& path) {
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

inline QString IntegrityCheck(const QString& path) {
  RawDb db(path);
  return db.Value(QStringLiteral("PRAGMA integrity_check;"));
}

inline QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFileBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

// Installs fresh services (scripted messages, a settable clock) for one test and restores the
// previous ones afterwards.
class ServicesScope {
 public:
  ServicesScope() {
    auto services = std::make_unique<CServices>();
    auto messages = std::make_unique<CScriptedMessageService>();
    m_messages = messages.get();
    services->SetMessageService(std::move(messages));
    services->SetClock([this] { return m_now; });
    m_previous = CServices::Install(std::move(services));
  }
  ~ServicesScope() { CServices::Install(std::move(m_previous)); }
  ServicesScope(const ServicesScope&) = delete;
  ServicesScope& operator=(const ServicesScope&) = delete;

  CScriptedMessageService& Messages() { return *m_messages; }
  void SetNow(const QDateTime& now) { m_now = now; }
  const QDateTime& Now() const { return m_now; }

 private:
  std::unique_ptr<CServices> m_previous;
  CScriptedMessageService* m_messages = nullptr;
  QDateTime m_now = QDateTime(QDate(2024, 3, 14), QTime(9, 26, 53, 589));
};

}  // namespace qlt::test
