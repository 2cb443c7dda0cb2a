#include "app/language.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "support/harness.h"
#include "support/scripted_message_service.h"

namespace {

// A data folder and a program folder inside the test's fresh home.
struct Folders {
  QString data = qlt::test::TestHome() + QStringLiteral("/data-folder");
  QString program = qlt::test::TestHome() + QStringLiteral("/program-folder");
  Folders() {
    QDir().mkpath(data);
    QDir().mkpath(program);
  }
};

void WriteFile(const QString& folder, const QByteArray& bytes) {
  QFile file(folder + QStringLiteral("/Language.ini"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

uint32_t Crc(const QByteArray& bytes) {
  return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0),
                                     reinterpret_cast<const Bytef*>(bytes.constData()),
                                     static_cast<uInt>(bytes.size())));
}

QByteArray Utf8Bom(const QString& text) { return QByteArray("\xEF\xBB\xBF") + text.toUtf8(); }

QByteArray Utf16(const QString& text, bool bigEndian) {
  QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
  for (QChar c : text) {
    const char high = static_cast<char>(c.unicode() >> 8);
    const char low = static_cast<char>(c.unicode() & 0xFF);
    if (bigEndian) {
      bytes.append(high).append(low);
    } else {
      bytes.append(low).append(high);
    }
  }
  return bytes;
}

// Only what the given text yields, without the embedded default.
QHash<QString, QString> ParseAlone(const QByteArray& bytes) {
  CLanguage language;
  language.Parse(bytes);
  return language.Table();
}

const QString kSample = QStringLiteral(
    "; a comment line\r\n"
    "[Project]\r\n"
    "TooNew=Zu neu\\n\\nBitte aktualisieren\r\n"
    "Greeting=Gr\u00FC\u00DFe \u20AC \u4E2D\u6587\r\n"
    "[Point.File]\r\n"
    "Empty=\"Keine Datei\"\r\n");

void ExpectSampleTable(const QHash<QString, QString>& table) {
  EXPECT_EQ(table.size(), 3);
  EXPECT_EQ(table.value(QStringLiteral("Project.TooNew")),
            QStringLiteral("Zu neu\r\n\r\nBitte aktualisieren"));
  EXPECT_EQ(table.value(QStringLiteral("Project.Greeting")),
            QStringLiteral("Gr\u00FC\u00DFe \u20AC \u4E2D\u6587"));
  EXPECT_EQ(table.value(QStringLiteral("Point.File.Empty")), QStringLiteral("Keine Datei"));
}

}  // namespace

TEST(Language, EmbeddedDefaultLoadsWhenNoFileExists) {
  Folders folders;
  CLanguage language;
  EXPECT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")), QStringLiteral("Quillet"));
  EXPECT_EQ(language.Translate(QStringLiteral("Point.File.Empty")),
            QStringLiteral("No File Attached"));
  EXPECT_EQ(language.Translate(QStringLiteral("Language.Name")), QStringLiteral("English"));
  EXPECT_EQ(language.Checksum(), 0u);
}

TEST(Language, EmptyFolderNamesAreSkipped) {
  CLanguage language;
  EXPECT_TRUE(language.LoadTranslation(QString(), QString()));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")), QStringLiteral("Quillet"));
  EXPECT_EQ(language.Checksum(), 0u);
}

TEST(Language, InstanceIsOneTable) { EXPECT_EQ(&CLanguage::Instance(), &CLanguage::Instance()); }

TEST(Language, Utf8WithByteOrderMarkOverlaysTheDefault) {
  Folders folders;
  const QByteArray bytes = Utf8Bom(kSample);
  WriteFile(folders.data, bytes);
  CLanguage language;
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("Point.File.Empty")), QStringLiteral("Keine Datei"));
  EXPECT_EQ(language.Translate(QStringLiteral("Project.Greeting")),
            QStringLiteral("Gr\u00FC\u00DFe \u20AC \u4E2D\u6587"));
  EXPECT_EQ(language.Checksum(), Crc(bytes));
  ExpectSampleTable(ParseAlone(bytes));
}

TEST(Language, Utf16LittleEndianLoadsLikeUtf8) {
  ExpectSampleTable(ParseAlone(Utf16(kSample, false)));
  EXPECT_EQ(ParseAlone(Utf16(kSample, false)), ParseAlone(Utf8Bom(kSample)));
}

