// `qlt session fill`, run as the built tool against a project made here: values typed in JSON
// order, computed and logic points evaluated page by page, the printed JSON, saving and reopening
// a session, and the refusals.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include "points/edit_point.h"
#include "points/logic_point.h"
#include "points/math_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/session_files.h"
#include "support/tool_runner.h"

namespace {

using qlt::test::AddPoint;
using qlt::test::RunQlt;
using Result = qlt::test::ToolRun;

class SessionFillTest : public ::testing::Test {
 protected:
  // Page 1: Qty, Price and Total = Qty * Price; page 2: Big (Total > 100) opens Note, and an
  // unnamed edit point; Strict is strictly required when `strict` is set.
  void SetUp() override { Build(false); }

  void Build(bool strict) {
    m_dir = qlt::test::TestHome() + QStringLiteral("/data");
    m_path = m_dir + QStringLiteral("/Order.ppc");
    CProject project;
    CPage* first = project.AddPage();
    first->SetCaption(QStringLiteral("Order"));
    AddPoint<CEditPoint>(first, "Qty");
    AddPoint<CEditPoint>(first, "Price");
    auto* total = AddPoint<CMathPoint>(first, "Total");
    total->MutableSettings().expression = QStringLiteral("Qty * Price");
    total->MutableSettings().decimals = 2;
    CPage* second = project.AddPage();
    second->SetCaption(QStringLiteral("Notes"));
    auto* note = AddPoint<CEditPoint>(second, "Note");
    note->SetVisible(0);
    auto* big = AddPoint<CLogicPoint>(second, "Big");
    big->MutableSettings().firstName = QStringLiteral("Total");
    big->MutableSettings().firstComparison = 3;
    big->MutableSettings().firstValue = QStringLiteral("100");
    big->MutableSettings().targets = {static_cast<uint32_t>(note->UniqueNumber())};
    second->AddPoint(CEditPoint::kTypeCode);
    auto* strictPoint = AddPoint<CEditPoint>(second, "Strict");
    strictPoint->SetCaption(QStringLiteral("Signed by"));
    if (strict) strictPoint->SetRequiredMode(2);
    ASSERT_TRUE(qlt::test::WriteFileBytes(m_path, project.SaveToBytes()));
  }

  QString Database() const { return CSessionDatabase::DatabasePath(m_path); }

  static QString SavedGuid(const Result& result) {
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("saved session ([0-9A-F-]{36})"))
            .match(QString::fromUtf8(result.err));
    return match.hasMatch() ? match.captured(1) : QString();
  }

  QString m_dir;
  QString m_path;
};

TEST_F(SessionFillTest, PrintsEveryNamedPointAfterTheFormRan) {
  const Result result = RunQlt(
      {"session", "fill", m_path, "--values", R"({"Qty": "3", "Price": 40.5, "Strict": null})"});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  const QJsonObject values = result.Values();
  EXPECT_EQ(values.value("Qty").toString(), "3");
  EXPECT_EQ(values.value("Price").toString(), "40.5");
  EXPECT_EQ(values.value("Total").toString(), "121.50");
  EXPECT_EQ(values.value("Big").toString(), "True");
  EXPECT_EQ(values.value("Note").toString(), "");
  EXPECT_EQ(values.value("Strict").toString(), "");
  EXPECT_EQ(values.size(), 6);  // the unnamed point is left out
  // Page and point order.
  const QByteArray& out = result.out;
  EXPECT_LT(out.indexOf("\"Qty\""), out.indexOf("\"Price\""));
  EXPECT_LT(out.indexOf("\"Total\""), out.indexOf("\"Note\""));
  EXPECT_LT(out.indexOf("\"Big\""), out.indexOf("\"Strict\""));
  // Without --save nothing is stored, not even an empty database.
  EXPECT_FALSE(QFile::exists(Database()));
}

