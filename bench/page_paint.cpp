// Laying out and painting a page of 200 points in the page display (measuring every point twice,
// as a page taller than the window is, placing every edit box and painting the visible part),
// and one scroll step of it. Reported as a ratio against the least any page display does for
// the same page, measured in the same run: word-wrapping and drawing the 200 captions into an
// image once. Run with --benchmark_repetitions=N for medians.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <memory>
#include <vector>

#include "bench_main.h"
#include "points/boolean_point.h"
#include "points/edit_point.h"
#include "points/layout_point.h"
#include "points/math_point.h"
#include "project/graphics.h"
#include "project/page.h"
#include "project/project.h"
#include "ui/page_ctrl.h"

namespace {

constexpr int kPoints = 200;
constexpr int kWidth = 480;
constexpr int kHeight = 640;

// Half edit points of several shapes, the rest points that only draw their captions.
std::unique_ptr<CProject> MakeProject() {
  auto project = std::make_unique<CProject>();
  project->SetSessionGuid(QStringLiteral("0C1D2E3F-4A5B-6C7D-8E9F-A0B1C2D3E4F5"));
  CPage* page = project->AddPage();
  page->SetCaption(QStringLiteral("Two hundred points"));
  page->SetText(QStringLiteral("A page with many fields, as long survey forms have."));
  const int32_t others[] = {CBooleanPoint::kTypeCode, CMathPoint::kTypeCode,
                            CLayoutPoint::kTypeCode};
  for (int i = 0; i < kPoints; ++i) {
    if (i % 2 == 0) {
      auto* edit = static_cast<CEditPoint*>(page->AddPoint(CEditPoint::kTypeCode));
      CEditPoint::Settings& settings = edit->MutableSettings();
      settings.lines = (i % 8 == 0) ? 3 : ((i % 8 == 2) ? -4 : 1);
      settings.numeric = (i % 8 == 2) ? 1 : 0;
      settings.arrows = settings.numeric;
      edit->SetCaption(QStringLiteral("Question %1: what was seen at this place?").arg(i));
      edit->AssignValue(CVariant::FromString(QStringLiteral("Answer %1").arg(i)));
    } else {
      CBasePoint* point = page->AddPoint(others[(i / 2) % 3]);
      point->SetCaption(QStringLiteral("Item %1 with a caption long enough to wrap over two "
                                       "lines in a window of this width")
                            .arg(i));
    }
  }
  return project;
}

struct Fixture {
  std::unique_ptr<CProject> project = MakeProject();
  std::unique_ptr<CPageCtrl> view = std::make_unique<CPageCtrl>();
  double baselineSeconds = 0;

  Fixture() {
    view->resize(kWidth, kHeight);
    view->SetPage(project->Page(0), false);
    // Shown, as in the client, so that placing the boxes moves real widgets.
    view->show();
    QCoreApplication::processEvents();
    baselineSeconds = BaselineSeconds();
  }
  ~Fixture() { view->SetPage(nullptr, false); }

  // The captions word-wrapped and drawn once, into a window-sized image; seconds taken.
  double DrawCaptionsOnce() const {
    const CGraphics& graphics = project->Graphics();
    const QFont font = graphics.Font(CGraphics::kBold);
    const int width = kWidth - 2 * graphics.margin;
    QElapsedTimer timer;
    timer.start();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    int y = 0;
    for (const auto& point : project->Page(0)->Points()) {
      const QRect rect =
          metrics.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, point->Caption());
      painter.drawText(QRect(graphics.margin, y % kHeight, width, rect.height()), Qt::TextWordWrap,
                       point->Caption());
      y += rect.height() + graphics.spacing;
    }
    painter.end();
    return double(timer.nsecsElapsed()) / 1e9;
  }
  // The median of several runs.
  double BaselineSeconds() const {
    std::vector<double> times;
    for (int run = 0; run < 15; ++run) times.push_back(DrawCaptionsOnce());
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  }
};

Fixture& GetFixture() {
  static Fixture fixture;
  return fixture;
}

void Report(benchmark::State& state, qint64 nanoseconds) {
  const Fixture& fixture = GetFixture();
  const double seconds = double(nanoseconds) / 1e9 / double(state.iterations());
  state.counters["baseline_ms"] = fixture.baselineSeconds * 1000;
  state.counters["ratio_vs_captions"] = seconds / fixture.baselineSeconds;
}

void BM_LayoutAndPaint200Points(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  QElapsedTimer timer;
  qint64 nanoseconds = 0;
  for (auto _ : state) {
    timer.start();
    fixture.view->Relayout();
    nanoseconds += timer.nsecsElapsed();
    benchmark::DoNotOptimize(fixture.view->Buffer().constBits());
  }
  if (fixture.view->ScrollRange() <= 0) state.SkipWithError("the page fits the window");
  Report(state, nanoseconds);
}

void BM_ScrollStep200Points(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  QElapsedTimer timer;
  qint64 nanoseconds = 0;
  int step = 20;
  for (auto _ : state) {
    if (fixture.view->ScrollPosition() + step > fixture.view->ScrollRange() ||
        fixture.view->ScrollPosition() + step < 0) {
      step = -step;
    }
    timer.start();
    fixture.view->ScrollBy(step);
    nanoseconds += timer.nsecsElapsed();
  }
  Report(state, nanoseconds);
}

void BM_BaselineCaptions(benchmark::State& state) {
  Fixture& fixture = GetFixture();
  for (auto _ : state) benchmark::DoNotOptimize(fixture.DrawCaptionsOnce());
}

BENCHMARK(BM_LayoutAndPaint200Points)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScrollStep200Points)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BaselineCaptions)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
