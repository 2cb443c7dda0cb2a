// A 12-megapixel camera JPEG written once per benchmark program into a temporary folder, with the
// time djpeg takes to decode it in full (the median of five runs, process start included), for
// the benchmarks that report against that decode.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

namespace qlt::bench {

struct CameraPhoto {
  QTemporaryDir folder;
  QString path;
  QByteArray bytes;
  double djpegSeconds = 0;  // 0 when djpeg could not be run
};

// 4000 × 3000 with smooth gradients and fine detail, so that the file has the size and entropy
// of a real photo rather than of a flat colour.
inline QImage MakeCameraPicture() {
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

inline double DjpegSeconds(const QString& path) {
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

// Made on first use; destroyed at exit, which removes the temporary folder.
inline const CameraPhoto& GetCameraPhoto() {
  static const std::unique_ptr<CameraPhoto> photo = [] {
    auto made = std::make_unique<CameraPhoto>();
    made->path = made->folder.filePath(QStringLiteral("photo.jpg"));
    QImageWriter writer(made->path, "jpeg");
    writer.setQuality(90);
    if (writer.write(MakeCameraPicture())) {
      QFile file(made->path);
      if (file.open(QIODevice::ReadOnly)) made->bytes = file.readAll();
      made->djpegSeconds = DjpegSeconds(made->path);
    }
    return made;
  }();
  return *photo;
}

}  // namespace qlt::bench
