// The stopwatch and print points as the client hosts them (projects built by the tool, controls
// made by the hosting): the watch through a scripted dialog and tick counter, a stored value that
// is no time, the count kept across pages; the document written and handed to the shell, and
// templates that are missing, plain text, unterminated or name no point.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <functional>

#include "app/services.h"
#include "points/custom_point.h"
#include "project/project.h"
#include "support/harness.h"
#include "support/hosted_project.h"
#include "support/qt_print.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::CHostedProject;

class CScriptedStopwatch : public CDialogService {
 public:
  explicit CScriptedStopwatch(std::function<void(Stopwatch&)> script) : m_script(script) {}
  void RunStopwatch(Stopwatch& watch) override { m_script(watch); }

 private:
  std::function<void(Stopwatch&)> m_script;
};

// Records what it is asked to print and open; printing fails when told.
class CPrintingShell : public CShell {
 public:
  bool Open(const QString& path) override {
    opened.append(path);
    return true;
  }
  bool PrintFile(const QString& path) override {
    printed.append(path);
    return printerWorks;
  }
  QStringList opened, printed;
  bool printerWorks = true;
};

QString Json(const QString& custom, const QString& bag) {
  return QStringLiteral(R"({"title": "Points", "createdTime": "2024-05-01T08:00:00Z", "pages": [
      {"uniqueNumber": 1001, "caption": "One", "points": [
        {"type": "Edit", "name": "Name", "caption": "Name", "settings": {"lines": 3}},
        {"type": "Edit", "name": "No", "caption": "No"},
        {"type": "Custom", "name": "It", "caption": "It",
         "settings": {"classId": "%1", "userTypeName": "x", "bag": %2}}]},
      {"uniqueNumber": 1002, "caption": "Two", "points": [
        {"type": "Edit", "name": "Other", "caption": "Other"}]}]})")
      .arg(custom, bag);
}

constexpr const char* kStopwatch = "{E1C74250-7D5C-4E82-B483-B485B216A786}";
constexpr const char* kPrint = "{DE28C520-D05E-44BA-B5C8-1021384A7ACA}";

class HostedPoints : public ::testing::Test {
 protected:
  void Open(const char* classId, const QString& bag) {
    m_project = std::make_unique<CHostedProject>(Json(QString::fromLatin1(classId), bag));
    ASSERT_TRUE(m_project->Ok()) << m_project->BuildError().toStdString();
    ASSERT_EQ(m_project->ControlsLeft(), 0);
    ASSERT_TRUE(m_project->Start());
    m_point = m_project->Custom(QStringLiteral("It"));
    ASSERT_NE(m_point, nullptr);
    m_point->SetItemRect(QRect(0, 0, 300, 120));
  }
  void Script(std::function<void(CDialogService::Stopwatch&)> script) {
    m_services.Services().SetDialogService(std::make_unique<CScriptedStopwatch>(script));
  }
  void TapBand() { m_point->OnTap(20, 115); }
  void Set(const char* name, const QString& text) {
    m_project->Project().FindPointByName(QString::fromLatin1(name))->SetValue(text);
  }

  qlt::test::CScopedServices m_services;
  uint32_t m_tick = 1000;
  std::unique_ptr<CHostedProject> m_project;
  CCustomPoint* m_point = nullptr;
};

TEST_F(HostedPoints, StopwatchStoresWhatTheUserStoppedInTheOutputFormat) {
  m_services.Services().SetTickCounter([this] { return m_tick; });
  Open(kStopwatch, QStringLiteral(R"({"Display": 5, "Output": 3})"));
  EXPECT_EQ(m_point->GetHeight(nullptr, 300), m_point->DefaultGetHeight(nullptr, 300) + 52);
  Script([this](CDialogService::Stopwatch& watch) {
    watch.Start();
    m_tick += 3579;
    watch.Stop();
    watch.Start();
    m_tick += 1000;  // still running when the dialog closes: the time to the close counts
  });
  TapBand();
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("0:04.57"));
  // Opening and closing without touching the watch changes nothing; a tap above the band does
  // not open it.
  int runs = 0;
  Script([&runs](CDialogService::Stopwatch&) { ++runs; });
  m_point->OnTap(20, 10);
  EXPECT_EQ(runs, 0);
  TapBand();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("0:04.57"));
  Script([](CDialogService::Stopwatch& watch) { watch.Reset(); });
  TapBand();
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("0:00.00"));
}

