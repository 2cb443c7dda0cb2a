// `qlt sessions list|export`, run as the built tool against databases made here.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "app/services.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/session_files.h"
#include "support/tool_runner.h"
#include "values/file_blob.h"
#include "values/safe_array.h"

namespace {

using qlt::test::ReadFileBytes;
using qlt::test::RunQlt;
using Result = qlt::test::ToolRun;

// A file value whose stored name is taken as it is (FileBlob::Make would cut a path off).
CVariant RawFileValue(const QString& name, const QByteArray& content) {
  QByteArray bytes("TWKFFILE");
  const auto length = static_cast<uint32_t>(name.size());
  for (int i = 0; i < 4; ++i) bytes.append(static_cast<char>((length >> (8 * i)) & 0xFF));
  for (QChar c : name) {
    bytes.append(static_cast<char>(c.unicode() & 0xFF));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  return CVariant::FromBytes(bytes + content);
}

class SessionsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = qlt::test::TestHome() + QStringLiteral("/data");
    m_project = m_dir + QStringLiteral("/Survey.ppc");
    ASSERT_TRUE(qlt::test::WriteFileBytes(m_project, "project"));
  }

  CSessionPtr Store(CSessionDatabase& db, int day, uint32_t state,
                    qlt::test::SessionValues values) {
    CSessionPtr session = qlt::test::NewSession(values);
    session->SetCreated(CSystemTime::FromDateTime(QDateTime(QDate(2024, 1, day), QTime(3, 4, 5))));
    session->SetUnitId(u"Unit 1"_qs);
    session->SetState(state);
    EXPECT_TRUE(db.SaveSession(*session));
    return session;
  }

  QString m_dir;
  QString m_project;
};

TEST_F(SessionsCommandTest, CsvExportQuotesFieldsAndWritesFilesInsideTheFolder) {
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_project));
  const CSessionPtr first =
      Store(db, 2, 0,
            {{"colour", CVariant::FromString(u"Red, \"dark\""_qs)},
             {"note", CVariant::FromString(u"line 1\nline 2 — ü"_qs)},
             {"count", CVariant::FromInt32(12)},
             {"photo", FileBlob::Make(u"photo.jpg"_qs, QByteArray("first image"))}});
  const CSessionPtr second =
      Store(db, 3, 0,
            {{"colour", CVariant::FromString(u"Blue"_qs)},
             {"reading", CVariant::FromDouble(1.5)},
             {"photo", FileBlob::Make(u"photo.jpg"_qs, QByteArray("second image"))}});
  const CSessionPtr sent =
      Store(db, 1, 1, {{"photo", RawFileValue(u"../escape.txt"_qs, QByteArray("outside"))}});
  db.Close();
  const QString files = m_dir + QStringLiteral("/files");
  const QString out = m_dir + QStringLiteral("/out.csv");

  const Result result = RunQlt({u"sessions"_qs, u"export"_qs, m_project, u"--format"_qs, u"csv"_qs,
                                u"--out"_qs, out, u"--files"_qs, files});
  // The refused file name is reported and makes the run fail; everything else is exported.
  EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
  EXPECT_TRUE(result.err.contains("../escape.txt")) << result.err.toStdString();
  EXPECT_TRUE(result.out.isEmpty());

  const QStringList lines = QString::fromUtf8(ReadFileBytes(out)).split(u"\r\n"_qs);
  ASSERT_EQ(lines.size(), 5) << lines.join(u'|').toStdString();  // header, 3 rows, final CRLF
  EXPECT_TRUE(lines[4].isEmpty());
  // Point columns in the order the database added them.
  QStringList points;
  CSessionDatabase reader(nullptr);
  ASSERT_TRUE(reader.OpenPath(m_project));
  QList<QPair<uint32_t, QString>> columns;
  for (auto it = reader.PointMap().constBegin(); it != reader.PointMap().constEnd(); ++it) {
    columns.append({it.value(), it.key()});
  }
  std::sort(columns.begin(), columns.end());
  for (const auto& column : columns) points.append(column.second);
  reader.Close();
  EXPECT_EQ(lines[0], (QStringList{u"guid"_qs, u"created"_qs, u"saved"_qs, u"state"_qs, u"flags"_qs,
                                   u"unit"_qs} +
                       points)
                          .join(u','));

  auto row = [&](const CSessionPtr& session, const QString& state,
                 const QHash<QString, QString>& cells) {
    QStringList fields = {
        session->GuidText(),
        QString::asprintf("2024-01-%02u", session->Created().day) + u"T03:04:05.000"_qs,
        QString(),
        state,
        u"0"_qs,
        u"Unit 1"_qs};
    for (const QString& point : points) fields.append(cells.value(point));
    return fields;
  };
  auto withoutSaved = [](QString line) {
    // The save time is "now"; compare it apart.
    QStringList parts = line.split(u',');
    parts[2] = QString();
    return parts.join(u',');
  };
  EXPECT_EQ(withoutSaved(lines[1]), row(first, u"active"_qs,
                                        {{u"colour"_qs, u"\"Red, \"\"dark\"\"\""_qs},
                                         {u"note"_qs, u"\"line 1\nline 2 — ü\""_qs},
                                         {u"count"_qs, u"12"_qs},
                                         {u"photo"_qs, u"photo.jpg"_qs}})
                                        .join(u','));
  EXPECT_EQ(withoutSaved(lines[2]), row(second, u"active"_qs,
                                        {{u"colour"_qs, u"Blue"_qs},
                                         {u"reading"_qs, u"1.5"_qs},
                                         {u"photo"_qs, u"photo-2.jpg"_qs}})
                                        .join(u','));
  EXPECT_EQ(withoutSaved(lines[3]),
            row(sent, u"sent"_qs, {{u"photo"_qs, u"../escape.txt"_qs}}).join(u','));
  EXPECT_TRUE(QDateTime::fromString(lines[1].split(u',')[2], Qt::ISODateWithMs).isValid());

  EXPECT_EQ(ReadFileBytes(files + u"/photo.jpg"_qs), "first image");
  EXPECT_EQ(ReadFileBytes(files + u"/photo-2.jpg"_qs), "second image");
  EXPECT_EQ(QDir(files).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
  // Nothing was written outside the folder.
  QDirIterator all(qlt::test::TestHome(), {u"escape*"_qs}, QDir::Files | QDir::Hidden,
                   QDirIterator::Subdirectories);
  EXPECT_FALSE(all.hasNext());
}

