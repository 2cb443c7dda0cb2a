// The stopwatch's time forms and watch, and the print point's document, without a page: formats,
// reading stored texts back (bad ones are none), counting on a scripted tick counter that wraps,
// file names, filling, taking scripts out and writing UTF-16.
#include <gtest/gtest.h>

#include <QFile>
#include <QStringDecoder>

#include "app/services.h"
#include "points/print_document.h"
#include "points/stopwatch.h"
#include "support/harness.h"
#include "support/qt_print.h"
#include "support/scoped_services.h"

namespace {

TEST(StopwatchTime, FormatsStoredAndDisplayed) {
  struct Case {
    uint32_t total;
    int format;
    const char* stored;
    const char* displayed;
  };
  const Case cases[] = {
      {372345, 5, "1:02:03.45", "1 : 02 : 03 . 45"},
      {372345, 4, "1:02:03", "1 : 02 : 03"},
      {372345, 3, "62:03.45", "62 : 03 . 45"},
      {372345, 2, "62:03", "62 : 03"},
      {372345, 1, "3723.45", "3723 . 45"},
      {372345, 0, "3723", "3723"},
      {305, 1, "3.05", "3 . 05"},
      {0, 5, "0:00:00.00", "0 : 00 : 00 . 00"},
      {4294967295u, 5, "11930:27:52.95", "11930 : 27 : 52 . 95"},
      {305, 6, "", ""},
      {305, -1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(CStopwatch::Format(c.total, c.format, false), QString::fromLatin1(c.stored));
    EXPECT_EQ(CStopwatch::Format(c.total, c.format, true), QString::fromLatin1(c.displayed));
  }
}

TEST(StopwatchTime, ReadsItsFormsAndRefusesAnythingElse) {
  struct Case {
    const char* text;
    std::optional<uint32_t> total;
  };
  const Case cases[] = {
      {"1:02:03.45", 372345}, {"1 : 02 : 03 . 45", 372345},
      {"3.5", 305},           {"62:03", 372300},
      {"3723", 372300},       {"", 0},
      {" 1::2 ", 6200},       {"11930:27:52.95", 4294967295u},
      {"11930:27:52.96", {}}, {"abc", {}},
      {"12abc", {}},          {"-5", {}},
      {"1:2:3:4", {}},        {"9999999999", {}},
      {"2:3:4.5", 738405},    {"٣", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CStopwatch::Parse(QString::fromUtf8(c.text)), c.total);
  }
}

TEST(StopwatchTime, CountsHundredthsOfTheTickCounterAcrossItsWrap) {
  qlt::test::CScopedServices services;
  uint32_t tick = 0xFFFFFF00u;  // 256 ms before the counter wraps
  services.Services().SetTickCounter([&tick] { return tick; });
  CStopwatch watch(5);
  watch.Start();
  tick += 2509;
  EXPECT_EQ(watch.Total(), 250u);
  EXPECT_EQ(watch.Display(), QStringLiteral("0 : 00 : 02 . 50"));
  watch.Stop();
  tick += 60000;  // stopped: nothing counts
  watch.Start();
  tick += 1000;
  watch.Stop();
  EXPECT_EQ(watch.Total(), 350u);
  EXPECT_EQ(watch.Changes(), 2);
  watch.Reset();
  EXPECT_EQ(watch.Total(), 0u);
  EXPECT_FALSE(watch.Running());
}

TEST(PrintDocument, NamesTheFileFromSessionAndPoints) {
  const PrintDocument::SessionFacts session{QStringLiteral("0C1D2E3F-4A5B-6C7D-8E9F-A0B1C2D3E4F5"),
                                            QDateTime(QDate(2024, 3, 4), QTime(9, 5)),
                                            QStringLiteral("Unit-7")};
  const auto point = [](const QString& name) {
    if (name == QStringLiteral("No")) return QStringLiteral("17");
    if (name == QStringLiteral("Path")) return QStringLiteral("../../x\\y");
    if (name == QStringLiteral("Loop")) return QStringLiteral("%uuid%");
    return QString();
  };
  struct Case {
    const char* pattern;
    const char* name;
  };
  const Case cases[] = {
      {"%uuid%.htm", "0C1D2E3F-4A5B-6C7D-8E9F-A0B1C2D3E4F5.htm"},
      {"% rectime %.htm", "09-05.htm"},
      {"%recdate%_%.time%", "2024-3-4_09-05"},
      {"%.unitID%-%No%-%Missing%.htm", "Unit-7-17-.htm"},
      {"%Path%.htm", ".._.._x_y.htm"},
      {"%Loop%.htm", "%uuid%.htm"},
      {"100% sure", "100% sure"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrintDocument::FileName(QString::fromLatin1(c.pattern), session, point),
              QString::fromLatin1(c.name));
  }
  EXPECT_EQ(PrintDocument::FileName(QStringLiteral("%rectime%%guid%.htm"), {}, point),
            QStringLiteral(".htm"));
}

TEST(PrintDocument, FillsEscapesAndStopsAtAnOpenReference) {
  const auto point = [](const QString& name) {
    if (name == QStringLiteral("Name")) return QStringLiteral("x\r\ny");
    if (name == QStringLiteral("Tag")) return QStringLiteral("<b>&</b>");
    return QString();
  };
  struct Case {
    const char* templateText;
    const char* filled;
  };
  const Case cases[] = {
      {"a<%Name%>b", "ax<br>\r\nyb"},
      {"<p><% Tag %></p>", "<p>&lt;b&gt;&amp;&lt;/b&gt;</p>"},
      {"<%Name", ""},
      {"ok <%Missing%>.<%Name", "ok ."},
      {"plain text, not HTML", "plain text, not HTML"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PrintDocument::Fill(QString::fromLatin1(c.templateText), point),
              QString::fromLatin1(c.filled));
  }
}

TEST(PrintDocument, TakesOutWhatCouldRun) {
  const QString cases[] = {
      QStringLiteral("<script>alert(1)</script>"),
      QStringLiteral("<SCRIPT src=x.js></SCRIPT>"),
      QStringLiteral("<scr<script>x</script>ipt>alert(2)</script>"),
      QStringLiteral("<script>never closed"),
      QStringLiteral("<img src=x onerror=alert(3)>"),
      QStringLiteral("<body/onload=\"alert(4)\">"),
      QStringLiteral("<a href=\"JavaScript:alert(5)\">"),
      QStringLiteral("<iframe src=\"x\"></iframe><embed src=y><object data=z></object>"),
      QStringLiteral("<meta http-equiv=\"refresh\" content=\"0;url=x\">"),
  };
  for (const QString& html : cases) {
    const QString safe = PrintDocument::WithoutScripts(html).toLower();
    for (const char* active :
         {"<script", "onerror", "onload", "javascript:", "<iframe", "<embed", "refresh"}) {
      EXPECT_FALSE(safe.contains(QLatin1String(active))) << safe.toStdString();
    }
  }
  const QString kept = PrintDocument::WithoutScripts(
      QStringLiteral("<!DOCTYPE html><p class=\"one\">Total: 12</p>"));
  EXPECT_TRUE(kept.startsWith(QStringLiteral("<!DOCTYPE html><meta http-equiv")));
  EXPECT_TRUE(kept.endsWith(QStringLiteral("<p class=\"one\">Total: 12</p>")));
  EXPECT_EQ(PrintDocument::WithoutScripts(QString()), QString());
}

TEST(PrintDocument, WritesUtf16WithItsMarkOrNothing) {
  const QString home = qlt::test::TestHome();
  const QString path = home + QStringLiteral("/out.htm");
  ASSERT_TRUE(PrintDocument::Write(path, QStringLiteral("é<br>")));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(bytes, QByteArray::fromHex("fffee9003c00620072003e00"));
  EXPECT_EQ(PrintDocument::OutputPath(home + QStringLiteral("/none"), QStringLiteral("a.htm"),
                                      QStringLiteral("/tmp")),
            QStringLiteral("/tmp/a.htm"));
}

}  // namespace
