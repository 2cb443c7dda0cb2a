// The session database against raw SQLite running the same statements in the same run. Each
// benchmark times both sides alternately in every iteration and reports them with their ratio
// (ours / raw): "ratio" is the number to watch.
//
// - Save: SaveSession of a session with 50 values (texts, integers, reals) replacing one of 100
//   stored sessions; the raw side runs the same BEGIN / COMMIT of the column step, the same INSERT
//   OR REPLACE with the same (already encoded) values and the two statements of the list refresh.
//   Both sides pay one synchronous commit per save, which dominates.
// - Refresh: the list of 100,000 sessions sorted numerically by a point.
// - Query: a filter on a "; "-separated point over 100,000 sessions, returning two columns.
// - Export: `qlt sessions export --format csv` of 100,000 sessions (the built tool next to this
//   program), in sessions per second.
#include "sessions/session_database.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "bench_main.h"
#include "sessions/session.h"
#include "sessions/session_sql.h"
#include "values/archive.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(benchmark::State& state, double ours, double raw) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["ours_us"] = ours / iterations * 1e6;
  state.counters["raw_us"] = raw / iterations * 1e6;
  state.counters["ratio"] = raw > 0 ? ours / raw : 0;
}

const char* const kColours[] = {"Red",    "Blue",  "Green", "Red; Blue",     "Blue; Red; Green",
                                "Yellow", "Black", "White", "Green; Yellow", "Redwood"};

// A project with `count` stored sessions (point "n" numeric text, "colour" a choice list, plus
// `extra` more points), kept for the whole run.
struct Fixture {
  QTemporaryDir dir;
  QString project;
  std::unique_ptr<CSessionDatabase> db;

  Fixture(int count, int extra) {
    project = dir.path() + QStringLiteral("/bench.ppc");
    db = std::make_unique<CSessionDatabase>(nullptr);
    if (!db->OpenPath(project)) std::abort();
    std::mt19937 random(7);
    db->BeginTransaction();
    for (int i = 0; i < count; ++i) {
      CSessionPtr session = CSession::Create(QString(), true);
      session->SetValueText(QStringLiteral("n"), QString::number(random() % 1000000));
      session->SetValueText(QStringLiteral("colour"), QString::fromLatin1(kColours[random() % 10]));
      for (int k = 0; k < extra; ++k) {
        session->SetValueText(QStringLiteral("p%1").arg(k), QStringLiteral("value %1").arg(k));
      }
      if (!db->SaveSession(*session)) std::abort();
    }
    db->EndTransaction(true);
  }
  QString Path() const { return CSessionDatabase::DatabasePath(project); }
};

// The 100,000 sessions the refresh and query benchmarks share.
Fixture& Large() {
  static Fixture fixture(100000, 0);
  return fixture;
}

sqlite3* OpenRaw(const QString& path) {
  sqlite3* raw = nullptr;
  if (sqlite3_open16(path.utf16(), &raw) != SQLITE_OK) std::abort();
  return raw;
}

sqlite3_stmt* PrepareRaw(sqlite3* db, const QByteArray& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) std::abort();
  return statement;
}

struct RawEntry {
  uint32_t flags;
  char guid[16];
};

// The refresh's two statements, read as the database reads them.
void RawRefresh(sqlite3* raw, const QByteArray& listSql, std::vector<RawEntry>& rows) {
  sqlite3_stmt* counts = PrepareRaw(raw, SessionSql::kSqlCountStates);
  int count = 0;
  while (sqlite3_step(counts) == SQLITE_ROW) {
    if (sqlite3_column_int(counts, 1) == 0) count = sqlite3_column_int(counts, 0);
  }
  sqlite3_finalize(counts);
  rows.clear();
  rows.reserve(static_cast<size_t>(count) + 16);
  sqlite3_stmt* list = PrepareRaw(raw, listSql);
  while (sqlite3_step(list) == SQLITE_ROW) {
    RawEntry entry{static_cast<uint32_t>(sqlite3_column_int(list, 1)), {}};
    if (sqlite3_column_bytes(list, 0) == 16) {
      std::memcpy(entry.guid, sqlite3_column_blob(list, 0), 16);
    }
    rows.push_back(entry);
  }
  sqlite3_finalize(list);
}

