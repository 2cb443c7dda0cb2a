// The choice points without widgets: the shared rules (item splitting, multiple-choice texts,
// column formats, boolean taps, the list grid, remembered entries in the profile), and the boolean,
// drop and list points against a plain page window.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>

#include "app/message_service.h"
#include "app/services.h"
#include "platform/settings_store.h"
#include "points/boolean_point.h"
#include "points/choice_logic.h"
#include "points/drop_point.h"
#include "points/list_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/scoped_services.h"

namespace {

using Logic = CChoiceLogic;

TEST(ChoiceLogic, SplitsItemsAndJoinsChoicesInItemOrder) {
  EXPECT_EQ(Logic::SplitItem(QStringLiteral("01;Apple"), true).value, QStringLiteral("01"));
  EXPECT_EQ(Logic::SplitItem(QStringLiteral("01;Apple"), true).display, QStringLiteral("Apple"));
  EXPECT_EQ(Logic::SplitItem(QStringLiteral("01;Apple"), false).value, QStringLiteral("01;Apple"));
  EXPECT_EQ(Logic::SplitItem(QStringLiteral("Plain"), true).display, QStringLiteral("Plain"));

  const QList<Logic::Item> items =
      Logic::SplitItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("AB")}, false);
  EXPECT_EQ(Logic::JoinChosen(items, {true, true, false}), QStringLiteral("A; B; "));
  EXPECT_EQ(Logic::JoinChosen(items, {false, false, false}), QString());
  // Chosen only at the start or after a space: "AB; " does not choose "B".
  EXPECT_EQ(Logic::ChosenIn(items, QStringLiteral("AB; ")), QList<bool>({false, false, true}));
  EXPECT_EQ(Logic::ChosenIn(items, QStringLiteral("B; A; ")), QList<bool>({true, true, false}));
  EXPECT_EQ(Logic::FindValue(items, QStringLiteral("ab")), 2);
  EXPECT_EQ(Logic::FindValue(items, QStringLiteral("C")), -1);
}

TEST(ChoiceLogic, ColumnFormats) {
  bool numeric = false;
  int length = 0;
  Logic::SingleColumnFormat({QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("99")},
                            numeric, length);
  EXPECT_TRUE(numeric);
  EXPECT_EQ(length, 2);
  Logic::SingleColumnFormat({QStringLiteral("1"), QStringLiteral("Yes")}, numeric, length);
  EXPECT_FALSE(numeric);
  EXPECT_EQ(length, 3);
  Logic::MultipleColumnFormat({QStringLiteral("1"), QStringLiteral("22")}, numeric, length);
  EXPECT_FALSE(numeric);
  EXPECT_EQ(length, 7);
}

TEST(ChoiceLogic, BooleanTapsToggleClearOrPassOn) {
  const QList<Logic::Button> buttons = Logic::BooleanButtons(
      1, QStringLiteral("True"), QStringLiteral("False"), QStringLiteral("NA"));
  const QRect item(0, 0, 300, 60);  // buttons at x 228..299, row 12..47, centre 30
  struct Case {
    int x, y;
    QString stored;
    Logic::TapResult result;
    QString value;
  } cases[] = {
      {100, 30, QString(), Logic::TapResult::kPassOn, QString()},
      {240, 30, QStringLiteral("True"), Logic::TapResult::kSet, QString()},
      {240, 30, QString(), Logic::TapResult::kSet, QStringLiteral("True")},
      {280, 30, QStringLiteral("True"), Logic::TapResult::kSet, QStringLiteral("False")},
      {280, 50, QStringLiteral("True"), Logic::TapResult::kClear, QString()},
      {280, 11, QStringLiteral("False"), Logic::TapResult::kSet, QString()},
      {280, 10, QStringLiteral("True"), Logic::TapResult::kClear, QString()},
  };
  for (const Case& c : cases) {
    QString value = QStringLiteral("unchanged");
    EXPECT_EQ(Logic::BooleanTap(item, buttons, c.x, c.y, 1, c.stored, value), c.result)
        << c.x << "," << c.y;
    if (c.result != Logic::TapResult::kPassOn) {
      EXPECT_EQ(value, c.value) << c.x << "," << c.y;
    }
  }
  EXPECT_EQ(Logic::BooleanButtons(3, {}, QStringLiteral("F"), {}).first().text,
            QStringLiteral("F"));
  EXPECT_EQ(Logic::BooleanButtons(7, QStringLiteral("T"), {}, {}).size(), 1);
}

