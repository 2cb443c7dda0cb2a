// Decoding a 12-megapixel camera JPEG into a 240 × 160 thumbnail, as the page display does for a
// photo, reported as a ratio against djpeg decoding the same file in full, measured in the same
// run (process start included, as it is a fixed few milliseconds against a ~100 ms decode).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/image_services.h"
#include "bench_main.h"
#include "camera_photo.h"

namespace {

using qlt::bench::CameraPhoto;
using qlt::bench::GetCameraPhoto;

void Thumbnail(benchmark::State& state, unsigned flags) {
  const CameraPhoto& photo = GetCameraPhoto();
  if (photo.bytes.isEmpty() || photo.djpegSeconds <= 0) {
    state.SkipWithError("could not write the photo or run djpeg");
    return;
  }
  const CImageServices services;
  QElapsedTimer timer;
  qint64 nanoseconds = 0;
  for (auto _ : state) {
    timer.start();
    const QImage thumbnail = services.LoadImage(photo.bytes, 240, 160, flags);
    nanoseconds += timer.nsecsElapsed();
    if (thumbnail.size() != QSize(240, 160)) {
      state.SkipWithError("decoding failed");
      return;
    }
    benchmark::DoNotOptimize(thumbnail.constBits());
  }
  const double seconds = double(nanoseconds) / 1e9 / double(state.iterations());
  state.counters["djpeg_ms"] = photo.djpegSeconds * 1000;
  state.counters["ratio_vs_djpeg"] = seconds / photo.djpegSeconds;
}

void BM_ThumbnailAreaAverage(benchmark::State& state) { Thumbnail(state, 0); }
void BM_ThumbnailNearestNeighbour(benchmark::State& state) {
  Thumbnail(state, CImageServices::kNearestNeighbour);
}

// The baseline on its own, for reading the absolute numbers side by side.
void BM_DjpegFullDecode(benchmark::State& state) {
  const CameraPhoto& photo = GetCameraPhoto();
  for (auto _ : state) {
    if (QProcess::execute(QStringLiteral("djpeg"),
                          {QStringLiteral("-outfile"), QStringLiteral("/dev/null"), photo.path}) !=
        0) {
      state.SkipWithError("djpeg failed");
      return;
    }
  }
}

BENCHMARK(BM_ThumbnailAreaAverage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThumbnailNearestNeighbour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DjpegFullDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
