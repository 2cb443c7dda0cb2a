// The free session query: state letters, the four LIKE patterns with escaping, sorting, the flat
// result layout, columns added on demand, BLOB placeholders, and a disk failing mid-query.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/fault_vfs.h"
#include "support/harness.h"
#include "support/scoped_services.h"
#include "support/session_files.h"

namespace {

using qlt::test::CScopedServices;
using qlt::test::RawDb;

class SessionQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_project = qlt::test::TestHome() + QStringLiteral("/data/Survey.ppc");
    ASSERT_TRUE(m_db.OpenPath(m_project));
  }

  CSessionPtr Store(const QString& colour, uint32_t state, int minute,
                    const CVariant& extra = CVariant()) {
    m_services.SetNow(QDateTime(QDate(2024, 1, 1), QTime(10, minute)));
    CSessionPtr session = qlt::test::NewSession();
    session->SetValueText(u"Colour"_qs, colour);
    if (!extra.IsEmpty()) session->SetValue(u"Extra"_qs, extra);
    session->SetState(state);
    EXPECT_TRUE(m_db.SaveSession(*session));
    return session;
  }

  // The GUID texts of the query's rows (every row is 2 + columns strings wide).
  QStringList Guids(const QStringList& results, int columns) {
    QStringList guids;
    for (qsizetype i = 0; i < results.size(); i += 2 + columns) guids.append(results[i]);
    return guids;
  }

  CScopedServices m_services;
  QString m_project;
  CSessionDatabase m_db;
};

TEST_F(SessionQueryTest, StateLettersSelectStates) {
  const CSessionPtr active = Store(u"a"_qs, 0, 1);
  const CSessionPtr sent = Store(u"s"_qs, 1, 2);
  const CSessionPtr deleted = Store(u"d"_qs, 2, 3);
  QStringList results;
  ASSERT_TRUE(m_db.Query(QString(u"AS"_qs), {}, {}, {}, false, false, {}, results));
  EXPECT_EQ(Guids(results, 0), QStringList({active->GuidText(), sent->GuidText()}));
  ASSERT_TRUE(m_db.Query(QString(u"as"_qs), {}, {}, {}, false, false, {}, results));
  EXPECT_TRUE(results.isEmpty());
  ASSERT_TRUE(m_db.Query(QString(u"xDx"_qs), {}, {}, {}, false, false, {}, results));
  EXPECT_EQ(Guids(results, 0), QStringList({deleted->GuidText()}));
  ASSERT_TRUE(m_db.Query(std::nullopt, {}, {}, {}, false, true, {}, results));
  EXPECT_EQ(Guids(results, 0),
            QStringList({deleted->GuidText(), sent->GuidText(), active->GuidText()}));
}

TEST_F(SessionQueryTest, FilterFindsOneItemOfAList) {
  const CSessionPtr middle = Store(u"Blue; Red; Green"_qs, 0, 1);
  const CSessionPtr exact = Store(u"red"_qs, 0, 2);
  const CSessionPtr first = Store(u"Red; Blue"_qs, 0, 3);
  const CSessionPtr last = Store(u"Blue; Red"_qs, 0, 4);
  Store(u"Redwood"_qs, 0, 5);
  Store(u"Blue; Redwood; Green"_qs, 0, 6);
  Store(u"Bored"_qs, 0, 7);
  QStringList results;
  ASSERT_TRUE(m_db.Query(std::nullopt, u"colour"_qs, u"Red"_qs, {}, false, false, {}, results));
  EXPECT_EQ(Guids(results, 0), QStringList({middle->GuidText(), exact->GuidText(),
                                            first->GuidText(), last->GuidText()}));
}

TEST_F(SessionQueryTest, WildcardsInTheFilterAreLiteral) {
  const CSessionPtr percent = Store(u"100%"_qs, 0, 1);
  Store(u"1000"_qs, 0, 2);
  Store(u"100"_qs, 0, 3);
  const CSessionPtr underscore = Store(u"a_b"_qs, 0, 4);
  Store(u"axb"_qs, 0, 5);
  const CSessionPtr bang = Store(u"x!y"_qs, 0, 6);
  QStringList results;
  ASSERT_TRUE(m_db.Query(std::nullopt, u"Colour"_qs, u"100%"_qs, {}, false, false, {}, results));
  EXPECT_EQ(Guids(results, 0), QStringList({percent->GuidText()}));
  ASSERT_TRUE(m_db.Query(std::nullopt, u"Colour"_qs, u"a_b"_qs, {}, false, false, {}, results));
  EXPECT_EQ(Guids(results, 0), QStringList({underscore->GuidText()}));
  ASSERT_TRUE(m_db.Query(std::nullopt, u"Colour"_qs, u"x!y"_qs, {}, false, false, {}, results));
  EXPECT_EQ(Guids(results, 0), QStringList({bang->GuidText()}));
  // Without a filter value the filter does not apply.
  ASSERT_TRUE(m_db.Query(std::nullopt, u"Colour"_qs, {}, {}, false, false, {}, results));
  EXPECT_EQ(results.size(), 12);
}

