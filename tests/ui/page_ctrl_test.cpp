// The page display with real widgets on the offscreen platform: layout and scroll range,
// painting, taps and help, scrolling, page changes with verification, the focus and Tab order,
// and the controls' notifications.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/image_services.h"
#include "points/link_point.h"
#include "project/display_scale.h"
#include "support/page_view_fixture.h"

namespace {

using qlt::test::CProbePoint;
using qlt::test::PageViewTest;

constexpr int kSpacing = 5;  // the project's default spacing

// Records the types of the events it receives.
class CEventRecorder : public QObject {
 public:
  QList<int> types;

 protected:
  bool event(QEvent* event) override {
    if (event->type() >= QEvent::User) types.append(event->type());
    return QObject::event(event);
  }
};

void Wheel(QWidget* widget, int delta) {
  const QPointF position(widget->width() / 2.0, widget->height() / 2.0);
  QWheelEvent event(position, widget->mapToGlobal(position), QPoint(), QPoint(0, delta),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &event);
}

// ---- layout and painting

class PageLayoutTest : public PageViewTest {};

TEST_F(PageLayoutTest, PageTallerThanTheWindowByTenGetsARangeOfSeventy) {
  CPage* page = AddPage();
  CProbePoint* probe = AddProbe(page, 300 + 10 - kSpacing);
  m_view->resize(320, 300);
  m_view->SetPage(page, false);
  EXPECT_EQ(m_view->PageHeight(), 310);
  EXPECT_EQ(m_view->ScrollRange(), 70);
  EXPECT_FALSE(m_view->ScrollBar()->isHidden());
  EXPECT_EQ(m_view->ScrollBar()->maximum(), 70);
  // The second measuring leaves room for the scroll bar.
  EXPECT_EQ(probe->LastWidth(), 320 - 2 * 5 - m_view->ScrollBar()->width());
  EXPECT_EQ(m_view->ClientRect().width(), 320 - m_view->ScrollBar()->width());
}

TEST_F(PageLayoutTest, PageWithEveryPointHiddenHasNoScrollBarButPaintsHeaderAndBackground) {
  m_project->MutableGraphics().backgroundColour = 0x00336699;  // stored as 0x00BBGGRR
  CPage* page = AddPage(QStringLiteral("Hidden"));
  for (int i = 0; i < 5; ++i) AddProbe(page, 200)->SetShown(false);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  EXPECT_EQ(m_view->PageHeight(), 0);
  EXPECT_EQ(m_view->ScrollRange(), 0);
  EXPECT_TRUE(m_view->ScrollBar()->isHidden());
  const QImage& buffer = m_view->Buffer();
  ASSERT_EQ(buffer.size(), QSize(300, 300));
  const QColor background(0x99, 0x66, 0x33);
  EXPECT_EQ(buffer.pixelColor(150, 250), background);
  EXPECT_EQ(buffer.pixelColor(5, 290), background);
  // The built-in header band is drawn at the top.
  const QImage header = CImageServices::DefaultHeaderImage(false);
  EXPECT_EQ(m_view->ContentTop(), 60);
  EXPECT_EQ(buffer.pixelColor(2, 2), header.pixelColor(2, 2));
  EXPECT_NE(buffer.pixelColor(2, 2), background);
}

TEST_F(PageLayoutTest, PointsStackBelowTheTextWithSpacingAndSkipZeroHeights) {
  CPage* page = AddPage();
  page->SetText(QStringLiteral("Some words before the points."));
  CProbePoint* first = AddProbe(page, 30);
  CProbePoint* empty = AddProbe(page, 0);
  CProbePoint* hidden = AddProbe(page, 40);
  hidden->SetShown(false);
  CProbePoint* last = AddProbe(page, 50);
  m_view->resize(300, 400);
  m_view->SetPage(page, false);
  const int top = m_view->ContentTop();
  const int textHeight = first->ItemRect().top() - top - 2 * kSpacing;
  EXPECT_GT(textHeight, 5);
  EXPECT_EQ(first->ItemRect(), QRect(5, first->ItemRect().top(), 290, 30));
  EXPECT_TRUE(empty->ItemRect().isEmpty());
  EXPECT_TRUE(hidden->ItemRect().isEmpty());
  EXPECT_EQ(last->ItemRect().top(), first->ItemRect().bottom() + 1 + kSpacing);
  EXPECT_EQ(m_view->PageHeight(), textHeight + 2 * kSpacing + 30 + kSpacing + 50 + kSpacing);
  // The points paint in their rectangles.
  EXPECT_EQ(m_view->Buffer().pixelColor(first->ItemRect().center()), QColor(Qt::lightGray));
}

TEST_F(PageLayoutTest, CaptionIsRightAlignedInTheHeaderBand) {
  m_project->MutableGraphics().headingColour = 0x000000FF;  // red
  CPage* page = AddPage(QStringLiteral("Caption"));
  m_view->resize(400, 200);
  m_view->SetPage(page, false);
  const QImage& buffer = m_view->Buffer();
  int leftmostRed = buffer.width();
  int rightmostRed = -1;
  for (int y = 0; y < m_view->ContentTop(); ++y) {
    for (int x = 0; x < buffer.width(); ++x) {
      const QColor c = buffer.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
        leftmostRed = std::min(leftmostRed, x);
        rightmostRed = std::max(rightmostRed, x);
      }
    }
  }
  ASSERT_GE(rightmostRed, 0) << "no caption drawn";
  EXPECT_GT(leftmostRed, 250);
  EXPECT_GE(rightmostRed, 400 - 5 - 4);
  EXPECT_LT(rightmostRed, 400 - 5 + 1);
}

