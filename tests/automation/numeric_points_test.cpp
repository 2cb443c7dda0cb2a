// The numpad, slider, incrementor and formatter points end to end: built from a project form,
// opened with their controls made by the hosting, driven through their page's controls, taps
// and the keypad, and their values and properties kept through Finish and reopening.
#include <gtest/gtest.h>

#include <QMap>

#include "app/services.h"
#include "editing/editing_flow.h"
#include "platform/settings_store.h"
#include "points/custom_point.h"
#include "points/formatter_fill.h"
#include "points/incrementor_point.h"
#include "points/numpad_point.h"
#include "points/slider_point.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "sessions/session.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::CHostedProject;

QString Custom(const char* name, const char* classId, const char* bag, const char* extra = "") {
  return QStringLiteral(R"({"type": "Custom", "name": "%1", "caption": "%1", %4
    "settings": {"classId": "%2", "bag": %3}})")
      .arg(QString::fromLatin1(name), QString::fromLatin1(classId), QString::fromUtf8(bag),
           QString::fromUtf8(extra));
}

QString Form(const QStringList& points) {
  return QStringLiteral(R"({"title": "Numbers", "createdTime": "2024-05-01T08:00:00Z",
    "pages": [{"uniqueNumber": 1001, "caption": "Count", "points": [%1]}]})")
      .arg(points.join(QLatin1Char(',')));
}

// The point's property map as "name=text" lines, in name order.
QString BagText(const CCustomPoint& point) {
  QMap<QString, QString> lines;
  point.Bag().ForEach([&](const QString& key, const CVariant& value) {
    QString text;
    value.ToText(text);
    lines.insert(key.toLower(), text);
  });
  QStringList all;
  for (auto it = lines.cbegin(); it != lines.cend(); ++it) all.append(it.key() + "=" + *it);
  return all.join(QLatin1Char(';'));
}

// The keypad as a test plays it: each answer is tried in turn as if OK were pressed, the
// refused ones recorded, until one is taken.
class CScriptedKeypad : public CDialogService {
 public:
  explicit CScriptedKeypad(QStringList answers) : m_answers(std::move(answers)) {}
  bool EnterNumber(NumberRequest& request) override {
    starts.append(request.text);
    decimalKeys.append(request.decimalKey);
    while (!m_answers.isEmpty()) {
      const QString text = m_answers.takeFirst();
      const QString refusal = request.refusal ? request.refusal(text) : QString();
      if (refusal.isEmpty()) {
        request.text = text;
        return true;
      }
      refusals.append(refusal);
    }
    return false;
  }
  QStringList starts;
  QStringList decimalKeys;
  QStringList refusals;

 private:
  QStringList m_answers;
};

class NumericPoints : public ::testing::Test {
 protected:
  CPlainPageWindow& Window(CHostedProject& project) {
    return project.Flow().PlainDisplay().Window();
  }
  CPageWindow::Control Control(CHostedProject& project, CCustomPoint* point) {
    const QList<CPageWindow::Control> controls = Window(project).ControlsOf(point);
    return controls.isEmpty() ? 0 : controls.first();
  }
  // Finishes the session and opens it again in the reopened project.
  void FinishAndReopen(CHostedProject& project) {
    const QUuid guid = project.Flow().Session()->Guid();
    ASSERT_EQ(project.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);
    ASSERT_TRUE(project.Reopen());
    ASSERT_TRUE(project.Start(guid));
  }

  qlt::test::CScopedServices m_services;
};

TEST_F(NumericPoints, PropertyBagsKeepTheirValuesAndGainTheirDefaults) {
  struct Case {
    const char* classId;
    const char* bag;
    const char* saved;
  };
  const Case cases[] = {
      {CNumpadPoint::kClassId, "{}", "decimal=Auto;maxlength=0;range=0;rangemax=;rangemin=;size=0"},
      {CNumpadPoint::kClassId,
       R"({"Size": 5, "Decimal": ",", "Range": 1, "RangeMin": "1,5", "RangeMax": "3",
           "MaxLength": 7})",
       "decimal=,;maxlength=7;range=1;rangemax=3;rangemin=1,5;size=5"},
      {CSliderPoint::kClassId, "{}", "inline=0;rangemax=10;rangemin=0;ticks=1"},
      {CSliderPoint::kClassId, R"({"RangeMin": -5, "RangeMax": 5, "Ticks": 3, "Inline": 1})",
       "inline=1;rangemax=5;rangemin=-5;ticks=3"},
      {CIncrementorPoint::kClassId, "{}",
       "format=%value%;increment=1;initial=1;manual=0;readonly=1;size=5;unique=Unnamed"},
      {CIncrementorPoint::kClassId,
       R"({"Unique": "Visit", "Initial": 100, "Increment": 5, "Format": "V-%value%",
           "Size": 0, "ReadOnly": 0, "Manual": 1})",
       "format=V-%value%;increment=5;initial=100;manual=1;readonly=0;size=0;unique=Visit"},
      {"{BF1519FA-332E-4E3A-B6C1-6412F559D1CA}", R"({"Format": "Total: <%Sum (6.2)%>"})",
       "format=Total: <%Sum (6.2)%>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bag);
    CHostedProject project(Form({Custom("P", c.classId, c.bag)}));
    ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
    ASSERT_EQ(project.ControlsLeft(), 0);
    project.Project().SaveToBytes();
    EXPECT_EQ(BagText(*project.Custom("P")), QString::fromUtf8(c.saved));
    // Saved into the file and loaded by a fresh control, the properties come back the same.
    ASSERT_TRUE(project.Project().Save());
    ASSERT_TRUE(project.Reopen());
    project.Project().SaveToBytes();
    EXPECT_EQ(BagText(*project.Custom("P")), QString::fromUtf8(c.saved));
  }
}

