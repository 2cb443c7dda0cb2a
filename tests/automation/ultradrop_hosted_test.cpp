// The ultradrop end to end: a project built by the tool and opened with its controls, the table
// from the bag, a shared table and a data file, filtered by another point, typed into and chosen
// from in a page window, kept through Finish and reopening.
#include <gtest/gtest.h>

#include <QFile>

#include "automation/hosted_control.h"
#include "points/custom_point.h"
#include "points/ultradrop_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/harness.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"

namespace {

// "Action" lists the stored table (the older one-property-per-cell form) filtered by "Region",
// writes its owner into "Owner"; "Tags" chooses several from Action's table; "City" reads a
// data file beside the project; "Broken" names a file that is not there.
constexpr const char* kForm = R"json({
  "title": "Ultra check",
  "createdTime": "2024-05-01T08:00:00Z",
  "pages": [{"uniqueNumber": 1001, "caption": "Follow-up",
    "points": [
      {"type": "Edit", "name": "Region", "caption": "Region"},
      {"type": "Edit", "name": "Owner", "caption": "Owner"},
      {"type": "Custom", "name": "Action", "caption": "Action", "settings": {
        "classId": "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}", "userTypeName": "TWKF.UltraDrop",
        "bag": {"Format.Display": "<% Display %> (<% Owner %>)", "Filter.Point": "Region",
                "Filter.Column": "Region", "Filter.Condition": 2, "Column.Count": 4,
                "Column.1.Name": "Value", "Column.2.Name": "Display", "Column.3.Name": "Owner",
                "Column.3.Point": "Owner", "Column.4.Name": "Region", "Items.Count": 3,
                "Items.1.1": "FIX", "Items.1.2": "Fix today", "Items.1.3": "Manager",
                "Items.1.4": "North",
                "Items.2.1": "STOP", "Items.2.2": "Stop work", "Items.2.3": "Safety\nofficer",
                "Items.2.4": "North-east",
                "Items.3.1": "NONE", "Items.3.2": "No action", "Items.3.3": "Inspector",
                "Items.3.4": "South"}}},
      {"type": "Custom", "name": "Tags", "caption": "Tags", "settings": {
        "classId": "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}", "userTypeName": "TWKF.UltraDrop",
        "bag": {"Share.Point": "Action", "MultiSelect": 1, "Column.Count": 2,
                "Column.1.Name": "Value", "Column.2.Name": "Display"}}},
      {"type": "Custom", "name": "City", "caption": "City", "settings": {
        "classId": "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}", "userTypeName": "TWKF.UltraDrop",
        "bag": {"Dynamic.LocalPath": "cities.csv", "Format.Display": "<% name %> (<% country %>)",
                "Format.Output": "<% geonameid %>", "Column.Count": 4, "Column.1.Name": "name",
                "Column.2.Name": "country", "Column.3.Name": "subcountry",
                "Column.4.Name": "geonameid"}}},
      {"type": "Custom", "name": "Broken", "caption": "Broken", "settings": {
        "classId": "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}", "userTypeName": "TWKF.UltraDrop",
        "bag": {"Dynamic.LocalPath": "missing.csv"}}}]}]
})json";

class UltraDropHosted : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QFile::copy(
        QStringLiteral(QLT_TEST_DATA_DIR "/thirdparty/delimited/world-cities.PL-CZ-IS-NO-DK.csv"),
        qlt::test::TestHome() + QStringLiteral("/cities.csv")));
  }
  static CUltraDropPoint* Ultra(qlt::test::CHostedProject& project, const char* name) {
    CCustomPoint* point = project.Custom(QString::fromLatin1(name));
    auto* hosted = point ? dynamic_cast<CHostedControl*>(point->Control()) : nullptr;
    return hosted ? dynamic_cast<CUltraDropPoint*>(hosted->Object()) : nullptr;
  }
  static QString Value(qlt::test::CHostedProject& project, const char* name) {
    return project.Project().FindPointByName(QString::fromLatin1(name))->OutputText();
  }
  static QStringList Items(CPlainPageWindow& window, CPageWindow::Control combo) {
    QStringList items;
    for (int i = 0; i < window.ItemCount(combo); ++i) items.append(window.ItemText(combo, i));
    return items;
  }
  qlt::test::CScopedServices m_services;
};

