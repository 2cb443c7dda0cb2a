// Command links read without acting: the JSON reader (against the JSON test suite and the link
// forms), the prefix and quotes, the command search order, the query parameters and the names
// and GUIDs a link may carry.
#include "editing/command_link.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "editing/json_value.h"
#include "support/harness.h"

namespace {

using Command = CCommandLink::Command;

// Whether a valid document of the suite needs what the reader does not read: "null", an
// exponent, or a \u or \/ escape.
bool NeedsUnsupported(const QString& text) {
  static const QRegularExpression kEscape(QStringLiteral(R"(\\\\|\\([u/]))"));
  for (auto it = kEscape.globalMatch(text); it.hasNext();) {
    if (!it.next().captured(1).isEmpty()) return true;
  }
  QString outside = text;
  outside.replace(QRegularExpression(QStringLiteral(R"("(\\.|[^"\\])*")")), QStringLiteral("\"\""));
  return outside.contains(QLatin1String("null")) ||
         outside.contains(QRegularExpression(QStringLiteral("[0-9][eE]")));
}

TEST(JsonValue, ReadsTheSuitesSupportedValidFilesAndRejectsEveryInvalidOne) {
  const QDir folder(qlt::test::ThirdPartyData(QStringLiteral("json/test_parsing")));
  const QStringList files = folder.entryList({QStringLiteral("*.json")}, QDir::Files);
  ASSERT_EQ(files.size(), 214);
  int accepted = 0;
  for (const QString& name : files) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    const QByteArray bytes = file.readAll();
    // Every file, in both forms, reads or fails without a crash or a hang.
    const bool strict = CJsonValue::ParseDocument(bytes).has_value();
    CJsonValue::Parse(QString::fromUtf8(bytes));
    if (name.startsWith(u'y')) {
      if (NeedsUnsupported(QString::fromUtf8(bytes))) {
        EXPECT_FALSE(strict) << name.toStdString();
      } else {
        EXPECT_TRUE(strict) << name.toStdString();
        ++accepted;
      }
    } else if (name.startsWith(u'n')) {
      EXPECT_FALSE(strict) << name.toStdString();
    }
  }
  EXPECT_EQ(accepted, 34);
}

TEST(JsonValue, ReadsTheLinkFormsAsWritten) {
  const auto root = CJsonValue::Parse(
      QStringLiteral(" {\"Name\": \"J\\u\", \"a\":1}"));  // an unknown escape fails the whole text
  EXPECT_FALSE(root);

  const auto object = CJsonValue::Parse(QStringLiteral(
      "\t{\"Name\":\"J\\\"r\\\\g\\ten\",\"n\": -01.50, \"b\":true,\"f\":false,\"arr\":[1,],"
      "\"o\":{}} trailing text is not examined"));
  ASSERT_TRUE(object);
  ASSERT_TRUE(object->IsObject());
  ASSERT_EQ(object->Children().size(), 6u);
  const auto& members = object->Children();
  EXPECT_EQ(members[0].Name(), QStringLiteral("Name"));
  EXPECT_EQ(members[0].Text(), QStringLiteral("J\"r\\g\ten"));
  EXPECT_TRUE(members[0].IsString());
  EXPECT_EQ(members[1].Text(), QStringLiteral("-01.50"));  // the number as written
  EXPECT_FALSE(members[1].IsString());
  EXPECT_EQ(members[2].Text(), QStringLiteral("true"));
  EXPECT_EQ(members[3].Text(), QStringLiteral("false"));
  EXPECT_TRUE(members[4].IsArray());
  EXPECT_TRUE(members[4].Text().isEmpty());
  EXPECT_TRUE(members[5].IsObject());

  // What the link form refuses.
  for (const char* text :
       {"", "null", "[null]", "[1e5]", "[1 2]", "{\"a\" 1}", "{\"a\":}", "[\"x", "[--1]", "[1..2]",
        "[+]", "[.]", "{1:2}", "[,1]", "[1,,2]", "[", "tru", "[\"\\/\"]", "'a'"}) {
    EXPECT_FALSE(CJsonValue::Parse(QString::fromUtf8(text))) << text;
  }
  // Deep nesting fails instead of exhausting the stack.
  EXPECT_FALSE(CJsonValue::Parse(QString(100000, u'[')));
  EXPECT_TRUE(CJsonValue::Parse(QString(CJsonValue::kMaxDepth, u'[') +
                                QString(CJsonValue::kMaxDepth, u']')));
  EXPECT_FALSE(CJsonValue::Parse(QString(CJsonValue::kMaxDepth + 1, u'[') +
                                 QString(CJsonValue::kMaxDepth + 1, u']')));
}

TEST(CommandLink, PrefixQuotesAndCommandSearchOrder) {
  struct Case {
    const char* line;
    bool link;
    Command command;
  };
  const Case cases[] = {
      {"qlt://new/session", true, Command::kNewSession},
      {"\"qlt://new/session?project=a.ppc\"", true, Command::kNewSession},
      {"qlt://NEW/SESSION", true, Command::kNewSession},
      {"QLT://new/session", false, Command::kNone},
      {"Qlt://new/session", false, Command::kNone},
      {"qlt:/", false, Command::kNone},
      {"qlt:", false, Command::kNone},
      {"\"", false, Command::kNone},
      {"\"\"", false, Command::kNone},
      {"\"qlt://new/session", false, Command::kNone},
      {" qlt://new/session", false, Command::kNone},
      {"http://new/session", false, Command::kNone},
      {"qlt://", true, Command::kNone},
      {"qlt://open/sessions", true, Command::kOpenSession},
      {"qlt://x/configure/delete/project", true, Command::kConfigure},
      {"qlt://delete/project/delete/session", true, Command::kDeleteProject},
      {"qlt://delete/sessions", true, Command::kDeleteSession},
      {"qlt://send/sessions", true, Command::kSendSessions},
      {"qlt://send/session", true, Command::kNone},
      {"qlt://?new/session", true, Command::kNewSession},  // "?" first: all of it is the command
      {"qlt://open?new/session", true, Command::kNone},
      {"qlt://unknown", true, Command::kNone},
  };
  for (const Case& c : cases) {
    const auto link = CCommandLink::Read(QString::fromUtf8(c.line));
    EXPECT_EQ(link.has_value(), c.link) << c.line;
    if (link) {
      EXPECT_EQ(link->GetCommand(), c.command) << c.line;
    }
  }
}

TEST(CommandLink, ParametersFirstMatchExactNamePercentDecoded) {
  const auto link = CCommandLink::Read(QStringLiteral(
      "qlt://new/session?flag&Project=upper.ppc&project=Site%20Inspection.ppc&project=second.ppc"
      "&values=%7B%22Name%22%3A%22J%C3%BCrgen%22%7D&page=%&end=a%4&odd=%zz%41%e2%82%ac+x&eq=a=b"));
  ASSERT_TRUE(link);
  EXPECT_EQ(link->Param(QStringLiteral("project")), QStringLiteral("Site Inspection.ppc"));
  EXPECT_EQ(link->Param(QStringLiteral("Project")), QStringLiteral("upper.ppc"));
  EXPECT_EQ(link->Param(QStringLiteral("values")), QStringLiteral("{\"Name\":\"Jürgen\"}"));
  EXPECT_EQ(link->Param(QStringLiteral("page")), QStringLiteral("%"));
  EXPECT_EQ(link->Param(QStringLiteral("end")), QStringLiteral("a%4"));
  EXPECT_EQ(link->Param(QStringLiteral("odd")), QStringLiteral("%zzA€+x"));
  EXPECT_EQ(link->Param(QStringLiteral("eq")), QStringLiteral("a=b"));
  EXPECT_TRUE(link->Param(QStringLiteral("flag")).isEmpty());
  EXPECT_TRUE(link->Param(QStringLiteral("missing")).isEmpty());
  // A broken UTF-8 run is read with replacement characters; it never escapes as bytes.
  EXPECT_EQ(CCommandLink::PercentDecode(QStringLiteral("%C3x")), QString(QChar(0xFFFD)) + u'x');
  EXPECT_EQ(CCommandLink::PercentDecode(QStringLiteral("a%00b")), QString::fromUtf16(u"a\0b", 3));
}

TEST(CommandLink, GuidsProjectNamesAndTheirLists) {
  const QString guid = QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E");
  EXPECT_EQ(CCommandLink::ReadGuid(guid), QUuid::fromString(guid));
  EXPECT_EQ(CCommandLink::ReadGuid(guid.toLower()), QUuid::fromString(guid));
  for (const QString& bad :
       {QLatin1Char('{') + guid + QLatin1Char('}'), guid.left(35), guid + u' ',
        QString(guid).replace(8, 1, u'x'), QString(guid).remove(u'-'), QString()}) {
    EXPECT_TRUE(CCommandLink::ReadGuid(bad).isNull()) << bad.toStdString();
  }
  const QString other = QStringLiteral("7C9E6679-7425-40DE-944B-E07FC1F90AE7");
  EXPECT_EQ(CCommandLink::ReadGuids(guid, true).size(), 1);
  EXPECT_TRUE(CCommandLink::ReadGuids(guid, false).isEmpty());
  EXPECT_EQ(
      CCommandLink::ReadGuids(u"[\"%1\", 5, \"{%1}\", \"%2\", \"%1\"]"_qs.arg(guid, other), false),
      (QList<QUuid>{QUuid::fromString(guid), QUuid::fromString(other)}));
  EXPECT_TRUE(CCommandLink::ReadGuids(u"[\"%1\""_qs.arg(guid), true).isEmpty());
  EXPECT_EQ(CCommandLink::ReadStrings(QStringLiteral("[\"a.ppc\", 1, \"b.ppc\"]")),
            (QStringList{QStringLiteral("a.ppc"), QStringLiteral("b.ppc")}));

  for (const char* name : {"Site Inspection.ppc", "a.PPC", "x-y.ppc"}) {
    EXPECT_TRUE(CCommandLink::IsSafeProjectName(QString::fromUtf8(name))) << name;
  }
  for (const char* name :
       {"", ".ppc", "../a.ppc", "..\\a.ppc", "/etc/a.ppc", "a/b.ppc", "a\\b.ppc", "..ppc", "a..ppc",
        "-rf.ppc", ".hidden.ppc", "a.ppd", "a.txt", "a", "a.ppc\n", "a\tb.ppc", "a.ppc.sh"}) {
    EXPECT_FALSE(CCommandLink::IsSafeProjectName(QString::fromUtf8(name))) << name;
  }
  EXPECT_FALSE(CCommandLink::IsSafeProjectName(QString::fromUtf16(u"a\0.ppc", 6)));
  EXPECT_FALSE(CCommandLink::IsSafeProjectName(QString(300, u'a') + u".ppc"_qs));
}

}  // namespace