void BM_SaveSession50Values(benchmark::State& state) {
  Fixture fixture(100, 48);
  CSessionDatabase& db = *fixture.db;
  std::vector<QUuid> guids;
  for (int i = 0; i < db.ListCount(); ++i) guids.push_back(db.ListGuidAt(i));

  CSessionPtr session = CSession::Create(QString(), true);
  for (int k = 0; k < 48; ++k) {
    if (k % 3 == 0) {
      session->SetValue(QStringLiteral("p%1").arg(k), CVariant::FromInt32(k));
    } else if (k % 3 == 1) {
      session->SetValue(QStringLiteral("p%1").arg(k), CVariant::FromDouble(k * 0.5));
    } else {
      session->SetValueText(QStringLiteral("p%1").arg(k), QStringLiteral("text value %1").arg(k));
    }
  }
  session->SetValueText(QStringLiteral("n"), QStringLiteral("42"));
  session->SetValueText(QStringLiteral("colour"), QStringLiteral("Red"));

  // The raw side: the same statement text and the values already in their stored form.
  std::vector<uint32_t> columns;
  std::vector<CVariant> values;
  session->Values().ForEach([&](const QString& key, const CVariant& value) {
    columns.push_back(db.PointMap().value(key) & ~CSessionDatabase::kIndexedBit);
    values.push_back(value);
  });
  const QByteArray saveSql = CSessionDatabase::SaveSql(columns);
  const QByteArray listSql = CSessionDatabase::ListSql(0, 1, false, false);
  const QByteArray guidBytes = CSession::GuidBytes(guids[0]);
  std::vector<QByteArray> encoded;
  for (const CVariant& value : values) {
    CArchive ar;
    value.Serialize(ar);
    encoded.push_back(ar.Buffer());
  }
  sqlite3* raw = OpenRaw(fixture.Path());
  std::vector<RawEntry> rows;

  double ours = 0;
  double rawTime = 0;
  size_t next = 0;
  for (auto _ : state) {
    session->SetGuid(guids[next++ % guids.size()]);
    auto start = Clock::now();
    if (!db.SaveSession(*session)) std::abort();
    ours += Seconds(start);

    start = Clock::now();
    sqlite3_exec(raw, SessionSql::kSqlBegin, nullptr, nullptr, nullptr);
    sqlite3_exec(raw, SessionSql::kSqlCommit, nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = PrepareRaw(raw, saveSql);
    sqlite3_bind_blob(insert, 1, guidBytes.constData(), 16, SQLITE_TRANSIENT);
    sqlite3_bind_int64(insert, 2, 133000000000000000LL);
    sqlite3_bind_int64(insert, 3, 133000000000000001LL);
    sqlite3_bind_int(insert, 4, 0);
    sqlite3_bind_text16(insert, 5, u"Local", 10, SQLITE_TRANSIENT);
    sqlite3_bind_int(insert, 6, 0);
    sqlite3_bind_int64(insert, 7, 0);
    for (size_t i = 0; i < values.size(); ++i) {
      const int parameter = static_cast<int>(i) + 8;
      if (values[i].IsString()) {
        sqlite3_bind_text16(insert, parameter, values[i].StringPayload().utf16(),
                            static_cast<int>(values[i].StringPayload().size() * 2),
                            SQLITE_TRANSIENT);
      } else if (values[i].Type() == kVtI4) {
        sqlite3_bind_int(insert, parameter, static_cast<int>(values[i].IntegerPayload()));
      } else {
        sqlite3_bind_blob(insert, parameter, encoded[i].constData(),
                          static_cast<int>(encoded[i].size()), SQLITE_TRANSIENT);
      }
    }
    if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
    sqlite3_finalize(insert);
    RawRefresh(raw, listSql, rows);
    rawTime += Seconds(start);
  }
  sqlite3_close(raw);
  Report(state, ours, rawTime);
}

void BM_RefreshSortedNumerically100k(benchmark::State& state) {
  Fixture& fixture = Large();
  CSessionDatabase& db = *fixture.db;
  if (!db.SetSort(0, QStringLiteral("n"), true, false)) std::abort();
  const QByteArray listSql = CSessionDatabase::ListSql(0, db.SortColumn(), true, false);
  sqlite3* raw = OpenRaw(fixture.Path());
  std::vector<RawEntry> rows;
  double ours = 0;
  double rawTime = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (!db.Refresh()) std::abort();
    ours += Seconds(start);
    start = Clock::now();
    RawRefresh(raw, listSql, rows);
    rawTime += Seconds(start);
  }
  sqlite3_close(raw);
  if (db.ListCount() != 100000 || rows.size() != 100000) std::abort();
  Report(state, ours, rawTime);
}