TEST(ChoiceLogic, GridColumnsAndSelection) {
  EXPECT_EQ(Logic::GridColumns(300, 60, 10, 1), 3);  // 300 / 92
  EXPECT_EQ(Logic::GridColumns(300, 60, 2, 1), 2);
  EXPECT_EQ(Logic::GridColumns(50, 60, 5, 1), 1);
  EXPECT_EQ(Logic::GridColumns(300, 60, 10, 2), 2);  // 300 / 124
  EXPECT_EQ(Logic::GridRows(7, 3), 3);
  EXPECT_EQ(Logic::GridRows(0, 3), 0);

  const QList<Logic::Item> items = Logic::SplitItems({"A", "B", "C"}, false);
  QList<bool> selected{true, false, false};
  Logic::ToggleSelection(selected, 2, true);
  EXPECT_EQ(selected, QList<bool>({false, false, true}));
  EXPECT_EQ(Logic::SelectionText(items, selected, true), QStringLiteral("C"));
  Logic::ToggleSelection(selected, 0, false);
  EXPECT_EQ(Logic::SelectionText(items, selected, false), QStringLiteral("A; C; "));
  Logic::ToggleSelection(selected, 9, false);  // out of range: nothing
  EXPECT_EQ(selected, QList<bool>({true, false, true}));
}

TEST(ChoiceLogic, RememberedEntriesRoundTripAndDamagedCountsAreBounded) {
  qlt::test::CScopedServices services;
  CSettingsStore store(QDir::temp().filePath(QStringLiteral("choice_memory_test.conf")));
  QFile::remove(store.FilePath());
  EXPECT_TRUE(CDropMemory::Save(store, 7, QStringLiteral("Fruit"),
                                {QStringLiteral("Kiwi"), QStringLiteral("Lime")}));
  EXPECT_EQ(store.ReadString(QStringLiteral("DropList"), QStringLiteral("7.Fruit.002")),
            QStringLiteral("Lime"));
  EXPECT_EQ(store.ReadInt(QStringLiteral("DropList"), QStringLiteral("7.Fruit.Count"), 0), 2);
  EXPECT_EQ(CDropMemory::Load(store, 7, QStringLiteral("Fruit")),
            QStringList({QStringLiteral("Kiwi"), QStringLiteral("Lime")}));
  EXPECT_TRUE(CDropMemory::Load(store, 8, QStringLiteral("Fruit")).isEmpty());
  store.WriteInt(QStringLiteral("DropList"), QStringLiteral("7.Fruit.Count"), 2000000000);
  EXPECT_EQ(CDropMemory::Load(store, 7, QStringLiteral("Fruit")).size(), 2);
  QFile::remove(store.FilePath());
}

// ---- the points against a plain page window

class ChoicePointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_page = m_project.AddPage();
    m_project.SetSessionGuid(QStringLiteral("0C1D2E3F-4A5B-6C7D-8E9F-A0B1C2D3E4F5"));
  }
  template <class T>
  T* Add(const typename T::Settings& settings, const QString& name) {
    auto* point = static_cast<T*>(m_page->AddPoint(T::kTypeCode));
    point->SetSettings(settings);
    point->SetName(name);
    point->SetCaption(name);
    return point;
  }
  void ShowAndPaint(CBasePoint* point, const QRect& rect) {
    m_page->Activate(&m_window);
    QImage image(400, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    point->GetHeight(&painter, rect.width());
    point->SetItemRect(rect);
    point->Paint(&painter);
  }
  const CPlainPageWindow::ControlState& Combo(CDropPoint* point) {
    return *m_window.State(point->Combo());
  }

  qlt::test::CScopedServices m_services;
  CProject m_project;
  CPage* m_page = nullptr;
  CPlainPageWindow m_window;
};

