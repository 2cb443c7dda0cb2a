#include "app/image_services.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTransform>
#include <QtEndian>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "support/harness.h"

namespace {

using Failure = CImageServices::Failure;

QImage Load(const QByteArray& bytes, int width = 0, int height = 0, unsigned flags = 0,
            Failure* failure = nullptr) {
  return CImageServices().LoadImage(bytes, width, height, flags, failure);
}

// A third-party sample file (tests/data/thirdparty); empty, with a failure naming it, when it is
// missing.
QByteArray ReadSample(const QString& relative) {
  return qlt::test::ReadFixture(qlt::test::ThirdPartyData(relative));
}

// A bitmap file of `width` × `height` at 8 or 24 bits with the pixels given top-down (colours,
// or table indices at 8 bits), the colour table `palette` and an information header of
// `headerSize` bytes, whose bytes past the first 40 hold 0xEE.
QByteArray Bitmap(int width, int height, int depth, const std::vector<QRgb>& pixels,
                  const std::vector<QRgb>& palette = {}, int headerSize = 40) {
  const int stride = (width * depth / 8 + 3) & ~3;
  const int tableStart = 14 + headerSize;
  const int pixelOffset = tableStart + 4 * int(palette.size());
  QByteArray file(pixelOffset + stride * height, '\0');
  uchar* p = reinterpret_cast<uchar*>(file.data());
  p[0] = 'B';
  p[1] = 'M';
  qToLittleEndian<quint32>(file.size(), p + 2);
  qToLittleEndian<quint32>(pixelOffset, p + 10);
  qToLittleEndian<quint32>(headerSize, p + 14);
  qToLittleEndian<qint32>(width, p + 18);
  qToLittleEndian<qint32>(height, p + 22);
  qToLittleEndian<quint16>(1, p + 26);
  qToLittleEndian<quint16>(depth, p + 28);
  qToLittleEndian<quint32>(palette.size(), p + 46);
  std::fill(p + 54, p + tableStart, 0xEE);
  for (size_t i = 0; i < palette.size(); ++i) {
    const uchar entry[4] = {uchar(qBlue(palette[i])), uchar(qGreen(palette[i])),
                            uchar(qRed(palette[i])), 0};
    std::memcpy(p + tableStart + 4 * i, entry, 4);
  }
  for (int y = 0; y < height; ++y) {
    uchar* row = p + pixelOffset + (height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const QRgb c = pixels[y * width + x];
      if (depth == 8) {
        row[x] = uchar(c);
      } else {
        row[3 * x] = qBlue(c);
        row[3 * x + 1] = qGreen(c);
        row[3 * x + 2] = qRed(c);
      }
    }
  }
  return file;
}

QByteArray Bitmap24(int width, int height, const std::vector<QRgb>& pixels) {
  return Bitmap(width, height, 24, pixels);
}

// Pixels top-down as QRgb values, for comparing with hand-computed expectations.
std::vector<QRgb> Pixels(const QImage& image) {
  std::vector<QRgb> pixels;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) pixels.push_back(image.pixel(x, y));
  }
  return pixels;
}

int MaxChannelDifference(const QImage& a, const QImage& b) {
  const QImage left = a.convertToFormat(QImage::Format_RGB888);
  const QImage right = b.convertToFormat(QImage::Format_RGB888);
  int worst = 0;
  for (int y = 0; y < left.height(); ++y) {
    const uchar* l = left.constScanLine(y);
    const uchar* r = right.constScanLine(y);
    for (int i = 0; i < left.width() * 3; ++i) worst = qMax(worst, qAbs(l[i] - r[i]));
  }
  return worst;
}

bool SamePicture(const QImage& a, const QImage& b) {
  return a.size() == b.size() && MaxChannelDifference(a, b) == 0;
}

// --- Windows bitmaps --------------------------------------------------------------------------

