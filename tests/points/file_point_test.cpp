// The file point without widgets: the size text, the buttons and where taps land, the extension
// test, the search of a watched folder full of links, pipes and hidden folders, the size limit,
// and attaching, clearing, saving and opening through scripted dialogs.
#include "points/file_point.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>

#include "app/message_service.h"
#include "app/services.h"
#include "points/file_point_logic.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/files.h"
#include "support/scoped_services.h"
#include "values/file_blob.h"

namespace {

using namespace FilePointLogic;
using qlt::test::CScopedServices;
using qlt::test::WriteFileBytes;

// Answers the file dialogs as told and records what it was asked.
class CScriptedFileDialogs : public CDialogService {
 public:
  std::optional<QString> OpenFile(const QString& filter, const QString& folder) override {
    ++opens;
    lastFilter = filter;
    lastFolder = folder;
    return openAnswer;
  }
  std::optional<QString> SaveFile(const QString& name, const QString& extension) override {
    lastSaveName = name;
    lastExtension = extension;
    return saveAnswer;
  }
  bool OpenInShell(const QString& path) {
    shellPaths.append(path);
    shellExists = QFile::exists(path);
    return shellResult;
  }
  std::optional<QString> openAnswer;
  std::optional<QString> saveAnswer;
  bool shellResult = true;
  bool shellExists = false;
  int opens = 0;
  QString lastFilter, lastFolder, lastSaveName, lastExtension;
  QStringList shellPaths;
};

// Opens files through the scripted dialogs' record.
class CScriptedShell : public CShell {
 public:
  explicit CScriptedShell(CScriptedFileDialogs* answers) : m_answers(answers) {}
  bool Open(const QString& path) override { return m_answers->OpenInShell(path); }

