// File and sketch points in the page display with real widgets: tapping the file point's buttons
// with scripted file dialogs, and drawing on the sketch surface (press, move, release, colour bar,
// undo, clear) both on its own and opened by a tap on a page.
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/services.h"
#include "points/file_point.h"
#include "points/sketch_point.h"
#include "points/sketch_point_logic.h"
#include "support/files.h"
#include "support/page_view_fixture.h"
#include "support/recording_shell.h"
#include "ui/qt_dialog_service.h"
#include "ui/sketch_dialog.h"
#include "values/file_blob.h"

namespace {

using qlt::test::PageViewTest;

class CAnsweringFileDialogs : public CDialogService {
 public:
  std::optional<QString> OpenFile(const QString&, const QString&) override { return open; }
  std::optional<QString> SaveFile(const QString&, const QString&) override { return save; }
  std::optional<QString> open;
  std::optional<QString> save;
};

void Stroke(QWidget* canvas, QPoint from, QPoint to) {
  QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(canvas, (from + to) / 2);
  QTest::mouseMove(canvas, to);
  QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, to);
}

class FileSketchWidgetTest : public PageViewTest {
 protected:
  void Click(const QPoint& position) {
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, position);
  }
};

TEST_F(FileSketchWidgetTest, FileButtonsAttachSaveAndOpen) {
  QTemporaryDir dir;
  ASSERT_TRUE(qlt::test::WriteFileBytes(dir.filePath("notes.txt"), QByteArray(1024, 'n')));
  auto answering = std::make_unique<CAnsweringFileDialogs>();
  CAnsweringFileDialogs& dialogs = *answering;
  m_services.Services().SetDialogService(std::move(answering));
  QStringList opened;
  m_services.Services().SetShell(std::make_unique<qlt::test::CRecordingShell>(&opened));
  CPage* page = AddPage();
  auto* point = static_cast<CFilePoint*>(page->AddPoint(CFilePoint::kTypeCode));
  point->SetCaption(QStringLiteral("Attachment"));
  ShowView(360, 300);
  m_view->SetPage(page, false);
  const QRect item = point->ItemRect();
  const QImage before = m_view->Buffer().copy(item);
  // Anywhere in the band attaches while there is no file.
  dialogs.open = dir.filePath("notes.txt");
  Click(QPoint(item.left() + 40, item.bottom() - 10));
  EXPECT_EQ(FileBlob::Name(point->Value()), QStringLiteral("notes.txt"));
  QApplication::processEvents();
  EXPECT_NE(m_view->Buffer().copy(item), before);  // the name and the two new buttons show
  // Save a copy: the second button from the right.
  dialogs.save = dir.filePath("copy.txt");
  const int right = item.left() + item.width();
  Click(QPoint(right - 2 - 36 - 40 + 18, item.bottom() - 18));
  EXPECT_EQ(qlt::test::ReadFileBytes(dir.filePath("copy.txt")), QByteArray(1024, 'n'));
  // Open: the third.
  Click(QPoint(right - 2 - 36 - 80 + 18, item.bottom() - 18));
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(QFile::exists(opened.first()));
  // Leaving the page deletes the temporary copy.
  m_view->SetPage(AddPage(QStringLiteral("Next")), false);
  EXPECT_FALSE(QFile::exists(opened.first()));
}

TEST_F(FileSketchWidgetTest, SketchSurfaceDrawsUndoesClearsAndPicksColours) {
  CDialogService::SketchRequest request;
  request.canvas = QSize(400, 200);
  request.paletteSize = 4;
  CSketchDialog dialog(request);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QWidget* canvas = dialog.Canvas();
  ASSERT_EQ(canvas->size(), QSize(400, 200));
  Stroke(canvas, QPoint(10, 10), QPoint(100, 50));
  QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));  // a dot: dropped
  QTest::mouseClick(dialog.ColourBar(), Qt::LeftButton, Qt::NoModifier, QPoint(250, 8));
  Stroke(canvas, QPoint(300, 150), QPoint(390, 190));
  CDialogService::SketchRequest result = dialog.Result();
  ASSERT_EQ(result.strokes.size(), 2);
  EXPECT_EQ(result.strokes[0].colour, 0);
  EXPECT_EQ(result.strokes[0].points.first(), QPoint(10, 10));
  EXPECT_EQ(result.strokes[0].points.last(), QPoint(100, 50));
  EXPECT_EQ(result.strokes[1].colour, 2);
  EXPECT_EQ(result.colour, 2);
  // Moving past the edge is clamped to the canvas.
  Stroke(canvas, QPoint(390, 100), QPoint(399, 199));
  QTest::mouseMove(canvas, QPoint(399, 199));
  QTest::mouseClick(dialog.UndoButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.Result().strokes.size(), 2);
  QTest::mouseClick(dialog.ClearButton(), Qt::LeftButton);
  EXPECT_TRUE(dialog.Result().strokes.isEmpty());
  EXPECT_FALSE(dialog.UndoButton()->isEnabled());
}

TEST_F(FileSketchWidgetTest, TappingTheSketchOnAPageDrawsAndStoresTheStrokes) {
  m_services.Services().SetDialogService(std::make_unique<CQtDialogService>());
  CPage* page = AddPage();
  auto* point = static_cast<CSketchPoint*>(page->AddPoint(CSketchPoint::kTypeCode));
  point->SetCaption(QStringLiteral("Sketch"));
  const CVariant old = CVariant::FromString(QStringLiteral("broken"));
  point->AssignValue(old);
  ShowView(360, 400);
  m_view->SetPage(page, false);
  const QRect item = point->ItemRect();
  bool drew = false;
  QTimer::singleShot(0, m_view.get(), [&drew] {
    auto* dialog = dynamic_cast<CSketchDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    Stroke(dialog->Canvas(), QPoint(5, 5), QPoint(60, 30));
    drew = true;
    dialog->accept();
  });
  Click(QPoint(item.center().x(), item.bottom() - 16 - 10));
  ASSERT_TRUE(drew);
  const SketchLogic::Sketch stored = SketchLogic::Decode(point->Value(), 1);
  ASSERT_EQ(stored.strokes.size(), 1);
  EXPECT_EQ(stored.strokes[0].points.first(), QPoint(5, 5));
  EXPECT_FALSE(stored.damaged);
}

}  // namespace
