// The cross point in the page display with real widgets: its combo fills when its list drops
// down, and picking an entry with the keyboard copies the session's values into the page.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QTest>

#include "project/base_point.h"
#include "project/project.h"
#include "support/hosted_project.h"
#include "support/scoped_services.h"
#include "ui/page_ctrl.h"

namespace {

using namespace qlt::test;

constexpr const char* kForm = R"({
  "title": "Pump visits",
  "pages": [{"points": [
    {"type": "Edit", "name": "Pump"},
    {"type": "Edit", "name": "Serial"},
    {"type": "Custom", "name": "Earlier", "caption": "Copy from an earlier visit",
     "settings": {"progId": "TWKF.Cross",
                  "bag": {"Display": "<%Pump%> / <%Serial%>", "Points": "Serial"}}}]}]
})";

TEST(CrossPointWidget, DropsDownFilledAndCopiesThePickedSession) {
  CScopedServices services{CScopedServices::Clock::kWall};
  CHostedProject hosted(QString::fromLatin1(kForm));
  ASSERT_TRUE(hosted.Ok()) << hosted.BuildError().toStdString();
  CProject& project = hosted.Project();
  for (const char* serial : {"S-100", "S-200"}) {
    ASSERT_TRUE(hosted.Start());
    project.FindPointByName(QStringLiteral("Pump"))->SetValue(QStringLiteral("Main pump"));
    project.FindPointByName(QStringLiteral("Serial"))->SetValue(QString::fromLatin1(serial));
    ASSERT_EQ(hosted.Flow().Finish().result, CEditingFlow::FinishResult::kSaved);
  }

  CPageCtrl view;
  view.resize(360, 400);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  hosted.Flow().SetDisplay(&view);
  ASSERT_TRUE(hosted.Start());
  CBasePoint* earlier = project.FindPointByName(QStringLiteral("Earlier"));
  const QList<CPageWindow::Control> controls = view.ControlsOfPoint(earlier);
  ASSERT_EQ(controls.size(), 1);
  auto* combo = qobject_cast<QComboBox*>(view.ControlWidget(controls.first()));
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->isVisible());
  EXPECT_EQ(combo->count(), 0);  // filled only when it drops down
  EXPECT_GE(combo->geometry().top(), earlier->ItemRect().top());

  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(combo->view()->isVisible());
  ASSERT_EQ(combo->count(), 2);
  QStringList shown{combo->itemText(0), combo->itemText(1)};
  shown.sort();
  EXPECT_EQ(shown, (QStringList{QStringLiteral("Main pump / S-100"),
                                QStringLiteral("Main pump / S-200")}));
  const int pick = combo->itemText(0).endsWith(QStringLiteral("S-200")) ? 0 : 1;
  combo->view()->setCurrentIndex(combo->model()->index(pick, 0));
  QTest::keyClick(combo->view(), Qt::Key_Return);
  // The copy waits for the list to close and the pick to land.
  QCoreApplication::processEvents();
  EXPECT_FALSE(combo->view()->isVisible());
  EXPECT_EQ(project.FindPointByName(QStringLiteral("Serial"))->OutputText(),
            QStringLiteral("S-200"));

  hosted.Flow().Abandon();
  hosted.Flow().SetDisplay(nullptr);
}

}  // namespace
