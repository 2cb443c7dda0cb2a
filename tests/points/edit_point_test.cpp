// The edit point against a page window without widgets: the box it asks for, what it writes into
// the box and takes back from it, verification of numeric values, the read-only property, the
// arrows and the content query.
#include "points/edit_point.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "app/message_service.h"
#include "points/edit_point_logic.h"
#include "project/display_scale.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/scoped_services.h"

namespace {

class EditPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_page = m_project.AddPage();
    m_project.SetSessionGuid(QStringLiteral("0C1D2E3F-4A5B-6C7D-8E9F-A0B1C2D3E4F5"));
  }

  CEditPoint* Add(const CEditPoint::Settings& settings = {}) {
    auto* point = static_cast<CEditPoint*>(m_page->AddPoint(CEditPoint::kTypeCode));
    point->SetSettings(settings);
    point->SetCaption(QStringLiteral("Amount"));
    return point;
  }
  // Shows the page and lays the point out at a rectangle, painting it once.
  void ShowAndPaint(CEditPoint* point, const QRect& rect = QRect(5, 50, 300, 60)) {
    m_page->Activate(&m_window);
    point->SetItemRect(rect);
    QImage image(400, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    point->Paint(&painter);
  }
  const CPlainPageWindow::ControlState* Box(CEditPoint* point) {
    const QList<CPageWindow::Control> controls = m_window.ControlsOf(point);
    return controls.isEmpty() ? nullptr : m_window.State(controls.first());
  }
  CPageWindow::Control BoxHandle(CEditPoint* point) {
    const QList<CPageWindow::Control> controls = m_window.ControlsOf(point);
    return controls.isEmpty() ? 0 : controls.first();
  }

  qlt::test::CScopedServices m_services;
  CScriptedMessageService* m_messages = &m_services.Messages();
  CProject m_project;
  CPage* m_page = nullptr;
  CPlainPageWindow m_window;
};

TEST_F(EditPointTest, BoxStylesFollowTheShapeOfTheField) {
  CEditPoint::Settings single;
  CEditPoint::Settings multi;
  multi.lines = 3;
  CEditPoint::Settings numericMulti = multi;
  numericMulti.numeric = 1;
  CEditPoint::Settings password;
  password.password = 1;
  password.lines = -2;
  CEditPoint* a = Add(single);
  CEditPoint* b = Add(multi);
  CEditPoint* c = Add(numericMulti);
  CEditPoint* d = Add(password);
  m_page->Activate(&m_window);
  const unsigned base = kCsVisible | kCsBorder | kCsTabStop;
  ASSERT_NE(Box(a), nullptr);
  EXPECT_EQ(Box(a)->styles, base | kCsAutoHScroll);
  EXPECT_EQ(Box(b)->styles, base | kCsMultiLine | kCsVScroll | kCsAutoVScroll | kCsWantReturn);
  EXPECT_EQ(Box(c)->styles, base | kCsAutoHScroll);
  EXPECT_EQ(Box(d)->styles, base | kCsAutoHScroll | kCsPassword);
  EXPECT_EQ(Box(b)->id, 1002);
  EXPECT_EQ(Box(b)->kind, ControlKind::kEdit);
  // Leaving without verification takes the boxes away.
  m_page->Leave(false);
  EXPECT_EQ(Box(a), nullptr);
  EXPECT_EQ(Box(d), nullptr);
}

TEST_F(EditPointTest, BoxStartsWithTheValueFontLimitAndReadOnlyState) {
  CEditPoint::Settings settings;
  settings.maxLength = 12;
  CEditPoint* point = Add(settings);
  point->AssignValue(CVariant::FromString(QStringLiteral("hello")));
  m_page->Activate(&m_window);
  const auto* box = Box(point);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text, QStringLiteral("hello"));
  EXPECT_EQ(box->textLimit, 12);
  EXPECT_FALSE(box->readOnly);
  EXPECT_EQ(box->font, m_project.Graphics().Font(CGraphics::kNormal));
  EXPECT_TRUE(box->rect.isEmpty());
  m_page->Leave(false);
  // A stored session opened read-only gives a read-only box.
  m_project.SetReadOnly(true);
  m_page->Activate(&m_window);
  EXPECT_TRUE(Box(point)->readOnly);
}

TEST_F(EditPointTest, SetValueZeroFillsStoresAndShowsIt) {
  CEditPoint::Settings settings;
  settings.padWidth = 4;
  CEditPoint* point = Add(settings);
  m_page->Activate(&m_window);
  point->SetValue(QStringLiteral("7"));
  EXPECT_EQ(point->OutputText(), QStringLiteral("0007"));
  EXPECT_EQ(Box(point)->text, QStringLiteral("0007"));
  point->SetValue(QString());
  EXPECT_EQ(point->OutputText(), QStringLiteral("0000"));
  EXPECT_EQ(Box(point)->text, QStringLiteral("0000"));
}

