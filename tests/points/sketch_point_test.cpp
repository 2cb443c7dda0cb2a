// The sketch point without widgets: both value forms (and damaged ones), the palette, the canvas
// size, background pictures from the point or another point, drawing through a scripted surface
// and the JPEG output.
#include "points/sketch_point.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "app/services.h"
#include "points/custom_point.h"
#include "points/file_point.h"
#include "points/sketch_point_logic.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/scoped_services.h"
#include "values/archive.h"
#include "values/file_blob.h"

namespace {

using namespace SketchLogic;

Stroke Line(int colour, std::initializer_list<QPoint> points) {
  Stroke stroke;
  stroke.colour = colour;
  stroke.points = points;
  return stroke;
}

QByteArray Jpeg(int width, int height, QColor colour = Qt::blue) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  return bytes;
}

TEST(SketchLogicTest, BinaryFormRoundTripsAndCarriesThePositiveCanvasSize) {
  const QList<Stroke> strokes = {Line(0, {{1, 2}, {3, 4}}), Line(8, {{70000, 5}, {6, 7}, {8, 9}})};
  Sketch back = DecodeBinary(Encode(strokes, QSize(640, 480)));
  EXPECT_EQ(back.strokes, strokes);
  EXPECT_EQ(back.canvas, QSize(640, 480));
  EXPECT_FALSE(back.damaged);
  // No strokes: count 0, then the size when it is known.
  EXPECT_EQ(Encode({}, QSize(0, 0)), QByteArray("\0\0", 2));
  EXPECT_EQ(Encode({}, QSize(2, 3)), QByteArray("\0\0\2\0\0\0\3\0\0\0", 10));
  // A trailing size is taken only when both numbers are there and positive.
  EXPECT_FALSE(DecodeBinary(QByteArray("\0\0\2\0\0\0", 6)).canvas.isValid());
  EXPECT_FALSE(DecodeBinary(QByteArray("\0\0\2\0\0\0\0\0\0\0", 10)).canvas.isValid());
}