TEST_F(PageLayoutTest, DoubledScaleDoublesTheHeaderBandSpacingAndSteps) {
  struct Restore {
    ~Restore() { CDisplayScale::SetDoubled(false); }
  } restore;
  CDisplayScale::SetDoubled(true);
  CPage* page = AddPage();
  CProbePoint* first = AddProbe(page, 1000);
  CProbePoint* second = AddProbe(page, 100);
  m_view->resize(300, 400);
  m_view->SetPage(page, false);
  EXPECT_EQ(m_view->ContentTop(), 120);
  EXPECT_EQ(second->ItemRect().top(), first->ItemRect().bottom() + 1 + 2 * kSpacing);
  EXPECT_EQ(m_view->ScrollRange(), 1000 + 10 + 100 + 10 + 120 - 400);
  m_view->setFocus();
  QTest::keyClick(m_view.get(), Qt::Key_Down);
  EXPECT_EQ(m_view->ScrollPosition(), 40);
  Wheel(m_view.get(), -120);
  EXPECT_EQ(m_view->ScrollPosition(), 120);
  QTest::keyClick(m_view.get(), Qt::Key_PageDown);
  EXPECT_EQ(m_view->ScrollPosition(), 320);
}

// ---- taps and help

class PageTapTest : public PageViewTest {};

TEST_F(PageTapTest, TapReachesThePointUnderItAndBringsItIntoView) {
  CPage* page = AddPage();
  AddProbe(page, 200);
  CProbePoint* second = AddProbe(page, 250);
  AddProbe(page, 300);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  const QPoint inside(50, second->ItemRect().top() + 10);
  ASSERT_LT(inside.y(), 300);
  QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, inside);
  ASSERT_EQ(second->Taps().size(), 1);
  EXPECT_EQ(second->Taps().first(), inside);
  // Too tall to fit between the two 64-pixel bands: its top stops at the upper band.
  EXPECT_EQ(second->ItemRect().top(), 64);
  // A point that fits has its bottom brought up to the lower band.
  second->SetHeight(100);
  m_view->ScrollTo(0);
  m_view->Relayout();
  QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(50, second->ItemRect().top() + 5));
  EXPECT_EQ(second->ItemRect().bottom() + 1, 300 - 64);
}