void BM_QueryWithFilter100k(benchmark::State& state) {
  Fixture& fixture = Large();
  CSessionDatabase& db = *fixture.db;
  const QStringList columns = {QStringLiteral("colour"), QStringLiteral("n")};
  QStringList results;
  // Adds nothing: both points have their columns.
  if (!db.Query(std::nullopt, QStringLiteral("colour"), QStringLiteral("Red"), QString(), false,
                false, columns, results)) {
    std::abort();
  }
  const uint32_t colour =
      db.PointMap().value(QStringLiteral("colour")) & ~CSessionDatabase::kIndexedBit;
  const uint32_t n = db.PointMap().value(QStringLiteral("n")) & ~CSessionDatabase::kIndexedBit;
  const QByteArray sql =
      CSessionDatabase::QuerySql(std::nullopt, {colour, n}, colour, std::nullopt, false, false);
  sqlite3* raw = OpenRaw(fixture.Path());
  double ours = 0;
  double rawTime = 0;
  int64_t rawRows = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (!db.Query(std::nullopt, QStringLiteral("colour"), QStringLiteral("Red"), QString(), false,
                  false, columns, results)) {
      std::abort();
    }
    ours += Seconds(start);

    start = Clock::now();
    sqlite3_stmt* statement = PrepareRaw(raw, sql);
    const QString value = CSessionDatabase::EscapeLike(QStringLiteral("Red"));
    const QString patterns[] = {value, value + QStringLiteral("; %"), QStringLiteral("%; ") + value,
                                QStringLiteral("%; ") + value + QStringLiteral("; %")};
    for (int i = 0; i < 4; ++i) {
      sqlite3_bind_text16(statement, i + 1, patterns[i].utf16(),
                          static_cast<int>(patterns[i].size() * 2), SQLITE_TRANSIENT);
    }
    rawRows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
      ++rawRows;
      benchmark::DoNotOptimize(sqlite3_column_blob(statement, 0));
      benchmark::DoNotOptimize(sqlite3_column_int64(statement, 1));
      benchmark::DoNotOptimize(sqlite3_column_text16(statement, 2));
      benchmark::DoNotOptimize(sqlite3_column_text16(statement, 3));
    }
    sqlite3_finalize(statement);
    rawTime += Seconds(start);
  }
  sqlite3_close(raw);
  if (results.size() != rawRows * 4) std::abort();
  state.counters["rows"] = static_cast<double>(rawRows);
  Report(state, ours, rawTime);
}

void BM_ExportCsv100k(benchmark::State& state) {
  static Fixture fixture(100000, 8);
  fixture.db->Close();  // the tool opens the file itself
  const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../qlt");
  if (!QFile::exists(tool)) {
    state.SkipWithError("the qlt tool is not built");
    return;
  }
  {
    QFile project(fixture.project);
    if (!project.open(QIODevice::WriteOnly)) std::abort();
  }
  const QString out = fixture.dir.path() + QStringLiteral("/out.csv");
  double seconds = 0;
  for (auto _ : state) {
    QProcess process;
    const auto start = Clock::now();
    process.start(
        tool, {QStringLiteral("sessions"), QStringLiteral("export"), fixture.project,
               QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--out"), out});
    if (!process.waitForFinished(600000) || process.exitCode() != 0) std::abort();
    seconds += Seconds(start);
  }
  state.counters["sessions_per_s"] = 100000.0 * static_cast<double>(state.iterations()) / seconds;
}

}  // namespace

BENCHMARK(BM_SaveSession50Values)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_RefreshSortedNumerically100k)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_QueryWithFilter100k)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ExportCsv100k)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
