// The layout and link points without widgets: the shared drawing rules, what a link's address asks
// for, separators, texts and images, and what a tap or a changed precedent makes a link do against
// a plain page window with scripted messages and a recording shell.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <cstdint>

#include "app/services.h"
#include "points/edit_point.h"
#include "points/layout_drawing.h"
#include "points/layout_point.h"
#include "points/link_point.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/project_builder.h"
#include "support/recording_shell.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::AddPoint;
using qlt::test::CRecordingShell;
using qlt::test::CScopedServices;

TEST(LayoutDrawing, SeparatorsFontsAndImageSizes) {
  EXPECT_TRUE(CLayoutDrawing::IsSeparator(QStringLiteral("-"), false));
  EXPECT_TRUE(CLayoutDrawing::IsSeparator(QStringLiteral("---"), false));
  EXPECT_FALSE(CLayoutDrawing::IsSeparator(QStringLiteral("---"), true));
  EXPECT_FALSE(CLayoutDrawing::IsSeparator(QStringLiteral("-- -"), false));
  EXPECT_FALSE(CLayoutDrawing::IsSeparator(QString(), false));

  using Font = CLayoutDrawing::FontSettings;
  const QString text = QStringLiteral("Text");
  EXPECT_FALSE(CLayoutDrawing::CustomFont(text, Font{QStringLiteral("Tahoma")}, 1));
  EXPECT_FALSE(CLayoutDrawing::CustomFont(QString(), Font{QStringLiteral("Arial"), -20}, 1));
  EXPECT_FALSE(CLayoutDrawing::CustomFont(text, Font{QString(), -20}, 1));
  const std::optional<QFont> big =
      CLayoutDrawing::CustomFont(text, Font{QStringLiteral("Tahoma"), -20, 0, 0, true}, 2);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->pixelSize(), 40);
  EXPECT_EQ(big->weight(), QFont::Bold);
  const std::optional<QFont> underlined =
      CLayoutDrawing::CustomFont(text, Font{QStringLiteral("Tahoma"), -12, 1, 1}, 1);
  ASSERT_TRUE(underlined);
  EXPECT_TRUE(underlined->underline() && underlined->italic());
  EXPECT_EQ(underlined->pixelSize(), 12);
  // A damaged size cannot ask for an absurd font.
  EXPECT_LE(
      CLayoutDrawing::CustomFont(text, Font{QStringLiteral("Arial"), INT32_MIN}, 1)->pixelSize(),
      400);

  const QSize image(40, 20);
  EXPECT_EQ(CLayoutDrawing::ImageDrawSize(image, false, 1), image);
  EXPECT_EQ(CLayoutDrawing::ImageDrawSize(image, true, 2), image);
  EXPECT_EQ(CLayoutDrawing::ImageDrawSize(image, false, 2), QSize(80, 40));
  EXPECT_EQ(CLayoutDrawing::ImageDrawSize(image, true, 1), QSize(20, 10));
}

TEST(LinkPoint, ClassifiesAddresses) {
  using Kind = CLinkPoint::AddressKind;
  const struct {
    const char* address;
    Kind kind;
  } cases[] = {
      {"", Kind::kNone},
      {"   ", Kind::kNone},
      {"qlt://send/sessions?project=Site.ppc", Kind::kCommand},
      {"QLT://open/session", Kind::kCommand},
      {"http://example.com", Kind::kWeb},
      {"  HTTPS://example.com/a b", Kind::kWeb},
      {"www.example.com", Kind::kOther},
      {"httpx://example.com", Kind::kOther},
      {"http-evil:run", Kind::kOther},
      {"mailto:office@example.com", Kind::kOther},
      {"file:///etc/passwd", Kind::kOther},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CLinkPoint::ClassifyAddress(QString::fromLatin1(c.address)), c.kind) << c.address;
  }
}

class LayoutLinkPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_page = m_project.AddPage();
    m_other = m_project.AddPage();
    m_other->SetUniqueNumber(4242);
    m_services.Services().SetShell(std::make_unique<CRecordingShell>(&m_opened));
  }

  CLinkPoint* AddLink(const QString& address, uint32_t target = 0) {
    auto* link = AddPoint<CLinkPoint>(m_page, QString(), QStringLiteral("Go"));
    link->MutableSettings().address = address;
    link->MutableSettings().targetPage = target;
    return link;
  }
  // Paints the point alone at the top of a white canvas.
  QImage PaintAlone(CBasePoint* point, int width = 200) {
    QImage image(width, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const int height = point->GetHeight(&painter, width);
    point->SetItemRect(QRect(0, 0, width, height));
    EXPECT_EQ(point->Paint(&painter), height);
    return image;
  }
  QStringList MessageTexts() const {
    QStringList texts;
    for (const auto& shown : m_services.Messages().Messages()) texts.append(shown.text);
    return texts;
  }

  CScopedServices m_services;
  CProject m_project;
  CPage* m_page = nullptr;
  CPage* m_other = nullptr;
  CPlainPageWindow m_window;
  QStringList m_opened;
};

TEST_F(LayoutLinkPointTest, DashesAloneAreALineOnePixelHighUnlessAnImageFollows) {
  auto* line = AddPoint<CLayoutPoint>(m_page, QStringLiteral("Line"));
  line->MutableSettings().text = QStringLiteral("---");
  line->MutableSettings().colour = 0x000000FF;  // red
  m_page->Activate(&m_window);
  const QImage painted = PaintAlone(line);
  EXPECT_EQ(line->ItemRect().height(), 1);
  EXPECT_EQ(painted.pixelColor(100, 0), QColor(Qt::red));
  EXPECT_EQ(painted.pixelColor(100, 1), QColor(Qt::white));

  QImage picture(30, 16, QImage::Format_RGB888);
  picture.fill(Qt::green);
  QByteArray bmp;
  QBuffer buffer(&bmp);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "BMP"));
  line->MutableSettings().image = bmp;
  m_page->Activate(&m_window);
  ASSERT_FALSE(line->Image().isNull());
  const QImage both = PaintAlone(line);
  const int textHeight = line->ItemRect().height() - 16 - m_project.Graphics().gap;
  EXPECT_GT(textHeight, 5);
  // The dashes are text now, in red, and the image stands centred below them.
  EXPECT_EQ(both.pixelColor(100, line->ItemRect().bottom() - 2), QColor(Qt::green));
  EXPECT_EQ(both.pixelColor(84, line->ItemRect().bottom() - 2), QColor(Qt::white));
  ASSERT_TRUE(m_page->Leave(false));
  EXPECT_TRUE(line->Image().isNull());
}

TEST_F(LayoutLinkPointTest, LayoutTextFollowsThePointsItNames) {
  auto* site = AddPoint<CEditPoint>(m_page, QStringLiteral("Site"));
  auto* title = AddPoint<CLayoutPoint>(m_page, QStringLiteral("Title"));
  title->MutableSettings().text = QStringLiteral("Inspection at <%Site%>");
  site->AssignValue(CVariant::FromString(QStringLiteral("Mill Lane")));
  m_page->Activate(&m_window);
  EXPECT_EQ(title->DisplayText(), QStringLiteral("Inspection at Mill Lane"));
  const int relayouts = m_window.RelayoutCount();
  site->SetValue(QStringLiteral("Harbour Street"));
  EXPECT_EQ(title->DisplayText(), QStringLiteral("Inspection at Harbour Street"));
  EXPECT_EQ(m_window.RelayoutCount(), relayouts + 1);
  // The same text again is no change to lay out.
  title->OnDep(site);
  EXPECT_EQ(m_window.RelayoutCount(), relayouts + 1);
}

TEST_F(LayoutLinkPointTest, LinkCaptionIsIndentedUnderlinedAndBlue) {
  CLinkPoint* link = AddLink(QString());
  m_page->Activate(&m_window);
  const QImage painted = PaintAlone(link);
  int blue = 0;
  int blueInIndent = 0;
  for (int y = 0; y < link->ItemRect().height(); ++y) {
    for (int x = 0; x < 200; ++x) {
      const QColor c = painted.pixelColor(x, y);
      if (c.blue() > 200 && c.red() < 100) (x < 10 ? blueInIndent : blue)++;
    }
  }
  EXPECT_GT(blue, 10);
  EXPECT_EQ(blueInIndent, 0);
  const QFontMetrics metrics(*CLayoutDrawing::CustomFont(
      QStringLiteral("Go"), {QStringLiteral("Tahoma"), -12, 0, 1, true}, 1));
  EXPECT_EQ(link->ItemRect().height(), metrics.height() + 2);
}

