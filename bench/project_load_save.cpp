// Loading and saving a project of 100 pages of 100 points each with a 1 MB header image and a
// 1 MB side image, reported as ratios against reading and writing the same bytes raw, measured in
// the same iterations. Load reads the file and builds every page and point; save serialises the
// project and writes it through the safe save (temporary file, claimed space, chunked copy, two
// flushes to the disk), against one plain write of the same bytes with one flush.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <random>

#include "project/base_point.h"
#include "project/page.h"
#include "project/project.h"

namespace {

constexpr int kPages = 100;
constexpr int kPointsPerPage = 100;
constexpr int kImageBytes = 1 << 20;

struct Fixture {
  QTemporaryDir folder;
  QString path;
  QByteArray bytes;
  std::unique_ptr<CProject> project;
};

QByteArray RandomBytes(int size, uint32_t seed) {
  std::mt19937 generator(seed);
  QByteArray bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

const Fixture& GetFixture() {
  static const std::unique_ptr<Fixture> fixture = [] {
    auto made = std::make_unique<Fixture>();
    made->path = made->folder.filePath(QStringLiteral("Bench.ppc"));
    made->project = std::make_unique<CProject>();
    CProject& project = *made->project;
    project.MutableHeader().title = QStringLiteral("Benchmark");
    project.MutableGraphics().headerImage = RandomBytes(kImageBytes, 1);
    project.MutableGraphics().sideImage = RandomBytes(kImageBytes, 2);
    for (int p = 0; p < kPages; ++p) {
      CPage* page = project.AddPage();
      page->SetCaption(QStringLiteral("Page %1").arg(p));
      for (int i = 0; i < kPointsPerPage; ++i) {
        // Every point type in turn, the custom point (12) included.
        CBasePoint* point = page->AddPoint(1 + (p * kPointsPerPage + i) % 14);
        point->SetName(QStringLiteral("P%1_%2").arg(p).arg(i));
        point->SetCaption(QStringLiteral("Question %1 of page %2").arg(i).arg(p));
        point->SetHelp(QStringLiteral("Some help text for this question."));
      }
    }
    project.SetPath(made->path);
    made->bytes = project.SaveToBytes();
    QFile file(made->path);
    if (!file.open(QIODevice::WriteOnly) || file.write(made->bytes) != made->bytes.size()) {
      qFatal("cannot write the benchmark project");
    }
    return made;
  }();
  return *fixture;
}

double Seconds(const QElapsedTimer& timer) {
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void ReportRatio(benchmark::State& state, double modelSeconds, double rawSeconds) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["raw_ms"] = rawSeconds / iterations * 1e3;
  state.counters["model_ms"] = modelSeconds / iterations * 1e3;
  state.counters["ratio"] = rawSeconds > 0 ? modelSeconds / rawSeconds : 0;
  state.SetBytesProcessed(static_cast<int64_t>(iterations) * GetFixture().bytes.size());
}

void BM_LoadProject(benchmark::State& state) {
  const Fixture& fixture = GetFixture();
  double model = 0;
  double raw = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    {
      QFile file(fixture.path);
      if (!file.open(QIODevice::ReadOnly)) state.SkipWithError("cannot open");
      const QByteArray bytes = file.readAll();
      benchmark::DoNotOptimize(bytes.constData());
    }
    raw += Seconds(timer);

    auto project = std::make_unique<CProject>();
    timer.restart();
    const bool loaded = project->Load(fixture.path);
    const double seconds = Seconds(timer);
    if (!loaded || project->PageCount() != kPages) state.SkipWithError("load failed");
    model += seconds;
    state.SetIterationTime(seconds);
  }
  ReportRatio(state, model, raw);
}
BENCHMARK(BM_LoadProject)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_SaveProject(benchmark::State& state) {
  const Fixture& fixture = GetFixture();
  const QString rawPath = fixture.folder.filePath(QStringLiteral("Raw.ppc"));
  double model = 0;
  double raw = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    {
      const int fd = ::open(QFile::encodeName(rawPath).constData(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      const bool ok =
          fd >= 0 &&
          ::write(fd, fixture.bytes.constData(), fixture.bytes.size()) == fixture.bytes.size() &&
          ::fsync(fd) == 0;
      if (fd >= 0) ::close(fd);
      if (!ok) state.SkipWithError("raw write failed");
    }
    raw += Seconds(timer);

    timer.restart();
    const bool saved = fixture.project->Save();
    const double seconds = Seconds(timer);
    if (!saved) state.SkipWithError("save failed");
    model += seconds;
    state.SetIterationTime(seconds);
  }
  ReportRatio(state, model, raw);
}
BENCHMARK(BM_SaveProject)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
