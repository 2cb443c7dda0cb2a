// The filter bar above the session list and the client's drawn icons, as real widgets and
// images on the offscreen platform: the caption rule, the segment texts and geometry, what is
// painted where, choosing a segment by mouse and keyboard, and the icons at their sizes.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

#include "app/language.h"
#include "support/scoped_services.h"
#include "ui/client_filter_bar.h"
#include "ui/client_icons.h"

namespace {

const QColor kAccent(0, 102, 153);

class FilterBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_bar = std::make_unique<CClientFilterBar>();
    m_bar->resize(600, 40);
    m_bar->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_bar.get()));
  }

  qlt::test::CScopedServices m_services{qlt::test::CScopedServices::Clock::kWall};
  std::unique_ptr<CClientFilterBar> m_bar;
};

TEST(FilterBarCaptions, SharedTailIsCutAfterTheFirstWord) {
  EXPECT_EQ(
      CClientFilterBar::ShortenCaptions({"Active Sessions", "Sent Sessions", "Deleted Sessions"}),
      (QStringList{"Active", "Sent", "Deleted"}));
  EXPECT_EQ(
      CClientFilterBar::ShortenCaptions({"Open jobs here", "Sent jobs here", "Bin jobs here"}),
      (QStringList{"Open", "Sent", "Bin"}));
  // Tails that differ, or a caption without a space: all three stay whole.
  const QStringList different{"Active Sessions", "Sent Sessions", "Deleted Items"};
  EXPECT_EQ(CClientFilterBar::ShortenCaptions(different), different);
  const QStringList noSpace{"Active Sessions", "Sent", "Deleted Sessions"};
  EXPECT_EQ(CClientFilterBar::ShortenCaptions(noSpace), noSpace);
}

TEST_F(FilterBarTest, DefaultTranslationsReadActiveSentDeletedWithCounts) {
  EXPECT_TRUE(m_bar->SetCounts(3, 0, 12));
  EXPECT_EQ(m_bar->SegmentText(0), QStringLiteral("Active (3)"));
  EXPECT_EQ(m_bar->SegmentText(1), QStringLiteral("Sent (0)"));
  EXPECT_EQ(m_bar->SegmentText(2), QStringLiteral("Deleted (12)"));
  // The same counts again change nothing, so the bar is not repainted.
  EXPECT_FALSE(m_bar->SetCounts(3, 0, 12));
  EXPECT_TRUE(m_bar->SetCounts(3, 1, 12));
  EXPECT_EQ(m_bar->Count(1), 1u);
}

TEST_F(FilterBarTest, CaptionsThatDoNotShareTheirTailAreShownWhole) {
  CLanguage::Instance().Parse(
      "[SessionList]\nSessionsActive=To do\nSessionsSent=Done and sent\n"
      "SessionsDeleted=Bin\n");
  m_bar->ReloadCaptions();
  m_bar->SetCounts(1, 2, 3);
  EXPECT_EQ(m_bar->SegmentText(0), QStringLiteral("To do (1)"));
  EXPECT_EQ(m_bar->SegmentText(1), QStringLiteral("Done and sent (2)"));
  EXPECT_EQ(m_bar->SegmentText(2), QStringLiteral("Bin (3)"));
}

TEST_F(FilterBarTest, SegmentsShareTheWidestTextAndAreCentred) {
  m_bar->SetCounts(5, 100000, 7);
  const QFontMetrics metrics(m_bar->font());
  const int width = metrics.horizontalAdvance(m_bar->SegmentText(1)) + 24;
  for (int i = 0; i < 3; ++i) {
    const QRect rect = m_bar->SegmentRect(i);
    EXPECT_EQ(rect.width(), width) << i;
    EXPECT_EQ(rect.top(), 5) << i;
    EXPECT_EQ(rect.height(), 30) << i;
    if (i > 0) {
      EXPECT_EQ(rect.left(), m_bar->SegmentRect(i - 1).right() + 1);
    }
  }
  const int leftMargin = m_bar->SegmentRect(0).left();
  const int rightMargin = m_bar->width() - 1 - m_bar->SegmentRect(2).right();
  EXPECT_LE(std::abs(leftMargin - rightMargin), 1);
}

