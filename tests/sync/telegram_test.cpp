// Telegrams on the client's side of the wire: the archive form both ways, damaged archives
// refused whole, code 42 dropped (with a log line, nothing changed) unless it is for the open
// project and reads, and sending refused while the connection is not online.
#include "points/telegram.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "points/edit_point.h"
#include "points/telegram_point.h"
#include "project/page.h"
#include "project/project.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "sync/connection.h"
#include "sync/net_message.h"
#include "sync/telegram_link.h"
#include "values/archive.h"

namespace {

using qlt::test::AddPoint;

// Collects the log lines written while it lives.
class CLogCapture {
 public:
  CLogCapture() {
    s_lines.clear();
    m_previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { s_lines.append(text); });
  }
  ~CLogCapture() { qInstallMessageHandler(m_previous); }
  static const QStringList& Lines() { return s_lines; }

 private:
  static inline QStringList s_lines;
  QtMessageHandler m_previous;
};

CTelegram Sample(CProject* project) {
  CTelegram telegram(project);
  telegram.SetUnitId(QStringLiteral("Unit-\u00e9"));
  CVariantMap& values = telegram.MutableValues();
  values.SetText(QStringLiteral("TelegramName"), QStringLiteral("Telegram1"));
  values.SetVariant(QStringLiteral("Count"), CVariant::FromInt32(-7));
  values.SetVariant(QStringLiteral("Ratio"), CVariant::FromDouble(0.25));
  values.SetVariant(QStringLiteral("Photo"), CVariant::FromBytes(QByteArray("\0\1\2", 3)));
  values.SetVariant(QStringLiteral("Nothing"), CVariant());
  return telegram;
}

TEST(TelegramArchiveTest, TheArchiveFormReadsBackAndClonesAreIndependent) {
  const struct {
    const char* what;
    CTelegram telegram;
  } cases[] = {
      {"empty", CTelegram(nullptr)},
      {"values of several types", Sample(nullptr)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QByteArray bytes = c.telegram.WriteArchive();
    // The unit ID's archive string comes first, then the counted map.
    CArchive ar(bytes);
    EXPECT_EQ(ar.ReadString(), c.telegram.UnitId());
    EXPECT_EQ(ar.ReadCount(), c.telegram.Values().Count());
    CTelegram back(nullptr);
    ASSERT_TRUE(back.ReadArchive(bytes));
    EXPECT_EQ(back.UnitId(), c.telegram.UnitId());
    EXPECT_TRUE(back.Values() == c.telegram.Values());
  }
  CProject project;
  const CTelegram original = Sample(&project);
  CTelegram copy = original.Clone();
  copy.MutableValues().SetText(QStringLiteral("Count"), QStringLiteral("changed"));
  EXPECT_EQ(copy.Project(), &project);
  EXPECT_EQ(copy.UnitId(), original.UnitId());
  EXPECT_EQ(original.Values().GetVariant(QStringLiteral("Count")), CVariant::FromInt32(-7));
}

TEST(TelegramArchiveTest, DamagedArchivesAreRefusedWhole) {
  const QByteArray good = Sample(nullptr).WriteArchive();
  // One entry whose variant is written by hand after a good unit ID and key.
  const auto withVariant = [](const QByteArray& variant) {
    CArchive ar;
    ar.WriteString(QStringLiteral("Unit-1"));
    ar.WriteCount(1);
    ar.WriteString(QStringLiteral("key"));
    QByteArray bytes = ar.Buffer();
    return bytes + variant;
  };
  const auto le32 = [](int32_t v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
  };
  QList<std::pair<QString, QByteArray>> cases = {
      {u"nothing"_qs, QByteArray()},
      {u"more entries than bytes"_qs,
       [] {
         CArchive ar;
         ar.WriteString(QStringLiteral("Unit-1"));
         ar.WriteCount(1000);
         return ar.Buffer();
       }()},
      {u"string with a negative byte count"_qs, withVariant(QByteArray("\x08\x00", 2) + le32(-4))},
      {u"string longer than the bytes"_qs, withVariant(QByteArray("\x08\x00", 2) + le32(4000))},
      {u"array without dimensions"_qs, withVariant(QByteArray("\x11\x20", 2) + le32(0))},
      {u"array of five dimensions"_qs, withVariant(QByteArray("\x11\x20", 2) + le32(5))},
      {u"array with a negative extent"_qs,
       withVariant(QByteArray("\x11\x20", 2) + le32(1) + le32(5) + le32(1))},
  };
  // Every cut of a good archive short of its end.
  for (qsizetype size = 1; size < good.size(); ++size) {
    cases.append({QStringLiteral("cut at %1").arg(size), good.left(size)});
  }
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what.toStdString());
    CTelegram telegram = Sample(nullptr);
    EXPECT_FALSE(telegram.ReadArchive(bytes));
    EXPECT_EQ(telegram.Values().Count(), 0);
    EXPECT_TRUE(telegram.UnitId().isEmpty());
  }
}

class TelegramLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_project.SetPath(QStringLiteral("/data/Site Inspection.ppc"));
    m_project.MutableHeader().uniqueNumber = 4242;
    CPage* page = m_project.AddPage();
    m_site = AddPoint<CEditPoint>(page, QStringLiteral("Site"));
    m_site->AssignValue(CVariant::FromString(QStringLiteral("before")));
    m_point = AddPoint<CTelegramPoint>(page, QStringLiteral("Tele"));
    m_point->MutableSettings().send = 0;
    m_point->MutableSettings().receive = 1;
    m_point->MutableSettings().showAlerts = 0;
  }
  // Code 42 as the server relays it: name, number, then the archive.
  static CNetMessage Relayed(const QString& name, const QByteArray& archive) {
    CNetMessage message(CTelegramLink::kTelegramFromServer);
    message.WriteString(name);
    message.WriteU32(1);  // not compared
    message.WriteBytes(archive);
    message.Rewind();
    return message;
  }
  QByteArray Archive(const QString& site) {
    CTelegram telegram(nullptr);
    telegram.MutableValues().SetText(QStringLiteral("TelegramName"), QStringLiteral("Telegram1"));
    telegram.MutableValues().SetText(QStringLiteral("Site"), site);
    return telegram.WriteArchive();
  }

  qlt::test::CScopedServices m_services;
  CProject m_project;
  CEditPoint* m_site = nullptr;
  CTelegramPoint* m_point = nullptr;
};

TEST_F(TelegramLinkTest, OnlyATelegramThatReadsForTheOpenProjectReachesItsPoints) {
  const QByteArray good = Archive(QStringLiteral("after"));
  const struct {
    const char* what;
    CNetMessage message;
    bool projectOpen;
    const char* log;  // empty: applied, nothing logged
  } cases[] = {
      {"no project open", Relayed(u"Site Inspection.ppc"_qs, good), false, "not open"},
      {"another project", Relayed(u"Other.ppc"_qs, good), true, "not open"},
      {"damaged archive", Relayed(u"Site Inspection.ppc"_qs, good.left(good.size() - 3)), true,
       "damaged"},
      {"no number", CNetMessage(CTelegramLink::kTelegramFromServer, QByteArray("\x02", 1)), true,
       "damaged"},
      {"name in other case", Relayed(u"SITE inspection.PPC"_qs, good), true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    m_site->AssignValue(CVariant::FromString(QStringLiteral("before")));
    m_point->AssignValue(CVariant());
    CLogCapture log;
    CNetMessage message = c.message;
    EXPECT_TRUE(CTelegramLink::Receive(message, c.projectOpen ? &m_project : nullptr));
    if (*c.log == 0) {
      EXPECT_EQ(m_site->OutputText(), u"after"_qs);
      EXPECT_EQ(m_point->OutputText(), u"Telegram Received"_qs);
      EXPECT_TRUE(CLogCapture::Lines().isEmpty());
    } else {
      EXPECT_EQ(m_site->OutputText(), u"before"_qs);
      EXPECT_TRUE(m_point->OutputText().isEmpty());
      ASSERT_EQ(CLogCapture::Lines().size(), 1);
      EXPECT_TRUE(CLogCapture::Lines()[0].contains(QLatin1String(c.log)))
          << CLogCapture::Lines()[0].toStdString();
    }
  }
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(TelegramLinkTest, SendingStampsTheUnitAndFailsWhileNotOnline) {
  CConnection connection(CConnectionSettings(), CHandshake::Identity{}, 0);
  CTelegramLink link(connection, [] { return QStringLiteral("Unit-3"); });
  CTelegram telegram = Sample(&m_project);
  EXPECT_FALSE(link.Send(telegram));
  EXPECT_EQ(telegram.UnitId(), u"Unit-3"_qs);

  CNetMessage message = CTelegramLink::Message(telegram);
  EXPECT_EQ(message.Code(), CTelegramLink::kTelegramToServer);
  QString name;
  uint32_t unique = 0;
  ASSERT_TRUE(message.ReadString(name) && message.ReadU32(unique));
  EXPECT_EQ(name, u"Site Inspection.ppc"_qs);
  EXPECT_EQ(unique, 4242u);
  EXPECT_EQ(message.ReadRest(), telegram.WriteArchive());
}

}  // namespace
