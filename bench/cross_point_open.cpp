// Opening the list of a cross point over 100,000 stored sessions, as the user does: the combo of
// the point shown in the page display drops down, which runs the database's query through the
// automation objects, formats every entry from its template and fills the combo. The baseline,
// measured alternately in the same iterations, is raw SQLite stepping the same statement the
// query builds ("SELECT guid, saved, c0 FROM session WHERE 1 AND state IN( 100, 0, 1 ) ORDER BY
// saved DESC;") to its end and reading its columns as text. "ratio" is ours / raw.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "automation/automation_root.h"
#include "automation/custom_point_host.h"
#include "bench_main.h"
#include "editing/editing_flow.h"
#include "points/cross_point.h"
#include "points/custom_point.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "ui/page_ctrl.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSessions = 100000;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A project with a site point and a cross point listing "<%Site%> on <%_DATE%>", its database
// holding one session saved through CSessionDatabase (which lays out the point columns) and
// 99,999 more inserted by plain SQL; the page shown in a page display for a new session.
struct Fixture {
  QTemporaryDir dir;
  std::unique_ptr<CEditingFlow> flow;
  CAutomationRoot root;
  std::unique_ptr<CCustomPointHost> host;
  std::unique_ptr<CPageCtrl> view;
  QComboBox* combo = nullptr;
  QString baselineSql;

  Fixture() {
    auto project = std::make_unique<CProject>();
    project->MutableHeader().uniqueNumber = 78;
    CPage* page = project->AddPage();
    page->AddPoint(CEditPoint::kTypeCode)->SetName(QStringLiteral("Site"));
    auto* cross = static_cast<CCustomPoint*>(page->AddPoint(CCustomPoint::kTypeCode));
    cross->SetName(QStringLiteral("Earlier"));
    cross->SetClassId(QUuid(QStringLiteral("{AD194798-DB31-4EE4-B9EA-C18801054C8F}")));
    cross->MutableBag().SetText(QStringLiteral("Display"), QStringLiteral("<%Site%> on <%_DATE%>"));
    cross->MutableBag().SetText(QStringLiteral("Points"), QStringLiteral("Site"));
    project->SetPath(dir.path() + QStringLiteral("/bench.ppc"));
    flow = std::make_unique<CEditingFlow>(std::move(project), nullptr);
    CSessionDatabase* db = flow->Database();
    if (db == nullptr) std::abort();
    CSessionPtr seed = CSession::Create(CProject::UnitId(), true);
    seed->SetValueText(QStringLiteral("Site"), QStringLiteral("seed"));
    if (!db->SaveSession(*seed)) std::abort();

    const uint32_t column =
        db->PointMap().value(QStringLiteral("site")) & ~CSessionDatabase::kIndexedBit;
    const int64_t saved =
        CSystemTime::FromDateTime(QDateTime(QDate(2024, 1, 1), QTime(8, 0))).ToFileTime();
    const QString insert =
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO session(guid, created, saved, flags, unit_id, state, state_time, c%2) "
            "SELECT randomblob(16), %3, %3 + i * 600000000, 0, 'U', 0, 0, 'Site ' || i FROM n;")
            .arg(kSessions - 1)
            .arg(column)
            .arg(saved);
    sqlite3* raw = nullptr;
    if (sqlite3_open16(db->FilePath().utf16(), &raw) != SQLITE_OK) std::abort();
    if (sqlite3_exec(raw, insert.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
      std::abort();
    }
    sqlite3_close(raw);
    if (!db->Refresh() || db->ListCount() != kSessions) std::abort();
    baselineSql = QStringLiteral(
                      "SELECT guid, saved, c%1 FROM session WHERE 1 AND state IN( 100, 0, 1 ) "
                      "ORDER BY saved DESC;")
                      .arg(column);

    host = std::make_unique<CCustomPointHost>(&root);
    if (host->CreateControls(flow->Project()) != 0) std::abort();
    root.AddOpenProject(flow.get());
    view = std::make_unique<CPageCtrl>();
    view->resize(480, 640);
    view->show();
    flow->SetDisplay(view.get());
    if (!flow->Start(QUuid())) std::abort();
    const QList<CPageWindow::Control> controls = view->ControlsOfPoint(cross);
    if (controls.isEmpty()) std::abort();
    combo = qobject_cast<QComboBox*>(view->ControlWidget(controls.first()));
    if (combo == nullptr) std::abort();
  }

  ~Fixture() {
    flow->Abandon();
    flow->SetDisplay(nullptr);
    root.CloseProject(&flow->Project());
    CCustomPointHost::ReleaseControls(flow->Project());
  }
};

// The raw baseline: the query's statement stepped to its end with every column read as text.
int64_t RawQuery(sqlite3* raw, const QByteArray& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(raw, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
    std::abort();
  }
  int64_t sum = 0;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    sum += sqlite3_column_bytes(statement, 0) + sqlite3_column_int64(statement, 1) % 7 +
           sqlite3_column_bytes16(statement, 2);
  }
  sqlite3_finalize(statement);
  return sum;
}

void BM_OpenCrossPoint100k(benchmark::State& state) {
  Fixture fixture;
  sqlite3* raw = nullptr;
  const QString path = fixture.flow->Database()->FilePath();
  if (sqlite3_open16(path.utf16(), &raw) != SQLITE_OK) std::abort();
  const QByteArray sql = fixture.baselineSql.toUtf8();
  double ours = 0;
  double baseline = 0;
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    fixture.combo->showPopup();
    ours += Seconds(start);
    if (fixture.combo->count() != kSessions) std::abort();
    fixture.combo->hidePopup();
    QCoreApplication::processEvents();

    start = Clock::now();
    benchmark::DoNotOptimize(RawQuery(raw, sql));
    baseline += Seconds(start);
  }
  sqlite3_close(raw);
  const double iterations = static_cast<double>(state.iterations());
  state.counters["ours_ms"] = ours / iterations * 1e3;
  state.counters["raw_ms"] = baseline / iterations * 1e3;
  state.counters["ratio"] = baseline > 0 ? ours / baseline : 0;
  state.counters["entries"] = fixture.combo->count();
}

BENCHMARK(BM_OpenCrossPoint100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