// The suite files this service reads: 4, 8 and 24 bits, uncompressed, behind the 40-byte
// information header or a longer form of it. Every other file of the suite is refused.
const std::set<QString> kReadableBitmaps = {
    "g/pal4.bmp",          "g/pal8.bmp",        "g/pal8gs.bmp",
    "g/pal8nonsquare.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp",
    "g/pal8w124.bmp",      "g/pal8w126.bmp",    "g/rgb24.bmp",
    "q/pal8offs.bmp",      "q/pal8os2v2.bmp",   "q/pal8os2v2-40sz.bmp",
    "q/pal8os2v2-sz.bmp",  "q/rgb24lprof.bmp",  "derived/rgb24prof-noicc.bmp",
};

TEST(ImageBitmapSuite, EveryFileDecodesLikeQtsOwnReaderOrIsRefused) {
  int files = 0;
  for (const char* folder : {"g", "q", "b", "x", "derived"}) {
    const QDir dir(qlt::test::ThirdPartyData(QStringLiteral("bmp/") + folder));
    ASSERT_TRUE(dir.exists()) << "missing test folder " << qPrintable(dir.path());
    for (const QString& name : dir.entryList({"*.bmp"}, QDir::Files)) {
      const QString relative = QString::fromLatin1(folder) + "/" + name;
      const QByteArray file = qlt::test::ReadFixture(dir.filePath(name));
      ASSERT_FALSE(file.isEmpty());
      Failure failure = Failure::kNone;
      const QImage image = Load(file, 0, 0, 0, &failure);
      ++files;
      if (relative == "b/pal8badindex.bmp") {
        // Indices past its 101-entry table read as black instead of beyond the table. The bottom
        // row starts 1, 1, 1, 7, 1, 49, … and holds index 145 at x = 15.
        ASSERT_EQ(image.size(), QSize(127, 64));
        const uchar* entry49 = reinterpret_cast<const uchar*>(file.constData()) + 54 + 49 * 4;
        EXPECT_EQ(image.pixel(5, 63), qRgb(entry49[2], entry49[1], entry49[0]));
        EXPECT_EQ(image.pixel(15, 63), qRgb(0, 0, 0));
      } else if (kReadableBitmaps.count(relative)) {
        // Qt's reader is an independent one; for these files it gives the suite's own renderings.
        const QImage expected(dir.filePath(name));
        ASSERT_FALSE(expected.isNull()) << qPrintable(relative);
        EXPECT_TRUE(SamePicture(image, expected)) << qPrintable(relative);
        EXPECT_EQ(image.format(), QImage::Format_RGB888) << qPrintable(relative);
      } else {
        EXPECT_TRUE(image.isNull()) << qPrintable(relative);
        EXPECT_NE(failure, Failure::kNone) << qPrintable(relative);
      }
    }
  }
  // The suite without its two files that embed colour profiles, and one derived file.
  EXPECT_EQ(files, 60);
}

TEST(ImageBitmapSuite, RefusalsNameTheirReason) {
  const std::map<QString, Failure> expected = {
      {"g/pal1.bmp", Failure::kUnsupportedFormat},
      {"g/rgb16.bmp", Failure::kUnsupportedFormat},
      {"g/rgb32.bmp", Failure::kUnsupportedFormat},
      {"g/pal4rle.bmp", Failure::kUnsupportedFormat},
      {"g/pal8os2.bmp", Failure::kUnsupportedFormat},    // 12-byte header
      {"q/rgba32h56.bmp", Failure::kUnsupportedFormat},  // 56-byte header, 32 bits
      {"q/rgb24png.bmp", Failure::kUnsupportedFormat},   // 124-byte header, embedded PNG
      {"b/badbitcount.bmp", Failure::kUnsupportedFormat},
      {"b/badpalettesize.bmp", Failure::kUnreadableBitmap},
      {"x/ba-bm.bmp", Failure::kDecoderError},  // not "BM", so not a bitmap
  };
  for (const auto& [file, reason] : expected) {
    Failure failure = Failure::kNone;
    const QByteArray bytes = ReadSample("bmp/" + file);
    ASSERT_FALSE(bytes.isEmpty()) << qPrintable(file);
    EXPECT_TRUE(Load(bytes, 0, 0, 0, &failure).isNull()) << qPrintable(file);
    EXPECT_EQ(failure, reason) << qPrintable(file);
  }
}