TEST_F(HostedPoints, StopwatchKeepsAStoredValueThatIsNoTimeUntilStopped) {
  m_services.Services().SetTickCounter([this] { return m_tick; });
  Open(kStopwatch, QStringLiteral("{}"));
  m_point->AssignValue(CVariant::FromString(QStringLiteral("see notes")));
  QString shown;
  Script([&shown](CDialogService::Stopwatch& watch) { shown = watch.Display(); });
  TapBand();
  EXPECT_EQ(shown, QStringLiteral("0 : 00 : 00 . 00"));
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("see notes"));
  Script([this](CDialogService::Stopwatch& watch) {
    watch.Start();
    m_tick += 1234;
    watch.Stop();
  });
  TapBand();
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("0:00:01.23"));
  // A value set from outside is read back: 3.5 is 3 seconds and 5 hundredths.
  m_point->SetValue(QStringLiteral("3.5"));
  Script([](CDialogService::Stopwatch& watch) { watch.Start(), watch.Stop(); });
  TapBand();
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("0:00:03.05"));
}

TEST_F(HostedPoints, StopwatchCountKeepsItsHundredthsAndRunsOnAcrossPages) {
  m_services.Services().SetTickCounter([this] { return m_tick; });
  Open(kStopwatch, QStringLiteral(R"({"Output": 0})"));
  CEditingFlow& flow = m_project->Flow();
  Script([this](CDialogService::Stopwatch& watch) {
    watch.Start();
    m_tick += 3570;
    watch.Stop();
  });
  TapBand();
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("3"));
  ASSERT_TRUE(flow.NextPage());
  ASSERT_TRUE(flow.PreviousPage());
  // Started again: 3.57 + 0.50 is 4 seconds, not 3 + 0.5.
  Script([this, &flow](CDialogService::Stopwatch& watch) {
    watch.Start();
    // The page changes under the open dialog (a command link, a server request): the watch
    // goes on counting.
    ASSERT_TRUE(flow.NextPage());
    m_tick += 500;
    ASSERT_TRUE(flow.PreviousPage());
    watch.Stop();
  });
  TapBand();
  EXPECT_EQ(m_point->OutputText(), QStringLiteral("4"));
}

class HostedPrint : public HostedPoints {
 protected:
  void SetUp() override {
    auto shell = std::make_unique<CPrintingShell>();
    m_shell = shell.get();
    m_services.Services().SetShell(std::move(shell));
    m_folder = qlt::test::TestHome() + QStringLiteral("/reports");
    ASSERT_TRUE(QDir().mkpath(m_folder));
  }
  // A print point writing into the test's folder unless the bag says otherwise.
  void OpenPrint(const QString& templateText, const QString& more = QString()) {
    QString bag =
        QStringLiteral(R"({"Folder": "%1", "TemplateChunks": 1, "TemplateChunk0": "%2"%3})")
            .arg(m_folder, templateText, more);
    Open(kPrint, bag);
  }
  static QString Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("(missing)");
    QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(file.readAll());
    return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : QStringLiteral("(no mark)");
  }
  // The document without the script policy in front of it.
  static QString Document(const QString& path) {
    const QString text = Read(path);
    const QString policy = QStringLiteral("<meta http-equiv=\"Content-Security-Policy\"");
    return text.startsWith(policy) ? text.mid(text.indexOf(QLatin1Char('>')) + 1) : text;
  }

  CPrintingShell* m_shell = nullptr;
  QString m_folder;
};

