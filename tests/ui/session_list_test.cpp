// The session list on a real project database in the test's home and a real list on the
// offscreen platform: the columns a project's column text gives, the row texts, images and
// colours, sorting by a clicked column (text and numeric), the touch-style taps, the long press
// and the keyboard, column widths kept per project, and rows built only as they are shown.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <memory>

#include "app/language.h"
#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sessions/session_database.h"
#include "support/files.h"
#include "support/harness.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/session_files.h"
#include "ui/session_list_ctrl.h"
#include "ui/session_list_model.h"

namespace {

using Model = CSessionListModel;

const QColor kReceivedBackground(255, 200, 200);
const QColor kMarkedBackground(200, 255, 200);
const QColor kInvalidText(200, 0, 0);

class SessionListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_project = std::make_unique<CProject>();
    CProject::Header& header = m_project->MutableHeader();
    header.uniqueNumber = 4711;
    header.title = QStringLiteral("Survey");
    CPage* page = m_project->AddPage();
    for (const char* name : {"Name", "Count", "Status", "Photo"}) {
      const QString text = QString::fromLatin1(name);
      qlt::test::AddPoint<CEditPoint>(page, text, QStringLiteral("Caption of ") + text);
    }
    m_project->SetPath(qlt::test::TestHome() + QStringLiteral("/data/Survey.ppc"));
    m_database = std::make_unique<CSessionDatabase>(m_project->Path());
    ASSERT_TRUE(m_database->Open());
  }
  void TearDown() override {
    m_list.reset();
    m_database.reset();
    m_project.reset();
  }

  void SetColumns(const QString& text) { m_project->MutableHeader().sessionListColumns = text; }

  // Saves an active session with the values; created at 2024-05-06 07:08 plus `minutes`.
  QUuid AddSession(qlt::test::SessionValues values, uint32_t flags = 0, int minutes = 0) {
    CSessionPtr session = qlt::test::NewSession(values, CProject::UnitId());
    session->SetCreated(CSystemTime::FromDateTime(
        QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)).addSecs(60LL * minutes)));
    session->AssignFlags(flags);
    EXPECT_TRUE(m_database->SaveSession(*session));
    return session->Guid();
  }
  QUuid AddNamed(const QString& name, const QString& count = QString()) {
    return AddSession(
        {{"Name", CVariant::FromString(name)}, {"Count", CVariant::FromString(count)}});
  }

  // The list shown as a window, rebuilt from the project.
  CSessionListCtrl& ShowList(int width = 480, int height = 400) {
    m_list = std::make_unique<CSessionListCtrl>(m_settings);
    m_list->resize(width, height);
    m_list->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_list.get()));
    m_list->Rebuild(m_project.get(), m_database.get());
    return *m_list;
  }

  // The texts of one column, top to bottom.
  QStringList Column(int column) {
    QStringList texts;
    CSessionListModel* model = m_list->Model();
    for (int row = 0; row < model->rowCount(); ++row) {
      texts.append(model->data(model->index(row, column)).toString());
    }
    return texts;
  }

  QPoint RowPoint(int row) { return m_list->visualRect(m_list->Model()->index(row, 0)).center(); }
  void Tap(int row) { QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, RowPoint(row)); }

  qlt::test::CScopedServices m_services{qlt::test::CScopedServices::Clock::kWall};
  CSettingsStore m_settings{CSettingsStore::DefaultFilePath()};
  std::unique_ptr<CProject> m_project;
  std::unique_ptr<CSessionDatabase> m_database;
  std::unique_ptr<CSessionListCtrl> m_list;
};

QStringList Keys(const QList<Model::Column>& columns) {
  QStringList keys;
  for (const Model::Column& column : columns) keys.append(column.key);
  return keys;
}
QStringList Headers(const QList<Model::Column>& columns) {
  QStringList headers;
  for (const Model::Column& column : columns) headers.append(column.header);
  return headers;
}

// ---- columns

