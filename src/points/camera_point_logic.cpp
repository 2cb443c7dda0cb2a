#include "points/camera_point_logic.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QStringList>
#include <climits>
#include <cstring>

#include "app/image_services.h"
#include "points/file_point_logic.h"

namespace CameraPointLogic {

namespace {

// A JPEG encoder quality that keeps fine detail of field photos at a few hundred KB.
constexpr int kJpegQuality = 90;
// Files looked at before giving up on finding a complete picture: a folder of broken files
// is not read whole.
constexpr int kMaxCandidates = 32;

bool IsJpeg(const QByteArray& bytes) {
  return bytes.size() >= 3 && uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xD8;
}

}  // namespace

bool IsCompleteJpeg(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
  const qsizetype n = bytes.size();
  if (!IsJpeg(bytes)) return false;
  qsizetype i = 2;
  bool inScan = false;
  while (i < n) {
    if (inScan) {
      // Entropy-coded data: 0xFF is followed by 0x00 (a stuffed byte), a restart marker or
      // fill bytes; anything else is the next marker.
      const void* ff = std::memchr(p + i, 0xFF, size_t(n - i));
      if (ff == nullptr) return false;
      i = static_cast<const uchar*>(ff) - p;
      if (i + 1 >= n) return false;
      const uchar next = p[i + 1];
      if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
        i += 2;
        continue;
      }
      if (next == 0xFF) {
        ++i;
        continue;
      }
      inScan = false;
    }
    if (p[i] != 0xFF) return false;
    while (i < n && p[i] == 0xFF) ++i;
    if (i >= n) return false;
    const uchar marker = p[i++];
    if (marker == 0xD9) return true;
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
    if (i + 2 > n) return false;
    const int length = (p[i] << 8) | p[i + 1];
    if (length < 2) return false;
    i += length;
    if (marker == 0xDA) inScan = true;
  }
  return false;
}

PictureState CheckPicture(const QByteArray& bytes, const CImageServices& images, QSize* size) {
  const QSize picture = images.ImageSize(bytes);
  if (picture.isEmpty()) return PictureState::kNotAPicture;
  if (size != nullptr) *size = picture;
  if (qint64(picture.width()) * picture.height() > images.MaxPixels()) {
    return PictureState::kTooLarge;
  }
  if (IsJpeg(bytes) && !IsCompleteJpeg(bytes)) return PictureState::kIncomplete;
  return PictureState::kPicture;
}

bool ReadPicture(const QString& path, QByteArray& bytes) {
  bytes.clear();
  // A pipe or device would never end; only regular files are read.
  const QFileInfo info(path);
  if (!info.isFile() || info.size() > kMaxPictureBytes) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  bytes = file.read(kMaxPictureBytes + 1);
  return bytes.size() <= kMaxPictureBytes && file.error() == QFileDevice::NoError;
}

CameraRollMark MarkCameraRoll(const QString& folder) {
  CameraRollMark mark;
  mark.path = FilePointLogic::FindNewestFile(folder, QString::fromLatin1(kDefaultTypes));
  if (!mark.path.isEmpty()) mark.written = QFileInfo(mark.path).lastModified();
  return mark;
}

QString FindNewestPicture(const QString& folder, const QString& types, const CImageServices& images,
                          QString* refused, PictureState* why) {
  const QString extensions = types.isEmpty() ? QString::fromLatin1(kDefaultTypes) : types;
  const QStringList files = FilePointLogic::FindFilesNewestFirst(folder, extensions);
  if (refused != nullptr) *refused = files.isEmpty() ? QString() : files.first();
  if (why != nullptr) *why = PictureState::kNotAPicture;
  for (qsizetype i = 0; i < files.size() && i < kMaxCandidates; ++i) {
    QByteArray bytes;
    const PictureState state =
        ReadPicture(files[i], bytes) ? CheckPicture(bytes, images) : PictureState::kNotAPicture;
    if (state == PictureState::kPicture) return files[i];
    if (i == 0 && why != nullptr) *why = state;
  }
  return QString();
}

QSize StoredSize(QSize picture, int shellWidth, int shellHeight) {
  if (picture.isEmpty() || shellWidth <= 0 || shellHeight <= 0) return {};
  const bool picturePortrait = picture.height() > picture.width();
  const bool targetPortrait = shellHeight > shellWidth;
  const qint64 width = picturePortrait != targetPortrait ? shellHeight : shellWidth;
  const qint64 height = qMax<qint64>(1, qint64(picture.height()) * width / picture.width());
  if (height > INT_MAX) return {};
  return QSize(int(width), int(height));
}

QSize FitInto(QSize picture, QSize box) {
  if (picture.isEmpty() || box.isEmpty()) return box;
  return picture.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

bool ImportPicture(const QByteArray& source, int shellWidth, int shellHeight,
                   const CImageServices& images, QByteArray& jpeg, PictureState* why) {
  PictureState ignored;
  PictureState& state = why != nullptr ? *why : ignored;
  QSize picture;
  state = CheckPicture(source, images, &picture);
  if (state != PictureState::kPicture) return false;
  state = PictureState::kCantConvert;
  const QSize stored = StoredSize(picture, shellWidth, shellHeight);
  if (stored.isEmpty()) return false;
  const QImage image =
      images.LoadImage(source, stored.width(), stored.height(), CImageServices::kReducedDecode);
  if (image.isNull()) return false;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpeg");
  writer.setQuality(kJpegQuality);
  if (!writer.write(image)) {
    jpeg.clear();
    return false;
  }
  state = PictureState::kPicture;
  return true;
}

QString StoredName(const QString& resolved, const QString& pointName, uint32_t tick) {
  QString name = resolved;
  for (const char* bad : {"..", "/", "\\", "*", "?", ":", "\n", "\r", "\t"}) {
    name.replace(QString::fromLatin1(bad), QStringLiteral("_"));
  }
  name = name.trimmed();
  if (name.isEmpty()) name = QStringLiteral("%1.%2.jpg").arg(pointName).arg(qint32(tick));
  name.replace(QStringLiteral(".jpeg"), QStringLiteral(".jpg"));
  name.replace(QStringLiteral(".JPEG"), QStringLiteral(".jpg"));
  if (!name.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive)) name += QStringLiteral(".jpg");
  return name;
}

}  // namespace CameraPointLogic