TEST_F(SessionFillTest, ValuesAreTypedInTheOrderWritten) {
  Result result = RunQlt({"session", "fill", m_path, "--values", R"({"qty": "1", "QTY": "2"})"});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  EXPECT_EQ(result.Values().value("Qty").toString(), "2");
  result = RunQlt({"session", "fill", m_path, "--values", R"({"QTY": "2", "qty": "1"})"});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  EXPECT_EQ(result.Values().value("Qty").toString(), "1");
}

TEST_F(SessionFillTest, ValuesFromAFile) {
  const QString json = m_dir + QStringLiteral("/values.json");
  QFile file(json);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(R"({"Qty": "2", "Price": "10"})");
  file.close();
  const Result result = RunQlt({"session", "fill", m_path, "--values", "@" + json});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  EXPECT_EQ(result.Values().value("Total").toString(), "20.00");
  EXPECT_EQ(result.Values().value("Big").toString(), "False");
}

TEST_F(SessionFillTest, SaveStoresAnActiveSessionThatCanBeFilledAgain) {
  Result result =
      RunQlt({"session", "fill", m_path, "--values", R"({"Qty": "3", "Price": "40.5"})", "--save"});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  const QString guid = SavedGuid(result);
  ASSERT_FALSE(guid.isEmpty()) << result.Err();
  {
    CSessionDatabase db;
    ASSERT_TRUE(db.OpenPath(m_path));
    const CSessionPtr stored = db.LoadSession(CSession::GuidFromText(guid), false);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->State(), CSession::kStateActive);
    EXPECT_EQ(stored->Flags(), 0u);
    EXPECT_EQ(stored->GetValueText("total"), "121.50");
    EXPECT_EQ(stored->GetValueText("qty"), "3");
    // A logic point's value is no result of the session.
    CVariant big;
    EXPECT_FALSE(stored->GetValue("big", big, CVariant()));
    db.Close();
  }

  // The stored session reopens with its values and takes a change.
  result = RunQlt({"session", "fill", m_path, "--session", guid});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  EXPECT_EQ(result.Values().value("Qty").toString(), "3");
  EXPECT_EQ(result.Values().value("Big").toString(), "True");
  result =
      RunQlt({"session", "fill", m_path, "--session", guid, "--values", R"({"Qty": 4})", "--save"});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  EXPECT_EQ(SavedGuid(result), guid);
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_path));
  ASSERT_TRUE(db.Refresh());
  EXPECT_EQ(db.StateCount(CSession::kStateActive), 1);
  EXPECT_EQ(db.LoadSession(CSession::GuidFromText(guid), false)->GetValueText("total"), "162.00");
}

TEST_F(SessionFillTest, SentSessionIsNeverChanged) {
  CSessionPtr sent = CSession::Create(QString(), true);
  sent->SetValueText("qty", "7");
  sent->SetState(CSession::kStateSent);
  {
    CSessionDatabase db;
    ASSERT_TRUE(db.OpenPath(m_path));
    ASSERT_TRUE(db.SaveSession(*sent));
  }
  Result result = RunQlt({"session", "fill", m_path, "--session", sent->GuidText()});
  ASSERT_EQ(result.exitCode, 0) << result.Err();
  EXPECT_EQ(result.Values().value("Qty").toString(), "7");
  result = RunQlt(
      {"session", "fill", m_path, "--session", sent->GuidText(), "--values", R"({"Qty": "8"})"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.err.contains("is sent")) << result.Err();
  result = RunQlt({"session", "fill", m_path, "--session", sent->GuidText(), "--save"});
  EXPECT_EQ(result.exitCode, 1);
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_path));
  const CSessionPtr stored = db.LoadSession(sent->Guid(), false);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->State(), CSession::kStateSent);
  EXPECT_EQ(stored->GetValueText("qty"), "7");
}