TEST_F(SessionListTest, ColumnsComeFromTheProjectsColumnText) {
  SetColumns(QString());
  QList<Model::Column> columns = Model::BuildColumns(*m_project);
  EXPECT_EQ(Keys(columns), (QStringList{"_TIME", "_DATE"}));
  EXPECT_EQ(Headers(columns), (QStringList{"Time", "Date"}));
  EXPECT_EQ(columns[0].width, 90);
  EXPECT_EQ(columns[1].width, 150);

  SetColumns(QStringLiteral("Name;"));
  columns = Model::BuildColumns(*m_project);
  EXPECT_EQ(Keys(columns), (QStringList{"Name", "_DATE"}));
  EXPECT_EQ(Headers(columns), (QStringList{"Name", "Date"}));
  EXPECT_EQ(columns[0].width, 64);

  // Every separator, an unknown key skipped, the key kept as written.
  SetColumns(QStringLiteral("count;Nowhere,_TIME  Status;"));
  columns = Model::BuildColumns(*m_project);
  EXPECT_EQ(Keys(columns), (QStringList{"count", "_TIME", "Status"}));
  EXPECT_EQ(Headers(columns), (QStringList{"count", "Time", "Status"}));

  SetColumns(QStringLiteral("Nowhere;_time;"));
  EXPECT_EQ(Keys(Model::BuildColumns(*m_project)), (QStringList{"_TIME", "_DATE"}));
}

TEST_F(SessionListTest, ColumnsAreHeadedByCaptionsWhenTheProjectSaysSo) {
  SetColumns(QStringLiteral("Name;_DATE;Count;"));
  m_project->MutableHeader().useCaptions = 1;
  const QList<Model::Column> columns = Model::BuildColumns(*m_project);
  EXPECT_EQ(Keys(columns), (QStringList{"Name", "_DATE", "Count"}));
  EXPECT_EQ(Headers(columns), (QStringList{"Caption of Name", "Date", "Caption of Count"}));
}

TEST_F(SessionListTest, ColumnHeadersFollowTheTranslationTable) {
  CLanguage::Instance().Parse("[SessionList]\nColumnTime=Uhrzeit\nColumnDate=Datum\n");
  SetColumns(QString());
  EXPECT_EQ(Headers(Model::BuildColumns(*m_project)), (QStringList{"Uhrzeit", "Datum"}));
}

// ---- rows

TEST_F(SessionListTest, RowsShowDateTimeValuesADashForEmptyAndDataForBinary) {
  SetColumns(QStringLiteral("_DATE;_TIME;Name;Count;Photo;"));
  AddSession({{"Name", CVariant::FromString(QStringLiteral("Ann"))},
              {"Count", CVariant::FromInt32(12)},
              {"Photo", CVariant::FromDouble(1.5)}},
             0, 75);
  AddSession({{"Status", CVariant::FromString(QStringLiteral("x"))}}, 0, 80);
  ShowList();
  const CSessionListModel* model = m_list->Model();
  ASSERT_EQ(model->rowCount(), 2);
  ASSERT_EQ(model->columnCount(), 5);
  const QStringList first{"2024-05-06", "08:23", "Ann", "12", "(Data)"};
  const QStringList second{"2024-05-06", "08:28", "-", "-", "-"};
  for (int column = 0; column < 5; ++column) {
    EXPECT_EQ(model->data(model->index(0, column)).toString(), first[column]) << column;
    EXPECT_EQ(model->data(model->index(1, column)).toString(), second[column]) << column;
  }
  EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Name"));
  // The icon sits in the first column only.
  EXPECT_TRUE(model->data(model->index(0, 0), Qt::DecorationRole).isValid());
  EXPECT_FALSE(model->data(model->index(0, 1), Qt::DecorationRole).isValid());
}