TEST_F(HostedPrint, WritesTheSessionIntoTheTemplateAndOpensIt) {
  OpenPrint(QStringLiteral(R"(<p>a<%Name%>b</p><script>steal()</script>)"),
            QStringLiteral(R"(, "Filename": "%No%-%.unitID%.htm")"));
  Set("Name", QStringLiteral("x\ny"));
  Set("No", QStringLiteral("R/17"));
  EXPECT_EQ(m_point->GetHeight(nullptr, 300), m_point->DefaultGetHeight(nullptr, 300) + 32);
  m_point->OnTap(250, 115);  // the Email button does nothing here
  EXPECT_TRUE(m_shell->opened.isEmpty());
  TapBand();
  const QString path = m_folder + QStringLiteral("/R_17-Unit-7.htm");
  ASSERT_EQ(m_shell->opened, QStringList{path});
  EXPECT_EQ(Document(path), QStringLiteral("<p>ax<br>\r\nyb</p>"));
  EXPECT_TRUE(m_shell->printed.isEmpty());
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(HostedPrint, PrintsUnderTheSessionsNameAndOpensWhenPrintingFails) {
  OpenPrint(QStringLiteral("<%No%>"), QStringLiteral(R"(, "Print": 1)"));
  TapBand();
  ASSERT_EQ(m_shell->printed.size(), 1);
  EXPECT_TRUE(m_shell->opened.isEmpty());
  EXPECT_EQ(m_shell->printed[0], m_folder + QLatin1Char('/') + m_project->Project().SessionGuid() +
                                     QStringLiteral(".htm"));
  m_shell->printerWorks = false;
  TapBand();
  EXPECT_EQ(m_shell->opened, QStringList{m_shell->printed[1]});
}

TEST_F(HostedPrint, BadTemplatesGiveTheirTextAndBadFilesTheirMessage) {
  struct Case {
    const char* bag;  // the template and what else the bag holds
    const char* document;
  };
  const Case cases[] = {
      {R"("TemplateChunks": 0)", ""},                                          // no template
      {R"("TemplateChunks": 3, "TemplateChunk0": "one chunk")", "one chunk"},  // chunks missing
      {R"("TemplateChunks": 1, "TemplateChunk0": "Total: <%Missing%> units")", "Total:  units"},
      {R"("TemplateChunks": 1, "TemplateChunk0": "<%No")", ""},
      {R"("TemplateChunks": 1, "TemplateChunk0": "\u0001\u00ff<%%><%%>")", "\x01\xc3\xbf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bag);
    Open(kPrint, QStringLiteral(R"({"Folder": "%1", "Filename": "doc.htm", %2})")
                     .arg(m_folder, QString::fromUtf8(c.bag)));
    Set("No", QStringLiteral("17"));
    TapBand();
    EXPECT_EQ(Document(m_folder + QStringLiteral("/doc.htm")), QString::fromUtf8(c.document));
  }
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
  // A name that is a folder there, or no name at all: the message, and nothing is opened.
  m_shell->opened.clear();
  ASSERT_TRUE(QDir().mkpath(m_folder + QStringLiteral("/taken.htm")));
  for (const char* name : {"taken.htm", "%Missing%"}) {
    Open(kPrint, QStringLiteral(R"({"Folder": "%1", "Filename": "%2"})")
                     .arg(m_folder, QString::fromLatin1(name)));
    TapBand();
  }
  EXPECT_TRUE(m_shell->opened.isEmpty());
  ASSERT_EQ(m_services.Messages().Messages().size(), 2);
  EXPECT_EQ(
      m_services.Messages().Messages()[0].text,
      QStringLiteral("Unable to create output file: ") + m_folder + QStringLiteral("/taken.htm"));
}

TEST_F(HostedPrint, KeepsItsPropertiesWithTheTemplateInChunks) {
  const QString big = QString(65521, QLatin1Char('t'));
  OpenPrint(big, QStringLiteral(R"(, "EmailTo": "a@b.c", "Print": 1)"));
  m_project->Project().SaveToBytes();
  const CVariantMap& bag = m_point->Bag();
  EXPECT_EQ(bag.GetInteger(QStringLiteral("TemplateChunks"), -1), 2);
  EXPECT_EQ(bag.GetText(QStringLiteral("TemplateChunk0")).size(), 65520);
  EXPECT_EQ(bag.GetText(QStringLiteral("TemplateChunk1")), QStringLiteral("t"));
  EXPECT_EQ(bag.GetText(QStringLiteral("EmailTo")), QStringLiteral("a@b.c"));
  EXPECT_EQ(bag.GetInteger(QStringLiteral("Print"), -1), 1);
  EXPECT_EQ(bag.GetText(QStringLiteral("Filename")), QStringLiteral("%uuid%.htm"));
}

}  // namespace