TEST_F(NumericPoints, NumpadRangeRefusesLeavingThePageAndTheKeypadStaysOpenUntilInRange) {
  auto* keypad = new CScriptedKeypad({QStringLiteral("4"), QStringLiteral("2,75")});
  m_services.Services().SetDialogService(std::unique_ptr<CDialogService>(keypad));
  CHostedProject project(Form(
      {Custom(
           "Depth", CNumpadPoint::kClassId,
           R"({"Decimal": ",", "Range": 1, "RangeMin": "1,5", "RangeMax": "3", "MaxLength": 6})"),
       Custom("Open", CNumpadPoint::kClassId,
              R"({"Range": 1, "RangeMin": "1", "RangeMax": ""})")}));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CCustomPoint* depth = project.Custom("Depth");
  project.Custom("Open")->SetValue(QStringLiteral("99999"));  // no upper bound: any number

  depth->SetValue(QStringLiteral("2,5"));
  EXPECT_TRUE(project.Flow().VerifyShownPage());
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
  depth->SetValue(QStringLiteral("4"));
  EXPECT_EQ(Window(project).State(Control(project, depth))->text, "4");
  CBasePoint* failing = nullptr;
  EXPECT_FALSE(project.Flow().VerifyShownPage(&failing));
  EXPECT_EQ(failing, depth);
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages()[0].text,
            QStringLiteral("The value of \"Depth\" is out of range."));

  depth->SetItemRect(QRect(0, 0, 300, 40));
  depth->OnTap(10, 10);
  EXPECT_EQ(keypad->starts, QStringList{"4"});
  EXPECT_EQ(keypad->decimalKeys, QStringList{","});
  EXPECT_EQ(keypad->refusals,
            QStringList{"The value is out of range.\r\n\r\nMinimum: 1,5\r\nMaximum: 3"});
  EXPECT_EQ(depth->OutputText(), "2,75");
  EXPECT_EQ(Window(project).State(Control(project, depth))->text, "2,75");

  // Typing into the box stores every change.
  const CPageWindow::Control box = Control(project, depth);
  EXPECT_EQ(Window(project).State(box)->textLimit, 6);
  Window(project).SetControlText(box, QStringLiteral("1,75"));
  Window(project).Notify(box, kNotifyChange);
  EXPECT_EQ(depth->OutputText(), "1,75");
  FinishAndReopen(project);
  EXPECT_EQ(project.Custom("Depth")->OutputText(), "1,75");
  EXPECT_EQ(project.Custom("Open")->OutputText(), "99999");
}

TEST_F(NumericPoints, SliderShowsTheValueAndStoresWhereItIsMoved) {
  CHostedProject project(
      Form({Custom("Risk", CSliderPoint::kClassId, R"({"RangeMin": 0, "RangeMax": 10, "Ticks": 2})",
                   R"("default": "7",)")}));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CCustomPoint* risk = project.Custom("Risk");
  const CPageWindow::Control bar = Control(project, risk);
  ASSERT_NE(bar, 0);
  const CPlainPageWindow::ControlState* state = Window(project).State(bar);
  EXPECT_EQ(state->kind, ControlKind::kTrackBar);
  EXPECT_EQ(state->styles & (kCsTicksAbove | kCsTicksBelow), kCsTicksAbove);
  EXPECT_EQ(state->minimum, 0);
  EXPECT_EQ(state->maximum, 10);
  EXPECT_EQ(state->position, 7);
  Window(project).SetControlPosition(bar, 3);
  Window(project).Notify(bar, kNotifyPositionChange);
  EXPECT_EQ(risk->OutputText(), "3");
  risk->SetValue(QStringLiteral("9"));
  EXPECT_EQ(state->position, 9);
  risk->SetValue(QStringLiteral("2"));
  FinishAndReopen(project);
  EXPECT_EQ(project.Custom("Risk")->OutputText(), "2");
  EXPECT_EQ(Window(project).State(Control(project, project.Custom("Risk")))->position, 2);
}