TEST_F(SessionListTest, RowImagesAndColoursShowFlagsAndSendValidation) {
  SetColumns(QStringLiteral("Name;"));
  CVariantMap& properties = m_project->MutableProperties();
  properties.SetVariant(QStringLiteral("validate.send.enabled"), CVariant::FromBool(true));
  properties.SetText(QStringLiteral("validate.send.point"), QStringLiteral("Status"));
  properties.SetText(QStringLiteral("validate.send.value"), QStringLiteral("Done"));
  const auto status = [](const char* text) {
    return std::pair<const char*, CVariant>("Status", CVariant::FromString(QString(text)));
  };
  // In created order: plain, received, marked (and received), then the same three rejected.
  AddSession({status("done")}, 0, 0);
  AddSession({status("DONE")}, CSession::kFlagReceived, 1);
  AddSession({status("Done")}, CSession::kFlagMarked | CSession::kFlagReceived, 2);
  AddSession({status("open")}, 0, 3);
  AddSession({}, CSession::kFlagReceived, 4);
  AddSession({status("open")}, CSession::kFlagMarked, 5);
  ShowList();
  const CSessionListModel* model = m_list->Model();
  ASSERT_EQ(model->rowCount(), 6);
  const QColor noColour;
  const QColor backgrounds[] = {noColour, kReceivedBackground, kMarkedBackground,
                                noColour, kReceivedBackground, kMarkedBackground};
  for (int row = 0; row < 6; ++row) {
    for (int column = 0; column < 2; ++column) {
      const QModelIndex index = model->index(row, column);
      EXPECT_EQ(model->data(index, Model::kImageRole).toInt(), row) << row;
      const QVariant background = model->data(index, Qt::BackgroundRole);
      EXPECT_EQ(background.isValid() ? background.value<QBrush>().color() : QColor(),
                backgrounds[row])
          << row;
      const QVariant text = model->data(index, Qt::ForegroundRole);
      EXPECT_EQ(text.isValid() ? text.value<QBrush>().color() : QColor(),
                row >= 3 ? kInvalidText : noColour)
          << row;
    }
  }
}

TEST_F(SessionListTest, ImageRuleTakesMarkBeforeReceived) {
  EXPECT_EQ(Model::ImageFor(0, true), 0);
  EXPECT_EQ(Model::ImageFor(1, true), 1);
  EXPECT_EQ(Model::ImageFor(2, true), 2);
  EXPECT_EQ(Model::ImageFor(3, true), 2);
  EXPECT_EQ(Model::ImageFor(0x100, true), 0);
  EXPECT_EQ(Model::ImageFor(1, false), 4);
  EXPECT_EQ(Model::ImageFor(3, false), 5);
}

TEST_F(SessionListTest, GuidRoleAndSelectionReportTheSessions) {
  const QUuid first = AddNamed(QStringLiteral("a"));
  const QUuid second = AddNamed(QStringLiteral("b"));
  ShowList();
  const CSessionListModel* model = m_list->Model();
  EXPECT_EQ(model->data(model->index(1, 0), Model::kGuidRole).value<QUuid>(), second);
  EXPECT_EQ(m_list->AllGuids(), (QList<QUuid>{first, second}));
  EXPECT_TRUE(m_list->SelectedGuids().isEmpty());
}

TEST_F(SessionListTest, NoProjectNoDatabaseAndAnEmptyListGiveNoRows) {
  ShowList();
  EXPECT_EQ(m_list->Model()->rowCount(), 0);
  m_list->Rebuild(nullptr, nullptr);
  EXPECT_EQ(m_list->Model()->rowCount(), 0);
  EXPECT_EQ(m_list->Model()->columnCount(), 0);
  // A project whose database file is not one: no database, columns but no rows.
  CProject broken;
  broken.SetPath(qlt::test::TestHome() + QStringLiteral("/data/Broken.ppc"));
  qlt::test::WriteFileBytes(qlt::test::TestHome() + QStringLiteral("/data/Broken.ppd"),
                            QByteArray("CADB and nothing else"));
  CSessionDatabase brokenDatabase(broken.Path());
  EXPECT_FALSE(brokenDatabase.Open());
  m_list->Rebuild(&broken, nullptr);
  EXPECT_EQ(m_list->Model()->rowCount(), 0);
  EXPECT_EQ(m_list->ColumnKeys(), (QStringList{"_TIME", "_DATE"}));
  m_list->Rebuild(nullptr, nullptr);
}