TEST(ImageBitmapHeader, LongerHeadersPutTheColourTableAfterThemselves) {
  // The first 40 bytes mean the same in the 52- and 56-byte extensions, the 64-byte OS/2 form and
  // the 108- and 124-byte forms.
  const std::vector<QRgb> palette = {qRgb(200, 0, 0), qRgb(0, 150, 0), qRgb(0, 0, 100)};
  const QRgb red = palette[0], green = palette[1], blue = palette[2];
  for (int headerSize : {40, 52, 56, 64, 108, 124}) {
    const QImage paletted = Load(Bitmap(3, 2, 8, {2, 1, 0, 0, 0, 1}, palette, headerSize));
    EXPECT_EQ(Pixels(paletted), (std::vector<QRgb>{blue, green, red, red, red, green}))
        << headerSize;
    const QImage direct = Load(Bitmap(2, 1, 24, {qRgb(1, 2, 3), qRgb(4, 5, 6)}, {}, headerSize));
    EXPECT_EQ(Pixels(direct), (std::vector<QRgb>{qRgb(1, 2, 3), qRgb(4, 5, 6)})) << headerSize;
  }
}

TEST(ImageBitmapHeader, HeaderSizesThatDoNotFitAreRefused) {
  const QByteArray valid = Bitmap(1, 1, 8, {0}, {qRgb(1, 2, 3)}, 108);
  ASSERT_EQ(Load(valid).pixel(0, 0), qRgb(1, 2, 3));
  const quint32 room = quint32(valid.size()) - 14;  // all bytes after the file header
  const struct {
    quint32 headerSize;
    quint32 pixelOffset;
    Failure failure;
  } cases[] = {
      {0, 126, Failure::kUnsupportedFormat},
      {12, 126, Failure::kUnsupportedFormat},
      {39, 126, Failure::kUnsupportedFormat},
      {room, 126, Failure::kUnreadableBitmap},  // no room left for the colour table
      {room + 1, 126, Failure::kTooShort},      // the header runs past the end
      {0x7FFFFFFF, 126, Failure::kTooShort},
      {0xFFFFFFFF, 126, Failure::kTooShort},
      {108, 100, Failure::kUnreadableBitmap},  // pixels inside the header
  };
  for (const auto& c : cases) {
    QByteArray file = valid;
    qToLittleEndian<quint32>(c.headerSize, file.data() + 14);
    qToLittleEndian<quint32>(c.pixelOffset, file.data() + 10);
    Failure failure = Failure::kNone;
    EXPECT_TRUE(Load(file, 0, 0, 0, &failure).isNull()) << c.headerSize;
    EXPECT_EQ(failure, c.failure) << c.headerSize;
  }
}

TEST(ImageBitmapHeader, ShortInputsAreRefused) {
  const QByteArray valid = Bitmap24(1, 1, {qRgb(1, 2, 3)});
  for (const QByteArray& bytes : {QByteArray(), QByteArray("BM"), valid.left(53)}) {
    Failure failure = Failure::kNone;
    EXPECT_TRUE(Load(bytes, 0, 0, 0, &failure).isNull()) << bytes.size();
    EXPECT_EQ(failure, Failure::kTooShort) << bytes.size();
  }
  EXPECT_EQ(Load(valid).pixel(0, 0), qRgb(1, 2, 3));
}

TEST(ImageBitmapHeader, OversizedHeaderIsRefusedBeforeAllocation) {
  for (qint32 height : {60000, -60000}) {
    QByteArray file = Bitmap24(1, 1, {0});
    qToLittleEndian<qint32>(60000, file.data() + 18);
    qToLittleEndian<qint32>(height, file.data() + 22);
    Failure failure = Failure::kNone;
    EXPECT_TRUE(Load(file, 0, 0, 0, &failure).isNull());
    EXPECT_EQ(failure, Failure::kTooLarge) << height;
  }
}