TEST(Language, Utf16BigEndianLoadsLikeUtf8) {
  Folders folders;
  const QByteArray bytes = Utf16(kSample, true);
  WriteFile(folders.data, bytes);
  CLanguage language;
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("Project.TooNew")),
            QStringLiteral("Zu neu\r\n\r\nBitte aktualisieren"));
  EXPECT_EQ(language.Checksum(), Crc(bytes));
  EXPECT_EQ(ParseAlone(bytes), ParseAlone(Utf8Bom(kSample)));
}

TEST(Language, TextWithoutMarkIsUtf8OrWindows1252) {
  // The same file saved without a mark by an editor on Windows and by a newer tool reads the same,
  // whatever the locale of the process (the harness runs the tests under C.UTF-8).
  const QString greeting =
      QStringLiteral("Gr\u00FC\u00DFe \u2013 \u201EZ\u00FCrich\u201C \u20AC \u2026");
  const struct {
    const char* encoding;
    QByteArray bytes;
  } files[] = {
      {"Windows-1252",
       "[Project]\r\nGreeting=Gr\xFC\xDF"
       "e \x96 \x84Z\xFCrich\x93 \x80 \x85\r\n"},
      {"UTF-8", "[Project]\r\nGreeting=" + greeting.toUtf8() + "\r\n"},
  };
  for (const auto& file : files) {
    Folders folders;
    WriteFile(folders.data, file.bytes);
    CLanguage language;
    ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
    EXPECT_EQ(language.Translate(QStringLiteral("Project.Greeting")), greeting) << file.encoding;
    EXPECT_EQ(language.Checksum(), Crc(file.bytes)) << file.encoding;
  }
  const auto ascii = ParseAlone("[System]\r\nOK=Okay\r\n");
  EXPECT_EQ(ascii.value(QStringLiteral("System.OK")), QStringLiteral("Okay"));
}

TEST(Language, ShortOrEmptyTextsParseToNothing) {
  for (const QByteArray& bytes :
       {QByteArray(), QByteArray("x"), QByteArray("\xFF"), QByteArray("\xFE"), QByteArray("\xEF"),
        QByteArray("\xEF\xBB"), QByteArray("\xFF\xFE"), QByteArray("\xFE\xFF"),
        QByteArray("\xEF\xBB\xBF"), QByteArray("\xFF\xFE["), QByteArray("[S]")}) {
    EXPECT_TRUE(ParseAlone(bytes).isEmpty()) << bytes.toHex().constData();
  }
}

TEST(Language, QuotedValuesLoseTheirQuotes) {
  const auto table = ParseAlone(
      "[Project]\n"
      "Delete=\"Delete Project\"\n"
      "One=\"\n"
      "Two=\"\"\n"
      "Inner=\"say \"hi\" now\"\n"
      "Left=\"open\n"
      "Right=close\"\n"
      "Blanks=\"  padded  \"\n"
      "Break=\"\\n\"\n");
  EXPECT_EQ(table.value(QStringLiteral("Project.Delete")), QStringLiteral("Delete Project"));
  EXPECT_EQ(table.value(QStringLiteral("Project.One")), QStringLiteral("\""));
  EXPECT_TRUE(table.contains(QStringLiteral("Project.Two")));
  EXPECT_EQ(table.value(QStringLiteral("Project.Two")), QString());
  EXPECT_EQ(table.value(QStringLiteral("Project.Inner")), QStringLiteral("say \"hi\" now"));
  EXPECT_EQ(table.value(QStringLiteral("Project.Left")), QStringLiteral("\"open"));
  EXPECT_EQ(table.value(QStringLiteral("Project.Right")), QStringLiteral("close\""));
  EXPECT_EQ(table.value(QStringLiteral("Project.Blanks")), QStringLiteral("  padded  "));
  // The line breaks are made before the quotes are looked at.
  EXPECT_EQ(table.value(QStringLiteral("Project.Break")), QStringLiteral("\r\n"));
}

TEST(Language, BackslashNBecomesALineBreak) {
  const auto table = ParseAlone(
      "[Project]\n"
      "TooNew=Too new.\\n\\nUpgrade.\n"
      "Tail=a\\\n"
      "Double=a\\\\nb\n");
  EXPECT_EQ(table.value(QStringLiteral("Project.TooNew")),
            QStringLiteral("Too new.\r\n\r\nUpgrade."));
  EXPECT_EQ(table.value(QStringLiteral("Project.Tail")), QStringLiteral("a\\"));
  EXPECT_EQ(table.value(QStringLiteral("Project.Double")), QStringLiteral("a\\\r\nb"));
}