TEST_F(SessionListTest, ListShrinkingUnderTheModelIsNeverReadPast) {
  SetColumns(QStringLiteral("Name;"));
  AddNamed(QStringLiteral("a"));
  const QUuid gone = AddNamed(QStringLiteral("b"));
  ShowList();
  CSessionListModel* model = m_list->Model();
  ASSERT_EQ(model->rowCount(), 2);
  // A write refreshes the database list; the model still has two rows until it is reset.
  ASSERT_TRUE(m_database->DeleteSession(gone));
  ASSERT_EQ(m_database->ListCount(), 1);
  EXPECT_FALSE(model->data(model->index(1, 0)).isValid());
  EXPECT_TRUE(model->GuidAt(1).isNull());
  m_list->grab();
  m_list->Rebuild(m_project.get(), m_database.get());
  EXPECT_EQ(model->rowCount(), 1);
}

// ---- sorting

TEST(SessionListNumericRule, DigitsSeparatorsAndALeadingMinusAreNumeric) {
  EXPECT_TRUE(Model::LooksNumeric({"1,5", "-2", "", "3.25", "1; 2"}));
  EXPECT_FALSE(Model::LooksNumeric({"1", "1a"}));
  EXPECT_FALSE(Model::LooksNumeric({"2-"}));
  EXPECT_FALSE(Model::LooksNumeric({}));
  // Only the first ten rows count.
  QStringList texts(10, QStringLiteral("7"));
  texts.append(QStringLiteral("seven"));
  EXPECT_TRUE(Model::LooksNumeric(texts));
  texts[9] = QStringLiteral("seven");
  EXPECT_FALSE(Model::LooksNumeric(texts));
}

