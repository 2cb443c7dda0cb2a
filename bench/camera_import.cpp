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
#include "points/camera_point_logic.h"

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

double Djpeg(const QString& path) {
  QElapsedTimer timer;
  timer.start();
  const int status = QProcess::execute(
      QStringLiteral("djpeg"), {QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path});
  return status == 0 ? double(timer.nsecsElapsed()) / 1e9 : 0;
}

const Photo& GetPhoto() {
  static const std::unique_ptr<Photo> photo = [] {
    auto made = std::make_unique<Photo>();
    made->path = made->folder.filePath(QStringLiteral("photo.jpg"));
    QImageWriter writer(made->path, "jpeg");
    writer.setQuality(90);
    if (writer.write(MakePicture())) {
      QFile file(made->path);
      if (file.open(QIODevice::ReadOnly)) made->bytes = file.readAll();
      std::vector<double> times;
      for (int run = 0; run < 5; ++run) times.push_back(Djpeg(made->path));
      std::sort(times.begin(), times.end());
      made->djpegSeconds = times[times.size() / 2];
    }
    return made;
  }();
  return *photo;
}

void BM_CameraImportAndThumbnail(benchmark::State& state) {
  const Photo& photo = GetPhoto();
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
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