TEST(ImageBitmapHeader, InconsistentLayoutIsRefused) {
  const QByteArray valid = Bitmap24(3, 2, std::vector<QRgb>(6, qRgb(9, 9, 9)));
  QByteArray cut = valid;
  cut.chop(1);  // the last row is short
  QByteArray offsetPastEnd = valid;
  qToLittleEndian<quint32>(0xFFFFFFF0u, offsetPastEnd.data() + 10);
  QByteArray offsetInsideHeader = valid;
  qToLittleEndian<quint32>(20, offsetInsideHeader.data() + 10);
  QByteArray negativeWidth = valid;
  qToLittleEndian<qint32>(-3, negativeWidth.data() + 18);
  for (const QByteArray& bytes : {cut, offsetPastEnd, offsetInsideHeader, negativeWidth}) {
    Failure failure = Failure::kNone;
    EXPECT_TRUE(Load(bytes, 0, 0, 0, &failure).isNull());
    EXPECT_EQ(failure, Failure::kUnreadableBitmap);
  }
}

// --- Resizing and turning ---------------------------------------------------------------------

// 4 × 4 with red telling the column (0, 11, 20, 30) and green the row from the top (0 … 30).
QByteArray Grid4x4() {
  std::vector<QRgb> pixels;
  for (int y = 0; y < 4; ++y) {
    for (int red : {0, 11, 20, 30}) pixels.push_back(qRgb(red, y * 10, 0));
  }
  return Bitmap24(4, 4, pixels);
}

TEST(ImageResize, NearestNeighbourSamplesRowsInStoredBottomUpOrder) {
  // Result rows take stored rows 0 and 2, which are the picture's rows 3 and 1 from the top.
  const QImage image = Load(Grid4x4(), 2, 2, CImageServices::kNearestNeighbour);
  EXPECT_EQ(Pixels(image), (std::vector<QRgb>{qRgb(0, 10, 0), qRgb(20, 10, 0),  //
                                              qRgb(0, 30, 0), qRgb(20, 30, 0)}));
}

TEST(ImageResize, AreaAverageTakesOverlappingBlocksAndASingleLastPosition) {
  // Column 0 averages columns 0-2 (31 / 3 = 10, truncated); column 1 only column 2. Stored row 0
  // averages stored rows 0-2 (green 30, 20, 10); stored row 1 (the top) only stored row 2.
  const QImage image = Load(Grid4x4(), 2, 2);
  EXPECT_EQ(Pixels(image), (std::vector<QRgb>{qRgb(10, 10, 0), qRgb(20, 10, 0),  //
                                              qRgb(10, 20, 0), qRgb(20, 20, 0)}));
}

TEST(ImageResize, EnlargingRepeatsOrBlendsNeighbours) {
  const QByteArray twoPixels = Bitmap24(2, 1, {qRgb(10, 0, 0), qRgb(21, 0, 0)});
  EXPECT_EQ(Pixels(Load(twoPixels, 4, 1, CImageServices::kNearestNeighbour)),
            (std::vector<QRgb>{qRgb(10, 0, 0), qRgb(10, 0, 0), qRgb(21, 0, 0), qRgb(21, 0, 0)}));
  EXPECT_EQ(Pixels(Load(twoPixels, 4, 1)),
            (std::vector<QRgb>{qRgb(10, 0, 0), qRgb(15, 0, 0), qRgb(21, 0, 0), qRgb(21, 0, 0)}));
}

TEST(ImageResize, OwnSizeOrAZeroDimensionKeepsThePixels) {
  const QByteArray grid = Grid4x4();
  const QImage original = Load(grid);
  // Area averaging at the same size would blend neighbours, so equality shows it was skipped.
  EXPECT_TRUE(SamePicture(Load(grid, 4, 4), original));
  EXPECT_TRUE(SamePicture(Load(grid, 0, 100), original));
  EXPECT_TRUE(SamePicture(Load(grid, 100, 0), original));
}

TEST(ImageResize, InvalidOrOversizedRequestsAreRefused) {
  Failure failure = Failure::kNone;
  EXPECT_TRUE(Load(Grid4x4(), -1, 4, 0, &failure).isNull());
  EXPECT_EQ(failure, Failure::kInvalidSize);
  EXPECT_TRUE(Load(Grid4x4(), 60000, 60000, 0, &failure).isNull());
  EXPECT_EQ(failure, Failure::kTooLarge);
}

