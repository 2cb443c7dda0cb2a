// Redrawing a sketch of 10,000 strokes as the page display does (decoding the stored value and
// drawing every stroke with the sketch's pens onto an 800 × 600 canvas), reported beside drawing
// the same lines with plain QPainter polylines, measured in the same run.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <vector>

#include "bench_main.h"
#include "points/sketch_point_logic.h"
#include "values/variant.h"

namespace {

constexpr int kStrokes = 10'000;
constexpr int kPointsPerStroke = 12;
const QSize kCanvas(800, 600);

struct Data {
  CVariant value;
  std::vector<QPolygonF> lines;
};

const Data& GetData() {
  static const Data data = [] {
    Data made;
    QList<SketchLogic::Stroke> strokes;
    uint32_t seed = 12345;
    auto next = [&seed](int range) {
      seed = seed * 1103515245u + 12345u;
      return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
    };
    for (int s = 0; s < kStrokes; ++s) {
      SketchLogic::Stroke stroke;
      stroke.colour = s % 4;
      QPoint at(next(kCanvas.width()), next(kCanvas.height()));
      QPolygonF line;
      for (int p = 0; p < kPointsPerStroke; ++p) {
        at += QPoint(next(21) - 10, next(21) - 10);
        stroke.points.append(at);
        line.append(QPointF(at));
      }
      strokes.append(stroke);
      made.lines.push_back(line);
    }
    made.value = CVariant::FromBytes(SketchLogic::Encode(strokes, kCanvas));
    return made;
  }();
  return data;
}

double g_baselineSeconds = 0;

void BM_PlainPolylines(benchmark::State& state) {
  const Data& data = GetData();
  QImage image(kCanvas, QImage::Format_RGB32);
  QElapsedTimer timer;
  timer.start();
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (size_t i = 0; i < data.lines.size(); ++i) {
      painter.setPen(QPen(SketchLogic::Colour(static_cast<int>(i % 4)), 2));
      painter.drawPolyline(data.lines[i]);
    }
  }
  g_baselineSeconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_redraw"] = g_baselineSeconds * 1000;
}

void BM_SketchRedraw(benchmark::State& state) {
  const Data& data = GetData();
  QImage image(kCanvas, QImage::Format_RGB32);
  QElapsedTimer timer;
  timer.start();
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    const SketchLogic::Sketch sketch = SketchLogic::Decode(data.value, 1);
    SketchLogic::DrawStrokes(painter, sketch.strokes, 1.0);
  }
  const double seconds = double(timer.nsecsElapsed()) / 1e9 / double(state.iterations());
  state.counters["ms_per_redraw"] = seconds * 1000;
  if (g_baselineSeconds > 0) state.counters["ratio_vs_plain"] = seconds / g_baselineSeconds;
}

void BM_SketchDecodeOnly(benchmark::State& state) {
  const Data& data = GetData();
  for (auto _ : state) benchmark::DoNotOptimize(SketchLogic::Decode(data.value, 1));
}

}  // namespace

BENCHMARK(BM_PlainPolylines)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SketchRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SketchDecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