TEST_F(SessionFillTest, StrictlyRequiredPointStopsTheSave) {
  Build(true);
  Result result = RunQlt({"session", "fill", m_path});
  EXPECT_EQ(result.exitCode, 0) << result.Err();
  EXPECT_TRUE(result.err.contains("Strict")) << result.Err();
  result = RunQlt({"session", "fill", m_path, "--save"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.err.contains("not saved")) << result.Err();
  EXPECT_FALSE(result.Values().isEmpty());  // the values are still shown
  CSessionDatabase db;
  if (QFile::exists(Database())) {
    ASSERT_TRUE(db.OpenPath(m_path));
    ASSERT_TRUE(db.Refresh());
    EXPECT_EQ(db.StateCount(CSession::kStateActive), 0);
  }
  result = RunQlt({"session", "fill", m_path, "--values", R"({"Strict": "done"})", "--save"});
  EXPECT_EQ(result.exitCode, 0) << result.Err();
}

TEST_F(SessionFillTest, RefusalsReadAsTheClientShowsThem) {
  Build(true);
  // The texts come from the client's table: built in, overlaid by a Language.ini in its data
  // folder.
  const QString translation = qlt::test::TestHome() + u"/data/Brenmoor/QLT Client/Language.ini"_qs;
  const struct {
    QByteArray file;  // empty: no translation file
    QByteArray shown;
  } cases[] = {
      {"", "The 'Signed by' field is required.  Please fill it in before you continue."},
      {"[Point]\nRequired2=Champ '%s' obligatoire.\n", "Champ 'Signed by' obligatoire."},
  };
  for (const auto& c : cases) {
    if (!c.file.isEmpty()) {
      ASSERT_TRUE(QDir().mkpath(QFileInfo(translation).absolutePath()));
      QFile file(translation);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(c.file);
    }
    const Result result = RunQlt({"session", "fill", m_path, "--save"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(c.shown)) << result.Err();
    EXPECT_FALSE(result.err.contains("Point.Required")) << result.Err();
  }
}

TEST_F(SessionFillTest, BadInputIsRefusedBeforeAnythingIsStored) {
  struct Case {
    QStringList arguments;
    int exitCode;
    const char* message;
  };
  const Case cases[] = {
      {{"session", "fill", m_path, "--values", R"({"Qty": "1", "Nobody": "2"})", "--save"},
       2,
       "Nobody"},
      {{"session", "fill", m_path, "--values", R"({"Qty": )", "--save"}, 2, "not valid JSON"},
      {{"session", "fill", m_path, "--values", R"(["Qty"])"}, 2, "JSON object"},
      {{"session", "fill", m_path, "--values", R"({"Qty": true})"}, 2, "\"Qty\""},
      {{"session", "fill", m_path, "--values", R"({"Qty": {"a": 1}})"}, 2, "\"Qty\""},
      {{"session", "fill", m_path, "--session", "not-a-guid"}, 2, "GUID"},
      {{"session", "fill", m_path, "--colour"}, 2, "--colour"},
      {{"session", "fill", m_path, "--values"}, 2, "needs a value"},
      {{"session", "fill"}, 2, "missing project"},
      {{"session", "empty", m_path}, 2, "empty"},
      {{"session", "fill", m_dir + "/Missing.ppc"}, 1, "Missing.ppc"},
      {{"session", "fill", m_path, "--values", "@" + m_dir + "/none.json"}, 2, "none.json"},
      {{"session", "fill", m_path, "--session", "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}"},
       1,
       "no session"},
  };
  for (const Case& c : cases) {
    const Result result = RunQlt(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
    EXPECT_TRUE(result.err.contains(c.message)) << result.Err();
    EXPECT_TRUE(result.out.isEmpty()) << c.arguments.join(' ').toStdString();
  }
  CSessionDatabase db;
  if (QFile::exists(Database())) {
    ASSERT_TRUE(db.OpenPath(m_path));
    ASSERT_TRUE(db.Refresh());
    EXPECT_EQ(db.StateCount(CSession::kStateActive), 0);
  }
}

TEST_F(SessionFillTest, DamagedProjectFileIsRefused) {
  QFile file(m_path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write("definitely not a project");
  file.close();
  const Result result = RunQlt({"session", "fill", m_path});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.err.contains("not a readable project")) << result.Err();
  EXPECT_TRUE(result.out.isEmpty());
}

}  // namespace