TEST_F(NumericPoints, IncrementorHandsOutTheSequenceAndRestartsItAfterATypedNumber) {
  uint32_t ticks = 10000;
  m_services.Services().SetTickCounter([&ticks] { return ticks; });
  CHostedProject project(
      Form({Custom("Visit", CIncrementorPoint::kClassId,
                   R"({"Unique": "Visit", "Initial": 100, "Increment": 5,
                  "Format": "V-%value%-%unitid%", "ReadOnly": 0})"),
            Custom("Later", CIncrementorPoint::kClassId, R"({"Unique": "Visit", "Manual": 1})"),
            Custom("Broken", CIncrementorPoint::kClassId, R"({"Format": "no number"})")}));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CCustomPoint* visit = project.Custom("Visit");
  // Shown empty, it draws at once; "Manual" waits for a tap.
  EXPECT_EQ(visit->OutputText(), "V-100-Local");
  EXPECT_EQ(project.Custom("Later")->OutputText(), "");
  EXPECT_EQ(project.Custom("Broken")->OutputText(), "Error");

  visit->SetItemRect(QRect(0, 100, 300, 40));
  visit->OnTap(20, 120);  // the caption: no number
  EXPECT_EQ(visit->OutputText(), "V-100-Local");
  visit->OnTap(295, 120);  // the icon column
  EXPECT_EQ(visit->OutputText(), "V-105-Local");

  const CPageWindow::Control box = Control(project, visit);
  CPlainPageWindow& window = Window(project);
  window.Notify(box, kNotifySetFocus);
  window.SetControlText(box, QStringLiteral("V-200-Local"));
  window.Notify(box, kNotifyKillFocus);
  EXPECT_EQ(visit->OutputText(), "V-200-Local");
  // Taps right after the edit are part of it.
  ticks += 100;
  visit->OnTap(295, 120);
  ticks += 100;
  visit->OnTap(295, 120);
  EXPECT_EQ(visit->OutputText(), "V-200-Local");
  ticks += 100;
  visit->OnTap(295, 120);
  EXPECT_EQ(visit->OutputText(), "V-205-Local");
  // What is no number is undone; passing through the box hands out nothing.
  window.Notify(box, kNotifySetFocus);
  window.SetControlText(box, QStringLiteral("V-abc-Local"));
  window.Notify(box, kNotifyKillFocus);
  EXPECT_EQ(window.State(box)->text, "V-205-Local");
  ticks += 1000;
  project.Custom("Later")->SetItemRect(QRect(0, 200, 300, 40));
  project.Custom("Later")->OnTap(295, 220);
  EXPECT_EQ(project.Custom("Later")->OutputText(), "210");  // the same sequence
  window.Notify(box, kNotifySetFocus);
  window.Notify(box, kNotifyKillFocus);
  // A session that may not change draws nothing, even when shown empty.
  project.Project().SetReadOnly(true);
  visit->SetValue(QString());
  visit->Show(&window);
  visit->OnTap(295, 120);
  EXPECT_EQ(visit->OutputText(), "");
  project.Project().SetReadOnly(false);
  visit->SetValue(QStringLiteral("V-205-Local"));
  FinishAndReopen(project);
  EXPECT_EQ(project.Custom("Visit")->OutputText(), "V-205-Local");  // kept, not drawn again
  CSettingsStore settings(CSettingsStore::DefaultFilePath());
  // "Later" steps by its own increment, 1.
  EXPECT_EQ(settings.ReadInt(QStringLiteral("Incrementor"), QStringLiteral("Visit.Next"), 0), 211);
}

TEST_F(NumericPoints, FormatterFillsFromOtherPointsAndFollowsTheirChanges) {
  const char* format = R"({"Format": "Total: <%Sum (6.2)%>|<%Name(8)%>|<%Nobody%>|<%Ghost(3)%>"})";
  CHostedProject project(Form(
      {R"({"type": "Edit", "name": "Sum", "default": "3.14159"})",
       R"({"type": "Edit", "name": "Name", "default": "Ann"})",
       R"({"type": "Edit", "name": "Echo"})",
       Custom("Summary", "{BF1519FA-332E-4E3A-B6C1-6412F559D1CA}", format),
       Custom("Loop", "{BF1519FA-332E-4E3A-B6C1-6412F559D1CA}", R"({"Format": "<%Echo%>"})")}));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CCustomPoint* summary = project.Custom("Summary");
  EXPECT_EQ(summary->OutputText(), "Total: 003.14|     Ann|Nobody|(Ghost: not found)");
  project.Project().FindPointByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Bo"));
  EXPECT_EQ(summary->OutputText(), "Total: 003.14|      Bo|Nobody|(Ghost: not found)");
  // A value holding its own field expands a bounded number of times.
  project.Project().FindPointByName(QStringLiteral("Echo"))->SetValue(QStringLiteral("x<%Echo%>"));
  const QString loop = project.Custom("Loop")->OutputText();
  EXPECT_TRUE(loop.startsWith(QStringLiteral("xxxxxxxx")));
  EXPECT_LE(loop.size(), CFormatterFill::kMaxSubstitutions + 20);
  FinishAndReopen(project);
  EXPECT_EQ(project.Custom("Summary")->OutputText(),
            "Total: 003.14|      Bo|Nobody|(Ghost: not found)");
}

}  // namespace