TEST(ImageRotate, QuarterTurnCounterClockwiseComesAfterResizing) {
  const QRgb a = qRgb(1, 0, 0), b = qRgb(2, 0, 0), c = qRgb(3, 0, 0);
  const QRgb d = qRgb(4, 0, 0), e = qRgb(5, 0, 0), f = qRgb(6, 0, 0);
  const QByteArray picture = Bitmap24(3, 2, {a, b, c, d, e, f});
  const QImage turned = Load(picture, 0, 0, CImageServices::kRotateCounterClockwise);
  ASSERT_EQ(turned.size(), QSize(2, 3));
  EXPECT_EQ(Pixels(turned), (std::vector<QRgb>{c, f, b, e, a, d}));
  // Resized to 3 × 1 first (stored row 0 is the bottom row), then turned to 1 × 3.
  const QImage both = Load(
      picture, 3, 1, CImageServices::kRotateCounterClockwise | CImageServices::kNearestNeighbour);
  EXPECT_EQ(Pixels(both), (std::vector<QRgb>{f, e, d}));
}

// --- JPEG ---------------------------------------------------------------------------------------

// Sets the EXIF orientation value of one of the sample files (its only orientation entry).
QByteArray WithOrientation(QByteArray file, int orientation) {
  const QByteArray bigEndian = QByteArray::fromHex("0112000300000001");
  const QByteArray littleEndian = QByteArray::fromHex("1201030001000000");
  qsizetype at = file.indexOf(bigEndian);
  if (at >= 0) {
    qToBigEndian<quint16>(orientation, file.data() + at + 8);
  } else {
    at = file.indexOf(littleEndian);
    if (at >= 0) qToLittleEndian<quint16>(orientation, file.data() + at + 8);
  }
  return at >= 0 ? file : QByteArray();
}

// The picture as stored turned upright as each orientation value documents it.
QImage Upright(const QImage& stored, int orientation) {
  const QTransform quarter = QTransform().rotate(90);  // clockwise on screen
  switch (orientation) {
    case 2:
      return stored.mirrored(true, false);
    case 3:
      return stored.mirrored(true, true);
    case 4:
      return stored.mirrored(false, true);
    case 5:
      return stored.mirrored(true, false).transformed(quarter.inverted());
    case 6:
      return stored.transformed(quarter);
    case 7:
      return stored.mirrored(true, false).transformed(quarter);
    case 8:
      return stored.transformed(quarter.inverted());
    default:
      return stored;
  }
}

TEST(ImageJpeg, DecodesLikeQtsOwnDecoder) {
  const QByteArray file = ReadSample("jpeg/Landscape_1.jpg");
  ASSERT_FALSE(file.isEmpty());
  const QImage image = Load(file);
  const QImage qt = QImage::fromData(file);
  ASSERT_EQ(image.size(), QSize(1800, 1200));
  ASSERT_EQ(qt.size(), image.size());
  EXPECT_LE(MaxChannelDifference(image, qt), 2);
}

TEST(ImageJpeg, GreyPictureFillsAllThreeChannels) {
  const QByteArray file = ReadSample("jpeg/derived/Landscape_1_grey.jpg");
  ASSERT_FALSE(file.isEmpty());
  const QImage image = Load(file);
  const QImage qt = QImage::fromData(file).convertToFormat(QImage::Format_Grayscale8);
  ASSERT_EQ(image.size(), QSize(1800, 1200));
  ASSERT_EQ(image.size(), qt.size());
  int worst = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      ASSERT_TRUE(qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel));
      worst = qMax(worst, qAbs(qRed(pixel) - qt.constScanLine(y)[x]));
    }
  }
  EXPECT_LE(worst, 2);
}