TEST_F(FilterBarTest, TheChosenSegmentIsFilledAndTheOthersAreWhite) {
  m_bar->SetCounts(1, 2, 3);
  m_bar->SetSelected(1);
  const QImage image = m_bar->grab().toImage();
  for (int i = 0; i < 3; ++i) {
    const QRect rect = m_bar->SegmentRect(i);
    // Inside the segment, clear of its text and of the rounded corners.
    const QColor colour = image.pixelColor(rect.left() + 6, rect.center().y());
    EXPECT_EQ(colour, i == 1 ? kAccent : QColor(Qt::white)) << i;
  }
  // The band's outline and the separators are in the accent colour.
  const QRect middle = m_bar->SegmentRect(1);
  EXPECT_EQ(image.pixelColor(middle.center().x(), middle.top()), kAccent);
  EXPECT_EQ(image.pixelColor(m_bar->SegmentRect(2).left(), middle.center().y()), kAccent);
  // Outside the band nothing of it is drawn.
  EXPECT_NE(image.pixelColor(2, 20), kAccent);
  // White text on the chosen segment, accent text on the others.
  const auto lightPixels = [&image](const QRect& rect) {
    int light = 0;
    for (int y = rect.top() + 6; y < rect.bottom() - 6; ++y) {
      for (int x = rect.left() + 12; x < rect.right() - 12; ++x) {
        const QColor colour = image.pixelColor(x, y);
        light += colour.red() > 200 && colour.green() > 200 && colour.blue() > 200;
      }
    }
    return light;
  };
  EXPECT_GT(lightPixels(middle), 10);
  const QRect first = m_bar->SegmentRect(0);
  const int area = (first.width() - 24) * (first.height() - 12);
  EXPECT_LT(lightPixels(first), area - 10);
}

TEST_F(FilterBarTest, ClickingAnotherSegmentChoosesIt) {
  QSignalSpy chosen(m_bar.get(), &CClientFilterBar::segmentChosen);
  QTest::mouseClick(m_bar.get(), Qt::LeftButton, {}, m_bar->SegmentRect(2).center());
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen.takeFirst().at(0).toInt(), 2);
  EXPECT_EQ(m_bar->Selected(), 2);
  // The chosen segment again, or beside the band: nothing.
  QTest::mouseClick(m_bar.get(), Qt::LeftButton, {}, m_bar->SegmentRect(2).center());
  QTest::mouseClick(m_bar.get(), Qt::LeftButton, {}, QPoint(2, 20));
  EXPECT_EQ(chosen.count(), 0);
  // Selecting from the frame does not emit.
  m_bar->SetSelected(0);
  EXPECT_EQ(m_bar->Selected(), 0);
  EXPECT_EQ(chosen.count(), 0);
}

TEST_F(FilterBarTest, ArrowKeysChooseTheNeighbour) {
  QSignalSpy chosen(m_bar.get(), &CClientFilterBar::segmentChosen);
  QTest::keyClick(m_bar.get(), Qt::Key_Right);
  QTest::keyClick(m_bar.get(), Qt::Key_Right);
  QTest::keyClick(m_bar.get(), Qt::Key_Right);
  QTest::keyClick(m_bar.get(), Qt::Key_Left);
  ASSERT_EQ(chosen.count(), 3);
  EXPECT_EQ(chosen.at(0).at(0).toInt(), 1);
  EXPECT_EQ(chosen.at(1).at(0).toInt(), 2);
  EXPECT_EQ(chosen.at(2).at(0).toInt(), 1);
}

TEST_F(FilterBarTest, HandCursorOverASegmentOnly) {
  QMouseEvent over(QEvent::MouseMove, QPointF(m_bar->SegmentRect(0).center()),
                   m_bar->mapToGlobal(QPointF(m_bar->SegmentRect(0).center())), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(m_bar.get(), &over);
  EXPECT_EQ(m_bar->cursor().shape(), Qt::PointingHandCursor);
  QMouseEvent beside(QEvent::MouseMove, QPointF(2, 20), m_bar->mapToGlobal(QPointF(2, 20)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(m_bar.get(), &beside);
  EXPECT_EQ(m_bar->cursor().shape(), Qt::ArrowCursor);
}

// ---- icons

TEST(ClientIcons, EveryResourceIsDrawnAtTheSizeAsked) {
  for (int resource : {133, 134, 135, 136, 137, 140, 146}) {
    for (int size : {16, 32, 64}) {
      const QImage image = CClientIcons::Image(resource, size);
      ASSERT_EQ(image.size(), QSize(size, size)) << resource;
      // Transparent in the corner, something solid inside.
      EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << resource;
      int solid = 0;
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) solid += image.pixelColor(x, y).alpha() >= 128;
      }
      EXPECT_GT(solid, size * size / 10) << resource << " at " << size;
    }
  }
  EXPECT_EQ(CClientIcons::SourceSize(135), 16);
  EXPECT_EQ(CClientIcons::SourceSize(146), 32);
  EXPECT_EQ(CClientIcons::SourceSize(140), 64);
  EXPECT_TRUE(CClientIcons::Image(999, 16).isNull());
  EXPECT_TRUE(CClientIcons::Bitmap(135, 0).isNull());
}

TEST(ClientIcons, SessionIconsAreTellApart) {
  const QImage plain = CClientIcons::Image(135, 32);
  const QImage received = CClientIcons::Image(136, 32);
  const QImage marked = CClientIcons::Image(137, 32);
  EXPECT_NE(plain, received);
  EXPECT_NE(received, marked);
  // The header emblem is white on transparent, for the accent band.
  const QImage header = CClientIcons::Image(140, 64);
  EXPECT_EQ(header.pixelColor(32, 5), QColor(Qt::white));
}

}  // namespace