TEST_F(LayoutLinkPointTest, TapsOpenAskOrRefuseByAddress) {
  const struct {
    const char* address;
    int answer;  // to a question, 0 when none is expected
    bool opened;
    const char* message;  // the key of the message shown, or nothing
  } cases[] = {
      {"https://example.com/guide", 0, true, nullptr},
      {"www.example.com", kIdYes, true, "Point.Link.ConfirmURL"},
      {"www.example.com", kIdNo, false, "Point.Link.ConfirmURL"},
      {"http-evil:run", kIdNo, false, "Point.Link.ConfirmURL"},
      {"qlt://send/sessions", 0, false, "Point.Link.NoCommandLinks"},
  };
  for (const auto& c : cases) {
    m_opened.clear();
    m_services.Messages().ClearMessages();
    const QString address = QString::fromLatin1(c.address);
    CLinkPoint* link = AddLink(address);
    m_page->Activate(&m_window);
    if (c.answer) m_services.Messages().QueueAnswer(c.answer);
    link->OnTap(1, 1);
    EXPECT_EQ(m_opened, c.opened ? QStringList{address} : QStringList()) << c.address;
    if (c.message) {
      QString expected = CScopedServices::Text(c.message);
      ASSERT_EQ(MessageTexts().size(), 1) << c.address;
      EXPECT_EQ(MessageTexts()[0], expected.replace(QStringLiteral("%s"), address));
    } else {
      EXPECT_TRUE(MessageTexts().isEmpty()) << c.address;
    }
    m_page->RemovePoint(link);
  }
  // Where the main window takes command links, the link goes there and nothing is shown.
  QStringList taken;
  m_services.Services().SetCommandLinkTaker([&](const QString& link) { taken.append(link); });
  m_services.Messages().ClearMessages();
  CLinkPoint* command = AddLink(u"qlt://send/sessions"_qs);
  m_page->Activate(&m_window);
  command->OnTap(1, 1);
  EXPECT_EQ(taken, QStringList{u"qlt://send/sessions"_qs});
  EXPECT_TRUE(MessageTexts().isEmpty());
}

TEST_F(LayoutLinkPointTest, LinkChangesPageFirstThenOpensAndReportsAFailedOpen) {
  auto* city = AddPoint<CEditPoint>(m_page, QStringLiteral("City"));
  city->AssignValue(CVariant::FromString(QStringLiteral("Bristol")));
  CLinkPoint* link = AddLink(QStringLiteral("https://example.com/?q=<%City%>"), 4242);
  m_page->Activate(&m_window);
  link->OnTap(1, 1);
  EXPECT_EQ(m_window.PageChanges(), QList<CPage*>{m_other});
  EXPECT_EQ(m_opened, QStringList{QStringLiteral("https://example.com/?q=Bristol")});

  // A link to its own page does not change page; a refused open is told, not hidden.
  link->MutableSettings().targetPage = static_cast<uint32_t>(m_page->UniqueNumber());
  m_services.Services().SetShell(std::make_unique<CRecordingShell>(&m_opened, false));
  m_window.ClearRecords();
  link->OnTap(1, 1);
  EXPECT_TRUE(m_window.PageChanges().isEmpty());
  ASSERT_EQ(MessageTexts().size(), 1);
  EXPECT_TRUE(MessageTexts()[0].contains(QStringLiteral("https://example.com/?q=Bristol")));
}

TEST_F(LayoutLinkPointTest, ChangedPrecedentMakesAVisibleLinkActOnce) {
  auto* code = AddPoint<CEditPoint>(m_page, QStringLiteral("Code"));
  CLinkPoint* link = AddLink(QStringLiteral("https://example.com/<%Code%>"));
  m_page->Activate(&m_window);
  code->SetValue(QStringLiteral("A1"));
  ASSERT_EQ(m_window.Posted().size(), 1);
  EXPECT_EQ(m_window.Posted()[0].point, link);
  m_window.DeliverPosted();
  EXPECT_EQ(m_opened, QStringList{QStringLiteral("https://example.com/A1")});

  // Off screen, or hidden by a condition, the link stays still.
  m_window.SetOnScreen(false);
  code->SetValue(QStringLiteral("B2"));
  m_window.SetOnScreen(true);
  link->SetShown(false);
  code->SetValue(QStringLiteral("C3"));
  EXPECT_TRUE(m_window.Posted().isEmpty());
}

}  // namespace
