// Opening a drop list of 10,000 entries as the page display does (showing the page makes the
// combo and fills it, marks the stored value, then the list drops down and closes), reported
// beside drawing the same number of plain text lines with QPainter, measured in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <memory>

#include "bench_main.h"
#include "points/drop_point.h"
#include "project/graphics.h"
#include "project/page.h"
#include "project/project.h"
#include "ui/page_ctrl.h"

namespace {

constexpr int kEntries = 10'000;
constexpr int kWidth = 480;
constexpr int kHeight = 640;

QString Entry(int i) { return QStringLiteral("Entry number %1 of the long list").arg(i); }

struct Fixture {
  std::unique_ptr<CProject> project = std::make_unique<CProject>();
  std::unique_ptr<CPageCtrl> view = std::make_unique<CPageCtrl>();
  CPage* page = nullptr;
  CDropPoint* drop = nullptr;
  double baselineSeconds = 0;

  Fixture() {
    page = project->AddPage();
    drop = static_cast<CDropPoint*>(page->AddPoint(CDropPoint::kTypeCode));
    drop->SetCaption(QStringLiteral("Pick one of ten thousand"));
    CDropPoint::Settings settings;
    for (int i = 0; i < kEntries; ++i) settings.items.append(Entry(i));
    drop->SetSettings(settings);
    // A value near the end, so marking it looks through the list.
    drop->SetValue(Entry(kEntries - 7));
    view->resize(kWidth, kHeight);
    view->show();
    QCoreApplication::processEvents();
  }
  ~Fixture() { view->SetPage(nullptr, false); }
};

Fixture& GetFixture() {
  static Fixture fixture;
  return fixture;
}

// The 10,000 lines drawn into a window-sized image, wrapping to the top when they reach the end.
void BM_PlainTextLines(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  const QFont font = fixture.project->Graphics().Font(CGraphics::kNormal);
  const int line = QFontMetrics(font).height();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  QElapsedTimer timer;
  timer.start();
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    for (int i = 0; i < kEntries; ++i) {
      painter.drawText(4, (i * line) % kHeight + line, Entry(i));
    }
  }
  fixture.baselineSeconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_draw"] = fixture.baselineSeconds * 1000;
}

// Fill and show: the page comes on screen with its combo of 10,000 entries, the list drops down
// and closes, and the page is left again (the combo goes with it).
void BM_DropListOpen(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  QElapsedTimer timer;
  timer.start();
  for (auto _ : state) {
    fixture.view->SetPage(fixture.page, false);
    auto* combo = qobject_cast<QComboBox*>(fixture.view->ControlWidget(fixture.drop->Combo()));
    if (!combo || combo->count() != kEntries) {
      state.SkipWithError("the combo was not filled");
      break;
    }
    combo->showPopup();
    QCoreApplication::processEvents();
    combo->hidePopup();
    fixture.view->SetPage(nullptr, false);
  }
  const double seconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_open"] = seconds * 1000;
  if (fixture.baselineSeconds > 0) {
    state.counters["ratio_vs_lines"] = seconds / fixture.baselineSeconds;
  }
}

}  // namespace

BENCHMARK(BM_PlainTextLines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DropListOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