TEST_F(ChoicePointTest, BooleanButtonsToggleAndLegacyDigitsAreNumeric) {
  CBooleanPoint* point = Add<CBooleanPoint>({}, QStringLiteral("Done"));
  const QRect rect(0, 0, 300, 60);
  ShowAndPaint(point, rect);
  point->AssignValue(CVariant::FromString(QStringLiteral("True")));
  point->OnTap(240, 30);
  EXPECT_EQ(point->OutputText(), QString());
  point->OnTap(280, 30);
  EXPECT_EQ(point->OutputText(), QStringLiteral("False"));
  point->OnTap(280, 55);
  EXPECT_EQ(point->OutputText(), QString());

  bool numeric = false;
  int length = 0;
  ASSERT_TRUE(point->GetColumnFormat(numeric, length));
  EXPECT_FALSE(numeric);
  EXPECT_EQ(length, 5);
  CBooleanPoint::Settings digits;
  CBooleanPoint::ApplyLegacyStyle(5, digits);
  point->SetSettings(digits);
  ASSERT_TRUE(point->GetColumnFormat(numeric, length));
  EXPECT_TRUE(numeric);
  EXPECT_EQ(length, 2);
  // Three buttons now, true, false and NA from the left: the rightmost is the NA text.
  point->OnTap(290, 30);
  EXPECT_EQ(point->OutputText(), QStringLiteral("99"));
}

TEST_F(ChoicePointTest, MultiSelectDropStoresEachValueWithSeparatorInItemOrder) {
  CDropPoint::Settings settings;
  settings.items = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
  settings.multiSelect = 1;
  CDropPoint* point = Add<CDropPoint>(settings, QStringLiteral("Letters"));
  ShowAndPaint(point, QRect(0, 0, 300, 60));
  ASSERT_NE(point->Combo(), 0);
  EXPECT_EQ(Combo(point).kind, ControlKind::kMultiComboBox);
  EXPECT_EQ(Combo(point).items.size(), 3);
  m_window.SetItemSelected(point->Combo(), 1, true);
  m_window.SetItemSelected(point->Combo(), 0, true);
  m_window.Notify(point->Combo(), kNotifySelectionChange);
  EXPECT_EQ(point->OutputText(), QString());  // only closing the list stores
  m_window.Notify(point->Combo(), kNotifyCloseUp);
  EXPECT_EQ(point->OutputText(), QStringLiteral("A; B; "));
  point->SetValue(QStringLiteral("C; xA; "));
  EXPECT_EQ(point->OutputText(), QStringLiteral("C; "));
  EXPECT_FALSE(m_window.IsItemSelected(point->Combo(), 0));
  EXPECT_TRUE(m_window.IsItemSelected(point->Combo(), 2));
  bool numeric = true;
  int length = 0;
  ASSERT_TRUE(point->GetColumnFormat(numeric, length));
  EXPECT_FALSE(numeric);
  EXPECT_EQ(length, 9);
}

TEST_F(ChoicePointTest, SingleDropSplitsItemsMatchesWithoutCaseAndIgnoresOthers) {
  CDropPoint::Settings settings;
  settings.items = {QStringLiteral("01;Apple"), QStringLiteral("02;Pear")};
  settings.split = 1;
  CDropPoint* point = Add<CDropPoint>(settings, QStringLiteral("Fruit"));
  point->AssignValue(CVariant::FromString(QStringLiteral("02")));
  ShowAndPaint(point, QRect(0, 0, 300, 60));
  EXPECT_EQ(Combo(point).items, QStringList({QStringLiteral("Apple"), QStringLiteral("Pear")}));
  EXPECT_EQ(Combo(point).current, 1);
  EXPECT_TRUE(Combo(point).styles & kCsDropDownList);
  m_window.SetCurrentIndex(point->Combo(), 0);
  m_window.Notify(point->Combo(), kNotifySelectionChange);
  EXPECT_EQ(point->OutputText(), QStringLiteral("01"));
  point->SetValue(QStringLiteral("Banana"));
  EXPECT_EQ(point->OutputText(), QStringLiteral("01"));

  CDropPoint::Settings plain;
  plain.items = {QStringLiteral("Apple"), QStringLiteral("Pear")};
  point->SetSettings(plain);
  point->SetValue(QStringLiteral("pear"));
  EXPECT_EQ(point->OutputText(), QStringLiteral("Pear"));
  EXPECT_EQ(Combo(point).current, 1);
  point->SetValue(QStringLiteral("Plum"));
  EXPECT_EQ(point->OutputText(), QStringLiteral("Pear"));
  bool numeric = true;
  int length = 0;
  ASSERT_TRUE(point->GetColumnFormat(numeric, length));
  EXPECT_FALSE(numeric);
  EXPECT_EQ(length, 5);
}