TEST_F(UltraDropHosted, FiltersChoosesWritesColumnPointsAndKeepsThemThroughReopening) {
  qlt::test::CHostedProject project(QString::fromUtf8(kForm));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  EXPECT_EQ(project.ControlsLeft(), 0);
  ASSERT_TRUE(project.Start());
  const QUuid guid = project.Flow().Session()->Guid();
  CUltraDropPoint* action = Ultra(project, "Action");
  ASSERT_NE(action, nullptr);
  // The missing data file is said by its path.
  ASSERT_FALSE(m_services.Messages().Messages().isEmpty());
  for (const auto& shown : m_services.Messages().Messages()) {
    EXPECT_TRUE(shown.text.startsWith(QStringLiteral("Unable to import dynamic data file")))
        << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains(QStringLiteral("missing.csv")));
  }

  CPage* page = project.Project().Pages()[0].get();
  CPlainPageWindow window;
  page->Activate(&window);
  const auto combo = window.ControlsOf(project.Custom(QStringLiteral("Action"))).value(0);
  ASSERT_NE(combo, 0);
  // An empty filter value with Filter.All 0 shows no items; the region narrows the list.
  EXPECT_TRUE(Items(window, combo).isEmpty());
  project.Project().FindPointByName(QStringLiteral("Region"))->SetValue(QStringLiteral("north"));
  EXPECT_EQ(Items(window, combo),
            QStringList({"Fix today (Manager)", "Stop work (Safety\nofficer)"}));

  // Typing narrows, choosing stores the value and writes the owner.
  window.SetControlText(combo, QStringLiteral("stop"));
  window.Notify(combo, kNotifyEditChange);
  ASSERT_EQ(Items(window, combo), QStringList({"Stop work (Safety\nofficer)"}));
  window.SetCurrentIndex(combo, 0);
  window.Notify(combo, kNotifySelectionChange);
  EXPECT_EQ(Value(project, "Action"), QStringLiteral("STOP"));
  EXPECT_EQ(Value(project, "Owner"), QStringLiteral("Safety\r\nofficer"));
  window.DeliverPosted();
  EXPECT_EQ(Items(window, combo).size(), 2);

  // The shared table, several chosen; and the data file beside the project.
  project.Custom(QStringLiteral("Tags"))->SetValue(QStringLiteral("NONE; FIX; junk; "));
  EXPECT_EQ(Value(project, "Tags"), QStringLiteral("FIX; NONE; "));
  CUltraDropPoint* city = Ultra(project, "City");
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(city->Table().items.size(), 600);
  project.Custom(QStringLiteral("City"))->SetValue(QStringLiteral("3094802"));
  EXPECT_EQ(Value(project, "City"), QStringLiteral("3094802"));
  // A value no item has stays as it was given.
  project.Custom(QStringLiteral("Broken"))->SetValue(QStringLiteral("kept"));
  EXPECT_EQ(Value(project, "Broken"), QStringLiteral("kept"));

  page->Leave(false, nullptr);
  ASSERT_EQ(project.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);
  ASSERT_TRUE(project.Reopen());
  ASSERT_TRUE(project.Start(guid));
  EXPECT_EQ(Value(project, "Action"), QStringLiteral("STOP"));
  EXPECT_EQ(Value(project, "Owner"), QStringLiteral("Safety\r\nofficer"));
  EXPECT_EQ(Value(project, "Tags"), QStringLiteral("FIX; NONE; "));
  EXPECT_EQ(Value(project, "City"), QStringLiteral("3094802"));

  // Written in the chunk form (a table from a data file is not written: it is read again where
  // it comes from), and read back alike.
  project.Project().SaveToBytes();
  CCustomPoint* actionPoint = project.Custom(QStringLiteral("Action"));
  EXPECT_NE(actionPoint->Bag().Find(QStringLiteral("Chunk.1")), nullptr);
  EXPECT_EQ(project.Custom(QStringLiteral("City"))->Bag().Find(QStringLiteral("Chunks.Count")),
            nullptr);
  actionPoint->MutableBag().Remove(QStringLiteral("Items.2.2"));
  auto* hosted = dynamic_cast<CHostedControl*>(actionPoint->Control());
  ASSERT_NE(hosted, nullptr);
  hosted->LoadProperties();
  action = Ultra(project, "Action");
  action->Init();
  ASSERT_EQ(action->Table().items.size(), 3);
  EXPECT_EQ(action->Table().items[1].cells,
            QStringList({"STOP", "Stop work", "Safety\nofficer", "North-east"}));
}

}  // namespace
