// The stopwatch and print points with real widgets: the stopwatch dialog's buttons, display click
// and Enter key over a scripted tick counter; the dialog opened by a tap on a page; and a print
// point printing its filled template, with a photo of the session, into a PDF that is read back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/services.h"
#include "points/custom_point.h"
#include "points/stopwatch.h"
#include "project/page.h"
#include "project/project.h"
#include "support/harness.h"
#include "support/hosted_project.h"
#include "support/qt_print.h"
#include "support/scoped_services.h"
#include "ui/desktop_shell.h"
#include "ui/page_ctrl.h"
#include "ui/qt_dialog_service.h"
#include "ui/stopwatch_dlg.h"
#include "values/file_blob.h"

namespace {

QString Form(const QString& classId, const QString& bag) {
  return QStringLiteral(R"({"title": "Widgets", "createdTime": "2024-05-01T08:00:00Z",
      "graphics": {"backgroundColour": "#E0E8F0"}, "pages": [
      {"uniqueNumber": 1001, "caption": "One", "points": [
        {"type": "Edit", "name": "Site", "caption": "Site"},
        {"type": "Custom", "name": "Photo", "caption": "Photo", "settings": {
         "classId": "{6722D125-9222-40E2-AEE2-B0A5B86A4EC6}", "userTypeName": "x", "bag": {}}},
        {"type": "Custom", "name": "It", "caption": "It",
         "settings": {"classId": "%1", "userTypeName": "x", "bag": %2}}]}]})")
      .arg(classId, bag);
}

// What a program that comes with poppler-utils (scripts/setup) prints about `pdf`.
QString Poppler(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000)) return QStringLiteral("(%1 did not run)").arg(program);
  return QString::fromUtf8(process.readAllStandardOutput());
}

class StopwatchPrintWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_services.Services().SetTickCounter([this] { return m_tick; });
    m_services.Services().SetDialogService(std::make_unique<CQtDialogService>());
  }
  void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

  qlt::test::CScopedServices m_services{qlt::test::CScopedServices::Clock::kWall};
  uint32_t m_tick = 5000;
};

TEST_F(StopwatchPrintWidgetTest, DialogButtonsDisplayClickAndEnterDriveTheWatch) {
  CStopwatch watch(3);
  CStopwatchDlg dialog(watch);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.DisplayText(), QStringLiteral("0 : 00 . 00"));
  EXPECT_TRUE(dialog.StartButton()->isEnabled());
  EXPECT_FALSE(dialog.StopButton()->isEnabled());
  Click(dialog.StartButton());
  EXPECT_TRUE(watch.Running());
  EXPECT_FALSE(dialog.StartButton()->isEnabled());
  EXPECT_TRUE(dialog.StopButton()->isEnabled());
  m_tick += 61230;
  // The redraw timer picks the new total up by itself.
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return dialog.DisplayText() == QStringLiteral("1 : 01 . 23"); }, 5000));
  Click(dialog.StopButton());
  EXPECT_FALSE(watch.Running());
  EXPECT_EQ(watch.Total(), 6123u);
  QTest::mouseClick(dialog.Display(), Qt::LeftButton);  // starts again
  EXPECT_TRUE(watch.Running());
  m_tick += 100;
  QTest::keyClick(&dialog, Qt::Key_Return);  // and stops
  EXPECT_FALSE(watch.Running());
  EXPECT_EQ(dialog.DisplayText(), QStringLiteral("1 : 01 . 33"));
  Click(dialog.ResetButton());
  EXPECT_EQ(dialog.DisplayText(), QStringLiteral("0 : 00 . 00"));
  Click(dialog.StartButton());
  m_tick += 2000;
  Click(dialog.CloseButton());  // closing stops the watch with its time
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(watch.Running());
  EXPECT_EQ(watch.Total(), 200u);
}