TEST_F(SessionListTest, ClickingAColumnTwiceSortsAscendingThenDescending) {
  SetColumns(QStringLiteral("Name;"));
  AddNamed(QStringLiteral("pear"));
  AddNamed(QStringLiteral("apple"));
  AddNamed(QStringLiteral("quince"));
  ShowList();
  EXPECT_EQ(Column(0), (QStringList{"pear", "apple", "quince"}));
  EXPECT_FALSE(m_list->header()->isSortIndicatorShown());

  const int x = m_list->header()->sectionViewportPosition(0) + 10;
  QTest::mouseClick(m_list->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  EXPECT_EQ(Column(0), (QStringList{"apple", "pear", "quince"}));
  EXPECT_EQ(m_list->SortKey(), QStringLiteral("Name"));
  EXPECT_FALSE(m_list->SortDescending());
  EXPECT_TRUE(m_list->header()->isSortIndicatorShown());
  EXPECT_EQ(m_list->header()->sortIndicatorOrder(), Qt::AscendingOrder);

  QTest::mouseClick(m_list->header()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  EXPECT_EQ(Column(0), (QStringList{"quince", "pear", "apple"}));
  EXPECT_TRUE(m_list->SortDescending());
  EXPECT_EQ(m_list->header()->sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(m_database->SortNumeric(), false);

  // Another column starts ascending again: the date sorts by the saved time.
  m_list->SortByColumn(1);
  EXPECT_EQ(m_list->SortKey(), QStringLiteral("_DATE"));
  EXPECT_FALSE(m_list->SortDescending());
  EXPECT_EQ(m_database->SortColumn(), 2);

  m_list->ResetSort();
  EXPECT_TRUE(m_list->SortKey().isEmpty());
  EXPECT_FALSE(m_list->header()->isSortIndicatorShown());
}

TEST_F(SessionListTest, NumericColumnsSortByValue) {
  SetColumns(QStringLiteral("Count;"));
  AddNamed(QStringLiteral("a"), QStringLiteral("10"));
  AddNamed(QStringLiteral("b"), QStringLiteral("9"));
  AddNamed(QStringLiteral("c"), QStringLiteral("-2"));
  AddNamed(QStringLiteral("d"), QStringLiteral("1,5"));
  ShowList();
  m_list->SortByColumn(0);
  EXPECT_TRUE(m_database->SortNumeric());
  EXPECT_EQ(Column(0), (QStringList{"-2", "1,5", "9", "10"}));
  m_list->SortByColumn(0);
  EXPECT_EQ(Column(0), (QStringList{"10", "9", "1,5", "-2"}));
}

TEST_F(SessionListTest, ARefusedSortKeepsTheOrderAndTheHeader) {
  SetColumns(QStringLiteral("Name;"));
  AddNamed(QStringLiteral("pear"));
  AddNamed(QStringLiteral("apple"));
  ShowList();
  ASSERT_TRUE(m_database->BeginTransaction());
  m_list->SortByColumn(0);
  EXPECT_TRUE(m_list->SortKey().isEmpty());
  EXPECT_FALSE(m_list->header()->isSortIndicatorShown());
  EXPECT_EQ(Column(0), (QStringList{"pear", "apple"}));
  ASSERT_TRUE(m_database->EndTransaction(true));
  m_list->SortByColumn(0);
  EXPECT_EQ(Column(0), (QStringList{"apple", "pear"}));
}

TEST_F(SessionListTest, TextInTheFirstRowsSortsAsText) {
  SetColumns(QStringLiteral("Count;"));
  AddNamed(QStringLiteral("a"), QStringLiteral("10"));
  AddNamed(QStringLiteral("b"), QStringLiteral("9"));
  AddNamed(QStringLiteral("c"), QStringLiteral("1a"));
  ShowList();
  m_list->SortByColumn(0);
  EXPECT_FALSE(m_database->SortNumeric());
  EXPECT_EQ(Column(0), (QStringList{"10", "1a", "9"}));
}

// ---- taps, long press, keyboard

TEST_F(SessionListTest, TapOnTheOnlyRowOpensItAndATapOnASelectedRowDeselectsIt) {
  SetColumns(QStringLiteral("Name;"));
  const QUuid first = AddNamed(QStringLiteral("a"));
  AddNamed(QStringLiteral("b"));
  const QUuid third = AddNamed(QStringLiteral("c"));
  ShowList();
  QSignalSpy opened(m_list.get(), &CSessionListCtrl::sessionActivated);

  Tap(0);
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened.takeFirst().at(0).value<QUuid>(), first);
  EXPECT_EQ(m_list->SelectedGuids(), QList<QUuid>{first});

  // The same row again: it was selected at the press, so the tap deselects it.
  Tap(0);
  EXPECT_EQ(opened.count(), 0);
  EXPECT_EQ(m_list->SelectedCount(), 0);

  // Taps add rows to the selection; with two selected nothing opens.
  Tap(0);
  opened.clear();
  Tap(2);
  EXPECT_EQ(opened.count(), 0);
  EXPECT_EQ(m_list->SelectedGuids(), (QList<QUuid>{first, third}));

  // A release over another row than the pressed one does nothing.
  QTest::mousePress(m_list->viewport(), Qt::LeftButton, {}, RowPoint(1));
  QTest::mouseRelease(m_list->viewport(), Qt::LeftButton, {}, RowPoint(2));
  EXPECT_EQ(m_list->SelectedCount(), 3);
  EXPECT_EQ(opened.count(), 0);

  // A press below the last row deselects everything.
  const QPoint empty(20, m_list->viewport()->height() - 5);
  ASSERT_LT(m_list->indexAt(empty).row(), 0);
  QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, empty);
  EXPECT_EQ(m_list->SelectedCount(), 0);
  EXPECT_EQ(opened.count(), 0);
}

TEST_F(SessionListTest, TapBesideTheLastColumnStillHitsTheRow) {
  SetColumns(QStringLiteral("Name;"));
  const QUuid only = AddNamed(QStringLiteral("a"));
  ShowList(900, 300);
  m_list->header()->resizeSection(0, 60);
  m_list->header()->resizeSection(1, 60);
  QSignalSpy opened(m_list.get(), &CSessionListCtrl::sessionActivated);
  QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, QPoint(800, RowPoint(0).y()));
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened.takeFirst().at(0).value<QUuid>(), only);
}

