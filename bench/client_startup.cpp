// Start-up of the client to its first painted frame with 50 installed projects (each with a
// session database of 20 sessions, so every badge is counted), beside a minimal Qt widget program
// measured the same way in the same run: each is started as a process on the offscreen platform
// and timed until it reports its first paint on stdout. Medians of the repeated starts are
// reported as counters (milliseconds) with their ratio.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "bench_main.h"
#include "points/edit_point.h"
#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"

namespace {

constexpr int kProjects = 50;
constexpr int kSessionsPerProject = 20;
constexpr int kStarts = 7;

// A data folder with the installed projects, made once.
QString DataTemplate() {
  static QTemporaryDir folder;
  static const bool made = [] {
    for (int p = 0; p < kProjects; ++p) {
      CProject project;
      project.MutableHeader().title = QStringLiteral("Survey %1").arg(p + 1, 2, 10, QChar('0'));
      project.MutableHeader().uniqueNumber = 1000 + p;
      for (int g = 0; g < 5; ++g) {
        CPage* page = project.AddPage();
        for (int i = 0; i < 10; ++i) {
          CBasePoint* point = page->AddPoint(CEditPoint::kTypeCode);
          point->SetName(QStringLiteral("Q%1_%2").arg(g).arg(i));
          point->SetCaption(QStringLiteral("Question %1").arg(i));
        }
      }
      project.SetPath(folder.filePath(QStringLiteral("Survey %1.ppc").arg(p + 1)));
      if (!project.Save()) return false;
      CSessionDatabase database(project.Path());
      CSessionDatabase* db = &database;
      if (!db->Open() || !db->BeginTransaction()) return false;
      for (int s = 0; s < kSessionsPerProject; ++s) {
        CSessionPtr session = CSession::Create(CProject::UnitId(), true);
        session->SetValueText(QStringLiteral("Q0_0"), QStringLiteral("Answer %1").arg(s));
        db->SaveSession(*session);
      }
      db->EndTransaction(true);
    }
    return true;
  }();
  (void)made;
  return folder.path();
}

// Starts the program with a fresh home whose data folder holds `dataFolder`'s files and returns
// the milliseconds until it printed "painted" (−1 when it did not within 20 s).
double TimeToFirstPaint(const QString& program, const QString& dataFolder) {
  QTemporaryDir home;
  const QString data = home.filePath(QStringLiteral("data/Brenmoor/QLT Client"));
  QDir().mkpath(data);
  QDir().mkpath(home.filePath(QStringLiteral("config")));
  QDir().mkpath(home.filePath(QStringLiteral("runtime")));
  if (!dataFolder.isEmpty()) {
    for (const QString& name : QDir(dataFolder).entryList(QDir::Files)) {
      QFile::copy(QDir(dataFolder).filePath(name), QDir(data).filePath(name));
    }
  }
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("HOME"), home.path());
  environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("QLT_ECHO_COMMANDS"), QStringLiteral("1"));

  QProcess process;
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::SeparateChannels);
  QElapsedTimer timer;
  timer.start();
  process.start(program, {});
  double elapsed = -1;
  QByteArray output;
  while (timer.elapsed() < 20000 && process.state() != QProcess::NotRunning) {
    process.waitForReadyRead(50);
    output += process.readAllStandardOutput();
    if (output.contains("painted")) {
      elapsed = timer.nsecsElapsed() / 1e6;
      break;
    }
  }
  process.kill();
  process.waitForFinished(5000);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void BM_ClientStartupWith50Projects(benchmark::State& state) {
  const QString data = DataTemplate();
  const QString client = QStringLiteral(QLT_CLIENT_PATH);
  const QString baseline = QStringLiteral(QLT_MINIMAL_WINDOW_PATH);
  std::vector<double> clientTimes;
  std::vector<double> baselineTimes;
  for (auto _ : state) {
    for (int i = 0; i < kStarts; ++i) {
      baselineTimes.push_back(TimeToFirstPaint(baseline, QString()));
      clientTimes.push_back(TimeToFirstPaint(client, data));
    }
  }
  if (std::count(clientTimes.begin(), clientTimes.end(), -1.0) > 0) {
    state.SkipWithError("the client did not report its first paint");
    return;
  }
  const double clientMs = Median(clientTimes);
  const double baselineMs = Median(baselineTimes);
  state.counters["client_ms"] = clientMs;
  state.counters["minimal_qt_ms"] = baselineMs;
  state.counters["ratio"] = baselineMs > 0 ? clientMs / baselineMs : 0;
}
BENCHMARK(BM_ClientStartupWith50Projects)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  return RunBenchmarks(argc, argv);
}