TEST_F(SessionsCommandTest, ExportNeverOverwritesFilesAlreadyInTheFolder) {
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_project));
  Store(db, 1, 0, {{"doc", FileBlob::Make(u"report.pdf"_qs, QByteArray("new"))}});
  db.Close();
  const QString files = m_dir + QStringLiteral("/files");
  QDir().mkpath(files);
  QFile existing(files + u"/report.pdf"_qs);
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.write("precious");
  existing.close();

  const Result result = RunQlt(
      {u"sessions"_qs, u"export"_qs, m_project, u"--format"_qs, u"csv"_qs, u"--files"_qs, files});
  EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
  EXPECT_EQ(ReadFileBytes(files + u"/report.pdf"_qs), "precious");
  EXPECT_EQ(ReadFileBytes(files + u"/report-2.pdf"_qs), "new");
  EXPECT_TRUE(result.out.contains(",report-2.pdf\r\n")) << result.out.toStdString();
}

TEST_F(SessionsCommandTest, JsonExportHoldsEveryFieldAsUtf8) {
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_project));
  const CSessionPtr session = Store(db, 5, 2,
                                    {{"name", CVariant::FromString(u"Zoë 😀"_qs)},
                                     {"ok", CVariant::FromBool(true)},
                                     {"blob", CVariant::FromBytes(QByteArray("\x01\x02", 2))}});
  ASSERT_TRUE(db.SetSessionFlags(session->Guid(), 2));
  db.Close();

  const Result result =
      RunQlt({u"sessions"_qs, u"export"_qs, m_project, u"--format"_qs, u"json"_qs});
  ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
  EXPECT_TRUE(result.out.contains("Zo\xC3\xAB \xF0\x9F\x98\x80"));
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
  ASSERT_EQ(document.array().size(), 1);
  const QJsonObject row = document.array()[0].toObject();
  EXPECT_EQ(row[u"guid"_qs].toString(), session->GuidText());
  EXPECT_EQ(row[u"created"_qs].toString(), u"2024-01-05T03:04:05.000"_qs);
  EXPECT_EQ(row[u"state"_qs].toString(), u"deleted"_qs);
  EXPECT_EQ(row[u"flags"_qs].toInt(), 2);
  EXPECT_EQ(row[u"unit"_qs].toString(), u"Unit 1"_qs);
  const QJsonObject values = row[u"values"_qs].toObject();
  EXPECT_EQ(values[u"name"_qs].toString(), u"Zoë 😀"_qs);
  EXPECT_EQ(values[u"ok"_qs].toString(), u"True"_qs);
  EXPECT_EQ(values[u"blob"_qs].toString(), u"(Binary)"_qs);
}