TEST(ImageJpeg, ResizingWhileDecodingMatchesResizingTheWholePicture) {
  // Landscape_1 is shrunk while its rows arrive; Landscape_6 must be turned first, so it is
  // decoded whole. Either way the result is that of resizing the whole upright picture, which is
  // what a bitmap of it gives.
  for (const char* name : {"jpeg/Landscape_1.jpg", "jpeg/Landscape_6.jpg"}) {
    const QByteArray file = ReadSample(name);
    ASSERT_FALSE(file.isEmpty());
    const QImage whole = Load(file);
    ASSERT_EQ(whole.size(), QSize(1800, 1200));
    const QByteArray bitmap = Bitmap24(1800, 1200, Pixels(whole));
    for (const QSize size : {QSize(240, 160), QSize(7, 5), QSize(1, 1), QSize(1800, 1199),
                             QSize(1799, 1200), QSize(2000, 100)}) {
      for (unsigned flags : {0u, unsigned(CImageServices::kNearestNeighbour)}) {
        EXPECT_TRUE(SamePicture(Load(file, size.width(), size.height(), flags),
                                Load(bitmap, size.width(), size.height(), flags)))
            << name << " " << size.width() << "x" << size.height() << " " << flags;
      }
    }
  }
}

TEST(ImageJpegOrientation, EveryOrientationComesOutUpright) {
  const std::vector<std::pair<QString, int>> files = {
      {"Landscape_0.jpg", 0}, {"Landscape_1.jpg", 1},
      {"Landscape_2.jpg", 2}, {"Landscape_3.jpg", 3},
      {"Landscape_4.jpg", 4}, {"Landscape_5.jpg", 5},
      {"Landscape_6.jpg", 6}, {"Landscape_7.jpg", 7},
      {"Landscape_8.jpg", 8}, {"Portrait_0.jpg", 0},
      {"Portrait_1.jpg", 1},  {"Portrait_4.jpg", 4},
      {"Portrait_6.jpg", 6},  {"derived/Landscape_6_exif_le.jpg", 6}};
  for (const auto& [name, orientation] : files) {
    const QByteArray file = ReadSample("jpeg/" + name);
    ASSERT_FALSE(file.isEmpty());
    const QImage image = Load(file);
    EXPECT_EQ(image.size(), name.contains("Landscape") ? QSize(1800, 1200) : QSize(1200, 1800))
        << qPrintable(name);
    const QImage stored = Load(WithOrientation(file, 1));
    ASSERT_FALSE(stored.isNull()) << qPrintable(name);
    EXPECT_TRUE(SamePicture(image, Upright(stored, orientation))) << qPrintable(name);
  }
}

TEST(ImageJpegOrientation, UnreadableExifLeavesThePictureAsStored) {
  const QByteArray file = ReadSample("jpeg/Landscape_6.jpg");
  const QImage stored = Load(WithOrientation(file, 1));
  ASSERT_FALSE(stored.isNull());
  const qsizetype tiff = file.indexOf("Exif") + 6;
  QByteArray directoryOutside = file;
  qToBigEndian<quint32>(0xFFFFFFF0u, directoryOutside.data() + tiff + 4);
  QByteArray tooManyEntries = file;
  qToBigEndian<quint16>(0xFFFF, tooManyEntries.data() + tiff + 8);
  QByteArray notTiff = file;
  notTiff[tiff + 3] = 43;
  for (const QByteArray& bytes :
       {WithOrientation(file, 9), directoryOutside, tooManyEntries, notTiff}) {
    EXPECT_TRUE(SamePicture(Load(bytes), stored));
  }
}

QByteArray SmallJpeg(bool progressive) {
  QImage picture(40, 24, QImage::Format_RGB888);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x) picture.setPixel(x, y, qRgb(x * 6, y * 10, 128));
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  QImageWriter writer(&buffer, "jpeg");
  writer.setProgressiveScanWrite(progressive);
  return writer.write(picture) ? bytes : QByteArray();
}

TEST(ImageJpegTruncation, HalfAFileStillDecodesItsFirstRows) {
  const QImage whole = Load(ReadSample("jpeg/Landscape_3.jpg"));
  const QImage cut = Load(ReadSample("jpeg/derived/Landscape_3_truncated.jpg"));
  ASSERT_EQ(whole.size(), QSize(1800, 1200));
  ASSERT_EQ(cut.size(), QSize(1800, 1200));
  // Orientation 3 turns the stored top rows, the ones that were complete, to the bottom.
  EXPECT_TRUE(SamePicture(cut.copy(0, 900, 1800, 300), whole.copy(0, 900, 1800, 300)));
}