TEST_F(PageTapTest, TapOnTheHeaderOfAPageWithoutHelpDoesNothing) {
  CPage* page = AddPage();
  AddProbe(page, 40);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 10));
  EXPECT_FALSE(m_view->IsHelpShown());
}

TEST_F(PageTapTest, HeaderTapShowsHelpAndAnyTapReturnsToTheRememberedPosition) {
  CPage* page = AddPage(QStringLiteral("Inspection"));
  page->SetHelp(QStringLiteral("<b>Fill in</b> every field."));
  for (int i = 0; i < 4; ++i) AddProbe(page, 150);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  // The header has partly scrolled away; the top 60 pixels still open the help where no point is.
  m_view->ScrollTo(30);
  QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 5));
  ASSERT_TRUE(m_view->IsHelpShown());
  EXPECT_EQ(m_view->ScrollPosition(), 0);
  QStringList words;
  for (const auto& run : m_view->HelpRuns()) words.append(run.text);
  EXPECT_EQ(words.join(QLatin1Char(' ')), QStringLiteral("Inspection Fill in every field."));
  EXPECT_EQ(m_view->HelpRuns().first().style, CHelpMarkup::kHeading);
  EXPECT_EQ(m_view->HelpRuns()[1].style, CHelpMarkup::kBold);
  // While help is shown the points' boxes and taps are gone.
  QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 200));
  EXPECT_FALSE(m_view->IsHelpShown());
  EXPECT_EQ(m_view->ScrollPosition(), 30);
  for (const auto& point : page->Points()) {
    EXPECT_TRUE(static_cast<CProbePoint*>(point.get())->Taps().isEmpty());
  }
}

TEST_F(PageTapTest, PointHelpShowsItsCaptionAsHeading) {
  CPage* page = AddPage();
  CProbePoint* probe = AddProbe(page, 40);
  probe->SetCaption(QStringLiteral("Weight"));
  probe->SetHelp(QStringLiteral("In kilograms."));
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  QTest::mouseClick(m_view.get(), Qt::LeftButton, Qt::NoModifier, probe->ItemRect().center());
  ASSERT_TRUE(m_view->IsHelpShown());
  ASSERT_FALSE(m_view->HelpRuns().isEmpty());
  EXPECT_EQ(m_view->HelpRuns().first().text, QStringLiteral("Weight"));
  EXPECT_EQ(m_view->HelpRuns().last().text, QStringLiteral("kilograms."));
}

TEST_F(PageTapTest, CursorIsAHandOverALinkPoint) {
  CPage* page = AddPage();
  CBasePoint* link = page->AddPoint(CLinkPoint::kTypeCode);
  ASSERT_NE(link, nullptr);
  link->SetCaption(QStringLiteral("Go to the next page"));
  CProbePoint* probe = AddProbe(page, 40);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  ASSERT_FALSE(link->ItemRect().isEmpty());
  auto move = [this](QPoint position) {
    QMouseEvent event(QEvent::MouseMove, position, m_view->mapToGlobal(position), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_view.get(), &event);
  };
  move(link->ItemRect().center());
  EXPECT_EQ(m_view->cursor().shape(), Qt::PointingHandCursor);
  move(probe->ItemRect().center());
  EXPECT_EQ(m_view->cursor().shape(), Qt::ArrowCursor);
}

// ---- scrolling

class PageScrollTest : public PageViewTest {};

