// The camera point's picture handling on real camera JPEGs: every EXIF orientation comes out
// upright at its stored size, and a folder of broken, half-written and oversized files yields its
// newest complete picture or the reason why there is none.
#include "points/camera_point_logic.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>

#include "app/image_services.h"
#include "support/harness.h"

namespace {

using CameraPointLogic::PictureState;
using qlt::test::ThirdPartyData;

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Mean absolute difference of two equally sized pictures, per channel, 0 to 255.
double Difference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB888);
  const QImage y = b.convertToFormat(QImage::Format_RGB888);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row) {
    for (int i = 0; i < x.width() * 3; ++i) sum += qAbs(x.scanLine(row)[i] - y.scanLine(row)[i]);
  }
  return sum / (double(x.width()) * x.height() * 3);
}

TEST(CameraPointLogic, EveryOrientationIsStoredUprightAtItsSizeWithoutTheTag) {
  const CImageServices images;
  const QImage upright = QImage::fromData(Read(ThirdPartyData("jpeg/Landscape_1.jpg")))
                             .scaled(640, 426, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    QByteArray jpeg;
    ASSERT_TRUE(CameraPointLogic::ImportPicture(
        Read(ThirdPartyData(QStringLiteral("jpeg/Landscape_%1.jpg").arg(orientation))), 640, 480,
        images, jpeg));
    const QImage stored = QImage::fromData(jpeg, "JPG");
    ASSERT_EQ(stored.size(), QSize(640, 426));
    // The decoder reads no orientation back, so the picture itself is upright.
    EXPECT_EQ(images.ImageSize(jpeg), QSize(640, 426));
    EXPECT_LT(Difference(stored, upright), 12.0);
  }
  // A portrait photo turned upright takes the target's height as its width.
  QByteArray portrait;
  ASSERT_TRUE(CameraPointLogic::ImportPicture(Read(ThirdPartyData("jpeg/Portrait_6.jpg")), 640, 480,
                                              images, portrait));
  EXPECT_EQ(QImage::fromData(portrait).size(), QSize(480, 720));
}

TEST(CameraPointLogic, StoredSizesAndNames) {
  EXPECT_EQ(CameraPointLogic::StoredSize({3000, 4000}, 640, 480), QSize(480, 640));
  EXPECT_EQ(CameraPointLogic::StoredSize({4000, 3000}, 640, 480), QSize(640, 480));
  EXPECT_EQ(CameraPointLogic::StoredSize({4000, 2000}, 640, 480), QSize(640, 320));
  EXPECT_EQ(CameraPointLogic::StoredSize({4000, 1}, 640, 480), QSize(640, 1));
  EXPECT_EQ(CameraPointLogic::StoredName(QStringLiteral("a/b:c"), "Photo", 5),
            QStringLiteral("a_b_c.jpg"));
  EXPECT_EQ(CameraPointLogic::StoredName(QString(), "Photo", 1234),
            QStringLiteral("Photo.1234.jpg"));
  EXPECT_EQ(CameraPointLogic::StoredName(QStringLiteral("../x.JPEG"), "P", 0),
            QStringLiteral("__x.jpg"));
  EXPECT_EQ(CameraPointLogic::StoredName(QStringLiteral("scan.PNG"), "P", 0),
            QStringLiteral("scan.PNG.jpg"));
}

// A complete JPEG whose frame header announces `width` × `height`.
QByteArray WithFrameSize(QByteArray jpeg, int width, int height) {
  for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
    if (uchar(jpeg[i]) == 0xFF && (uchar(jpeg[i + 1]) == 0xC0 || uchar(jpeg[i + 1]) == 0xC2)) {
      jpeg[i + 5] = char(height >> 8);
      jpeg[i + 6] = char(height);
      jpeg[i + 7] = char(width >> 8);
      jpeg[i + 8] = char(width);
      return jpeg;
    }
  }
  return {};
}

TEST(CameraPointLogic, NewestCompletePictureOfABadFolderOrWhyThereIsNone) {
  const QByteArray good = Read(ThirdPartyData("jpeg/Portrait_1.jpg"));
  const QByteArray half = Read(ThirdPartyData("jpeg/derived/Landscape_3_truncated.jpg"));
  const QByteArray huge = WithFrameSize(good, 12000, 9000);  // 108 megapixels
  const QByteArray text("not a picture at all\n");
  ASSERT_FALSE(good.isEmpty());
  ASSERT_FALSE(huge.isEmpty());
  struct File {
    const char* name;
    const QByteArray* bytes;
  };
  struct Case {
    std::vector<File> files;  // oldest first
    const char* picked;       // nullptr: none
    PictureState why;         // of the newest, when none is picked
    bool anyMatch;
  };
  const std::vector<Case> cases = {
      {{{"old.jpg", &good}, {"new.jpg", &text}}, "old.jpg", {}, true},
      {{{"old.jpg", &good}, {"new.jpg", &half}}, "old.jpg", {}, true},
      {{{"old.jpg", &good}, {"sub/new.jpeg", &huge}}, "old.jpg", {}, true},
      {{{"old.jpg", &good}, {".hidden/new.jpg", &good}, {"notes.txt", &text}}, "old.jpg", {}, true},
      {{{"a.jpg", &half}}, nullptr, PictureState::kIncomplete, true},
      {{{"a.jpg", &huge}}, nullptr, PictureState::kTooLarge, true},
      {{{"a.jpg", &text}}, nullptr, PictureState::kNotAPicture, true},
      {{{"notes.txt", &text}, {"jpg", &good}}, nullptr, PictureState::kNotAPicture, false},
  };
  const CImageServices images;
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index);
    const QString folder = qlt::test::TestHome() + QStringLiteral("/camera%1").arg(index++);
    QDateTime time = QDateTime::currentDateTime().addSecs(-100);
    for (const File& file : c.files) {
      const QString path = folder + QLatin1Char('/') + QLatin1String(file.name);
      ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
      QFile out(path);
      ASSERT_TRUE(out.open(QIODevice::WriteOnly));
      out.write(*file.bytes);
      time = time.addSecs(10);
      ASSERT_TRUE(out.setFileTime(time, QFileDevice::FileModificationTime));
    }
    QString refused;
    PictureState why = PictureState::kPicture;
    const QString picked =
        CameraPointLogic::FindNewestPicture(folder, QString(), images, &refused, &why);
    if (c.picked != nullptr) {
      EXPECT_EQ(picked, folder + QLatin1Char('/') + QLatin1String(c.picked));
      continue;
    }
    EXPECT_TRUE(picked.isEmpty());
    EXPECT_EQ(refused.isEmpty(), !c.anyMatch);
    if (c.anyMatch) {
      EXPECT_EQ(why, c.why);
    }
  }
  // The oversized picture is refused from its header, and importing it fails the same way.
  QByteArray jpeg;
  PictureState state;
  EXPECT_FALSE(CameraPointLogic::ImportPicture(huge, 640, 480, images, jpeg, &state));
  EXPECT_EQ(state, PictureState::kTooLarge);
  EXPECT_FALSE(CameraPointLogic::ImportPicture(half, 640, 480, images, jpeg, &state));
  EXPECT_EQ(state, PictureState::kIncomplete);
}

}  // namespace