TEST_F(SessionListTest, LongPressOnASelectedRowAsksForTheMenu) {
  AddNamed(QStringLiteral("a"));
  AddNamed(QStringLiteral("b"));
  ShowList();
  QSignalSpy menu(m_list.get(), &CSessionListCtrl::menuRequested);
  QSignalSpy opened(m_list.get(), &CSessionListCtrl::sessionActivated);

  QTest::mousePress(m_list->viewport(), Qt::LeftButton, {}, RowPoint(1));
  EXPECT_EQ(m_list->SelectedCount(), 1);
  QTest::qWait(CSessionListCtrl::kLongPressMs / 2);
  EXPECT_EQ(menu.count(), 0);
  EXPECT_TRUE(menu.wait(CSessionListCtrl::kLongPressMs * 2));
  QTest::mouseRelease(m_list->viewport(), Qt::LeftButton, {}, RowPoint(1));
  // The release of a long press neither opens nor deselects the row.
  EXPECT_EQ(menu.count(), 1);
  EXPECT_EQ(opened.count(), 0);
  EXPECT_EQ(m_list->SelectedCount(), 1);

  // A press that moves off its row before the time is up asks for nothing.
  QTest::mousePress(m_list->viewport(), Qt::LeftButton, {}, RowPoint(0));
  QMouseEvent move(QEvent::MouseMove, QPointF(RowPoint(1)),
                   m_list->viewport()->mapToGlobal(QPointF(RowPoint(1))), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(m_list->viewport(), &move);
  QTest::qWait(CSessionListCtrl::kLongPressMs + 250);
  EXPECT_EQ(menu.count(), 1);
  QTest::mouseRelease(m_list->viewport(), Qt::LeftButton, {}, RowPoint(1));
}

TEST_F(SessionListTest, RightClickSelectsTheRowAndAsksForTheMenu) {
  const QUuid first = AddNamed(QStringLiteral("a"));
  const QUuid second = AddNamed(QStringLiteral("b"));
  ShowList();
  QSignalSpy menu(m_list.get(), &CSessionListCtrl::menuRequested);
  Tap(0);
  QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, RowPoint(1));
  EXPECT_EQ(menu.count(), 1);
  EXPECT_EQ(m_list->SelectedGuids(), QList<QUuid>{second});
  // On a row already selected the selection stays as it is.
  Tap(0);
  QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, RowPoint(1));
  EXPECT_EQ(menu.count(), 2);
  EXPECT_EQ(m_list->SelectedGuids(), (QList<QUuid>{first, second}));
}

TEST_F(SessionListTest, KeyboardMovesOpensAndAsksForTheMenu) {
  AddNamed(QStringLiteral("a"));
  const QUuid second = AddNamed(QStringLiteral("b"));
  ShowList();
  m_list->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(m_list.get()));
  m_list->setFocus();
  QSignalSpy opened(m_list.get(), &CSessionListCtrl::sessionActivated);
  QSignalSpy menu(m_list.get(), &CSessionListCtrl::menuRequested);

  // Enter without a selection opens nothing.
  QTest::keyClick(m_list.get(), Qt::Key_Return);
  EXPECT_EQ(opened.count(), 0);
  m_list->setCurrentIndex(m_list->Model()->index(0, 0));
  QTest::keyClick(m_list.get(), Qt::Key_Down);
  EXPECT_EQ(m_list->SelectedGuids(), QList<QUuid>{second});
  QTest::keyClick(m_list.get(), Qt::Key_Enter);
  ASSERT_EQ(opened.count(), 1);
  EXPECT_EQ(opened.takeFirst().at(0).value<QUuid>(), second);

  QTest::keyClick(m_list.get(), Qt::Key_F10, Qt::ShiftModifier);
  QTest::keyClick(m_list.get(), Qt::Key_Menu);
  EXPECT_EQ(menu.count(), 2);
  QTest::keyClick(m_list.get(), Qt::Key_F10);
  EXPECT_EQ(menu.count(), 2);
}

// ---- column widths