TEST_F(PageScrollTest, LongHelpScrollsByWheelKeysAndScrollBarPages) {
  CPage* page = AddPage(QStringLiteral("Help"));
  QString help;
  for (int i = 0; i < 80; ++i) help += QStringLiteral("Paragraph %1 of the help text.\n").arg(i);
  page->SetHelp(help);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  m_view->ShowHelp(page->Caption(), page->Help());
  ASSERT_GT(m_view->ScrollRange(), 600);
  Wheel(m_view.get(), 120);  // up at the top: never above it
  EXPECT_EQ(m_view->ScrollPosition(), 0);
  Wheel(m_view.get(), -120);
  EXPECT_EQ(m_view->ScrollPosition(), 40);
  m_view->setFocus();
  QTest::keyClick(m_view.get(), Qt::Key_Down);
  EXPECT_EQ(m_view->ScrollPosition(), 60);
  QTest::keyClick(m_view.get(), Qt::Key_Up);
  EXPECT_EQ(m_view->ScrollPosition(), 40);
  QTest::keyClick(m_view.get(), Qt::Key_PageDown);
  EXPECT_EQ(m_view->ScrollPosition(), 140);
  m_view->ScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(m_view->ScrollPosition(), 240);
  m_view->ScrollBar()->setValue(500);
  EXPECT_EQ(m_view->ScrollPosition(), 500);
  m_view->ScrollTo(m_view->ScrollRange() + 500);
  EXPECT_EQ(m_view->ScrollPosition(), m_view->ScrollRange());
  // The last line is in view at the end.
  const auto& last = m_view->HelpRuns().last();
  EXPECT_LE(last.rect.bottom() - m_view->ScrollPosition(), 300);
}

TEST_F(PageScrollTest, ScrolledPictureEqualsAFreshPaintAtThatPosition) {
  m_project->MutableGraphics().sideImage = QByteArray();
  CPage* page = AddPage(QStringLiteral("Scrolling"));
  page->SetText(QStringLiteral("A page text that wraps over more than one line in this window."));
  const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::cyan, Qt::magenta, Qt::yellow};
  for (int i = 0; i < 12; ++i) AddProbe(page, 37 + i * 3, colours[i % 6]);
  m_view->resize(260, 300);
  m_view->SetPage(page, false);
  for (int position : {7, 30, 29, 250, 120, 400, 0}) {
    m_view->ScrollTo(position);
    const QImage scrolled = m_view->Buffer().copy();
    m_view->Relayout();
    ASSERT_EQ(m_view->ScrollPosition(), std::min(position, m_view->ScrollRange()));
    EXPECT_EQ(scrolled, m_view->Buffer()) << "after scrolling to " << position;
  }
}

TEST_F(PageScrollTest, ScrollingCarriesTheControlsWithTheirPoints) {
  CPage* page = AddPage();
  CProbePoint* first = AddProbe(page, 120);
  first->WantEdit();
  CProbePoint* second = AddProbe(page, 400);
  second->WantEdit();
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  QWidget* box = m_view->ControlWidget(second->Box());
  ASSERT_NE(box, nullptr);
  const int before = box->y();
  m_view->ScrollTo(90);
  EXPECT_EQ(box->y(), before - 90);
  EXPECT_EQ(box->y(), second->ItemRect().bottom() - 24);
  EXPECT_FALSE(box->isHidden());
}

// ---- page changes

class PageChangeTest : public PageViewTest {};

TEST_F(PageChangeTest, RefusingPointKeepsThePageAndIsScrolledToTheTop) {
  CPage* page = AddPage(QStringLiteral("First"));
  CPage* next = AddPage(QStringLiteral("Second"));
  CProbePoint* asked = AddProbe(page, 200);
  CProbePoint* refusing = AddProbe(page, 200);
  refusing->WantEdit();
  refusing->SetRefuse(true);
  CProbePoint* notAsked = AddProbe(page, 200);
  ShowView(300, 300);
  m_view->SetPage(page, false);
  ASSERT_GT(m_view->ScrollRange(), refusing->ItemRect().top());
  EXPECT_FALSE(m_view->SetPage(next, true));
  EXPECT_EQ(m_view->Page(), page);
  EXPECT_EQ(asked->VerifyCount(), 1);
  EXPECT_EQ(refusing->VerifyCount(), 1);
  EXPECT_EQ(notAsked->VerifyCount(), 0);
  EXPECT_EQ(refusing->ItemRect().top(), 0);
  EXPECT_EQ(Focused(), m_view->ControlWidget(refusing->Box()));
  // Once it agrees the page changes.
  refusing->SetRefuse(false);
  EXPECT_TRUE(m_view->SetPage(next, true));
  EXPECT_EQ(m_view->Page(), next);
  EXPECT_EQ(m_view->ScrollPosition(), 0);
  EXPECT_EQ(m_view->ControlsOfPoint(refusing), QList<CPageWindow::Control>());
}