TEST_F(ChoicePointTest, EditableDropRemembersTypedTextsAndRemovesAPickedEntryOnYes) {
  CDropPoint::Settings settings;
  settings.items = {QStringLiteral("Sunny")};
  settings.editable = 1;
  settings.remember = 1;
  CDropPoint* point = Add<CDropPoint>(settings, QStringLiteral("Weather"));
  ShowAndPaint(point, QRect(0, 0, 300, 60));
  m_window.SetControlText(point->Combo(), QStringLiteral("Foggy"));
  m_window.Notify(point->Combo(), kNotifyEditChange);
  EXPECT_EQ(point->OutputText(), QStringLiteral("Foggy"));
  bool numeric = false;
  int length = 0;
  EXPECT_FALSE(point->GetColumnFormat(numeric, length));
  ASSERT_TRUE(m_page->Leave(false));

  // The next showing offers the remembered text after the items.
  point->AssignValue(CVariant());
  ShowAndPaint(point, QRect(0, 0, 300, 60));
  ASSERT_EQ(Combo(point).items, QStringList({QStringLiteral("Sunny"), QStringLiteral("Foggy")}));
  uint32_t ticks = 5000;
  m_services.Services().SetTickCounter([&ticks] { return ticks; });
  m_window.SetCurrentIndex(point->Combo(), 1);
  m_window.Notify(point->Combo(), kNotifySelectionChange);
  ticks += 200;
  m_window.Notify(point->Combo(), kNotifyCloseUp);  // the same pick closing: no question
  EXPECT_EQ(point->OutputText(), QStringLiteral("Foggy"));
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());

  ticks += 1000;
  m_services.Messages().QueueAnswer(kIdNo);
  m_window.Notify(point->Combo(), kNotifyCloseUp);
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_TRUE(m_services.Messages().Messages()[0].text.contains(QStringLiteral("'Foggy'")));
  EXPECT_TRUE(m_services.Messages().Messages()[0].style & kMbDefButton2);
  EXPECT_EQ(point->OutputText(), QStringLiteral("Foggy"));

  ticks += 1000;
  m_services.Messages().QueueAnswer(kIdYes);
  m_window.Notify(point->Combo(), kNotifyCloseUp);
  EXPECT_EQ(point->OutputText(), QString());
  EXPECT_EQ(Combo(point).items, QStringList({QStringLiteral("Sunny")}));
  ASSERT_TRUE(m_page->Leave(false));
  ShowAndPaint(point, QRect(0, 0, 300, 60));
  EXPECT_EQ(Combo(point).items.size(), 1);
}

TEST_F(ChoicePointTest, EditableSplitDropStoresThePickedValueAndTypedTextAsItIs) {
  CDropPoint::Settings settings;
  settings.items = {QStringLiteral("01;Apple"), QStringLiteral("02;Pear")};
  settings.split = 1;
  settings.editable = 1;
  CDropPoint* point = Add<CDropPoint>(settings, QStringLiteral("Fruit"));
  ShowAndPaint(point, QRect(0, 0, 300, 60));
  // A pick shows the display text in the edit field, and the field reports the change too.
  m_window.SetCurrentIndex(point->Combo(), 1);
  m_window.SetControlText(point->Combo(), QStringLiteral("Pear"));
  m_window.Notify(point->Combo(), kNotifyEditChange);
  m_window.Notify(point->Combo(), kNotifySelectionChange);
  EXPECT_EQ(point->OutputText(), QStringLiteral("02"));
  m_window.Notify(point->Combo(), kNotifyEditChange);
  EXPECT_EQ(point->OutputText(), QStringLiteral("02"));
  m_window.SetControlText(point->Combo(), QStringLiteral("Pears"));
  m_window.Notify(point->Combo(), kNotifyEditChange);
  EXPECT_EQ(point->OutputText(), QStringLiteral("Pears"));
}