TEST(ImageJpegTruncation, EveryPrefixDecodesOrFailsCleanly) {
  for (bool progressive : {false, true}) {
    const QByteArray file = SmallJpeg(progressive);
    ASSERT_FALSE(file.isEmpty());
    const qsizetype scan = file.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    const qsizetype scanData = scan + 2 + qFromBigEndian<quint16>(file.constData() + scan + 2);
    int decoded = 0;
    for (qsizetype length = 3; length <= file.size(); ++length) {
      Failure failure = Failure::kNone;
      const QImage image = Load(file.left(length), 0, 0, 0, &failure);
      if (image.isNull()) {
        EXPECT_EQ(failure, Failure::kDecoderError) << progressive << " " << length;
        // A cut baseline file reads as an early end once its scan has begun; a progressive one
        // may also be cut inside the tables of a later scan, which the decoder rejects.
        EXPECT_TRUE(length < scanData || progressive) << length;
      } else {
        EXPECT_EQ(image.size(), QSize(40, 24)) << progressive << " " << length;
        EXPECT_GT(length, scan) << progressive;
        ++decoded;
      }
    }
    // Most cut points lie inside entropy-coded data, progressive files included.
    EXPECT_GT(decoded, (file.size() - scanData) / 3) << progressive;
  }
}

TEST(ImageJpegHeader, OversizedPictureIsRefusedBeforeAllocation) {
  QByteArray file = SmallJpeg(false);
  const qsizetype frame = file.indexOf("\xFF\xC0");
  ASSERT_GT(frame, 0);
  qToBigEndian<quint16>(60000, file.data() + frame + 5);
  qToBigEndian<quint16>(60000, file.data() + frame + 7);
  Failure failure = Failure::kNone;
  EXPECT_TRUE(Load(file, 0, 0, 0, &failure).isNull());
  EXPECT_EQ(failure, Failure::kTooLarge);
}

TEST(ImageJpegHeader, PixelLimitIsInclusive) {
  const QByteArray file = SmallJpeg(false);
  CImageServices services;
  services.SetMaxPixels(40 * 24);
  EXPECT_EQ(services.LoadImage(file).size(), QSize(40, 24));
  services.SetMaxPixels(40 * 24 - 1);
  Failure failure = Failure::kNone;
  EXPECT_TRUE(services.LoadImage(file, 0, 0, 0, &failure).isNull());
  EXPECT_EQ(failure, Failure::kTooLarge);
}

TEST(ImageJpegHeader, GarbageIsADecoderError) {
  QByteArray garbage(4096, '\0');
  QRandomGenerator random(7);
  for (char& byte : garbage) byte = char(random.bounded(256));
  garbage[0] = 'X';
  Failure failure = Failure::kNone;
  EXPECT_TRUE(Load(garbage, 0, 0, 0, &failure).isNull());
  EXPECT_EQ(failure, Failure::kDecoderError);
}

// --- Default header ---------------------------------------------------------------------------

TEST(ImageDefaultHeader, TwinIsTwiceTheSizeAndEndsInStretchableColumns) {
  const QImage normal = CImageServices::DefaultHeaderImage(false);
  const QImage doubled = CImageServices::DefaultHeaderImage(true);
  ASSERT_FALSE(normal.isNull());
  ASSERT_EQ(doubled.size(), normal.size() * 2);
  // The page display stretches the last 16 columns over a wider window.
  for (const QImage& image : {normal, doubled}) {
    ASSERT_GE(image.width(), 32);
    for (int y = 0; y < image.height(); ++y) {
      for (int x = image.width() - 16; x < image.width(); ++x) {
        ASSERT_EQ(image.pixel(x, y), image.pixel(image.width() - 1, y)) << x << "," << y;
      }
    }
  }
}

}  // namespace
