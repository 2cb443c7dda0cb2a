// Opening the session list of a project with 100,000 active sessions of three point values each:
// the database's Refresh, the list's Rebuild (columns, widths, model reset) and the list shown
// and painted once on the offscreen platform. The baseline, measured alternately in the same
// iterations, is raw SQLite with its default settings stepping "SELECT guid, flags FROM session
// WHERE state=0 ORDER BY created ASC" to its end. "ratio" is ours / raw; the whole project-open
// should stay under 300 ms.
//
// Argument 0: sessions created in the order they were stored (as on a device); 1: created times
// shuffled against the storage order, the worst case for SQLite, which then reads the table pages
// in random order through the `created` index. With SQLite's default 2 MB page cache it reads
// each page from the file many times over; the client's larger cache reads it once, which is why
// ours can beat the raw baseline there.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "bench_main.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "ui/session_list_ctrl.h"
#include "ui/session_list_model.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSessions = 100000;
constexpr const char* kBaselineSql =
    "SELECT guid, flags FROM session WHERE state=0 ORDER BY created ASC";

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

sqlite3_stmt* PrepareRaw(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) std::abort();
  return statement;
}

// A project with three points listed as columns with the date, its database holding one session
// saved through CSessionDatabase (which lays out the point columns) and 99,999 more inserted by
// plain SQL in one statement.
struct Fixture {
  QTemporaryDir dir;
  CProject project;
  std::unique_ptr<CSessionDatabase> database;
  CSettingsStore settings{CSettingsStore::DefaultFilePath()};
  std::unique_ptr<CSessionListCtrl> list;

  explicit Fixture(bool shuffled) {
    CProject::Header& header = project.MutableHeader();
    header.uniqueNumber = 77;
    header.sessionListColumns = QStringLiteral("name;count;status;_DATE;");
    CPage* page = project.AddPage();
    for (const char* name : {"name", "count", "status"}) {
      page->AddPoint(CEditPoint::kTypeCode)->SetName(QString::fromLatin1(name));
    }
    project.SetPath(dir.path() + QStringLiteral("/bench.ppc"));
    database = std::make_unique<CSessionDatabase>(project.Path());
    if (!database->Open()) std::abort();
    CSessionDatabase* db = database.get();
    CSessionPtr seed = CSession::Create(CProject::UnitId(), true);
    seed->SetValueText(QStringLiteral("name"), QStringLiteral("seed"));
    seed->SetValue(QStringLiteral("count"), CVariant::FromInt32(0));
    seed->SetValueText(QStringLiteral("status"), QStringLiteral("open"));
    if (!db->SaveSession(*seed)) std::abort();

    const QHash<QString, uint32_t>& map = db->PointMap();
    const uint32_t mask = ~CSessionDatabase::kIndexedBit;
    const int64_t created =
        CSystemTime::FromDateTime(QDateTime(QDate(2024, 1, 1), QTime(8, 0))).ToFileTime();
    const QString insert =
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO session(guid, created, saved, flags, unit_id, state, state_time, c%2, "
            "c%3, c%4) SELECT randomblob(16), %5 + %6 * 600000000, %5, "
            "i % 3, 'U', 0, 0, 'Person ' || i, i % 1000, CASE i % 2 WHEN 0 THEN 'open' ELSE "
            "'done' END FROM n;")
            .arg(kSessions - 1)
            .arg(map.value(QStringLiteral("name")) & mask)
            .arg(map.value(QStringLiteral("count")) & mask)
            .arg(map.value(QStringLiteral("status")) & mask)
            .arg(created)
            .arg(shuffled ? QStringLiteral("(abs(random()) % 100000)") : QStringLiteral("i"));
    sqlite3* raw = nullptr;
    if (sqlite3_open16(db->FilePath().utf16(), &raw) != SQLITE_OK) std::abort();
    if (sqlite3_exec(raw, insert.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
      std::abort();
    }
    sqlite3_close(raw);
    if (!db->Refresh() || db->ListCount() != kSessions) std::abort();

    list = std::make_unique<CSessionListCtrl>(settings);
    list->resize(480, 560);
    list->show();
  }
};

std::unique_ptr<Fixture> g_fixtures[2];

Fixture& GetFixture(bool shuffled) {
  std::unique_ptr<Fixture>& fixture = g_fixtures[shuffled ? 1 : 0];
  if (!fixture) fixture = std::make_unique<Fixture>(shuffled);
  return *fixture;
}

// The raw baseline: the list statement stepped to its end.
int64_t RawList(sqlite3* raw) {
  sqlite3_stmt* statement = PrepareRaw(raw, kBaselineSql);
  int64_t sum = 0;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    sum += sqlite3_column_int(statement, 1) + sqlite3_column_bytes(statement, 0);
  }
  sqlite3_finalize(statement);
  return sum;
}

void BM_OpenSessionList100k(benchmark::State& state) {
  Fixture& fixture = GetFixture(state.range(0) != 0);
  CSessionDatabase* db = fixture.database.get();
  sqlite3* raw = nullptr;
  if (sqlite3_open16(db->FilePath().utf16(), &raw) != SQLITE_OK) std::abort();
  double ours = 0;
  double baseline = 0;
  int rowsBuilt = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    if (!db->Refresh()) std::abort();
    fixture.list->Rebuild(&fixture.project, fixture.database.get());
    benchmark::DoNotOptimize(fixture.list->grab());
    ours += Seconds(start);
    rowsBuilt = fixture.list->Model()->RowsBuilt();

    start = Clock::now();
    benchmark::DoNotOptimize(RawList(raw));
    baseline += Seconds(start);
  }
  sqlite3_close(raw);
  const double iterations = static_cast<double>(state.iterations());
  state.counters["ours_ms"] = ours / iterations * 1e3;
  state.counters["raw_ms"] = baseline / iterations * 1e3;
  state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
  state.counters["rows_built"] = rowsBuilt;
  state.counters["rows"] = fixture.list->Model()->rowCount();
}

BENCHMARK(BM_OpenSessionList100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int status = RunBenchmarks(argc, argv);
  // The widgets go before the application object does.
  for (std::unique_ptr<Fixture>& fixture : g_fixtures) fixture.reset();
  return status;
}
