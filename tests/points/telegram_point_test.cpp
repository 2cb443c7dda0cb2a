// The telegram point against the plain page window: which received telegrams it applies and what
// they change, what a tap sends (through a recording sender) with its alerts, and the button band
// it draws for each mode at both scales.
#include "points/telegram_point.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "app/message_service.h"
#include "app/services.h"
#include "points/edit_point.h"
#include "points/telegram.h"
#include "project/display_scale.h"
#include "project/page.h"
#include "project/plain_page_window.h"
#include "project/project.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"

namespace {

using qlt::test::AddPoint;
using qlt::test::CScopedServices;

const QString kGuid = QStringLiteral("0C1D2E3F-4A5B-6C7D-8E9F-A0B1C2D3E4F5");

// Keeps copies of what it is asked to send; `online` decides the answer.
class CRecordingSender : public CTelegramSender {
 public:
  CRecordingSender(QList<CTelegram>* sent, bool online) : m_sent(sent), m_online(online) {}
  bool Send(CTelegram& telegram) override {
    telegram.SetUnitId(QStringLiteral("Unit-7"));
    if (m_online) m_sent->append(telegram.Clone());
    return m_online;
  }

 private:
  QList<CTelegram>* m_sent;
  bool m_online;
};

class TelegramPointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_page = m_project.AddPage();
    m_other = m_project.AddPage();
    m_site = AddPoint<CEditPoint>(m_page, QStringLiteral("Site"), QStringLiteral("Site"));
    m_count = AddPoint<CEditPoint>(m_other, QStringLiteral("Count"), QStringLiteral("Count"));
    m_point = AddPoint<CTelegramPoint>(m_page, QStringLiteral("Tele"), QStringLiteral("Alarm"));
    m_page->Activate(&m_window);
  }
  void TearDown() override { CDisplayScale::SetDoubled(false); }

  void Receiving(const QString& matchKey = QString()) {
    auto& s = m_point->MutableSettings();
    s.send = 0;
    s.receive = 1;
    s.matchKey = matchKey;
  }
  CTelegram Telegram(const QList<std::pair<QString, CVariant>>& entries) {
    CTelegram telegram(&m_project);
    for (const auto& [name, value] : entries) telegram.MutableValues().SetVariant(name, value);
    return telegram;
  }
  static CVariant Text(const char* text) { return CVariant::FromString(QString::fromUtf8(text)); }
  QList<CScriptedMessageService::Shown> Shown() const { return m_services.Messages().Messages(); }
  // The tap lands in the middle of the button band, below the caption.
  void TapBand() {
    const QRect& item = m_point->ItemRect();
    m_point->OnTap(item.center().x(), item.bottom() - 4);
  }
  void Lay(int width = 400) {
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    m_point->SetItemRect(QRect(0, 0, width, m_point->GetHeight(&painter, width)));
  }

  CScopedServices m_services;
  CProject m_project;
  CPage* m_page = nullptr;
  CPage* m_other = nullptr;
  CPlainPageWindow m_window;
  CEditPoint* m_site = nullptr;
  CEditPoint* m_count = nullptr;
  CTelegramPoint* m_point = nullptr;
};