TEST(Language, LinesBeforeTheFirstSectionAreIgnored) {
  const auto table = ParseAlone("Version=10.0\n[Language]\nName=Deutsch\n");
  EXPECT_EQ(table.size(), 1);
  EXPECT_EQ(table.value(QStringLiteral("Language.Name")), QStringLiteral("Deutsch"));
}

TEST(Language, LinesShorterThanFourCharactersAreIgnored) {
  const auto table = ParseAlone("[S1]\na=b\nab=c\n[S]\nx=y\n");
  EXPECT_FALSE(table.contains(QStringLiteral("S1.a")));
  EXPECT_EQ(table.value(QStringLiteral("S1.ab")), QStringLiteral("c"));
  // "[S]" is three characters: no section starts, so "x=y" would land in S1 if it were long enough.
  EXPECT_EQ(table.size(), 1);
  const auto later = ParseAlone("[S1]\n[S]\nxy=z\n");
  EXPECT_EQ(later.value(QStringLiteral("S1.xy")), QStringLiteral("z"));
}

TEST(Language, NothingIsTrimmed) {
  const auto table = ParseAlone("[Sync]\n Title = Synchronising \n");
  EXPECT_EQ(table.value(QStringLiteral("Sync. Title ")), QStringLiteral(" Synchronising "));
  EXPECT_FALSE(table.contains(QStringLiteral("Sync.Title")));
}

TEST(Language, SectionNamesAndSeparators) {
  const auto table = ParseAlone(
      "[Point.File]\rEmpty=none\r"
      "[Open Section\nKey1=x\n"
      "[A]B] trailing\r\nKey2=y\r\n"
      "[X=Y]\nKey3=z\n"
      "[Empty]\n=nameless\n"
      "[Eq]\nKey4=a=b\n"
      "; comment=with equals is an entry\n");
  EXPECT_EQ(table.value(QStringLiteral("Point.File.Empty")), QStringLiteral("none"));
  EXPECT_EQ(table.value(QStringLiteral("Open Section.Key1")), QStringLiteral("x"));
  EXPECT_EQ(table.value(QStringLiteral("A.Key2")), QStringLiteral("y"));
  EXPECT_EQ(table.value(QStringLiteral("X=Y.Key3")), QStringLiteral("z"));
  EXPECT_EQ(table.value(QStringLiteral("Empty.")), QStringLiteral("nameless"));
  EXPECT_EQ(table.value(QStringLiteral("Eq.Key4")), QStringLiteral("a=b"));
  EXPECT_EQ(table.value(QStringLiteral("Eq.; comment")), QStringLiteral("with equals is an entry"));
}

TEST(Language, LaterKeysReplaceEarlierOnesAndKeysAreCaseSensitive) {
  CLanguage language;
  language.Parse("[System]\nMenu=First\n[System]\nMenu=Second\nmenu=lower\n");
  EXPECT_EQ(language.Translate(QStringLiteral("System.Menu")), QStringLiteral("Second"));
  EXPECT_EQ(language.Translate(QStringLiteral("System.menu")), QStringLiteral("lower"));
  EXPECT_EQ(language.Translate(QStringLiteral("system.menu")), QString());
}

TEST(Language, TranslateAndLookupOfMissingKeys) {
  CLanguage language;
  language.Parse("[System]\nEmpty=\nMenu=Menu\n");
  EXPECT_EQ(language.Translate(QStringLiteral("System.Missing")), QString());
  QString value = QStringLiteral("untouched");
  EXPECT_FALSE(language.Lookup(QStringLiteral("System.Missing"), value));
  EXPECT_EQ(value, QStringLiteral("untouched"));
  EXPECT_TRUE(language.Lookup(QStringLiteral("System.Empty"), value));
  EXPECT_EQ(value, QString());
  EXPECT_TRUE(language.Lookup(QStringLiteral("System.Menu"), value));
  EXPECT_EQ(value, QStringLiteral("Menu"));
}

TEST(Language, DefaultKeySurvivesAPartialFile) {
  Folders folders;
  WriteFile(folders.data, "[System]\r\nApplication=Quillet Feld\r\n");
  CLanguage language;
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")),
            QStringLiteral("Quillet Feld"));
  EXPECT_EQ(language.Translate(QStringLiteral("System.OK")), QStringLiteral("OK"));
  EXPECT_EQ(language.Translate(QStringLiteral("Point.File.Empty")),
            QStringLiteral("No File Attached"));
}

