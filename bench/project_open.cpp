// Opening a project with 100,000 active sessions in the main frame until its session list is
// shown and painted: the project file read, the database opened and listed, the purge, the list
// built and the window painted once. Reported in milliseconds beside the raw SQLite baseline of
// the list's own query stepped to the end, measured in the same run. Run with
// --benchmark_repetitions=N for medians.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <memory>

#include "app/language.h"
#include "bench_main.h"
#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "ui/client_frame.h"
#include "ui/shared_fonts.h"

namespace {

constexpr int kSessions = 100000;

struct Fixture {
  QTemporaryDir folder;
  QString path;
};

const Fixture& GetFixture() {
  static const std::unique_ptr<Fixture> fixture = [] {
    auto made = std::make_unique<Fixture>();
    CProject project;
    project.MutableHeader().title = QStringLiteral("Large survey");
    project.MutableHeader().uniqueNumber = 77;
    project.MutableHeader().sessionListColumns = QStringLiteral("Site;Inspector;Score;");
    CPage* page = project.AddPage();
    for (const char* name : {"Site", "Inspector", "Score"}) {
      CBasePoint* point = page->AddPoint(CEditPoint::kTypeCode);
      point->SetName(QString::fromLatin1(name));
    }
    made->path = made->folder.filePath(QStringLiteral("Large survey.ppc"));
    project.SetPath(made->path);
    project.Save();
    CSessionDatabase database(project.Path());
    CSessionDatabase* db = &database;
    db->Open();
    db->BeginTransaction();
    for (int i = 0; i < kSessions; ++i) {
      CSessionPtr session = CSession::Create(CProject::UnitId(), true);
      session->SetValueText(QStringLiteral("Site"), QStringLiteral("Site %1").arg(i));
      session->SetValueText(QStringLiteral("Inspector"), QStringLiteral("Inspector %1").arg(i % 7));
      session->SetValueText(QStringLiteral("Score"), QString::number(i % 100));
      db->SaveSession(*session);
    }
    db->EndTransaction(true);
    // A second project keeps the frame on the project list at start.
    CProject other;
    other.MutableHeader().title = QStringLiteral("Other");
    other.SetPath(made->folder.filePath(QStringLiteral("Other.ppc")));
    other.Save();
    return made;
  }();
  return *fixture;
}

void BM_OpenProjectWith100kSessions(benchmark::State& state) {
  const Fixture& fixture = GetFixture();
  CSettingsStore settings(CSettingsStore::DefaultFilePath());
  double rawMs = 0;
  double openMs = 0;
  int runs = 0;
  for (auto _ : state) {
    // Baseline: the list's query on its own connection.
    QElapsedTimer raw;
    raw.start();
    sqlite3* db = nullptr;
    sqlite3_open16(CSessionDatabase::DatabasePath(fixture.path).utf16(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT guid, flags FROM session WHERE state=0 ORDER BY created ASC;",
                       -1, &statement, nullptr);
    int rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) ++rows;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    rawMs += raw.nsecsElapsed() / 1e6;
    if (rows != kSessions) state.SkipWithError("the database lost sessions");

    CClientFrame frame(settings, fixture.folder.path());
    frame.resize(1024, 768);
    frame.show();
    QCoreApplication::processEvents();
    QElapsedTimer open;
    open.start();
    frame.OpenProject(fixture.path);
    const QImage shown = frame.grab().toImage();
    openMs += open.nsecsElapsed() / 1e6;
    benchmark::DoNotOptimize(shown.constBits());
    if (!frame.Project() || frame.Database()->ListCount() != kSessions) {
      state.SkipWithError("the project did not open with its sessions");
    }
    ++runs;
  }
  state.counters["open_ms"] = openMs / runs;
  state.counters["raw_list_query_ms"] = rawMs / runs;
  state.counters["ratio"] = rawMs > 0 ? openMs / rawMs : 0;
}
BENCHMARK(BM_OpenProjectWith100kSessions)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  CSharedFonts::Install();
  CLanguage::Instance().LoadTranslation(QString(), QString());
  return RunBenchmarks(argc, argv);
}