TEST_F(EditPointTest, TypingStoresAtOnceAndLeavingTheBoxShowsTheFilledText) {
  CEditPoint::Settings settings;
  settings.padWidth = 4;
  CEditPoint* point = Add(settings);
  m_page->Activate(&m_window);
  const CPageWindow::Control box = BoxHandle(point);
  m_window.State(box)->text = QStringLiteral("7");
  m_window.Notify(box, kNotifyChange);
  EXPECT_EQ(point->OutputText(), QStringLiteral("0007"));
  EXPECT_EQ(m_window.State(box)->text, QStringLiteral("7"));
  m_window.Notify(box, kNotifyKillFocus);
  EXPECT_EQ(point->OutputText(), QStringLiteral("0007"));
  EXPECT_EQ(m_window.State(box)->text, QStringLiteral("0007"));
}

TEST_F(EditPointTest, NotificationsOfOtherControlsAreIgnored) {
  CEditPoint* point = Add();
  CEditPoint* other = Add();
  m_page->Activate(&m_window);
  m_window.State(BoxHandle(other))->text = QStringLiteral("other");
  point->OnCommand(MakeCommand(kNotifyChange, static_cast<uint16_t>(other->ControlId())),
                   BoxHandle(other));
  EXPECT_EQ(point->OutputText(), QString());
}

TEST_F(EditPointTest, ReadOnlyPropertyRefusesValuesAndHidesTheArrows) {
  CEditPoint::Settings settings;
  settings.numeric = 1;
  settings.arrows = 1;
  settings.readOnly = true;
  CEditPoint* point = Add(settings);
  point->AssignValue(CVariant::FromString(QStringLiteral("5")));
  ShowAndPaint(point);
  EXPECT_TRUE(Box(point)->readOnly);
  point->SetValue(QStringLiteral("6"));
  EXPECT_EQ(point->OutputText(), QStringLiteral("5"));
  EXPECT_FALSE(point->StoreValue(CVariant::FromString(QStringLiteral("7"))));
  // A tap where the arrows would be is an ordinary tap.
  point->OnTap(304, 100);
  EXPECT_EQ(point->OutputText(), QStringLiteral("5"));
  // Without arrows the box runs to the item's right edge.
  EXPECT_EQ(Box(point)->rect.right(), 304);
}

