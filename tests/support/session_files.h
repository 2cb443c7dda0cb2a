// Helpers of the tests that store sessions: new sessions holding given values, a raw SQLite view
// of a database file (to check what the file holds independently of CSessionDatabase) and a text
// snapshot of the stored sessions. Test code only; the thread that opens the databases.
#pragma once

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>

#include "sessions/session.h"
#include "support/qt_print.h"
#include "values/variant.h"

struct sqlite3;

namespace qlt::test {

using SessionValues = std::initializer_list<std::pair<const char*, CVariant>>;

// A new session of the unit `unitId` with a fresh identity, created now, holding the values.
CSessionPtr NewSession(SessionValues values = {}, const QString& unitId = QString());

// A raw connection to a database file.
class RawDb {
 public:
  explicit RawDb(const QString& path, bool readOnly = false);
  ~RawDb();
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  sqlite3* Handle() const { return m_db; }
  bool Exec(const QString& sql);
  // Every row of the statement, each column as text (NULL as "<null>"), columns joined by "|".
  QStringList Rows(const QString& sql) const;
  // The first row of the statement, or an empty text.
  QString Value(const QString& sql) const;

 private:
  sqlite3* m_db = nullptr;
};

// The stored sessions as text: per row (by guid) the fixed columns and, for each point of the
// map, its value with its storage class; then the map and the indexes.
QStringList Snapshot(const QString& path);
// SQLite's verdict on the file ("ok" when it is sound).
QString IntegrityCheck(const QString& path);

}  // namespace qlt::test