TEST(Language, ReloadAfterTheFileWasDeletedClearsItsKeys) {
  Folders folders;
  const QByteArray bytes = "[System]\r\nApplication=Quillet Feld\r\nOnlyInFile=here\r\n";
  WriteFile(folders.data, bytes);
  CLanguage language;
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("System.OnlyInFile")), QStringLiteral("here"));
  const int withFile = language.Count();

  ASSERT_TRUE(QFile::remove(folders.data + QStringLiteral("/Language.ini")));
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_FALSE(language.Table().contains(QStringLiteral("System.OnlyInFile")));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")), QStringLiteral("Quillet"));
  EXPECT_EQ(language.Count(), withFile - 1);
  // No file was read, so the checksum stays that of the file read last.
  EXPECT_EQ(language.Checksum(), Crc(bytes));
}

TEST(Language, DataFolderIsPreferredOverProgramFolder) {
  Folders folders;
  const QByteArray data = "[System]\nApplication=From data\n";
  const QByteArray program = "[System]\nApplication=From program\nMenu=Program menu\n";
  WriteFile(folders.data, data);
  WriteFile(folders.program, program);
  CLanguage language;
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")), QStringLiteral("From data"));
  // Only one file is read: the program folder's entries do not mix in.
  EXPECT_EQ(language.Translate(QStringLiteral("System.Menu")), QStringLiteral("Menu"));
  EXPECT_EQ(language.Checksum(), Crc(data));

  ASSERT_TRUE(QFile::remove(folders.data + QStringLiteral("/Language.ini")));
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")),
            QStringLiteral("From program"));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Menu")), QStringLiteral("Program menu"));
  EXPECT_EQ(language.Checksum(), Crc(program));
}

TEST(Language, ChecksumIsTheCrc32OfTheRawBytes) {
  Folders folders;
  CLanguage language;
  // The standard check value of CRC-32 (IEEE 802.3).
  WriteFile(folders.data, "123456789");
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Checksum(), 0xCBF43926u);

  // The byte-order mark counts.
  const QByteArray withMark = Utf8Bom(QStringLiteral("[System]\r\nMenu=Men\u00FC\r\n"));
  WriteFile(folders.data, withMark);
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Checksum(), Crc(withMark));
  EXPECT_NE(language.Checksum(), Crc(withMark.mid(3)));

  // An empty file is read: its checksum is that of no bytes.
  WriteFile(folders.data, QByteArray());
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Checksum(), 0u);
  EXPECT_EQ(language.Translate(QStringLiteral("System.Menu")), QStringLiteral("Menu"));
}

TEST(Language, AFolderNamedLikeTheFileIsNotRead) {
  Folders folders;
  QDir().mkpath(folders.data + QStringLiteral("/Language.ini"));
  WriteFile(folders.program, "[System]\nMenu=From program\n");
  CLanguage language;
  ASSERT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Menu")), QStringLiteral("From program"));
}

TEST(Language, TruncatedUtf16LoadsWhatItCan) {
  const QString text = QStringLiteral("[Point.Time]\r\nNotSet=Nicht gesetzt\r\nTapToSet=Tippen");
  for (bool bigEndian : {false, true}) {
    QByteArray bytes = Utf16(text, bigEndian);
    bytes.chop(1);  // half of the last "n" is gone
    const auto table = ParseAlone(bytes);
    EXPECT_EQ(table.value(QStringLiteral("Point.Time.NotSet")), QStringLiteral("Nicht gesetzt"));
    EXPECT_EQ(table.value(QStringLiteral("Point.Time.TapToSet")), QStringLiteral("Tippe"));
  }
}

TEST(Language, UnpairedSurrogatesAndNulCharactersAreKept) {
  QString text = QStringLiteral("[S1]\nLone=a");
  text.append(QChar(0xD800)).append(u'b').append(QChar(0xDC00));
  text.append(QStringLiteral("\nNul=x"));
  text.append(QChar(0)).append(u'y');
  const auto table = ParseAlone(Utf16(text, false));
  EXPECT_EQ(table.value(QStringLiteral("S1.Lone")).size(), 4);
  EXPECT_EQ(table.value(QStringLiteral("S1.Nul")).size(), 3);
}

