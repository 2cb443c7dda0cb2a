// The cross point end to end: a project built by the tool, sessions saved through the editing
// flow, the list dropped down in the page window without widgets, values copied from the session
// picked, and everything kept through Finish and reopening.
#include "points/cross_point.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "points/custom_point.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"
#include "values/safe_array.h"

namespace {

using namespace qlt::test;

constexpr const char* kForm = R"json({
  "title": "Site visits",
  "pages": [{"points": [
    {"type": "Edit", "name": "Site"},
    {"type": "Edit", "name": "Address"},
    {"type": "Edit", "name": "Notes"},
    {"type": "Custom", "name": "Previous", "caption": "Earlier visit",
     "settings": {"progId": "TWKF.Cross",
                  "bag": {"Display": "<%Site%>: <% Address %> (<%_DATE%> <%_TIME%>)",
                          "FilterPoint": "Site", "FilterValue": "<%Site%>",
                          "Points": "Address; Notes;Gone"}}}]}]
})json";

class CrossPoint : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_hosted.Ok()) << m_hosted.BuildError().toStdString(); }

  CBasePoint* Point(const char* name) {
    return m_hosted.Project().FindPointByName(QString::fromLatin1(name));
  }
  CPlainPageWindow& Window() { return m_hosted.Flow().PlainDisplay().Window(); }
  CPageWindow::Control Combo() {
    const QList<CPageWindow::Control> controls = Window().ControlsOf(Point("Previous"));
    return controls.isEmpty() ? 0 : controls.first();
  }
  // A session saved as the user saves one; its GUID.
  QUuid Save(const QString& site, const QString& address, const CVariant& notes = CVariant()) {
    EXPECT_TRUE(m_hosted.Start());
    const QUuid guid = m_hosted.Flow().Session()->Guid();
    Point("Site")->SetValue(site);
    Point("Address")->SetValue(address);
    EXPECT_EQ(m_hosted.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);
    if (!notes.IsEmpty()) {
      // A value of a type the point no longer takes, as an older form of the project stored it.
      CSessionPtr stored = m_hosted.Flow().Database()->LoadSession(guid, false);
      stored->SetValue(QStringLiteral("Notes"), notes);
      EXPECT_TRUE(m_hosted.Flow().Database()->SaveSession(*stored));
    }
    return guid;
  }
  // Drops the list down as the user does; its entries.
  QStringList DropDown() {
    Window().Notify(Combo(), kNotifyDropDown);
    const auto* state = Window().State(Combo());
    return state != nullptr ? state->items : QStringList();
  }
  void Choose(int index) {
    Window().SetCurrentIndex(Combo(), index);
    Window().Notify(Combo(), kNotifyCloseUp);
    Window().DeliverPosted();
  }

  CScopedServices m_services;
  CHostedProject m_hosted{QString::fromLatin1(kForm)};
};

TEST_F(CrossPoint, ListsTheOtherMatchingSessionsAndCopiesTheChosenOnesValues) {
  Save(QStringLiteral("North"), QStringLiteral("1 Quay Road"));
  Save(QStringLiteral("South"), QStringLiteral("9 Mill Lane"));
  const QUuid current = Save(QStringLiteral("North"), QString());

  ASSERT_TRUE(m_hosted.Start(current));
  ASSERT_NE(Combo(), 0);
  const QStringList entries = DropDown();
  // Only the other North visit: South does not match the filter, the session itself is left out.
  ASSERT_EQ(entries.size(), 1);
  EXPECT_TRUE(entries[0].startsWith(QStringLiteral("North: 1 Quay Road (")));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("\\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d\\)$"))
                  .match(entries[0])
                  .hasMatch())
      << entries[0].toStdString();
  Choose(0);
  EXPECT_EQ(Point("Address")->OutputText(), QStringLiteral("1 Quay Road"));

  ASSERT_EQ(m_hosted.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);
  ASSERT_TRUE(m_hosted.Reopen());
  ASSERT_TRUE(m_hosted.Start(current));
  EXPECT_EQ(Point("Address")->OutputText(), QStringLiteral("1 Quay Road"));
  // The properties survived the file too.
  auto* custom = m_hosted.Custom(QStringLiteral("Previous"));
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->Bag().GetText(QStringLiteral("Points")), QStringLiteral("Address; Notes;Gone"));
  m_hosted.Flow().Abandon();
  EXPECT_EQ(m_hosted.Root().LiveFacets(), 0);
}

TEST_F(CrossPoint, SaysWhenNothingMatchesOrTheQueryFails) {
  const QUuid only = Save(QStringLiteral("East"), QStringLiteral("2 Hill"));
  ASSERT_TRUE(m_hosted.Start(only));
  EXPECT_EQ(DropDown(), QStringList{QStringLiteral("(No matches)")});
  Choose(0);  // nothing to copy from
  EXPECT_EQ(Point("Address")->OutputText(), QStringLiteral("2 Hill"));

  ASSERT_TRUE(m_hosted.Flow().Database()->BeginTransaction());
  EXPECT_EQ(DropDown(), QStringList{QStringLiteral("(Error)")});
  m_hosted.Flow().Database()->EndTransaction(false);
  // Leaving the page empties and destroys the combo.
  m_hosted.Flow().Abandon();
  EXPECT_TRUE(Window().ControlsOf(Point("Previous")).isEmpty());
}

TEST_F(CrossPoint, ValuesOfAnotherTypeAreConvertedOrLeftOut) {
  CSafeArray bytes = CSafeArray::FromBytes(QByteArray("\x01\x02", 2));
  const struct {
    const char* site;
    CVariant stored;
    const char* copied;
  } cases[] = {
      {"West", CVariant::FromDouble(1.5), "1.5"},
      {"Wharf", CVariant::FromArray(bytes), "kept"},  // binary: the point keeps what it had
  };
  for (const auto& c : cases) {
    Save(QString::fromLatin1(c.site), QStringLiteral("3 Dock"), c.stored);
    ASSERT_TRUE(m_hosted.Start());
    Point("Site")->SetValue(QString::fromLatin1(c.site));
    Point("Notes")->SetValue(QStringLiteral("kept"));
    const QStringList entries = DropDown();
    ASSERT_FALSE(entries.isEmpty());
    Choose(0);
    EXPECT_EQ(Point("Notes")->OutputText(), QString::fromLatin1(c.copied));
    EXPECT_EQ(Point("Address")->OutputText(), QStringLiteral("3 Dock"));
    m_hosted.Flow().Abandon();
  }
}

}  // namespace