TEST_F(StopwatchPrintWidgetTest, TappingTheStopwatchOnAPageOpensTheDialogAndStoresTheTime) {
  qlt::test::CHostedProject hosted(
      Form(QStringLiteral("{E1C74250-7D5C-4E82-B483-B485B216A786}"), QStringLiteral("{}")));
  ASSERT_TRUE(hosted.Ok()) << hosted.BuildError().toStdString();
  ASSERT_TRUE(hosted.Start());
  CCustomPoint* point = hosted.Custom(QStringLiteral("It"));
  ASSERT_NE(point, nullptr);
  CPageCtrl view;
  view.resize(360, 400);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  view.SetPage(hosted.Project().Page(0), false);
  view.FlushPaint();
  const QRect item = point->ItemRect().translated(0, -view.ScrollPosition());
  ASSERT_GT(item.height(), 52);
  // The white time box in the band, on the page's blue-grey.
  EXPECT_EQ(view.Buffer().pixelColor(item.right() - 5, item.top() + 2), QColor(0xE0, 0xE8, 0xF0));
  EXPECT_EQ(view.Buffer().pixelColor(item.left() + 5, item.bottom() - 30), QColor(Qt::white));
  bool ran = false;
  QTimer::singleShot(0, &view, [this, &ran] {
    auto* dialog = dynamic_cast<CStopwatchDlg*>(QApplication::activeModalWidget());
    if (!dialog) return;
    QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
    m_tick += 4250;
    QTest::mouseClick(dialog->StopButton(), Qt::LeftButton);
    QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton);
    ran = true;
  });
  QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier,
                    QPoint(item.center().x(), item.bottom() - 10));
  ASSERT_TRUE(ran);
  EXPECT_EQ(point->OutputText(), QStringLiteral("0:00:04.25"));
  view.SetPage(nullptr, false);
}

// The template is filled from the session (a photo is written beside the document and printed in
// it), what could run is taken out, and the PDF is read back.
TEST_F(StopwatchPrintWidgetTest, PrintPointPrintsTheSessionWithItsPhotoIntoAPdf) {
  const QString home = qlt::test::TestHome();
  const QString pdf = home + QStringLiteral("/printed.pdf");
  m_services.Services().SetShell(std::make_unique<CDesktopShell>(pdf));
  qlt::test::CHostedProject hosted(
      Form(QStringLiteral("{DE28C520-D05E-44BA-B5C8-1021384A7ACA}"),
           QStringLiteral(R"({"Folder": "%1", "Print": 1, "TemplateChunks": 2,
        "TemplateChunk0": "<h1>Inspection of <%Site%></h1><scr",
        "TemplateChunk1": "ipt>document.write('injected')</script><p>Done &amp; signed</p><img src=\"<%Photo%>\">"})")
               .arg(home)));
  ASSERT_TRUE(hosted.Ok()) << hosted.BuildError().toStdString();
  ASSERT_TRUE(hosted.Start());
  hosted.Project().FindPointByName(QStringLiteral("Site"))->SetValue(QStringLiteral("Pier <7>"));
  QImage photo(200, 150, QImage::Format_RGB32);
  photo.fill(Qt::darkGreen);
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(photo.save(&buffer, "JPG"));
  hosted.Project()
      .FindPointByName(QStringLiteral("Photo"))
      ->SetValueV(FileBlob::Make(QStringLiteral("scaffold.jpg"), jpeg));
  CCustomPoint* point = hosted.Custom(QStringLiteral("It"));
  ASSERT_NE(point, nullptr);
  point->SetItemRect(QRect(0, 0, 300, 80));
  point->OnTap(10, 70);
  ASSERT_TRUE(QFile::exists(pdf));
  const QString printed = Poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  EXPECT_TRUE(printed.contains(QStringLiteral("Inspection of Pier <7>"))) << printed.toStdString();
  EXPECT_TRUE(printed.contains(QStringLiteral("Done & signed"))) << printed.toStdString();
  EXPECT_FALSE(printed.contains(QStringLiteral("injected"))) << printed.toStdString();
  const QStringList images =
      Poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(u'\n');
  // The photo itself, at its own size (a missing picture prints as a small broken-image mark).
  EXPECT_EQ(images.filter(QRegularExpression(QStringLiteral("\\bimage\\s+200\\s+150\\b"))).size(),
            1)
      << images.join(u'\n').toStdString();
}

}  // namespace
