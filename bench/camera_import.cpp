// The camera point's import of a 12-megapixel photo: turned upright, scaled to its stored size
// (640 × 480) and encoded, then its thumbnail decoded from the stored JPEG, reported as a ratio
// against djpeg decoding the same photo in full, measured in the same run (process start
// included, a fixed few milliseconds against a decode of about 100 ms). Target: at most 1.0.
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
#include "points/camera_point_logic.h"

namespace {

using qlt::bench::CameraPhoto;
using qlt::bench::GetCameraPhoto;

void BM_CameraImportAndThumbnail(benchmark::State& state) {
  const CameraPhoto& photo = GetCameraPhoto();
  if (photo.bytes.isEmpty() || photo.djpegSeconds <= 0) {
    state.SkipWithError("could not write the photo or run djpeg");
    return;
  }
  const CImageServices images;
  QElapsedTimer timer;
  qint64 nanoseconds = 0;
  for (auto _ : state) {
    timer.start();
    QByteArray stored;
    const bool imported = CameraPointLogic::ImportPicture(photo.bytes, 640, 480, images, stored);
    const QSize box = CameraPointLogic::FitInto(images.ImageSize(stored), QSize(240, 160));
    const QImage thumbnail =
        images.LoadImage(stored, box.width(), box.height(), CImageServices::kReducedDecode);
    nanoseconds += timer.nsecsElapsed();
    if (!imported || thumbnail.size() != box || box.isEmpty()) {
      state.SkipWithError("importing failed");
      return;
    }
    benchmark::DoNotOptimize(thumbnail.constBits());
  }
  const double seconds = double(nanoseconds) / 1e9 / double(state.iterations());
  state.counters["djpeg_ms"] = photo.djpegSeconds * 1000;
  state.counters["ratio_vs_djpeg"] = seconds / photo.djpegSeconds;
}

BENCHMARK(BM_CameraImportAndThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return RunBenchmarks(argc, argv);
}
