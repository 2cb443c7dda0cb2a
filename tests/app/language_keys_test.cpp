// Keeps the embedded default translation (resources/Language.ini) complete: every translation key
// the sources use, and every key the system is known to use, must have an English default there.
//
// Keys are found in the sources under src/ as string literals that are
//  - the first argument of a call whose name holds "Translate" or "Message" (Translate,
//    MessageByKey, a caller's own FormatMessage(key, ...) wrapper) or of QLT_KEY(...),
//  - the first argument of Lookup(...) called on something named *anguage (CLanguage::Instance(),
//    m_language, language(), ...); other Lookup methods (value maps) are not translation lookups,
//  - or any literal "Network.<Entry>": a message text beginning with "Network." is a translation
//    key wherever it travels.
// Comments are skipped, so a comment may show an example call.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "app/language.h"
#include "support/harness.h"

namespace {

// Keys the default translation deliberately has no text for, so that the key itself is what the
// user sees (an unrecognised session database is reported by its key).
const QSet<QString> kWithoutDefault = {QStringLiteral("Database.UnrecognizedPPD")};

// Every translation key the system uses, including those of features still to come.
const char* const kKnownKeys[] = {
    "Language.Name",
    "Language.Code",
    "Language.Target",
    "Language.Version",
    "Button.Finish",
    "Button.Next",
    "Button.Previous",
    "Buttons.Delete",
    "Buttons.DeleteAllLong",
    "Buttons.DuplicateLong",
    "Buttons.MarkAllLong",
    "Buttons.MarkLong",
    "Buttons.Send",
    "Buttons.Sync",
    "Buttons.UnmarkAllLong",
    "Buttons.UnmarkLong",
    "Network.EncryptionIsOff",
    "Network.EncryptionIsOn",
    "Network.ErrorConnecting",
    "Network.ErrorFailedToResolveServerAddress",
    "Network.ErrorProjectLocked",
    "Network.ErrorProjectNotOpen",
    "Network.ErrorProjectUnavailable",
    "Network.ProtocolMismatch",
    "Network.WrongPassword",
    "Point.Barcode.LargeButton",
    "Point.Camera.ConfirmDelete",
    "Point.DropList.ConfirmRemove",
    "Point.File.CantExtractFile",
    "Point.File.CantFindFile",
    "Point.File.CantStoreFile",
    "Point.File.ConfirmClear",
    "Point.File.Empty",
    "Point.GPS.UpdatePosition",
    "Point.Link.ConfirmURL",
    "Point.NumericValue",
    "Point.Outlook.New",
    "Point.Print.CantOpen",
    "Point.Print.OutputEmail",
    "Point.Print.OutputPrint",
    "Point.Required",
    "Point.Required2",
    "Point.Telegram.Received",
    "Point.Telegram.Sent",
    "Point.Telegram.TapToSend",
    "Point.Telegram.TapToSendAgain",
    "Point.Telegram.UnableToSend",
    "Point.Telegram.Waiting",
    "Point.Telegram.WaitingAgain",
    "Point.Time.InvalidFormat",
    "Point.Time.NotSet",
    "Point.Time.TapToSet",
    "Point.Voice.ClipMinutes",
    "Point.Voice.ClipSeconds",
    "Point.Voice.ConfirmClear",
    "Point.Voice.Empty",
    "Point.Voice.TimePaused",
    "Point.Voice.TimePlaying",
    "Point.Voice.TimeRecording",
    "Project.CantOpen",
    "Project.CantSave",
    "Project.ConfirmDeleteMultipleProjects",
    "Project.ConfirmDeleteProjectMessage",
    "Project.EndOfProject",
    "Project.TooNew",
    "SessionList.ColumnDate",
    "SessionList.ColumnTime",
    "SessionList.ConfirmDeleteSelectionPlural",
    "SessionList.ConfirmDeleteSelectionSingular",
    "SessionList.SessionsActive",
    "SessionList.SessionsDeleted",
    "SessionList.SessionsSent",
    "Settings.AutoSubmitNewSessions",
    "Settings.AutoSubmitOldSessions",
    "Settings.FieldContinuousConnection",
    "Settings.FieldEncryptionLong",
    "Settings.FieldLockSettings",
    "Settings.FieldPassword",
    "Settings.FieldPreventDuplicate",
    "Settings.FieldPurgeSentSessions",
    "Settings.FieldServerAddressLong",
    "Settings.FieldServerPort",
    "Settings.FieldUnitID",
    "Settings.PurgeImmediately",
    "Settings.PurgeOneDay",
    "Settings.PurgePluralDays",
    "Settings.ReceiveSessionsOnConnect",
    "Settings.SectionHeading2",
    "Settings.Title",
    "Settings.UnlockFailedWrongPassword",
    "Settings.UnlockPromptMessage",
    "Settings.UnlockPromptTitle",
    "Settings.WillUseRelay",
    "Sync.Authenticating",
    "Sync.CheckingProject",
    "Sync.Connecting",
    "Sync.SendingSessions",
    "Sync.Title",
    "Sync.UpdateProjectMessage",
    "Sync.UpdatingProject",
    "System.Application",
    "System.Cancel",
    "System.Delete",
    "System.Menu",
    "System.OK",
    "Toolbar.Connect",
    "Toolbar.ConnectButton",
    "Toolbar.Connected",
    "Toolbar.Connecting",
    "Toolbar.Disconnect",
    "Toolbar.NewSession",
    "Toolbar.Settings",
    "Upgrade.ConfirmDownload",
    "Upgrade.ConfirmExecute",
    "Upgrade.ConfirmLanguage",
    "Upgrade.Corrupt",
    "Upgrade.ExecuteError",
    "Upgrade.LanguageInstalled",
    "Upgrade.Unavailable",
    "Upgrade.WriteError",
};

struct FoundKey {
  QString key;
  int line;
};

bool IsIdentifierChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// The source with its comments blanked out (line breaks kept, so line numbers stay right).
// String, character and raw string literals are kept as they are.
QString StripComments(const QString& source) {
  QString out = source;
  const qsizetype n = source.size();
  qsizetype i = 0;
  auto blank = [&](qsizetype from, qsizetype to) {
    for (qsizetype k = from; k < to && k < n; ++k) {
      if (out[k] != u'\n') out[k] = u' ';
    }
  };
  while (i < n) {
    const QChar c = source[i];
    const QChar next = i + 1 < n ? source[i + 1] : QChar();
    if (c == u'/' && next == u'/') {
      qsizetype end = source.indexOf(u'\n', i);
      if (end < 0) end = n;
      blank(i, end);
      i = end;
    } else if (c == u'/' && next == u'*') {
      qsizetype end = source.indexOf(QStringLiteral("*/"), i + 2);
      end = end < 0 ? n : end + 2;
      blank(i, end);
      i = end;
    } else if (c == u'R' && next == u'"' &&
               (i == 0 || !IsIdentifierChar(source[i - 1]) || source.mid(i - 2, 2) == u"u8" ||
                source[i - 1] == u'u' || source[i - 1] == u'U' || source[i - 1] == u'L')) {
      const qsizetype open = source.indexOf(u'(', i + 2);
      if (open < 0) return out;
      const QString close = u')' + source.mid(i + 2, open - i - 2) + u'"';
      const qsizetype end = source.indexOf(close, open + 1);
      i = end < 0 ? n : end + close.size();
    } else if (c == u'"' || c == u'\'') {
      qsizetype k = i + 1;
      while (k < n && source[k] != c && source[k] != u'\n') {
        if (source[k] == u'\\') ++k;
        ++k;
      }
      i = k + 1;
    } else {
      ++i;
    }
  }
  return out;
}

QList<FoundKey> ExtractKeys(const QString& source) {
  static const QString kKey = QStringLiteral(R"re("([A-Z][A-Za-z0-9]*(?:\.[A-Za-z0-9_]+)+)")re");
  static const QString kLiteralStart = QStringLiteral(
      R"re(\s*\(\s*(?:(?:QStringLiteral|QLatin1String|QString)\s*\(\s*)?(?:u8|u|L)?)re");
  static const QRegularExpression kCall(
      QStringLiteral(
          R"re((?:\b(?:\w*Translate\w*|\w*Message\w*|QLT_KEY)|anguage(?:::Instance)?(?:\s*\(\s*\))?\s*(?:\.|->)\s*Lookup))re") +
      kLiteralStart + kKey);
  static const QRegularExpression kNetwork(QStringLiteral(R"re("(Network\.[A-Za-z0-9_]+)")re"));

  const QString code = StripComments(source);
  QList<FoundKey> keys;
  for (const QRegularExpression* pattern : {&kCall, &kNetwork}) {
    for (auto it = pattern->globalMatch(code); it.hasNext();) {
      const auto match = it.next();
      const int line = static_cast<int>(code.left(match.capturedStart(1)).count(u'\n')) + 1;
      keys.append({match.captured(1), line});
    }
  }
  return keys;
}

QString SourceFolder() { return QDir::cleanPath(QStringLiteral(QLT_TEST_DATA_DIR "/../../src")); }

const CLanguage& EmbeddedDefault() {
  static CLanguage* language = [] {
    auto* loaded = new CLanguage;
    // Folders without a Language.ini: only the embedded default is read.
    const QString none = QDir::tempPath() + QStringLiteral("/qlt-no-language-here");
    loaded->LoadTranslation(none, none);
    return loaded;
  }();
  return *language;
}

QByteArray EmbeddedDefaultBytes() {
  EmbeddedDefault();  // makes sure the resource is registered
  QFile file(QStringLiteral(":/Language.ini"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(LanguageKeys, ExtractorFindsTranslationKeysOnly) {
  const QString sample = QStringLiteral(
      "QString a = CLanguage::Instance().Translate(\"Sync.Title\") + \"...\";\n"
      "language.MessageByKey(QStringLiteral(\"Project.CantOpen\"), kMbIconExclamation);\n"
      "if (CLanguage::Instance().Lookup(u\"Point.Print.OutputPrint\", text)) {}\n"
      "m_language->Lookup( QString(\"Point.GPS.UpdatePosition\"), text);\n"
      "static const char* const kKeys[] = {QLT_KEY(\"Settings.Title\")};\n"
      "Disconnect(true, \"Network.ProtocolMismatch\");\n"
      "properties.Lookup(\"Graphics.Margin\", value);\n"
      "QString url = \"qlt://open/session\"; // Translate(\"Comment.Line\")\n"
      "/* MessageByKey(\"Comment.Block\", 0) */ Translate(\"System.OK\");\n"
      "const char* raw = R\"x(Translate(\"Raw.Text\") // )x\"; Translate(\"System.Menu\");\n"
      "Translate(variable); Translate(\"not a key\"); Translate(\"Single\");\n"
      "ShowMessage(FormatMessage(QStringLiteral(\"Point.Required\"), caption), kMbYesNo);\n");
  QStringList keys;
  QList<int> lines;
  for (const FoundKey& found : ExtractKeys(sample)) {
    keys.append(found.key);
    lines.append(found.line);
  }
  // The raw string's content is kept as code text, so its call is seen too; raw strings that
  // quote calls are rare enough and erring towards more keys is the safe side.
  const QStringList expected = {"Sync.Title",
                                "Project.CantOpen",
                                "Point.Print.OutputPrint",
                                "Point.GPS.UpdatePosition",
                                "Settings.Title",
                                "System.OK",
                                "Raw.Text",
                                "System.Menu",
                                "Point.Required",
                                "Network.ProtocolMismatch"};
  EXPECT_EQ(keys.join(u' ').toStdString(), expected.join(u' ').toStdString());
  EXPECT_EQ(lines, (QList<int>{1, 2, 3, 4, 5, 9, 10, 10, 12, 6}));
}

TEST(LanguageKeys, EveryKeyUsedInTheSourcesHasADefault) {
  const CLanguage& language = EmbeddedDefault();
  ASSERT_FALSE(language.IsEmpty());

  const QString root = SourceFolder();
  ASSERT_TRUE(QDir(root).exists()) << qPrintable(root);
  int files = 0;
  int keys = 0;
  QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
    ++files;
    for (const FoundKey& found : ExtractKeys(QString::fromUtf8(file.readAll()))) {
      ++keys;
      QString value;
      if (kWithoutDefault.contains(found.key)) continue;
      EXPECT_TRUE(language.Lookup(found.key, value))
          << qPrintable(QDir(root).relativeFilePath(path)) << ":" << found.line << ": \""
          << qPrintable(found.key) << "\" has no text in resources/Language.ini";
    }
  }
  EXPECT_GT(files, 0);
  RecordProperty("SourceFiles", files);
  RecordProperty("KeysUsed", keys);
}

TEST(LanguageKeys, EveryKnownKeyHasADefault) {
  const CLanguage& language = EmbeddedDefault();
  for (const char* key : kKnownKeys) {
    QString value;
    EXPECT_TRUE(language.Lookup(QString::fromLatin1(key), value)) << key;
    EXPECT_FALSE(value.isEmpty()) << key;
  }
  for (const QString& key : kWithoutDefault) {
    EXPECT_FALSE(language.Table().contains(key)) << qPrintable(key);
  }
}

TEST(LanguageKeys, DefaultTextsKeepTheirPlaceholders) {
  const CLanguage& language = EmbeddedDefault();
  const struct {
    const char* key;
    const char* placeholder;
    int count;
  } expected[] = {
      {"Point.Required", "%s", 1},
      {"Point.Required2", "%s", 1},
      {"Point.NumericValue", "%s", 1},
      {"Point.DropList.ConfirmRemove", "%s", 1},
      {"Point.Link.ConfirmURL", "%s", 1},
      {"Point.File.CantStoreFile", "%s", 1},
      {"Point.File.CantExtractFile", "%s", 1},
      {"Point.File.CantFindFile", "%s", 2},
      {"Settings.PurgePluralDays", "%s", 1},
      {"Sync.SendingSessions", "%s", 2},
      {"Upgrade.ConfirmDownload", "%s", 1},
      {"Project.ConfirmDeleteProjectMessage", "%s", 1},
      {"Project.ConfirmDeleteMultipleProjects", "%i", 1},
      {"SessionList.ConfirmDeleteSelectionPlural", "%d", 1},
      {"Point.Voice.ClipSeconds", "%01d", 1},
      {"Point.Voice.ClipMinutes", "%02d", 1},
      {"Point.Voice.TimePlaying", "%02d", 1},
      {"Point.Voice.TimeRecording", "%02d", 1},
  };
  for (const auto& entry : expected) {
    const QString value = language.Translate(QString::fromLatin1(entry.key));
    EXPECT_EQ(value.count(QString::fromLatin1(entry.placeholder)), entry.count)
        << entry.key << ": " << qPrintable(value);
  }
  // Keys no caller formats carry no stray "%".
  EXPECT_FALSE(language.Translate(QStringLiteral("Point.File.Empty")).contains(u'%'));
  EXPECT_EQ(language.Translate(QStringLiteral("System.Application")), QStringLiteral("Quillet"));
  EXPECT_EQ(language.Translate(QStringLiteral("Point.Print.CantOpen")),
            QStringLiteral("Unable to create output file: "));
  EXPECT_EQ(language.Translate(QStringLiteral("Point.Outlook.New")),
            QStringLiteral("[  Create New...  ]"));
}

TEST(LanguageKeys, EveryLineOfTheDefaultCounts) {
  const QByteArray bytes = EmbeddedDefaultBytes();
  ASSERT_FALSE(bytes.isEmpty());
  // Plain ASCII, or UTF-8 behind its mark, so no editor can mistake its encoding.
  if (!bytes.startsWith("\xEF\xBB\xBF")) {
    for (char c : bytes) ASSERT_GE(static_cast<signed char>(c), 0) << "non-ASCII byte";
  }
  const QString text = CLanguage::DecodeText(bytes);
  QString section;
  QSet<QString> seen;
  int lineNumber = 0;
  for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
    ++lineNumber;
    if (line.isEmpty() || line.startsWith(u';')) {
      EXPECT_FALSE(line.contains(u'=') && !section.isEmpty())
          << lineNumber << ": a comment with \"=\" would be read as an entry";
      continue;
    }
    if (line.startsWith(u'[')) {
      EXPECT_TRUE(line.endsWith(u']')) << lineNumber;
      section = line.mid(1, line.size() - 2);
      continue;
    }
    // Lines the parser would drop silently are mistakes in a file we write ourselves.
    EXPECT_FALSE(section.isEmpty()) << lineNumber;
    EXPECT_GE(line.size(), 4) << lineNumber;
    const qsizetype equals = line.indexOf(u'=');
    ASSERT_GT(equals, 0) << lineNumber << ": " << qPrintable(line);
    EXPECT_EQ(line.left(equals).trimmed(), line.left(equals)) << lineNumber;
    EXPECT_FALSE(line.endsWith(u' ')) << lineNumber << ": quote a value that ends in a blank";
    const QString key = section + u'.' + line.left(equals);
    EXPECT_FALSE(seen.contains(key)) << lineNumber << ": duplicate " << qPrintable(key);
    seen.insert(key);
  }
  EXPECT_EQ(seen.size(), EmbeddedDefault().Count());
}
