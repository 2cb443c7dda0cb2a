// The ultradrop in the page display with real widgets: typing narrows the list, a pick from the
// dropped list stores the item's value and writes its column point, and the whole list returns;
// "SortItems" lists the items in reading order and "InsertBlankItem" lets a choice be taken back;
// with "MultiSelect" items are ticked in the list and the value holds every ticked one.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

#include "points/custom_point.h"
#include "project/page.h"
#include "support/hosted_project.h"
#include "support/page_view_fixture.h"
#include "ui/multi_combo_box.h"

namespace {

constexpr const char* kForm = R"({
  "title": "Ultra widgets",
  "createdTime": "2024-05-01T08:00:00Z",
  "pages": [{"uniqueNumber": 1001, "caption": "Follow-up",
    "points": [
      {"type": "Custom", "name": "Action", "caption": "Follow-up action", "settings": {
        "classId": "{6741DDA0-05C6-41BE-8451-67A7B447DFF6}", "userTypeName": "TWKF.UltraDrop",
        "bag": {"Column.Count": 3, "Column.1.Name": "Value", "Column.2.Name": "Display",
                "Column.3.Name": "Owner", "Column.3.Point": "Owner", "Items.Count": 3,
                "Items.1.1": "FIX", "Items.1.2": "Fix on site", "Items.1.3": "Manager",
                "Items.2.1": "STOP", "Items.2.2": "Stop work", "Items.2.3": "Safety officer",
                "Items.3.1": "NONE", "Items.3.2": "No action", "Items.3.3": "Inspector"}}},
      {"type": "Edit", "name": "Owner", "caption": "Owner"}]}]
})";

// Picks the row of the dropped list with the mouse.
void Pick(QComboBox* combo, int row) {
  combo->showPopup();
  QAbstractItemView* list = combo->view();
  ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->visualRect(list->model()->index(row, 0)).center());
  QCoreApplication::processEvents();
}

TEST(UltraDropWidget, TypingNarrowsTheListAndAPickStoresTheValue) {
  qlt::test::CScopedServices services(qlt::test::CScopedServices::Clock::kWall);
  qlt::test::CHostedProject project(QString::fromUtf8(kForm));
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CPageCtrl view;
  view.resize(360, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  CCustomPoint* action = project.Custom(QStringLiteral("Action"));
  view.SetPage(project.Project().Pages()[0].get(), false);
  QCoreApplication::processEvents();
  const QList<CPageWindow::Control> controls = view.ControlsOfPoint(action);
  ASSERT_EQ(controls.size(), 1);
  auto* combo = qobject_cast<QComboBox*>(view.ControlWidget(controls.first()));
  ASSERT_NE(combo, nullptr);
  ASSERT_NE(combo->lineEdit(), nullptr);
  EXPECT_TRUE(combo->isVisible());
  EXPECT_EQ(combo->count(), 3);

  QTest::keyClicks(combo->lineEdit(), QStringLiteral("wor"));
  EXPECT_EQ(combo->lineEdit()->text(), QStringLiteral("wor"));
  ASSERT_EQ(combo->count(), 1);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("Stop work"));

  Pick(combo, 0);
  EXPECT_EQ(action->OutputText(), QStringLiteral("STOP"));
  EXPECT_EQ(project.Project().FindPointByName(QStringLiteral("Owner"))->OutputText(),
            QStringLiteral("Safety officer"));
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentText(), QStringLiteral("Stop work"));
  project.Project().Pages()[0]->Leave(false, nullptr);
}

TEST(UltraDropWidget, SortedListWithABlankItemThatTakesTheChoiceBack) {
  qlt::test::CScopedServices services(qlt::test::CScopedServices::Clock::kWall);
  QString form = QString::fromUtf8(kForm);
  form.replace(u"\"Items.Count\": 3,"_qs,
               u"\"Items.Count\": 3, \"SortItems\": 1, \"InsertBlankItem\": 1,"_qs);
  qlt::test::CHostedProject project(form);
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CPageCtrl view;
  view.resize(360, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  CCustomPoint* action = project.Custom(QStringLiteral("Action"));
  view.SetPage(project.Project().Pages()[0].get(), false);
  QCoreApplication::processEvents();
  auto* combo = qobject_cast<QComboBox*>(view.ControlWidget(view.ControlsOfPoint(action).value(0)));
  ASSERT_NE(combo, nullptr);
  QStringList listed;
  for (int i = 0; i < combo->count(); ++i) listed.append(combo->itemText(i));
  EXPECT_EQ(listed, QStringList({u""_qs, u"Fix on site"_qs, u"No action"_qs, u"Stop work"_qs}));
  const CBasePoint* owner = project.Project().FindPointByName(QStringLiteral("Owner"));
  Pick(combo, 3);
  EXPECT_EQ(action->OutputText(), QStringLiteral("STOP"));
  EXPECT_EQ(owner->OutputText(), QStringLiteral("Safety officer"));
  Pick(combo, 0);
  EXPECT_EQ(action->OutputText(), QString());
  EXPECT_EQ(owner->OutputText(), QString());
  project.Project().Pages()[0]->Leave(false, nullptr);
}

TEST(UltraDropWidget, MultiSelectTicksItemsAndStoresEachWithItsColumnText) {
  qlt::test::CScopedServices services(qlt::test::CScopedServices::Clock::kWall);
  QString form = QString::fromUtf8(kForm);
  form.replace(u"\"Items.Count\": 3,"_qs, u"\"Items.Count\": 3, \"MultiSelect\": 1,"_qs);
  qlt::test::CHostedProject project(form);
  ASSERT_TRUE(project.Ok()) << project.BuildError().toStdString();
  ASSERT_TRUE(project.Start());
  CPageCtrl view;
  view.resize(360, 300);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  CCustomPoint* action = project.Custom(QStringLiteral("Action"));
  view.SetPage(project.Project().Pages()[0].get(), false);
  QCoreApplication::processEvents();
  auto* combo =
      dynamic_cast<CMultiComboBox*>(view.ControlWidget(view.ControlsOfPoint(action).value(0)));
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 3);
  combo->showPopup();
  QAbstractItemView* list = combo->view();
  ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
  for (int row : {2, 0}) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualRect(list->model()->index(row, 0)).center());
  }
  combo->hidePopup();
  QCoreApplication::processEvents();
  EXPECT_EQ(action->OutputText(), QStringLiteral("FIX; NONE; "));
  const CBasePoint* owner = project.Project().FindPointByName(QStringLiteral("Owner"));
  EXPECT_EQ(owner->OutputText(), QStringLiteral("Manager; Inspector; "));
  EXPECT_EQ(combo->CheckedTexts(), QStringList({u"Fix on site"_qs, u"No action"_qs}));

  // A value set from outside ticks its items.
  action->SetValue(QStringLiteral("STOP; "));
  QCoreApplication::processEvents();
  EXPECT_EQ(combo->CheckedTexts(), QStringList({u"Stop work"_qs}));
  EXPECT_EQ(owner->OutputText(), QStringLiteral("Safety officer; "));
  project.Project().Pages()[0]->Leave(false, nullptr);
}

}  // namespace