 private:
  CScriptedFileDialogs* m_answers;
};

void SetTime(const QString& path, int secondsAgo) {
  namespace fs = std::filesystem;
  fs::last_write_time(fs::path(path.toStdString()),
                      fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

TEST(FilePointLogicTest, SizeTextStepsFromBytesToKilobytesToMegabytes) {
  const struct {
    qint64 bytes;
    const char* text;
  } cases[] = {
      {0, "0 bytes"},         {1023, "1023 bytes"},
      {1024, "1.00 KB"},      {1'048'575, "1024.00 KB"},
      {1'048'576, "1.00 MB"}, {1'073'741'823, "1024.00 MB"},
      {1'073'741'824, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), QString::fromLatin1(c.text)) << c.bytes;
  EXPECT_EQ(DisplayText(FileBlob::Make(QStringLiteral("a.txt"), QByteArray(1024, 'x'))),
            QStringLiteral("a.txt (1.00 KB)"));
  // Twelve bytes with the magic are not a file.
  EXPECT_TRUE(DisplayText(CVariant::FromBytes(QByteArray("TWKFFILE\1\0\0\0", 12))).isEmpty());
}

TEST(FilePointLogicTest, ExtensionTestIsASubstringOfTheLowerCasedExtension) {
  const struct {
    const char* name;
    const char* extensions;
    bool matches;
  } cases[] = {
      {"photo.JPG", "jpg;jpeg", true},  {"scan.jpeg", "jpg;jpeg", true},
      {"notes.txt", "jpg;jpeg", false}, {"jpg", "jpg;jpeg", false},
      {"odd.pe", "jpg;jpeg", true},     {"any.bin", "", true},
      {"noextension", "", false},       {"trailing.", "jpg;jpeg", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtensionMatches(QString::fromLatin1(c.name), QString::fromLatin1(c.extensions)),
              c.matches)
        << c.name;
  }
}

TEST(FilePointLogicTest, TapsFindTheButtonsFromTheRight) {
  const Buttons all{true, true, true};
  const Buttons noAttach{false, true, true};
  const Buttons attachOnly{true, false, false};
  const Buttons none{};
  const struct {
    Buttons buttons;
    int x;
    int scale;
    TapAction action;
  } cases[] = {
      // band right edge at 400: attach 362..400, save 322..358, open 282..318
      {all, 399, 1, TapAction::kAttach},     {all, 362, 1, TapAction::kAttach},
      {all, 340, 1, TapAction::kSave},       {all, 300, 1, TapAction::kOpen},
      {all, 320, 1, TapAction::kAttach},     {all, 10, 1, TapAction::kAttach},
      {noAttach, 380, 1, TapAction::kSave},  {noAttach, 340, 1, TapAction::kOpen},
      {noAttach, 10, 1, TapAction::kNone},   {attachOnly, 100, 1, TapAction::kAttach},
      {none, 399, 1, TapAction::kNone},      {all, 400 - 150, 2, TapAction::kSave},
      {all, 400 - 230, 2, TapAction::kOpen},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ActionAt(c.x, 400, c.buttons, c.scale), c.action) << c.x << " scale " << c.scale;
  }
  const Buttons readOnly = VisibleButtons(3, 3, 3, true, true);
  EXPECT_FALSE(readOnly.attach);
  EXPECT_TRUE(readOnly.save && readOnly.open);
  const Buttons empty = VisibleButtons(3, 3, 3, false, false);
  EXPECT_TRUE(empty.attach);
  EXPECT_FALSE(empty.save || empty.open);
  EXPECT_FALSE(VisibleButtons(1, 1, 1, false, true).attach);
}

TEST(FilePointLogicTest, NamesAndFiltersFromOutsideAreTamed) {
  EXPECT_TRUE(IsPlainName(QStringLiteral("report.pdf")));
  for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "x..y"}) {
    EXPECT_FALSE(IsPlainName(QString::fromLatin1(bad))) << bad;
  }
  EXPECT_EQ(DialogFilters(QStringLiteral("All Files|*.*||")), QStringList{"All Files (*)"});
  EXPECT_EQ(DialogFilters(QStringLiteral("Pictures|*.jpg;*.png|Text|*.txt||")),
            (QStringList{"Pictures (*.jpg *.png)", "Text (*.txt)"}));
  EXPECT_TRUE(DialogFilters(QString()).isEmpty());
  EXPECT_EQ(ResolveFolder(QStringLiteral("/tmp\\x")), QStringLiteral("/tmp/x"));
  EXPECT_TRUE(ResolveFolder(QStringLiteral("\\My Documents\\Scans")).endsWith("/Scans"));
}

class WatchedFolderTest : public ::testing::Test {
 protected:
  QString In(const QString& name) const { return m_dir.filePath(name); }
  QString Out(const QString& name) const { return m_outside.filePath(name); }
  void Make(const QString& path, int secondsAgo, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    SetTime(path, secondsAgo);
  }
  QTemporaryDir m_dir;
  QTemporaryDir m_outside;
};

TEST_F(WatchedFolderTest, NewestMatchingRegularFileInsideTheFolderWins) {
  Make(In("old.jpg"), 500);
  Make(In("sub/deeper/newest.JPG"), 100);
  Make(In("notes.txt"), 1);
  Make(In(".hidden/newer.jpg"), 5);
  Make(In("sub/.cache.jpg"), 5);
  Make(Out("outside.jpg"), 2);
  Make(Out("dir/outside2.jpg"), 2);
  namespace fs = std::filesystem;
  // Links to files and folders outside, and a dangling one, are never followed.
  fs::create_symlink(Out("outside.jpg").toStdString(), In("link.jpg").toStdString());
  fs::create_directory_symlink(Out("dir").toStdString(), In("linkdir").toStdString());
  fs::create_symlink(In("missing.jpg").toStdString(), In("dangling.jpg").toStdString());
  // A pipe would block whoever reads it.
  ASSERT_EQ(mkfifo(In("pipe.jpg").toLocal8Bit().constData(), 0600), 0);
  EXPECT_EQ(FindNewestFile(m_dir.path(), QStringLiteral("jpg;jpeg")), In("sub/deeper/newest.JPG"));
  EXPECT_EQ(FindNewestFile(m_dir.path(), QString()), In("notes.txt"));
  EXPECT_TRUE(FindNewestFile(m_dir.path(), QStringLiteral("png")).isEmpty());
  EXPECT_TRUE(FindNewestFile(In("no-such-folder"), QString()).isEmpty());
  EXPECT_TRUE(FindNewestFile(QString(), QString()).isEmpty());
}

TEST_F(WatchedFolderTest, LoadingRefusesLargeFilesAndPipesBeforeReading) {
  Make(In("ten.bin"), 1, QByteArray(10, 'a'));
  CVariant value;
  EXPECT_EQ(LoadFile(In("ten.bin"), value, 10), LoadError::kNone);
  QByteArray content;
  ASSERT_TRUE(FileBlob::Content(value, content));
  EXPECT_EQ(content, QByteArray(10, 'a'));
  EXPECT_EQ(FileBlob::Name(value), QStringLiteral("ten.bin"));
  EXPECT_EQ(LoadFile(In("ten.bin"), value, 9), LoadError::kTooLarge);
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(LoadFile(In("none.bin"), value, 10), LoadError::kCantOpen);
  ASSERT_EQ(mkfifo(In("pipe").toLocal8Bit().constData(), 0600), 0);
  EXPECT_EQ(LoadFile(In("pipe"), value, 10), LoadError::kCantOpen);
  // A sparse file past the limit costs no disk and is refused by its size alone.
  QFile huge(In("huge.bin"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
  ASSERT_TRUE(huge.resize(kMaxAttachBytes + 1));
  huge.close();
  EXPECT_EQ(LoadFile(In("huge.bin"), value), LoadError::kTooLarge);
}

class FilePointTest : public WatchedFolderTest {
 protected:
  void SetUp() override {
    m_page = m_project.AddPage();
    m_point = static_cast<CFilePoint*>(m_page->AddPoint(CFilePoint::kTypeCode));
    m_point->SetName(QStringLiteral("Attachment"));
    auto dialogs = std::make_unique<CScriptedFileDialogs>();
    m_dialogs = dialogs.get();
    m_services.Services().SetDialogService(std::move(dialogs));
    m_services.Services().SetShell(std::make_unique<CScriptedShell>(m_dialogs));
    m_services.Services().SetTickCounter([this] { return m_ticks; });
  }
  QStringList Shown() const {
    QStringList texts;
    for (const auto& shown : m_services.Messages().Messages()) texts.append(shown.text);
    return texts;
  }
  QByteArray Content() const {
    QByteArray content;
    FileBlob::Content(m_point->Value(), content);
    return content;
  }

  CScopedServices m_services;
  CScriptedFileDialogs* m_dialogs = nullptr;
  uint32_t m_ticks = 100'000;
  CProject m_project;
  CPage* m_page = nullptr;
  CFilePoint* m_point = nullptr;
};

TEST_F(FilePointTest, AttachingThroughTheDialogAndClearingAsAnswered) {
  Make(In("a.txt"), 1, "alpha");
  m_dialogs->openAnswer = In("a.txt");
  m_point->Attach();
  EXPECT_EQ(Content(), QByteArray("alpha"));
  EXPECT_EQ(m_dialogs->lastFilter, QStringLiteral("All Files|*.*||"));
  // Cancel keeps the file; No attaches another; Yes clears.
  Make(In("b.txt"), 1, "beta");
  m_dialogs->openAnswer = In("b.txt");
  m_services.Messages().QueueAnswer(kIdCancel);
  m_point->Attach();
  EXPECT_EQ(Content(), QByteArray("alpha"));
  m_services.Messages().QueueAnswer(kIdNo);
  m_point->Attach();
  EXPECT_EQ(Content(), QByteArray("beta"));
  m_services.Messages().QueueAnswer(kIdYes);
  m_point->Attach();
  EXPECT_TRUE(m_point->Value().IsEmpty());
  EXPECT_EQ(m_dialogs->opens, 2);
  // A read-only session attaches nothing.
  m_project.SetReadOnly(true);
  m_point->Attach();
  EXPECT_EQ(m_dialogs->opens, 2);
}

TEST_F(FilePointTest, TooLargeOrVanishedFileIsRefusedWithAMessageAndTheValueKept) {
  Make(In("a.txt"), 1, "alpha");
  m_dialogs->openAnswer = In("a.txt");
  m_point->Attach();
  QFile huge(In("huge.bin"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
  ASSERT_TRUE(huge.resize(qint64(1) << 30));
  huge.close();
  m_dialogs->openAnswer = In("huge.bin");
  m_services.Messages().QueueAnswer(kIdNo);
  m_point->Attach();
  EXPECT_EQ(Content(), QByteArray("alpha"));
  ASSERT_FALSE(Shown().isEmpty());
  EXPECT_TRUE(Shown().last().contains(QStringLiteral("too large"))) << Shown().last().toStdString();
  EXPECT_TRUE(Shown().last().contains(In("huge.bin")));
  m_dialogs->openAnswer = In("gone.txt");
  m_services.Messages().QueueAnswer(kIdNo);
  m_point->Attach();
  EXPECT_EQ(Content(), QByteArray("alpha"));
  EXPECT_TRUE(Shown().last().contains(In("gone.txt")));
}

TEST_F(FilePointTest, WatchedFolderGivesItsNewestFileAndTheDialogRightAfterAClear) {
  CFilePoint::Settings settings;
  settings.watchFolder = 1;
  settings.folder = m_dir.path();
  settings.deleteSource = 1;
  m_point->SetSettings(settings);
  Make(In("first.jpg"), 50, "one");
  Make(In("second.jpeg"), 10, "two");
  m_point->Attach();
  EXPECT_EQ(Content(), QByteArray("two"));
  EXPECT_FALSE(QFile::exists(In("second.jpeg")));  // delete source
  EXPECT_EQ(m_dialogs->opens, 0);
  // Cleared and tapped again within 7 seconds: the dialog, not the folder.
  m_services.Messages().QueueAnswer(kIdYes);
  m_point->Attach();
  m_ticks += 6999;
  m_point->Attach();
  EXPECT_EQ(m_dialogs->opens, 1);
  EXPECT_EQ(m_dialogs->lastFolder, m_dir.path());
  EXPECT_TRUE(m_point->Value().IsEmpty());
  // Later the folder is searched again.
  m_point->Attach();
  EXPECT_EQ(Content(), QByteArray("one"));
  // An empty folder says so and falls back to the dialog.
  m_services.Messages().QueueAnswer(kIdYes);
  m_point->Attach();
  m_ticks += 10'000;
  m_point->Attach();
  EXPECT_EQ(m_dialogs->opens, 2);
  EXPECT_TRUE(Shown().last().contains(m_dir.path())) << Shown().last().toStdString();
  EXPECT_TRUE(Shown().last().contains(QStringLiteral("jpg;jpeg")));
}

TEST_F(FilePointTest, SaveACopyAndOpenThroughATemporaryCopyThatHidingDeletes) {
  m_point->AssignValue(FileBlob::Make(QStringLiteral("plan.pdf"), "PDF!"));
  m_dialogs->saveAnswer = In("copy.pdf");
  m_point->SaveCopy();
  EXPECT_EQ(m_dialogs->lastSaveName, QStringLiteral("plan.pdf"));
  EXPECT_EQ(m_dialogs->lastExtension, QStringLiteral("pdf"));
  EXPECT_EQ(qlt::test::ReadFileBytes(In("copy.pdf")), QByteArray("PDF!"));
  m_dialogs->saveAnswer = In("no-such-folder/copy.pdf");
  m_point->SaveCopy();
  ASSERT_EQ(Shown().size(), 1);
  EXPECT_TRUE(Shown().first().contains(In("no-such-folder/copy.pdf")));

  m_point->OpenCopy();
  ASSERT_EQ(m_dialogs->shellPaths.size(), 1);
  const QString temp = m_dialogs->shellPaths.first();
  EXPECT_TRUE(m_dialogs->shellExists);
  EXPECT_TRUE(QFileInfo(temp).fileName() == QStringLiteral("QLTTemp_plan.pdf"));
  EXPECT_TRUE(m_point->Hide(true));
  EXPECT_TRUE(QFile::exists(temp));
  EXPECT_TRUE(m_point->Hide(false));
  EXPECT_FALSE(QFile::exists(temp));
  // A stored name with a folder part is not written anywhere.
  m_point->AssignValue(CVariant::FromBytes(QByteArray("TWKFFILE\7\0\0\0", 12) +
                                           QByteArray(".\0.\0/\0.\0.\0/\0x\0", 14) + "z"));
  m_point->OpenCopy();
  EXPECT_EQ(m_dialogs->shellPaths.size(), 1);
  EXPECT_EQ(Shown().size(), 2);
}

}  // namespace