TEST(SketchLogicTest, DamagedBinaryValuesKeepTheStrokesBeforeTheDamage) {
  const QByteArray good = Encode({Line(1, {{1, 1}, {2, 2}}), Line(2, {{3, 3}, {4, 4}})}, {});
  CArchive huge;
  huge.WriteCount(1);
  huge.WriteCount(0);
  huge.WriteCount(0x7FFFFFFF);  // more points than the value holds
  huge.WriteUInt32(1);
  const struct {
    const char* what;
    QByteArray bytes;
    int strokes;
  } cases[] = {
      {"empty", QByteArray(), 0},
      {"cut in the second stroke", good.left(good.size() - 3), 1},
      {"huge point count", huge.Buffer(), 0},
      {"negative stroke count", QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF", 6), 0},
      {"garbage", QByteArray("\x05\x00zz", 4), 0},
  };
  for (const auto& c : cases) {
    const Sketch sketch = DecodeBinary(c.bytes);
    EXPECT_TRUE(sketch.damaged) << c.what;
    EXPECT_EQ(sketch.strokes.size(), c.strokes) << c.what;
  }
}

TEST(SketchLogicTest, TextFormReadsStrokesUntilItsEnd) {
  const struct {
    const char* text;
    int scale;
    QList<Stroke> strokes;
    bool damaged;
  } cases[] = {
      {"10002010002020", 1, {Line(0, {{1, 0}, {2, 2}})}, false},
      {"10002010002020", 2, {Line(0, {{2, 0}, {4, 4}})}, false},
      {"30001FF1020001000100", 1, {Line(2, {{255, 16}}), Line(1, {{0, 1}})}, false},
      {"1000201000202", 1, {}, true},          // does not end in 0
      {"10001010", 1, {}, true},               // shorter than 9
      {"1000Z01000202xxxxxxx0", 1, {}, true},  // not hexadecimal
      {"100090100020200000000", 1, {}, true},  // more points than there are
      {"A0002010002020", 1, {}, true},         // no such colour
  };
  for (const auto& c : cases) {
    const Sketch sketch = DecodeText(QString::fromLatin1(c.text), c.scale);
    EXPECT_EQ(sketch.strokes, c.strokes) << c.text;
    EXPECT_EQ(sketch.damaged, c.damaged) << c.text;
  }
  EXPECT_TRUE(Decode(CVariant::FromInt32(5), 1).strokes.isEmpty());
  EXPECT_EQ(Decode(CVariant::FromString("10002010002020"), 1).strokes.size(), 1);
}

TEST(SketchLogicTest, CanvasSizeAndPalette) {
  auto in = [](QSize stored, std::optional<QSize> shell, QSize picture, int control, int point,
               int rows, int scale) {
    CanvasInputs inputs;
    inputs.stored = stored;
    inputs.shell = shell;
    inputs.picture = picture;
    inputs.controlWidth = control;
    inputs.pointWidth = point;
    inputs.canvasRows = rows;
    inputs.scale = scale;
    return inputs;
  };
  const std::nullopt_t none = std::nullopt;
  const struct {
    CanvasInputs in;
    QSize size;
  } cases[] = {
      {in({300, 200}, none, {3200, 2400}, 0, 0, 2, 1), {300, 200}},
      {in({}, none, {3200, 2400}, 0, 0, 2, 1), {1600, 1200}},
      {in({}, none, {800, 600}, 0, 0, 2, 1), {800, 600}},
      {in({}, QSize(4000, 1000), {800, 600}, 0, 0, 2, 1), {1600, 400}},
      {in({-5, 100}, none, {}, 290, 0, 3, 1), {290, 96}},
      {in({}, none, {}, 0, 300, 2, 2), {280, 64}},
      {in({}, none, {}, 0, 0, -4, 1), {1, 32}},
  };
  for (const auto& c : cases) EXPECT_EQ(CanvasSize(c.in), c.size) << c.size.width();
  EXPECT_EQ(FitCanvas(QSize(2'000'000'000, 1)), QSize(1600, 1));
  // An absurd canvas shape cannot make the page absurdly high.
  EXPECT_EQ(DisplayHeight(QSize(1, 2'000'000'000), 300), 1200);
  EXPECT_EQ(DisplayHeight(QSize(600, 300), 300), 150);
  EXPECT_EQ(DisplayHeight(QSize(0, 300), 300), 0);
  const int sizes[][2] = {{0, 0}, {1, 4}, {2, 8}, {3, 9}, {7, 4}, {-1, 0}};
  for (const auto& s : sizes) EXPECT_EQ(PaletteSize(s[0]), s[1]) << s[0];
  EXPECT_EQ(Colour(1), QColor(255, 0, 0));
  EXPECT_EQ(Colour(3), QColor(0, 0, 255));
  EXPECT_EQ(Colour(6), QColor(0, 255, 255));
  EXPECT_EQ(ToCanvas(QPointF(-5, 500), 0.5, QSize(100, 100)), QPoint(0, 99));
  QList<Stroke> strokes = {Line(1, {}), Line(2, {}), Line(1, {})};
  EXPECT_TRUE(RemoveColour(strokes, 1));
  EXPECT_EQ(strokes.size(), 1);
}

TEST(SketchLogicTest, OutputNamesAndBackgroundScaling) {
  EXPECT_EQ(OutputFileName("/out/report.htm", 2, "Site"), QStringLiteral("/out/report_2_Site.jpg"));
  EXPECT_EQ(OutputFileName("/out/report.htm", 0, "Site"), QStringLiteral("/out/report_Site.jpg"));
  EXPECT_EQ(LoadBackground(Jpeg(3200, 2400)).size(), QSize(1600, 1200));
  EXPECT_EQ(LoadBackground(Jpeg(800, 600)).size(), QSize(800, 600));
  EXPECT_TRUE(LoadBackground("not a picture").isNull());
  const QImage rendered = Render(QImage(), {Line(1, {{0, 5}, {19, 5}})}, QSize(20, 10));
  ASSERT_EQ(rendered.size(), QSize(20, 10));
  EXPECT_EQ(rendered.pixelColor(10, 5).red(), 255);
  EXPECT_LT(rendered.pixelColor(10, 5).green(), 100);
  EXPECT_EQ(rendered.pixelColor(10, 0), QColor(Qt::white));
  EXPECT_LE(qint64(Render(QImage(), {}, QSize(100000, 100000)).width()), 4000);
}

// Draws what it is told and records what it was handed.
class CScriptedSketchDialog : public CDialogService {
 public:
  bool EditSketch(SketchRequest& request) override {
    ++calls;
    received = request;
    if (!accept) return false;
    request.strokes += add;
    request.colour = colour;
    return true;
  }
  bool accept = true;
  QList<Stroke> add;
  int colour = 0;
  int calls = 0;
  SketchRequest received;
};

class SketchPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_page = m_project.AddPage();
    m_point = static_cast<CSketchPoint*>(m_page->AddPoint(CSketchPoint::kTypeCode));
    m_point->SetName(QStringLiteral("Site"));
    auto dialog = std::make_unique<CScriptedSketchDialog>();
    m_dialog = dialog.get();
    m_services.Services().SetDialogService(std::move(dialog));
  }
  void Lay(int width = 310) {
    m_point->Init();
    m_page->Activate(&m_window);
    QImage image(400, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    const int height = m_point->GetHeight(&painter, width);
    m_point->SetItemRect(QRect(0, 0, width, height));
    m_point->Paint(&painter);
  }
  QList<Stroke> Stored() const { return Decode(m_point->Value(), 1).strokes; }

  qlt::test::CScopedServices m_services;
  CScriptedSketchDialog* m_dialog = nullptr;
  CProject m_project;
  CPage* m_page = nullptr;
  CSketchPoint* m_point = nullptr;
  CPlainPageWindow m_window;
};

TEST_F(SketchPointTest, DrawingStoresTheBinaryFormAndADamagedValueStaysUntilThen) {
  const CVariant damaged = CVariant::FromString(QStringLiteral("1000Z0100020"));
  m_point->AssignValue(damaged);
  Lay();
  QImage image(10, 10, QImage::Format_RGB32);
  QPainter painter(&image);
  EXPECT_EQ(m_point->ItemRect().height(),
            m_point->CBasePoint::GetHeight(&painter, 310) + 2 + 64 + 16);
  m_dialog->accept = false;
  m_point->Draw();
  EXPECT_EQ(m_point->Value(), damaged);
  m_dialog->accept = true;
  m_point->Draw();  // OK without a stroke changes nothing
  EXPECT_EQ(m_point->Value(), damaged);
  m_dialog->add = {Line(2, {{1, 1}, {5, 5}})};
  m_dialog->colour = 3;
  m_point->Draw();
  EXPECT_EQ(Stored(), m_dialog->add);
  EXPECT_EQ(m_point->SelectedColour(), 3);
  EXPECT_EQ(m_dialog->received.canvas, QSize(300, 64));
  EXPECT_EQ(DecodeBinary(m_point->Value().Bytes()).canvas, QSize(300, 64));
  // Read-only: no drawing.
  m_project.SetReadOnly(true);
  m_point->Draw();
  EXPECT_EQ(m_dialog->calls, 3);
}

TEST_F(SketchPointTest, TapsPickColoursOnTheBarAndOpenTheSurfaceOnTheCanvas) {
  CSketchPoint::Settings settings;
  settings.palette = 2;
  m_point->SetSettings(settings);
  Lay();
  const QRect item = m_point->ItemRect();
  const int barY = item.bottom() - 8;
  m_point->OnTap(item.left() + 5 + 300 * 5 / 8 + 3, barY);
  EXPECT_EQ(m_point->SelectedColour(), 5);
  EXPECT_EQ(m_dialog->calls, 0);
  m_point->OnTap(item.center().x(), item.bottom() - 16 - 20);
  EXPECT_EQ(m_dialog->calls, 1);
  EXPECT_EQ(m_dialog->received.paletteSize, 8);
  EXPECT_EQ(m_dialog->received.colour, 5);
}

TEST_F(SketchPointTest, BackgroundComesFromAnotherPointsPhotoOrTheOwnPicture) {
  CSketchPoint::Settings settings;
  settings.backgroundPoint = QStringLiteral("Photo");
  settings.backgroundImage = Jpeg(800, 600, Qt::green);
  m_point->SetSettings(settings);
  Lay();  // the named point is missing: the own picture
  EXPECT_EQ(m_point->Background().size(), QSize(800, 600));
  EXPECT_EQ(m_point->CanvasSize(), QSize(800, 600));
  auto* photo = static_cast<CFilePoint*>(m_page->AddPoint(CFilePoint::kTypeCode));
  photo->SetName(QStringLiteral("Photo"));
  Lay();
  photo->StoreValue(FileBlob::Make(QStringLiteral("p.jpg"), Jpeg(3200, 2400)));
  EXPECT_EQ(m_point->Background().size(), QSize(1600, 1200));
  EXPECT_EQ(m_point->CanvasSize(), QSize(1600, 1200));
  photo->StoreValue(FileBlob::Make(QStringLiteral("p.txt"), "not a picture"));
  EXPECT_TRUE(m_point->Background().isNull());
  photo->StoreValue(CVariant());
  EXPECT_EQ(m_point->Background().size(), QSize(800, 600));
}

TEST_F(SketchPointTest, ACameraBackgroundFixesTheCanvasByItsPictureSize) {
  CSketchPoint::Settings settings;
  settings.backgroundPoint = QStringLiteral("Camera");
  m_point->SetSettings(settings);
  auto* camera = static_cast<CCustomPoint*>(m_page->AddPoint(CCustomPoint::kTypeCode));
  camera->SetName(QStringLiteral("Camera"));
  camera->SetUserTypeName(QStringLiteral("TWKF.FileCamera"));
  camera->MutableBag().SetInteger(QStringLiteral("ShellWidth"), 4000);
  camera->MutableBag().SetText(QStringLiteral("ShellHeight"), QStringLiteral("tall"));
  Lay();
  EXPECT_EQ(m_point->CanvasSize(), QSize(1600, 480));
  camera->SetUserTypeName(QStringLiteral("TWKF.Voice"));
  EXPECT_EQ(m_point->CanvasSize(), QSize(300, 64));
}

TEST_F(SketchPointTest, OutputRendersAJpegBesideTheBaseFile) {
  QTemporaryDir dir;
  const CVariant value = CVariant::FromBytes(Encode({Line(1, {{0, 0}, {99, 49}})}, QSize(100, 50)));
  QString text;
  EXPECT_TRUE(m_point->GetOutputString(value, dir.filePath("report.htm"), 2, text));
  EXPECT_EQ(text, QStringLiteral("report_2_Site.jpg"));
  const QImage written(dir.filePath("report_2_Site.jpg"));
  EXPECT_EQ(written.size(), QSize(100, 50));
  EXPECT_TRUE(m_point->GetOutputString(CVariant(), dir.filePath("report.htm"), 0, text));
  EXPECT_TRUE(text.isEmpty());
  EXPECT_FALSE(QFile::exists(dir.filePath("report_Site.jpg")));
  EXPECT_TRUE(m_point->GetOutputString(value, dir.filePath("missing/report.htm"), 0, text));
  EXPECT_TRUE(text.isEmpty());
}

}  // namespace
