// The headless page preview: its arguments, and a demo project rendered to a PNG that shows the
// header, the side band and the points. With QLT_PREVIEW_KEEP naming a folder the test also
// leaves the project files and pictures there for looking at.
#include "ui/page_preview.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "app/image_services.h"
#include "project/project.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"

namespace {

using Options = CPagePreview::Options;

QStringList Args(std::initializer_list<const char*> list) {
  QStringList arguments;
  for (const char* item : list) arguments.append(QString::fromUtf8(item));
  return arguments;
}

TEST(PagePreviewArgumentsTest, ReadsEveryOption) {
  Options options;
  QString error;
  ASSERT_TRUE(CPagePreview::ParseArguments(
      Args({"--preview", "a.ppc", "--page", "2", "--width", "320", "--height", "200", "--scroll",
            "40", "--full", "--show-help", "--screenshot", "out.png"}),
      options, error))
      << error.toStdString();
  EXPECT_EQ(options.project, QStringLiteral("a.ppc"));
  EXPECT_EQ(options.screenshot, QStringLiteral("out.png"));
  EXPECT_EQ(options.page, 2);
  EXPECT_EQ(options.width, 320);
  EXPECT_EQ(options.height, 200);
  EXPECT_EQ(options.scroll, 40);
  EXPECT_TRUE(options.full);
  EXPECT_TRUE(options.showHelp);
}

TEST(PagePreviewArgumentsTest, RefusesIncompleteOrUnusableArguments) {
  const QList<QStringList> bad = {
      Args({"--preview", "a.ppc"}),
      Args({"--screenshot", "out.png"}),
      Args({"--preview", "a.ppc", "--screenshot"}),
      Args({"--preview", "a.ppc", "--screenshot", "o.png", "--width", "0"}),
      Args({"--preview", "a.ppc", "--screenshot", "o.png", "--width", "wide"}),
      Args({"--preview", "a.ppc", "--screenshot", "o.png", "--page", "-1"}),
      Args({"--preview", "a.ppc", "--screenshot", "o.png", "--height"}),
      Args({"--preview", "a.ppc", "--screenshot", "o.png", "--colour", "red"}),
  };
  for (const QStringList& arguments : bad) {
    Options options;
    QString error;
    EXPECT_FALSE(CPagePreview::ParseArguments(arguments, options, error))
        << arguments.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

class PagePreviewTest : public ::testing::Test {
 protected:
  // Writes the demo project into the test's home and returns its path.
  QString WriteDemo(const QString& name, bool ownImages) {
    CProject project;
    qlt::test::BuildDemoProject(project, ownImages);
    const QString path = qlt::test::TestHome() + QLatin1Char('/') + name;
    project.SetPath(path);
    EXPECT_TRUE(project.Save());
    return path;
  }
  // Copies a file to the keeping folder when one is named.
  static void Keep(const QString& path) {
    const QString folder = qEnvironmentVariable("QLT_PREVIEW_KEEP");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    const QString target = folder + QLatin1Char('/') + QFileInfo(path).fileName();
    QFile::remove(target);
    QFile::copy(path, target);
  }

  qlt::test::CScopedServices m_services{qlt::test::CScopedServices::Clock::kWall};
};

TEST_F(PagePreviewTest, WritesThePageAsTheWindowShowsIt) {
  Options options;
  options.project = WriteDemo(QStringLiteral("demo.ppc"), false);
  options.screenshot = qlt::test::TestHome() + QStringLiteral("/demo.png");
  options.width = 360;
  options.height = 300;
  ASSERT_EQ(CPagePreview::Run(options), 0);
  Keep(options.project);
  Keep(options.screenshot);
  const QImage image(options.screenshot);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(360, 300));
  const QImage header = CImageServices::DefaultHeaderImage(false);
  EXPECT_EQ(image.pixelColor(3, 3), header.pixelColor(3, 3));
  // Past the header's own width its last columns are stretched.
  EXPECT_EQ(image.pixelColor(300, 3), header.pixelColor(header.width() - 1, 3));
  // The page is longer than the window: the scroll bar is there.
  EXPECT_NE(image.pixelColor(355, 200), QColor(Qt::white));
}

TEST_F(PagePreviewTest, OwnHeaderSideBandHelpAndFullHeight) {
  const QString project = WriteDemo(QStringLiteral("demo-own.ppc"), true);
  Keep(project);
  Options options;
  options.project = project;
  options.width = 360;
  options.screenshot = qlt::test::TestHome() + QStringLiteral("/demo-own.png");
  options.full = true;
  ASSERT_EQ(CPagePreview::Run(options), 0);
  Keep(options.screenshot);
  const QImage full(options.screenshot);
  ASSERT_FALSE(full.isNull());
  EXPECT_GT(full.height(), 300);
  // All of it fits: no scroll bar at the right edge.
  EXPECT_EQ(full.pixelColor(full.width() - 2, full.height() - 10), QColor(Qt::white));
  // The project's header (its left block) and the side strip below it.
  EXPECT_EQ(full.pixelColor(5, 5), QColor(0x2e, 0x75, 0xb6));
  EXPECT_EQ(full.pixelColor(5, 56 + 10), QColor(0xdd, 0xe8, 0xf4));
  EXPECT_EQ(full.pixelColor(1, 56), QColor(0x2e, 0x75, 0xb6));

  options.full = false;
  options.height = 480;
  options.showHelp = true;
  options.screenshot = qlt::test::TestHome() + QStringLiteral("/demo-help.png");
  ASSERT_EQ(CPagePreview::Run(options), 0);
  Keep(options.screenshot);
  options.page = 1;
  options.showHelp = false;
  options.screenshot = qlt::test::TestHome() + QStringLiteral("/demo-page2.png");
  ASSERT_EQ(CPagePreview::Run(options), 0);
  Keep(options.screenshot);
  EXPECT_FALSE(QImage(options.screenshot).isNull());
}

TEST_F(PagePreviewTest, MissingProjectOrPageFailsWithoutAPicture) {
  Options options;
  options.project = qlt::test::TestHome() + QStringLiteral("/missing.ppc");
  options.screenshot = qlt::test::TestHome() + QStringLiteral("/missing.png");
  EXPECT_NE(CPagePreview::Run(options), 0);
  EXPECT_FALSE(QFile::exists(options.screenshot));
  options.project = WriteDemo(QStringLiteral("demo.ppc"), false);
  options.page = 7;
  EXPECT_NE(CPagePreview::Run(options), 0);
  EXPECT_FALSE(QFile::exists(options.screenshot));
}

}  // namespace
