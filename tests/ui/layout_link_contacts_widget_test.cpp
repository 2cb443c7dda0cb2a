// Layout, link and contacts points in the page display with real widgets: a separator painted
// across the page, a clicked link changing page and handing its address to the shell, and the
// contacts list picked by keys filling the sibling edit boxes.
#include <QComboBox>
#include <QLineEdit>

#include "app/services.h"
#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "points/layout_point.h"
#include "points/link_point.h"
#include "points/outlook_point.h"
#include "support/harness.h"
#include "support/page_view_fixture.h"
#include "support/project_builder.h"
#include "support/recording_shell.h"

namespace {

using qlt::test::AddPoint;
using qlt::test::CRecordingShell;
using qlt::test::PageViewTest;

class LayoutLinkContactsWidgetTest : public PageViewTest {
 protected:
  void SetUp() override {
    PageViewTest::SetUp();
    m_services.Services().SetShell(std::make_unique<CRecordingShell>(&m_opened));
  }
  void Click(const QPoint& position) {
    QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, position);
    QCoreApplication::processEvents();
  }

  QStringList m_opened;
};

TEST_F(LayoutLinkContactsWidgetTest, SeparatorAndLinkClicks) {
  CPage* first = AddPage(QStringLiteral("First"));
  CPage* second = AddPage(QStringLiteral("Second"));
  auto* line = AddPoint<CLayoutPoint>(first, QStringLiteral("Line"));
  line->MutableSettings().text = QStringLiteral("----");
  line->MutableSettings().colour = 0x00008000;  // green
  auto* link = AddPoint<CLinkPoint>(first, QString(), QStringLiteral("Guidance on the website"));
  link->MutableSettings().address = QStringLiteral("https://example.com/guidance");
  link->MutableSettings().targetPage = static_cast<uint32_t>(second->UniqueNumber());
  ShowView(320, 300);
  m_view->SetPage(first, false);

  ASSERT_EQ(line->ItemRect().height(), 1);
  const QRect rule = line->ItemRect();
  EXPECT_EQ(m_view->Buffer().pixelColor(rule.center()), QColor(0, 128, 0));
  EXPECT_NE(m_view->Buffer().pixelColor(rule.center() + QPoint(0, 1)), QColor(0, 128, 0));

  Click(link->ItemRect().center());
  EXPECT_EQ(m_view->Page(), second);
  EXPECT_EQ(m_opened, QStringList{QStringLiteral("https://example.com/guidance")});
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(LayoutLinkContactsWidgetTest, ContactPickedByKeysFillsTheEditBoxes) {
  CSettingsStore store(CSettingsStore::DefaultFilePath());
  store.WriteString(QStringLiteral("Outlook"), QStringLiteral("Folder"),
                    qlt::test::FixturePath(QStringLiteral("contacts")));
  CPage* page = AddPage();
  auto* contact =
      AddPoint<COutlookPoint>(page, QStringLiteral("Contact"), QStringLiteral("Site manager"));
  auto* first =
      AddPoint<CEditPoint>(page, QStringLiteral("Contact.FirstName"), QStringLiteral("First name"));
  auto* mobile = AddPoint<CEditPoint>(page, QStringLiteral("Contact.MobileTelephoneNumber"),
                                      QStringLiteral("Mobile"));
  ShowView(320, 400);
  m_view->SetPage(page, false);

  const QList<CPageWindow::Control> controls = m_view->ControlsOfPoint(contact);
  ASSERT_EQ(controls.size(), 1);
  auto* box = qobject_cast<QComboBox*>(m_view->ControlWidget(controls.first()));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_GE(box->geometry().top(), contact->ItemRect().top() + 10);
  EXPECT_EQ(box->count(), 10);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_Down);
  QTest::keyClick(box, Qt::Key_Down);
  EXPECT_EQ(contact->OutputText(), QStringLiteral("Jane Okafor"));
  EXPECT_EQ(first->OutputText(), QStringLiteral("Jane"));
  EXPECT_EQ(mobile->OutputText(), QStringLiteral("+44 7700 900123"));
  auto* mobileBox =
      qobject_cast<QLineEdit*>(m_view->ControlWidget(m_view->ControlsOfPoint(mobile).value(0)));
  ASSERT_NE(mobileBox, nullptr);
  EXPECT_EQ(mobileBox->text(), QStringLiteral("+44 7700 900123"));

  // A category entry refills the list it was picked from; the name picked before stays shown.
  box->setCurrentIndex(box->findText(QStringLiteral("[ Clients ]")));
  EXPECT_EQ(box->count(), 6);
  EXPECT_EQ(box->itemText(2), QStringLiteral("Lindqvist, Rolf"));
  EXPECT_EQ(box->currentText(), QStringLiteral("Jane Okafor"));
  EXPECT_EQ(contact->OutputText(), QStringLiteral("Jane Okafor"));
}

}  // namespace