TEST_F(SessionListTest, ColumnWidthsAreKeptPerProject) {
  SetColumns(QStringLiteral("Name;Count;_DATE;"));
  CSessionListCtrl& list = ShowList(500, 300);
  const int scrollBar = list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
  const int expected = (list.contentsRect().width() - scrollBar - 1) / 3;
  EXPECT_EQ(list.DefaultColumnWidth(3), expected);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.columnWidth(i), expected) << i;
  EXPECT_EQ(list.DefaultColumnWidth(20), 64);

  list.header()->resizeSection(0, 111);
  list.header()->resizeSection(2, 222);
  list.SaveColumnWidths();
  CSettingsStore settings(CSettingsStore::DefaultFilePath());
  EXPECT_EQ(settings.ReadInt(QStringLiteral("SessionColumns"), QStringLiteral("4711.0"), 0), 111);
  EXPECT_EQ(settings.ReadInt(QStringLiteral("SessionColumns"), QStringLiteral("4711.2"), 0), 222);

  // A new list for the same project reads them back; another project does not see them.
  ShowList(500, 300);
  EXPECT_EQ(m_list->columnWidth(0), 111);
  EXPECT_EQ(m_list->columnWidth(1), expected);
  EXPECT_EQ(m_list->columnWidth(2), 222);
  m_project->MutableHeader().uniqueNumber = -2;  // stored as its unsigned form
  m_list->Rebuild(m_project.get(), m_database.get());
  EXPECT_EQ(m_list->columnWidth(0), expected);
  m_list->header()->resizeSection(0, 99);
  m_list->SaveColumnWidths();
  EXPECT_EQ(settings.ReadInt(QStringLiteral("SessionColumns"), QStringLiteral("4294967294.0"), 0),
            99);
}

TEST_F(SessionListTest, SortingKeepsTheWidthsTheUserGave) {
  SetColumns(QStringLiteral("Name;"));
  AddNamed(QStringLiteral("a"));
  ShowList();
  m_list->header()->resizeSection(0, 140);
  m_list->SortByColumn(0);
  EXPECT_EQ(m_list->columnWidth(0), 140);
}

// ---- loading only what is shown

TEST_F(SessionListTest, AHundredThousandSessionsBuildOnlyTheRowsShown) {
  SetColumns(QStringLiteral("Name;Count;_DATE;"));
  AddNamed(QStringLiteral("seed"), QStringLiteral("0"));
  CSessionDatabase* database = m_database.get();
  const int64_t created =
      CSystemTime::FromDateTime(QDateTime(QDate(2024, 1, 1), QTime(8, 0))).ToFileTime();
  {
    qlt::test::RawDb raw(database->FilePath());
    const QString name = raw.Value(QStringLiteral("SELECT target FROM map WHERE point='name';"));
    const QString count = raw.Value(QStringLiteral("SELECT target FROM map WHERE point='count';"));
    ASSERT_FALSE(name.isEmpty());
    ASSERT_FALSE(count.isEmpty());
    const QString insert =
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 99999) "
            "INSERT INTO session(guid, created, saved, flags, unit_id, state, state_time, c%2, "
            "c%3) SELECT randomblob(16), %1 + i * 600000000, %1, 0, 'U', 0, 0, 'Name ' || i, i "
            "FROM n;")
            .arg(created)
            .arg(name, count);
    ASSERT_TRUE(raw.Exec(insert));
  }
  ASSERT_TRUE(database->Refresh());
  ASSERT_EQ(database->ListCount(), 100000);

  CSessionListCtrl& list = ShowList(480, 400);
  list.grab();
  CSessionListModel* model = list.Model();
  EXPECT_EQ(model->rowCount(), 100000);
  const int rowHeight = list.sizeHintForRow(0);
  ASSERT_GT(rowHeight, 0);
  const int screenful = list.viewport()->height() / rowHeight + 2;
  EXPECT_GT(model->RowsBuilt(), 0);
  EXPECT_LE(model->RowsBuilt(), screenful + 2);

  // Scrolling to the end builds the rows at the end, not those between.
  list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
  list.grab();
  EXPECT_LE(model->RowsBuilt(), 2 * screenful + 4);
  // In created order: the generated sessions, then the one saved through the database.
  EXPECT_EQ(model->data(model->index(99998, 0)).toString(), QStringLiteral("Name 99999"));
  EXPECT_EQ(model->data(model->index(99999, 0)).toString(), QStringLiteral("seed"));

  // Every row visited once: the cache stays bounded.
  for (int row = 0; row < 100000; row += 7) model->data(model->index(row, 1));
  EXPECT_LE(model->CachedRows(), CSessionListModel::kCachedRows);
  EXPECT_EQ(list.AllGuids().size(), 100000);
}

}  // namespace
