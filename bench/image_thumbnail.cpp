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

namespace {

struct Photo {
  QTemporaryDir folder;
  QString path;
  QByteArray bytes;
  double djpegSeconds = 0;  // median of a few full decodes by djpeg
};

// 4000 × 3000 with smooth gradients and fine detail, so that the file has the size and entropy
// of a real photo rather than of a flat colour.
QImage MakePicture() {
  QImage picture(4000, 3000, QImage::Format_RGB888);
  for (int y = 0; y < picture.height(); ++y) {
    uchar* row = picture.scanLine(y);
    for (int x = 0; x < picture.width(); ++x, row += 3) {
      row[0] = uchar(x * 255 / picture.width());
      row[1] = uchar(y * 255 / picture.height());
      row[2] = uchar(((x * 7) ^ (y * 13)) & 0xFF);
    }
  }
  return picture;
}

double DjpegSeconds(const QString& path) {
  std::vector<double> times;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer timer;
    timer.start();
    const int status = QProcess::execute(
        QStringLiteral("djpeg"), {QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path});
    if (status != 0) return 0;
    times.push_back(double(timer.nsecsElapsed()) / 1e9);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

const Photo& GetPhoto() {
  // Destroyed at exit, which removes the temporary folder.
  static const std::unique_ptr<Photo> photo = [] {
    auto made = std::make_unique<Photo>();
    made->path = made->folder.filePath(QStringLiteral("photo.jpg"));
    QImageWriter writer(made->path, "jpeg");
    writer.setQuality(90);
    if (writer.write(MakePicture())) {
      QFile file(made->path);
      if (file.open(QIODevice::ReadOnly)) made->bytes = file.readAll();
      made->djpegSeconds = DjpegSeconds(made->path);
    }
    return made;
  }();
  return *photo;
}

void Thumbnail(benchmark::State& state, unsigned flags) {
  const Photo& photo = GetPhoto();
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
  const Photo& photo = GetPhoto();
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
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