TEST_F(TelegramPointTest, MatchingFollowsTheNameTheMatchKeyAndTheSession) {
  const struct Case {
    const char* what;
    int receive;
    const char* matchKey;
    QList<std::pair<QString, CVariant>> entries;
    bool session;
    bool applies;
  } cases[] = {
      {"same name", 1, "", {{u"TelegramName"_qs, Text("Telegram1")}}, false, true},
      {"not receiving", 0, "", {{u"TelegramName"_qs, Text("Telegram1")}}, false, false},
      {"name differs in case", 1, "", {{u"TelegramName"_qs, Text("telegram1")}}, false, false},
      {"no name", 1, "", {{u"Site"_qs, Text("Mill")}}, false, false},
      {"name not text", 1, "", {{u"TelegramName"_qs, CVariant::FromInt32(1)}}, false, false},
      {"GUID of the session",
       1,
       "(GUID)",
       {{u"TelegramName"_qs, Text("Telegram1")}, {u"GUID"_qs, CVariant::FromString(kGuid)}},
       true,
       true},
      {"GUID without a session",
       1,
       "(GUID)",
       {{u"TelegramName"_qs, Text("Telegram1")}, {u"GUID"_qs, CVariant::FromString(kGuid)}},
       false,
       false},
      {"other GUID",
       1,
       "(GUID)",
       {{u"TelegramName"_qs, Text("Telegram1")}, {u"GUID"_qs, Text("00000000-0000")}},
       true,
       false},
      {"GUID missing", 1, "(GUID)", {{u"TelegramName"_qs, Text("Telegram1")}}, true, false},
      {"point value equal",
       1,
       "Site",
       {{u"TelegramName"_qs, Text("Telegram1")}, {u"site"_qs, Text("Mill Lane")}},
       false,
       true},
      {"point value differs",
       1,
       "Site",
       {{u"TelegramName"_qs, Text("Telegram1")}, {u"Site"_qs, Text("mill lane")}},
       false,
       false},
      {"key entry not text",
       1,
       "Site",
       {{u"TelegramName"_qs, Text("Telegram1")}, {u"Site"_qs, CVariant::FromBytes("ab")}},
       false,
       false},
      {"key names no point",
       1,
       "Nowhere",
       {{u"TelegramName"_qs, Text("Telegram1")}, {u"Nowhere"_qs, Text("x")}},
       false,
       false},
  };
  m_site->AssignValue(Text("Mill Lane"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Receiving(QString::fromUtf8(c.matchKey));
    m_point->MutableSettings().receive = c.receive;
    m_project.SetSessionGuid(c.session ? kGuid : QString());
    EXPECT_EQ(m_point->Matches(Telegram(c.entries)), c.applies);
  }
}

TEST_F(TelegramPointTest, AReceivedTelegramSetsTheNamedPointsOnEveryPageAndSaysSo) {
  Receiving();
  auto* named = AddPoint<CEditPoint>(m_other, QStringLiteral("TelegramName"));
  CTelegram telegram = Telegram({{u"TelegramName"_qs, Text("Telegram1")},
                                 {u"Site"_qs, Text("Quay 4")},
                                 {u"Count"_qs, CVariant::FromInt32(12)},
                                 {u"Unknown"_qs, Text("lost")}});
  telegram.Dispatch();
  EXPECT_EQ(m_site->OutputText(), u"Quay 4"_qs);
  EXPECT_EQ(m_count->OutputText(), u"12"_qs);
  EXPECT_EQ(named->OutputText(), u"Telegram1"_qs);
  EXPECT_EQ(m_point->OutputText(), u"Telegram Received"_qs);
  ASSERT_EQ(Shown().size(), 1);
  EXPECT_EQ(Shown()[0].text, CScopedServices::Text("Point.Telegram.Received"));
  EXPECT_EQ(Shown()[0].style & kMbIconMask, kMbIconInformation);

  // Without alerts the same happens silently; a telegram of another name changes nothing.
  m_point->MutableSettings().showAlerts = 0;
  m_point->AssignValue(CVariant());
  Telegram({{u"TelegramName"_qs, Text("Telegram1")}, {u"Site"_qs, Text("Quay 5")}}).Dispatch();
  EXPECT_EQ(m_site->OutputText(), u"Quay 5"_qs);
  Telegram({{u"TelegramName"_qs, Text("Other")}, {u"Site"_qs, Text("Quay 6")}}).Dispatch();
  EXPECT_EQ(m_site->OutputText(), u"Quay 5"_qs);
  EXPECT_EQ(Shown().size(), 1);
}

TEST_F(TelegramPointTest, ATapOnTheBandSendsTheFieldsAndTheSessionGuid) {
  QList<CTelegram> sent;
  CServices::Instance().SetTelegramSender(std::make_unique<CRecordingSender>(&sent, true));
  auto& s = m_point->MutableSettings();
  s.telegramName = QStringLiteral("Gate");
  s.fields = QStringList{u"Site"_qs, u"(GUID)"_qs, u"Missing"_qs, u"Count"_qs};
  m_site->AssignValue(Text("Mill Lane"));
  m_count->AssignValue(CVariant::FromInt32(3));
  m_project.SetSessionGuid(kGuid);
  Lay();
  TapBand();
  ASSERT_EQ(sent.size(), 1);
  const CVariantMap& values = sent[0].Values();
  EXPECT_EQ(values.Count(), 4);
  EXPECT_EQ(values.GetText(u"TelegramName"_qs), u"Gate"_qs);
  EXPECT_EQ(values.GetText(u"Site"_qs), u"Mill Lane"_qs);
  EXPECT_EQ(values.GetVariant(u"Count"_qs), CVariant::FromInt32(3));
  EXPECT_EQ(values.GetText(u"GUID"_qs).size(), 36);
  EXPECT_EQ(sent[0].Project(), &m_project);
  EXPECT_EQ(m_point->OutputText(), u"Telegram Sent"_qs);
  ASSERT_EQ(Shown().size(), 1);
  EXPECT_EQ(Shown()[0].text, CScopedServices::Text("Point.Telegram.Sent"));

  // Above the band the tap is any point's (the help), and a read-only session sends nothing.
  m_point->SetHelp(QStringLiteral("Sends the gate alarm"));
  m_point->OnTap(5, m_point->ItemRect().top() + 1);
  EXPECT_EQ(m_window.HelpShown().size(), 1);
  m_project.SetReadOnly(true);
  TapBand();
  EXPECT_EQ(sent.size(), 1);
  // Without a session no GUID entry is sent.
  m_project.SetReadOnly(false);
  m_project.SetSessionGuid(QString());
  TapBand();
  ASSERT_EQ(sent.size(), 2);
  EXPECT_EQ(sent[1].Values().Find(u"GUID"_qs), nullptr);
}

TEST_F(TelegramPointTest, SendingWhileOfflineWarnsAndKeepsTheValue) {
  QList<CTelegram> sent;
  CServices::Instance().SetTelegramSender(std::make_unique<CRecordingSender>(&sent, false));
  Lay();
  TapBand();
  EXPECT_TRUE(m_point->OutputText().isEmpty());
  ASSERT_EQ(Shown().size(), 1);
  EXPECT_EQ(Shown()[0].text, CScopedServices::Text("Point.Telegram.UnableToSend"));
  EXPECT_EQ(Shown()[0].style & kMbIconMask, kMbIconExclamation);
  // The sender nobody set is never online.
  CServices::Instance().SetTelegramSender(nullptr);
  m_point->MutableSettings().showAlerts = 0;
  EXPECT_FALSE(m_point->SendTelegram());
  EXPECT_EQ(Shown().size(), 1);
}

TEST_F(TelegramPointTest, TheBandShowsTheModeAndWhetherATelegramWentOrCame) {
  const struct Case {
    int send;
    int receive;
    const char* value;
    const char* key;
    QColor fill;
  } cases[] = {
      {1, 0, "", "Point.Telegram.TapToSend", Qt::white},
      {1, 1, "Telegram Sent", "Point.Telegram.TapToSendAgain", QColor(152, 201, 231)},
      {0, 1, "", "Point.Telegram.Waiting", Qt::white},
      {0, 1, "Telegram Received", "Point.Telegram.WaitingAgain", QColor(154, 232, 151)},
      {0, 0, "x", "", Qt::white},
  };
  // Wide enough that even the doubled caption leaves the band's right end clear.
  constexpr int kWidth = 800;
  for (const bool doubled : {false, true}) {
    CDisplayScale::SetDoubled(doubled);
    const int band = (doubled ? 64 : 32);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.key << " doubled " << doubled);
      auto& s = m_point->MutableSettings();
      s.send = c.send;
      s.receive = c.receive;
      m_point->AssignValue(Text(c.value));
      const CTelegramPoint::Face face = CTelegramPoint::FaceOf(s, *c.value == 0);
      EXPECT_EQ(face.captionKey, QString::fromUtf8(c.key));
      EXPECT_EQ(face.fill, c.fill);

      QImage image(kWidth, 300, QImage::Format_RGB32);
      image.fill(Qt::red);
      QPainter painter(&image);
      const int height = m_point->GetHeight(&painter, kWidth);
      EXPECT_EQ(height, m_point->DefaultGetHeight(&painter, kWidth) + band);
      m_point->SetItemRect(QRect(0, 0, kWidth, height));
      EXPECT_EQ(m_point->Paint(&painter), height);
      painter.end();
      // Near the right end of the band, clear of the centred caption and of the corners.
      EXPECT_EQ(image.pixelColor(kWidth - 16 * (doubled ? 2 : 1), height - band / 2), c.fill);
      // The caption is drawn in black somewhere along the band's middle line when there is one.
      bool dark = false;
      for (int x = 0; x < kWidth; ++x) {
        for (int y = height - band + 4; y < height - 4; ++y) {
          dark = dark || image.pixelColor(x, y).lightness() < 60;
        }
      }
      EXPECT_EQ(dark, *c.key != 0);
    }
  }
}

}  // namespace
