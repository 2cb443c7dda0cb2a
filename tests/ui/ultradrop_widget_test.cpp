// The ultradrop in the page display with real widgets: typing narrows the list, a pick from the
// dropped list stores the item's value and writes its column point, and the whole list returns;
// "SortItems" lists the items in reading order and "InsertBlankItem" lets a choice be taken back;
// with "MultiSelect" items are ticked in the list and the value holds every ticked one.
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <memory>

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

// The form's ultradrop, with `extra` bag entries ("\"Name\": value, ..."), on a shown page.
class UltraDropWidget : public ::testing::Test {
 protected:
  // Builds and shows the page; the combo of the point as `Combo` (null when it is not one).
  template <class Combo>
  Combo* Show(const QString& extra = QString()) {
    QString form = QString::fromUtf8(kForm);
    form.replace(u"\"Items.Count\": 3,"_qs, u"\"Items.Count\": 3, "_qs + extra);
    m_project = std::make_unique<qlt::test::CHostedProject>(form);
    if (!m_project->Ok() || !m_project->Start()) return nullptr;
    m_view.resize(360, 300);
    m_view.show();
    if (!QTest::qWaitForWindowExposed(&m_view)) return nullptr;
    m_action = m_project->Custom(QStringLiteral("Action"));
    m_view.SetPage(m_project->Project().Pages()[0].get(), false);
    QCoreApplication::processEvents();
    const QList<CPageWindow::Control> controls = m_view.ControlsOfPoint(m_action);
    return controls.size() == 1 ? dynamic_cast<Combo*>(m_view.ControlWidget(controls.first()))
                                : nullptr;
  }
  QString Owner() const {
    return m_project->Project().FindPointByName(QStringLiteral("Owner"))->OutputText();
  }
  // Clicks the rows of the dropped list with the mouse.
  static void Click(QComboBox* combo, std::initializer_list<int> rows) {
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
    for (int row : rows) {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                        list->visualRect(list->model()->index(row, 0)).center());
    }
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    if (m_project && m_project->Ok()) m_project->Project().Pages()[0]->Leave(false, nullptr);
  }

  qlt::test::CScopedServices m_services{qlt::test::CScopedServices::Clock::kWall};
  std::unique_ptr<qlt::test::CHostedProject> m_project;
  CPageCtrl m_view;
  CCustomPoint* m_action = nullptr;
};

TEST_F(UltraDropWidget, TypingNarrowsTheListAndAPickStoresTheValue) {
  auto* combo = Show<QComboBox>();
  ASSERT_NE(combo, nullptr);
  ASSERT_NE(combo->lineEdit(), nullptr);
  EXPECT_TRUE(combo->isVisible());
  EXPECT_EQ(combo->count(), 3);

  QTest::keyClicks(combo->lineEdit(), QStringLiteral("wor"));
  EXPECT_EQ(combo->lineEdit()->text(), QStringLiteral("wor"));
  ASSERT_EQ(combo->count(), 1);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("Stop work"));

  Click(combo, {0});
  EXPECT_EQ(m_action->OutputText(), QStringLiteral("STOP"));
  EXPECT_EQ(Owner(), QStringLiteral("Safety officer"));
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentText(), QStringLiteral("Stop work"));
}

TEST_F(UltraDropWidget, SortedListWithABlankItemThatTakesTheChoiceBack) {
  auto* combo = Show<QComboBox>(u"\"SortItems\": 1, \"InsertBlankItem\": 1,"_qs);
  ASSERT_NE(combo, nullptr);
  QStringList listed;
  for (int i = 0; i < combo->count(); ++i) listed.append(combo->itemText(i));
  EXPECT_EQ(listed, QStringList({u""_qs, u"Fix on site"_qs, u"No action"_qs, u"Stop work"_qs}));
  Click(combo, {3});
  EXPECT_EQ(m_action->OutputText(), QStringLiteral("STOP"));
  EXPECT_EQ(Owner(), QStringLiteral("Safety officer"));
  Click(combo, {0});
  EXPECT_EQ(m_action->OutputText(), QString());
  EXPECT_EQ(Owner(), QString());
}

TEST_F(UltraDropWidget, MultiSelectTicksItemsAndStoresEachWithItsColumnText) {
  auto* combo = Show<CMultiComboBox>(u"\"MultiSelect\": 1,"_qs);
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->count(), 3);
  Click(combo, {2, 0});
  combo->hidePopup();
  QCoreApplication::processEvents();
  EXPECT_EQ(m_action->OutputText(), QStringLiteral("FIX; NONE; "));
  EXPECT_EQ(Owner(), QStringLiteral("Manager; Inspector; "));
  EXPECT_EQ(combo->CheckedTexts(), QStringList({u"Fix on site"_qs, u"No action"_qs}));

  // A value set from outside ticks its items.
  m_action->SetValue(QStringLiteral("STOP; "));
  QCoreApplication::processEvents();
  EXPECT_EQ(combo->CheckedTexts(), QStringList({u"Stop work"_qs}));
  EXPECT_EQ(Owner(), QStringLiteral("Safety officer; "));
}

}  // namespace