TEST_F(EditPointTest, ReadOnlyPropertyTravelsAsABooleanInTheProperties) {
  CEditPoint* point = Add();
  point->MutableSettings().readOnly = true;
  point->SaveSettings();
  const CVariant* stored = point->Properties().Find(QStringLiteral("readonly"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->Type(), kVtBool);
  point->MutableProperties().SetText(QStringLiteral("readonly"), QStringLiteral("true"));
  point->LoadSettings();
  EXPECT_FALSE(point->GetSettings().readOnly);
}

TEST_F(EditPointTest, ArrowsStepTheValueAndStopAtTheRange) {
  CEditPoint::Settings settings;
  settings.numeric = 1;
  settings.arrows = 1;
  settings.rangeCheck = 1;
  settings.maximum = 10;
  CEditPoint* point = Add(settings);
  point->AssignValue(CVariant::FromString(QStringLiteral("0009")));
  ShowAndPaint(point, QRect(5, 50, 300, 40));
  const int right = 305;
  point->OnTap(right - 20, 80);  // the up arrow
  EXPECT_EQ(point->OutputText(), QStringLiteral("10"));
  EXPECT_EQ(Box(point)->text, QStringLiteral("10"));
  point->OnTap(right - 20, 80);
  EXPECT_EQ(point->OutputText(), QStringLiteral("10"));
  point->OnTap(right - 5, 80);  // the down arrow
  EXPECT_EQ(point->OutputText(), QStringLiteral("9"));
  // The box leaves room for the two arrows.
  EXPECT_EQ(Box(point)->rect.right() + 1, right - 32);
}

TEST_F(EditPointTest, DownArrowOnAnEmptyBoxGivesMinusOneWithoutRangeAndZeroWithIt) {
  CEditPoint::Settings settings;
  settings.numeric = 1;
  settings.arrows = 1;
  CEditPoint* free = Add(settings);
  settings.rangeCheck = 1;
  CEditPoint* ranged = Add(settings);
  m_page->Activate(&m_window);
  free->SetItemRect(QRect(0, 0, 200, 40));
  ranged->SetItemRect(QRect(0, 50, 200, 40));
  free->OnTap(195, 30);
  ranged->OnTap(195, 80);
  EXPECT_EQ(free->OutputText(), QStringLiteral("-1"));
  EXPECT_EQ(ranged->OutputText(), QStringLiteral("0"));
}

TEST_F(EditPointTest, InvalidNumberIsReplacedByTheDefaultWhenTheUserContinues) {
  CEditPoint::Settings settings;
  settings.numeric = 1;
  CEditPoint* point = Add(settings);
  point->SetDefaultValue(CVariant::FromString(QStringLiteral("5")));
  point->AssignValue(CVariant::FromString(QStringLiteral("12a")));
  m_page->Activate(&m_window);
  m_messages->QueueAnswer(kIdYes);
  EXPECT_TRUE(point->Hide(true));
  ASSERT_EQ(m_messages->Messages().size(), 1);
  EXPECT_EQ(m_messages->Messages().first().style, kMbYesNo | kMbIconExclamation | kMbDefButton2);
  EXPECT_TRUE(m_messages->Messages().first().text.contains(QStringLiteral("'Amount'")));
  EXPECT_EQ(point->OutputText(), QStringLiteral("5"));
}

TEST_F(EditPointTest, InvalidNumberIsKeptAndTheBoxFocusedWhenTheUserStays) {
  CEditPoint::Settings settings;
  settings.numeric = 1;
  settings.rangeCheck = 1;
  settings.maximum = 10;
  CEditPoint* point = Add(settings);
  point->AssignValue(CVariant::FromString(QStringLiteral("11")));
  m_page->Activate(&m_window);
  m_messages->QueueAnswer(kIdNo);
  EXPECT_FALSE(point->Hide(true));
  EXPECT_EQ(point->OutputText(), QStringLiteral("11"));
  EXPECT_EQ(m_window.FocusedControl(), BoxHandle(point));
}

TEST_F(EditPointTest, ValidEmptyOrHiddenNumbersAreNotQuestioned) {
  CEditPoint::Settings settings;
  settings.numeric = 1;
  settings.rangeCheck = 1;
  CEditPoint* point = Add(settings);
  m_page->Activate(&m_window);
  for (const char* text : {"", "3,5", "1;2", "100"}) {
    point->AssignValue(CVariant::FromString(QString::fromLatin1(text)));
    EXPECT_TRUE(point->Hide(true)) << text;
  }
  point->AssignValue(CVariant::FromString(QStringLiteral("abc")));
  point->SetShown(false);
  EXPECT_TRUE(point->Hide(true));
  EXPECT_TRUE(m_messages->Messages().isEmpty());
}

TEST_F(EditPointTest, RequiredCheckFollowsTheNumericCheckAndFocusesTheBox) {
  CEditPoint* point = Add();
  point->SetRequiredMode(2);
  m_page->Activate(&m_window);
  EXPECT_FALSE(point->Hide(true));
  EXPECT_EQ(m_window.FocusedControl(), BoxHandle(point));
  ASSERT_EQ(m_messages->Messages().size(), 1);
}

TEST_F(EditPointTest, HeightAndBoxBesideTheCaptionForOldFilesLinesZero) {
  CEditPoint::Settings settings;
  settings.lines = -4;  // what a version-20 file's lines 0 becomes
  CEditPoint* point = Add(settings);
  m_page->Activate(&m_window);
  QImage image(400, 400, QImage::Format_RGB32);
  QPainter painter(&image);
  const int height = point->GetHeight(&painter, 300);
  EXPECT_GE(height, 20);
  point->SetItemRect(QRect(0, 0, 300, height));
  point->Paint(&painter);
  const QRect box = Box(point)->rect;
  EXPECT_EQ(box.left(), 300 - 85 + 2);
  EXPECT_EQ(box.right() + 1, 300);
  EXPECT_EQ(box.height(), 20);
  EXPECT_TRUE(Box(point)->visible);
  // Painted without a device the box is only hidden.
  point->Paint(nullptr);
  EXPECT_FALSE(Box(point)->visible);
}

TEST_F(EditPointTest, BoxUnderTheCaptionGrowsWithTheLines) {
  CEditPoint::Settings settings;
  settings.lines = 3;
  CEditPoint* point = Add(settings);
  m_page->Activate(&m_window);
  QImage image(400, 400, QImage::Format_RGB32);
  QPainter painter(&image);
  const int caption = point->DefaultGetHeight(&painter, 300);
  EXPECT_EQ(point->GetHeight(&painter, 300), caption + 16 * 3 + 4);
  point->SetItemRect(QRect(0, 10, 300, caption + 52));
  point->Paint(&painter);
  EXPECT_EQ(Box(point)->rect, QRect(0, 10 + caption, 300, 52));
}

TEST_F(EditPointTest, ColumnFormatTellsNumericAndMaximumLength) {
  CEditPoint::Settings settings;
  settings.maxLength = 8;
  CEditPoint* text = Add(settings);
  settings.numeric = 1;
  CEditPoint* number = Add(settings);
  bool numeric = true;
  int length = -1;
  EXPECT_TRUE(text->GetColumnFormat(numeric, length));
  EXPECT_FALSE(numeric);
  EXPECT_EQ(length, 8);
  length = 3;
  EXPECT_TRUE(number->GetColumnFormat(numeric, length));
  EXPECT_TRUE(numeric);
  EXPECT_EQ(length, 3);
}

}  // namespace
