// The ultradrop over a data file of 100,000 rows: loading it (reading the file into items and
// making every item's shown and stored text) beside reading the same file with a plain line
// reader in the same run, and one keystroke in the search box (filter, narrow, refill the combo
// of at most CUltraDropPoint::kMaxListed entries), and the sorted order "SortItems" asks for. The
// keystroke should stay under 50 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextStream>

#include "bench_main.h"
#include "points/ultradrop_data_file.h"
#include "points/ultradrop_point.h"
#include "points/ultradrop_table.h"

namespace {

constexpr int kRows = 100'000;

struct Fixture {
  QTemporaryDir dir;
  QString path;
  double baselineSeconds = 0;
  CUltraTable table;
  QStringList shown;

  Fixture() {
    path = dir.filePath(QStringLiteral("rows.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    for (int i = 0; i < kRows; ++i) {
      file.write(QStringLiteral("Place number %1,Region %2,%1\n").arg(i).arg(i % 50).toUtf8());
    }
  }
};

Fixture& GetFixture() {
  static Fixture fixture;
  return fixture;
}

// What the point does at initialisation: the items, then their shown and stored texts.
void Load(Fixture& fixture) {
  fixture.table.columns = {{"Display", {}}, {"Region", {}}, {"Value", {}}};
  fixture.table.items = CUltraDataFile::ReadFile(fixture.path, {.columns = 3}).items;
  const CUltraTemplate display(QStringLiteral("<% Display %> (<% Region %>)"),
                               fixture.table.columns);
  const CUltraTemplate output(QStringLiteral("<% Value %>"), fixture.table.columns);
  fixture.shown.clear();
  QStringList outputs;
  for (const CUltraItem& item : fixture.table.items) {
    fixture.shown.append(display.Fill(item));
    outputs.append(output.Fill(item));
  }
}

void BM_PlainLineReader(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  QElapsedTimer timer;
  timer.start();
  for (auto _ : state) {
    QFile file(fixture.path);
    if (!file.open(QIODevice::ReadOnly)) {
      state.SkipWithError("no data file");
      break;
    }
    QTextStream stream(&file);
    QStringList lines;
    while (!stream.atEnd()) lines.append(stream.readLine());
    benchmark::DoNotOptimize(lines);
  }
  fixture.baselineSeconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_read"] = fixture.baselineSeconds * 1000;
}

void BM_UltraDropLoad(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  QElapsedTimer timer;
  timer.start();
  for (auto _ : state) Load(fixture);
  if (fixture.table.items.size() != kRows) state.SkipWithError("not every row was read");
  const double seconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_load"] = seconds * 1000;
  if (fixture.baselineSeconds > 0)
    state.counters["ratio_vs_lines"] = seconds / fixture.baselineSeconds;
}

// One keystroke: the typed text over the items the filter kept (the filter runs again only
// when its value changes: argument 1 times that too), and the combo emptied and filled again
// with the typed text restored, as the point does it.
void BM_FilterAfterKeystroke(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  if (fixture.table.items.isEmpty()) Load(fixture);
  QComboBox combo;
  combo.setEditable(true);
  combo.setInsertPolicy(QComboBox::NoInsert);
  const CUltraFilter filter{.set = true,
                            .value = QStringLiteral("Region 1"),
                            .column = 1,
                            .condition = CUltraFilter::kStartsWith};
  const bool refilter = state.range(0) != 0;
  const QString typed = QStringLiteral("7");
  QList<int> kept = CUltraChoice::Kept(fixture.table, filter);
  QElapsedTimer timer;
  timer.start();
  qsizetype listed = 0;
  for (auto _ : state) {
    if (refilter) kept = CUltraChoice::Kept(fixture.table, filter);
    const QList<int> matching =
        CUltraChoice::Matching(fixture.shown, kept, typed, CUltraDropPoint::kMaxListed);
    combo.clear();
    for (int index : matching) combo.addItem(fixture.shown[index]);
    combo.setEditText(typed);
    listed = matching.size();
  }
  const double seconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_keystroke"] = seconds * 1000;
  state.counters["kept"] = double(kept.size());
  state.counters["listed"] = double(listed);
}

// "SortItems": the reading order of the 100,000 shown texts, made once per load.
void BM_SortedOrder(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  if (fixture.shown.isEmpty()) Load(fixture);
  QElapsedTimer timer;
  timer.start();
  for (auto _ : state) benchmark::DoNotOptimize(CUltraChoice::TextRanks(fixture.shown));
  const double seconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_sort"] = seconds * 1000;
  if (fixture.baselineSeconds > 0)
    state.counters["ratio_vs_lines"] = seconds / fixture.baselineSeconds;
}

}  // namespace

BENCHMARK(BM_PlainLineReader)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UltraDropLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SortedOrder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FilterAfterKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