TEST_F(SessionsCommandTest, ExportShowsEveryValueTypeAsText) {
  CSafeArray grid(kVtI4, {{0, 2}, {1, 2}});
  struct Case {
    const char* name;
    CVariant value;
    QString text;
  };
  const Case cases[] = {
      {"null", CVariant::Null(), QString()},
      {"i2", CVariant::FromInt16(-12), u"-12"_qs},
      {"i4", CVariant::FromInt32(2000000000), u"2000000000"_qs},
      {"r4", CVariant::FromFloat(0.5f), u"0.5"_qs},
      {"r8", CVariant::FromDouble(-2.25), u"-2.25"_qs},
      {"cy", CVariant::FromCurrency(123450), u"12.345"_qs},
      {"bool", CVariant::FromBool(false), u"False"_qs},
      {"error", CVariant::FromError(10), QString()},
      {"i1", CVariant::FromInt8(-7), u"-7"_qs},
      {"ui1", CVariant::FromByte(250), u"250"_qs},
      {"i8", CVariant::FromInteger(kVtI8, 1LL << 40), u"1099511627776"_qs},
      {"text", CVariant::FromString(u"plain"_qs), u"plain"_qs},
      {"bytes", CVariant::FromBytes(QByteArray("\x01", 1)), u"(Binary)"_qs},
      {"grid", CVariant::FromArray(grid), u"(Binary)"_qs},
      {"file", FileBlob::Make(u"notes.txt"_qs, QByteArray("notes")), u"notes.txt"_qs},
  };
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_project));
  CSessionPtr session = CSession::Create(QString(), true);
  for (const Case& c : cases) session->SetValue(QString::fromLatin1(c.name), c.value);
  ASSERT_TRUE(db.SaveSession(*session));
  db.Close();

  const Result result =
      RunQlt({u"sessions"_qs, u"export"_qs, m_project, u"--format"_qs, u"json"_qs});
  ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
  const QJsonObject values =
      QJsonDocument::fromJson(result.out).array()[0].toObject()[u"values"_qs].toObject();
  for (const Case& c : cases) {
    EXPECT_EQ(values[QString::fromLatin1(c.name)].toString(), c.text) << c.name;
  }
}

TEST_F(SessionsCommandTest, ListShowsTheChosenState) {
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_project));
  const CSessionPtr active = Store(db, 1, 0, {{"a", CVariant::FromInt32(1)}});
  const CSessionPtr sent = Store(db, 2, 1, {{"a", CVariant::FromInt32(2)}});
  db.Close();

  Result result = RunQlt({u"sessions"_qs, u"list"_qs, m_project, u"--state"_qs, u"sent"_qs});
  ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
  QList<QByteArray> lines = result.out.split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], "guid\tstate\tflags\tcreated\tsaved\tunit");
  EXPECT_TRUE(lines[1].startsWith(sent->GuidText().toLatin1() + "\tsent\t0\t2024-01-02T03:04:05"));

  result = RunQlt({u"sessions"_qs, u"list"_qs, m_project});
  ASSERT_EQ(result.exitCode, 0);
  lines = result.out.split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_TRUE(lines[1].startsWith(active->GuidText().toLatin1()));
  EXPECT_TRUE(lines[2].startsWith(sent->GuidText().toLatin1()));
}

TEST_F(SessionsCommandTest, ProjectWithoutDatabaseListsNothingAndCreatesNothing) {
  const Result result = RunQlt({u"sessions"_qs, u"list"_qs, m_project});
  EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
  EXPECT_EQ(result.out, "guid\tstate\tflags\tcreated\tsaved\tunit\n");
  EXPECT_FALSE(QFile::exists(CSessionDatabase::DatabasePath(m_project)));
}

TEST_F(SessionsCommandTest, BadArgumentsAndUnreadableFilesFailClearly) {
  struct Case {
    QStringList arguments;
    int exitCode;
    const char* message;
  };
  const QString missing = m_dir + u"/missing.ppc"_qs;
  const Case cases[] = {
      {{}, 2, "usage: qlt"},
      {{u"frobnicate"_qs}, 2, "unknown command"},
      {{u"sessions"_qs}, 2, "missing subcommand"},
      {{u"sessions"_qs, u"drop"_qs, m_project}, 2, "unknown subcommand"},
      {{u"sessions"_qs, u"list"_qs}, 2, "missing project file"},
      {{u"sessions"_qs, u"list"_qs, m_project, u"--state"_qs, u"gone"_qs}, 2, "--state must be"},
      {{u"sessions"_qs, u"list"_qs, m_project, u"--state"_qs}, 2, "needs a value"},
      {{u"sessions"_qs, u"list"_qs, m_project, u"--format"_qs, u"csv"_qs}, 2, "unknown option"},
      {{u"sessions"_qs, u"export"_qs, m_project}, 2, "missing --format"},
      {{u"sessions"_qs, u"export"_qs, m_project, u"--format"_qs, u"xml"_qs}, 2, "--format must be"},
      {{u"sessions"_qs, u"list"_qs, m_project, m_project}, 2, "unexpected argument"},
      {{u"sessions"_qs, u"list"_qs, missing}, 1, "cannot read project file"},
      {{u"sessions"_qs, u"export"_qs, m_project, u"--format"_qs, u"csv"_qs, u"--out"_qs, m_project},
       2,
       "refusing to write"},
  };
  for (const Case& c : cases) {
    const Result result = RunQlt(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
    EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
  }
  EXPECT_EQ(ReadFileBytes(m_project), "project");
}

TEST_F(SessionsCommandTest, DamagedDatabaseIsReportedAndLeftAsItWas) {
  const QString path = CSessionDatabase::DatabasePath(m_project);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("garbage that is not a session database");
  file.close();
  const QByteArray before = ReadFileBytes(path);
  const QString out = m_dir + u"/out.json"_qs;
  const Result result = RunQlt(
      {u"sessions"_qs, u"export"_qs, m_project, u"--format"_qs, u"json"_qs, u"--out"_qs, out});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.err.contains("Database.UnrecognizedPPD")) << result.err.toStdString();
  EXPECT_TRUE(result.err.contains("cannot open session database"));
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