TEST(Language, GarbageNeverCrashes) {
  QRandomGenerator random(20240601);
  for (int round = 0; round < 300; ++round) {
    QByteArray bytes(static_cast<int>(random.bounded(4096)), Qt::Uninitialized);
    for (char& c : bytes) c = static_cast<char>(random.bounded(256));
    // Every third round gets a byte-order mark and some structure to reach the entry path.
    if (round % 3 == 1) bytes.prepend(round % 2 ? "\xFF\xFE" : "\xFE\xFF");
    if (round % 3 == 2) bytes.prepend("\xEF\xBB\xBF[Garbage]\n\"=\"\n\\n=\"\\n\n");
    CLanguage language;
    language.Parse(bytes);
    for (auto it = language.Table().cbegin(); it != language.Table().cend(); ++it) {
      EXPECT_FALSE(it.key().contains(u'\n'));
      EXPECT_FALSE(it.key().contains(u'\r'));
    }
  }
  // Every single byte value, and every pair, on its own.
  for (int a = 0; a < 256; ++a) {
    CLanguage language;
    language.Parse(QByteArray(1, static_cast<char>(a)));
    for (int b = 0; b < 256; b += 17) {
      language.Parse(QByteArray(1, static_cast<char>(a)) + QByteArray(1, static_cast<char>(b)));
    }
    EXPECT_TRUE(language.IsEmpty());
  }
}

TEST(Language, GarbageFileLeavesTheDefaultInForce) {
  Folders folders;
  QByteArray bytes(2048, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) % 251);
  WriteFile(folders.data, bytes);
  CLanguage language;
  EXPECT_TRUE(language.LoadTranslation(folders.data, folders.program));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")), QStringLiteral("Quillet"));
  EXPECT_EQ(language.Checksum(), Crc(bytes));
}

TEST(Language, MessageByKeyShowsTheTextOrTheKey) {
  auto scripted = std::make_unique<CScriptedMessageService>();
  CScriptedMessageService* messages = scripted.get();
  auto services = std::make_unique<CServices>();
  services->SetMessageService(std::move(scripted));
  auto previous = CServices::Install(std::move(services));

  CLanguage language;
  language.Parse("[Project]\nEndOfProject=The end.\nTooNew=Too new.\\n\\nUpgrade.\n");
  messages->QueueAnswer(kIdNo);
  EXPECT_EQ(language.MessageByKey(QStringLiteral("Project.TooNew"), kMbYesNo | kMbIconExclamation),
            kIdNo);
  EXPECT_EQ(language.MessageByKey(QStringLiteral("Project.EndOfProject"), kMbOk), kIdOk);
  EXPECT_EQ(language.MessageByKey(QStringLiteral("Database.UnrecognizedPPD"), kMbIconExclamation),
            kIdOk);

  ASSERT_EQ(messages->Messages().size(), 3);
  EXPECT_EQ(messages->Messages()[0].text, QStringLiteral("Too new.\r\n\r\nUpgrade."));
  EXPECT_EQ(messages->Messages()[0].style, unsigned(kMbYesNo | kMbIconExclamation));
  EXPECT_EQ(messages->Messages()[1].text, QStringLiteral("The end."));
  EXPECT_EQ(messages->Messages()[1].style, unsigned(kMbOk));
  EXPECT_EQ(messages->Messages()[2].text, QStringLiteral("Database.UnrecognizedPPD"));

  CServices::Install(std::move(previous));
}

TEST(Language, TranslateMenuReplacesKeysOnly) {
  CLanguage language;
  language.Parse("[Buttons]\nSync=Sync now\n[Toolbar]\nDisconnect=Go offline\n");
  QAction sync(QStringLiteral("Buttons.Sync"));
  QAction disconnect(QStringLiteral("Toolbar.Disconnect"));
  QAction plain(QStringLiteral("Not a key"));
  QAction missing(QStringLiteral("System.Delete"));
  QAction separator;
  separator.setSeparator(true);
  sync.setData(0x800e);

  language.TranslateMenu({&sync, nullptr, &disconnect, &plain, &missing, &separator});
  EXPECT_EQ(sync.text(), QStringLiteral("Sync now"));
  EXPECT_EQ(sync.data().toInt(), 0x800e);
  EXPECT_EQ(disconnect.text(), QStringLiteral("Go offline"));
  EXPECT_EQ(plain.text(), QStringLiteral("Not a key"));
  EXPECT_EQ(missing.text(), QStringLiteral("System.Delete"));
  EXPECT_TRUE(separator.text().isEmpty());
}