TEST_F(SessionQueryTest, RowsHoldGuidSavedTimeAndColumnTexts) {
  const CSessionPtr photo = Store(u"Red"_qs, 0, 1, CVariant::FromBytes(QByteArray("jpeg", 4)));
  const CSessionPtr number = Store(u"9"_qs, 0, 2, CVariant::FromInt32(10));
  QStringList results;
  ASSERT_TRUE(m_db.Query(QString(u"A"_qs), {}, {}, u"_DATE"_qs, false, false,
                         {u"EXTRA"_qs, u"colour"_qs, u"never stored"_qs}, results));
  ASSERT_EQ(results.size(), 2 * 5);
  EXPECT_EQ(results[0], photo->GuidText());
  EXPECT_EQ(results[1], QString::number(photo->Saved().ToFileTime()));
  EXPECT_EQ(results[2], u"(Data)"_qs);
  EXPECT_EQ(results[3], u"Red"_qs);
  EXPECT_EQ(results[4], QString());
  EXPECT_EQ(results.mid(5),
            QStringList({number->GuidText(), QString::number(number->Saved().ToFileTime()),
                         u"10"_qs, u"9"_qs, QString()}));
  // The point nobody stored got its (empty) column in the file.
  EXPECT_TRUE(m_db.PointMap().contains(u"never stored"_qs));
  const uint32_t column = m_db.PointMap().value(u"never stored"_qs);
  RawDb raw(m_db.FilePath());
  EXPECT_EQ(raw.Value(QStringLiteral("SELECT COUNT(c%1) FROM session;").arg(column)), u"0"_qs);
}

TEST_F(SessionQueryTest, SortsByPointNumericallyOrBySaveTime) {
  const CSessionPtr ten = Store(u"10"_qs, 0, 1);
  const CSessionPtr nine = Store(u"9"_qs, 0, 2);
  const CSessionPtr eleven = Store(u"11"_qs, 0, 3);
  QStringList results;
  ASSERT_TRUE(m_db.Query(std::nullopt, {}, {}, u"Colour"_qs, true, false, {}, results));
  EXPECT_EQ(Guids(results, 0),
            QStringList({nine->GuidText(), ten->GuidText(), eleven->GuidText()}));
  ASSERT_TRUE(m_db.Query(std::nullopt, {}, {}, u"Colour"_qs, false, false, {}, results));
  EXPECT_EQ(Guids(results, 0),
            QStringList({ten->GuidText(), eleven->GuidText(), nine->GuidText()}));
  ASSERT_TRUE(m_db.Query(std::nullopt, {}, {}, u"_TIME"_qs, false, true, {}, results));
  EXPECT_EQ(Guids(results, 0),
            QStringList({eleven->GuidText(), nine->GuidText(), ten->GuidText()}));
  // "_date" is a point name like any other (the comparison is exact).
  ASSERT_TRUE(m_db.Query(std::nullopt, {}, {}, u"_date"_qs, false, false, {}, results));
  EXPECT_TRUE(m_db.PointMap().contains(u"_date"_qs));
}

// A read that fails halfway through the rows gives no answer rather than part of the sessions
// passed off as all of them; the same database answers in full once the disk reads again.
TEST_F(SessionQueryTest, ReadFailingMidwayGivesNoPartialList) {
  // Values long enough to spill into overflow pages, which opening the list never reads.
  const QString notes(20000, u'n');
  for (int i = 0; i < 60; ++i) {
    CSessionPtr session = qlt::test::NewSession();
    session->SetValueText(u"Notes"_qs, notes + QString::number(i));
    ASSERT_TRUE(m_db.SaveSession(*session));
  }
  m_db.Close();
  CFaultVfs& vfs = CFaultVfs::Instance();
  ASSERT_TRUE(vfs.Install());
  const auto query = [](CSessionDatabase& db, QStringList& rows) {
    return db.Query(std::nullopt, {}, {}, {}, false, false, {u"Notes"_qs}, rows);
  };
  QStringList rows;
  int reads = 0;
  {
    // A fresh connection reads every page it needs: count them.
    CSessionDatabase db;
    ASSERT_TRUE(db.OpenPath(m_project));
    vfs.Disarm();
    ASSERT_TRUE(query(db, rows));
    reads = vfs.Count(CFaultVfs::Operation::Read);
  }
  EXPECT_EQ(rows.size(), 60 * 3);
  ASSERT_GT(reads, 20);
  CSessionDatabase db;
  ASSERT_TRUE(db.OpenPath(m_project));
  vfs.FailAt(CFaultVfs::Operation::Read, reads / 2, SQLITE_IOERR_READ);
  EXPECT_FALSE(query(db, rows));
  EXPECT_TRUE(vfs.Fired());
  EXPECT_TRUE(rows.isEmpty());
  vfs.Disarm();
  vfs.Uninstall();
  EXPECT_TRUE(query(db, rows));
  EXPECT_EQ(rows.size(), 60 * 3);
}

}  // namespace
