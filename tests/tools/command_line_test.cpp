// The command lines of `qlt` and of the client, run as the built programs: help and version go to
// stdout with status 0, misuse is refused with a usage line on stderr and status 2, and what
// follows "--" is never an option.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>

#include "app/twkf_app.h"
#include "support/harness.h"
#include "support/tool_runner.h"

namespace {

using qlt::test::RunProgram;

TEST(CommandLine, HelpVersionAndMisuseFollowTheUsualConventions) {
  const QByteArray version = CTWKFApp::VersionText().toUtf8() + '\n';
  const QString dataFolder = qlt::test::TestHome() + u"/data/Brenmoor/QLT Client"_qs;
  struct Case {
    const char* program;
    QStringList arguments;
    int exitCode;
    QByteArray out;  // expected within stdout (the whole of it when it ends in a line break)
    QByteArray err;  // expected within stderr
  };
  const Case cases[] = {
      {"qlt", {"--help"}, 0, "usage: qlt", ""},
      {"qlt", {"-h"}, 0, "  session ", ""},
      {"qlt", {"help"}, 0, "  sessions ", ""},
      {"qlt", {"help", "project"}, 0, "qlt project build FORM.json PROJECT.ppc", ""},
      {"qlt", {"help", "sessions"}, 0, "--files DIR", ""},
      {"qlt", {"project", "--help"}, 0, "--no-images", ""},
      {"qlt", {"project", "build", "-h"}, 0, "Exit codes", ""},
      {"qlt", {"sessions", "export", "x.ppc", "--help"}, 0, "--format csv|json", ""},
      {"qlt", {"session", "fill", "--help"}, 0, "--values JSON", ""},
      {"qlt", {"session", "--help"}, 0, "qlt session fill", ""},
      {"qlt", {"--version"}, 0, version, ""},
      {"qlt", {"--bogus"}, 2, "", "unknown option \"--bogus\""},
      {"qlt", {"help", "nothing"}, 2, "", "unknown command \"nothing\""},
      {"qlt", {"project", "dump", "x.ppc", "-x"}, 2, "", "unknown option \"-x\""},
      {"qlt", {"sessions", "--bogus"}, 2, "", "unknown option"},
      // After "--" a name that looks like an option is a file name.
      {"qlt", {"session", "fill", "--", "--help"}, 1, "", "cannot read project --help"},
      {"qlt", {"project", "build", "--", "-h", "out.ppc"}, 1, "", "cannot read -h"},
      {"qlt", {"--", "--version"}, 2, "", "unknown command \"--version\""},
      {"quillet", {"--help"}, 0, "usage: quillet", ""},
      {"quillet", {"-h"}, 0, dataFolder.toUtf8(), ""},
      {"quillet", {"--version"}, 0, version, ""},
      {"quillet", {"--bogus"}, 2, "", "unknown option \"--bogus\""},
      {"quillet", {"--tour", "only-one-folder"}, 2, "", "usage: quillet --tour DATA_FOLDER"},
  };
  for (const Case& c : cases) {
    const std::string call = c.program + (u' ' + c.arguments.join(u' ')).toStdString();
    const qlt::test::ToolRun result = RunProgram(QString::fromLatin1(c.program), c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << call << "\n" << result.err.toStdString();
    if (c.exitCode == 0) {
      if (c.out.endsWith('\n')) {
        EXPECT_EQ(result.out, c.out) << call;
      } else {
        EXPECT_TRUE(result.out.contains(c.out)) << call << "\n" << result.out.toStdString();
      }
      EXPECT_TRUE(result.err.isEmpty()) << call << "\n" << result.err.toStdString();
    } else {
      EXPECT_TRUE(result.out.isEmpty()) << call;
      EXPECT_TRUE(result.err.contains(c.err)) << call << "\n" << result.err.toStdString();
      if (c.exitCode == 2) {
        EXPECT_TRUE(result.err.contains("usage: ")) << call;
      }
    }
  }
  // Asking for help makes nothing, not even the data folder it names.
  EXPECT_FALSE(QDir(dataFolder).exists());
}

// The screenshot tour over the demo project: every picture it lists is written, and the session
// it pictures (with a recorded fix, a photo and a voice clip) runs through every page.
TEST(CommandLine, TourPicturesTheDemoPageByPage) {
  const QString data = qlt::test::TestHome() + u"/tour-data"_qs;
  const QString out = qlt::test::TestHome() + u"/tour-pictures"_qs;
  ASSERT_TRUE(QDir().mkpath(data));
  ASSERT_TRUE(QFile::copy(QStringLiteral(QLT_BINARY_DIR "/demo/Site Inspection.ppc"),
                          data + u"/Site Inspection.ppc"_qs));
  const qlt::test::ToolRun run = RunProgram(u"quillet"_qs, {u"--tour"_qs, data, out});
  ASSERT_EQ(run.exitCode, 0) << run.Err();
  const QList<QByteArray> pictures = run.out.trimmed().split('\n');
  const QByteArray lastPage = out.toUtf8() + "/4-editing-page-7.png";
  EXPECT_TRUE(pictures.contains(lastPage)) << run.out.toStdString();
  for (const QByteArray& picture : pictures) {
    EXPECT_FALSE(QImage(QString::fromUtf8(picture)).isNull()) << picture.toStdString();
  }
}

// Previewing a page leaves the user's settings alone: the demo's report number, drawn by its
// incrementor, is the same in every preview.
TEST(CommandLine, PreviewDrawsCustomPointsWithoutTakingNumbersFromTheUser) {
  const QString demo = QStringLiteral(QLT_BINARY_DIR "/demo/Site Inspection.ppc");
  QList<QByteArray> pictures;
  for (const QString& name : {u"first.png"_qs, u"second.png"_qs}) {
    const QString out = qlt::test::TestHome() + u'/' + name;
    const qlt::test::ToolRun run =
        RunProgram(u"quillet"_qs, {u"--preview"_qs, demo, u"--screenshot"_qs, out});
    ASSERT_EQ(run.exitCode, 0) << run.Err();
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    pictures.append(file.readAll());
  }
  EXPECT_EQ(pictures[0], pictures[1]);
}

}  // namespace