TEST_F(PageChangeTest, NoVerificationWithoutSessionOrWhenReadOnlyOrNotAsked) {
  CPage* page = AddPage();
  CPage* next = AddPage();
  CProbePoint* refusing = AddProbe(page, 50);
  refusing->SetRefuse(true);
  m_view->resize(300, 300);

  m_view->SetPage(page, false);
  EXPECT_TRUE(m_view->SetPage(next, false));
  m_view->SetPage(page, false);
  m_project->SetReadOnly(true);
  EXPECT_TRUE(m_view->SetPage(next, true));
  m_project->SetReadOnly(false);
  m_view->SetPage(page, false);
  m_project->SetSessionGuid(QString());
  EXPECT_TRUE(m_view->SetPage(next, true));
  EXPECT_EQ(refusing->VerifyCount(), 0);
}

TEST_F(PageChangeTest, EveryPageChangePostsThePageChangedEvent) {
  CEventRecorder recorder;
  m_view->SetNotifyTarget(&recorder);
  CPage* page = AddPage();
  CPage* next = AddPage();
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  m_view->SetPage(next, true);
  QCoreApplication::sendPostedEvents(&recorder);
  EXPECT_EQ(recorder.types, QList<int>({0x8066, 0x8066}));
}

TEST_F(PageChangeTest, ShowingTheSamePageAgainLeavesHelp) {
  CPage* page = AddPage();
  page->SetHelp(QStringLiteral("Help"));
  AddProbe(page, 500);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  m_view->ScrollTo(100);
  m_view->ShowHelp(page->Caption(), page->Help());
  EXPECT_TRUE(m_view->SetPage(page, true));
  EXPECT_FALSE(m_view->IsHelpShown());
  EXPECT_EQ(m_view->ScrollPosition(), 100);
}

// ---- focus, keys and notifications

class PageFocusTest : public PageViewTest {};