TEST_F(ChoicePointTest, ListGridTapsSelectAndStore) {
  CListPoint::Settings settings;
  settings.items = {QStringLiteral("1;One"), QStringLiteral("2;Two"), QStringLiteral("3;Three")};
  settings.split = 1;
  CListPoint* point = Add<CListPoint>(settings, QStringLiteral("Count"));
  point->AssignValue(CVariant::FromString(QStringLiteral("2")));
  ShowAndPaint(point, QRect(0, 0, 300, 200));
  EXPECT_EQ(point->Selected(), QList<bool>({false, true, false}));
  ASSERT_GE(point->Columns(), 1);
  EXPECT_EQ(point->Rows(), (3 + point->Columns() - 1) / point->Columns());
  point->OnTap(point->ItemButton(0).center().x(), point->ItemButton(0).center().y());
  EXPECT_EQ(point->OutputText(), QStringLiteral("1"));
  EXPECT_EQ(point->Selected(), QList<bool>({true, false, false}));
  point->OnTap(point->ItemButton(0).center().x(), point->ItemButton(0).center().y());
  EXPECT_EQ(point->OutputText(), QString());

  CListPoint::Settings multi = settings;
  multi.singleSelect = 0;
  point->SetSettings(multi);
  point->SetValue(QStringLiteral("3; 1; "));
  EXPECT_EQ(point->Selected(), QList<bool>({true, false, true}));
  point->OnTap(point->ItemButton(1).center().x(), point->ItemButton(1).center().y());
  EXPECT_EQ(point->OutputText(), QStringLiteral("1; 2; 3; "));
  bool numeric = true;
  int length = 0;
  ASSERT_TRUE(point->GetColumnFormat(numeric, length));
  EXPECT_FALSE(numeric);
  EXPECT_EQ(length, 9);
}

TEST_F(ChoicePointTest, ReadOnlySessionsIgnoreTapsAndDisableTheCombo) {
  m_project.SetReadOnly(true);
  CBooleanPoint* done = Add<CBooleanPoint>({}, QStringLiteral("Done"));
  CListPoint::Settings listSettings;
  listSettings.items = {QStringLiteral("A")};
  CListPoint* list = Add<CListPoint>(listSettings, QStringLiteral("Pick"));
  CDropPoint::Settings dropSettings;
  dropSettings.items = {QStringLiteral("A")};
  CDropPoint* drop = Add<CDropPoint>(dropSettings, QStringLiteral("Drop"));
  ShowAndPaint(done, QRect(0, 0, 300, 60));
  ShowAndPaint(list, QRect(0, 60, 300, 100));
  ShowAndPaint(drop, QRect(0, 160, 300, 60));
  done->OnTap(240, 30);
  list->OnTap(list->ItemButton(0).center().x(), list->ItemButton(0).center().y());
  EXPECT_EQ(done->OutputText(), QString());
  EXPECT_EQ(list->OutputText(), QString());
  EXPECT_FALSE(Combo(drop).enabled);
}

TEST_F(ChoicePointTest, ARefusedRequiredDropFocusesItsComboAndKeepsIt) {
  CDropPoint::Settings settings;
  settings.items = {QStringLiteral("A")};
  CDropPoint* drop = Add<CDropPoint>(settings, QStringLiteral("Drop"));
  drop->SetRequiredMode(2);
  ShowAndPaint(drop, QRect(0, 0, 300, 60));
  EXPECT_FALSE(drop->Hide(true));
  ASSERT_NE(drop->Combo(), 0);
  EXPECT_EQ(m_window.FocusedControl(), drop->Combo());
  EXPECT_TRUE(drop->Hide(false));
  EXPECT_EQ(drop->Combo(), 0);
}

}  // namespace
