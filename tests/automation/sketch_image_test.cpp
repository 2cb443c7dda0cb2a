// IPoint.SaveSketchImage: a sketch value rendered over the point's canvas into a JPEG file, read
// back with the client's own decoder; a bad file name or nothing to draw is refused without a
// file, a partial file or a change to an earlier file of that name.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/image_services.h"
#include "automation/automation_root.h"
#include "dispatch_support.h"
#include "points/sketch_point.h"
#include "points/sketch_point_logic.h"
#include "project/page.h"
#include "project/project.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"

namespace {

using namespace qlt::test;

TEST(SketchImage, RendersTheValueToAJpegOrFailsLeavingNoFile) {
  CScopedServices services;
  CProject project;
  CPage* page = project.AddPage();
  CSketchPoint* sketch = AddPoint<CSketchPoint>(page, QStringLiteral("Site"));
  CAutomationRoot root;
  IDispatch* point = root.PointFacet(sketch);
  QTemporaryDir dir;
  const QString earlier = dir.filePath(QStringLiteral("earlier.jpg"));
  QFile file(earlier);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("earlier picture");
  file.close();

  // A red diagonal on a 100 × 50 canvas.
  const OwnedVariant value(CVariant::FromBytes(
      SketchLogic::Encode({{1, {QPoint(0, 0), QPoint(99, 49)}}}, QSize(100, 50))));
  const QString written = dir.filePath(QStringLiteral("site.jpg"));
  ASSERT_EQ(Method(point, QStringLiteral("SaveSketchImage"), {value, Arg(written)}).hr, S_OK);
  QFile result(written);
  ASSERT_TRUE(result.open(QIODevice::ReadOnly));
  const QImage image = CImageServices().LoadImage(result.readAll());
  ASSERT_EQ(image.size(), QSize(100, 50));
  const QColor onLine = image.pixelColor(50, 25);
  EXPECT_GT(onLine.red(), 150);
  EXPECT_LT(onLine.green(), 100);
  EXPECT_EQ(image.pixelColor(90, 5), QColor(Qt::white));

  const struct {
    const char* what;
    OwnedVariant value;
    QString path;
    HRESULT hr;
  } refused[] = {
      {"no file name", value, QString(), E_INVALIDARG},
      {"a missing folder", value, dir.filePath(QStringLiteral("missing/site.jpg")), E_FAIL},
      {"a folder", value, dir.path(), E_FAIL},
      {"nothing to draw", OwnedVariant(), earlier, E_FAIL},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Method(point, QStringLiteral("SaveSketchImage"), {c.value, Arg(c.path)}).hr, c.hr);
  }
  // Only the two files written before: no partial or temporary file, the earlier one untouched.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList({QStringLiteral("earlier.jpg"), QStringLiteral("site.jpg")}));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "earlier picture");

  point->Release();
}

}  // namespace