TEST_F(PageFocusTest, FirstEditGetsTheFocusAndTabEnterAndShiftTabFollowPageOrder) {
  CPage* page = AddPage();
  CProbePoint* a = AddProbe(page, 60);
  CProbePoint* b = AddProbe(page, 90);
  CProbePoint* c = AddProbe(page, 60);
  a->WantEdit();
  b->WantEdit(kCsMultiLine | kCsWantReturn);
  c->WantEdit();
  ShowView(300, 400);
  m_view->SetPage(page, false);
  QWidget* boxA = m_view->ControlWidget(a->Box());
  QWidget* boxB = m_view->ControlWidget(b->Box());
  QWidget* boxC = m_view->ControlWidget(c->Box());
  ASSERT_NE(qobject_cast<QPlainTextEdit*>(boxB), nullptr);
  EXPECT_EQ(Focused(), boxA);
  QTest::keyClick(boxA, Qt::Key_Tab);
  EXPECT_EQ(Focused(), boxB);
  // Enter makes a new line in the multi-line box and keeps the focus there.
  QTest::keyClicks(boxB, QStringLiteral("one"));
  QTest::keyClick(boxB, Qt::Key_Return);
  QTest::keyClicks(boxB, QStringLiteral("two"));
  EXPECT_EQ(Focused(), boxB);
  EXPECT_EQ(m_view->ControlText(b->Box()), QStringLiteral("one\r\ntwo"));
  QTest::keyClick(boxB, Qt::Key_Tab);
  EXPECT_EQ(Focused(), boxC);
  QTest::keyClick(boxC, Qt::Key_Tab);  // wraps round
  EXPECT_EQ(Focused(), boxA);
  QTest::keyClick(boxA, Qt::Key_Return);  // Enter in a one-line box moves on
  EXPECT_EQ(Focused(), boxB);
  QTest::keyClick(boxB, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(Focused(), boxA);
}

TEST_F(PageFocusTest, FocusedControlIsScrolledIntoView) {
  CPage* page = AddPage();
  CProbePoint* top = AddProbe(page, 60);
  top->WantEdit();
  AddProbe(page, 600);
  CProbePoint* bottom = AddProbe(page, 60);
  bottom->WantEdit();
  AddProbe(page, 400);
  ShowView(300, 300);
  m_view->SetPage(page, false);
  EXPECT_EQ(m_view->ScrollPosition(), 0);
  QWidget* lower = m_view->ControlWidget(bottom->Box());
  ASSERT_GT(lower->y(), 300);
  QTest::keyClick(m_view->ControlWidget(top->Box()), Qt::Key_Tab);
  ASSERT_EQ(Focused(), lower);
  // Kept 90 pixels clear of the window's bottom edge.
  EXPECT_EQ(lower->geometry().bottom() + 1, 300 - 90);
  QTest::keyClick(lower, Qt::Key_Tab);
  QWidget* upper = m_view->ControlWidget(top->Box());
  EXPECT_EQ(Focused(), upper);
  // Back up until 90 pixels show above it.
  EXPECT_EQ(upper->y(), 90);
}

TEST_F(PageFocusTest, TypingReachesTheOwningPointAsChangeNotifications) {
  CPage* page = AddPage();
  CProbePoint* other = AddProbe(page, 60);
  CProbePoint* owner = AddProbe(page, 60);
  owner->WantEdit();
  ShowView(300, 300);
  m_view->SetPage(page, false);
  QWidget* box = m_view->ControlWidget(owner->Box());
  ASSERT_EQ(Focused(), box);
  QTest::keyClicks(box, QStringLiteral("ab"));
  const uint32_t change = MakeCommand(kNotifyChange, static_cast<uint16_t>(owner->ControlId()));
  EXPECT_EQ(owner->Commands().count(change), 2);
  EXPECT_TRUE(other->Commands().isEmpty());
  // Losing the focus is the kill-focus notification; writing text from the program is silent.
  m_view->SetControlText(owner->Box(), QStringLiteral("set"));
  m_view->setFocus();
  EXPECT_EQ(owner->Commands().last(),
            MakeCommand(kNotifyKillFocus, static_cast<uint16_t>(owner->ControlId())));
  EXPECT_EQ(owner->Commands().count(change), 2);
}

TEST_F(PageFocusTest, PostedCommandArrivesFromTheEventLoopOnlyWhileThePageIsShown) {
  CPage* page = AddPage();
  CPage* next = AddPage();
  CProbePoint* probe = AddProbe(page, 60);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  m_view->PostCommand(probe, 0x12345, 7);
  EXPECT_TRUE(probe->Commands().isEmpty());
  QCoreApplication::sendPostedEvents(m_view.get());
  EXPECT_EQ(probe->Commands(), QList<uint32_t>({0x12345}));
  m_view->PostCommand(probe, 0x54321, 7);
  m_view->SetPage(next, false);
  QCoreApplication::sendPostedEvents(m_view.get());
  EXPECT_EQ(probe->Commands(), QList<uint32_t>({0x12345}));
}

TEST_F(PageFocusTest, RoutedCommandGoesToEveryPointInOrder) {
  CPage* page = AddPage();
  CProbePoint* a = AddProbe(page, 60);
  CProbePoint* b = AddProbe(page, 60);
  m_view->resize(300, 300);
  m_view->SetPage(page, false);
  m_view->RouteCommand(4711, 0);
  EXPECT_EQ(a->Commands(), QList<uint32_t>({4711}));
  EXPECT_EQ(b->Commands(), QList<uint32_t>({4711}));
}

}  // namespace
