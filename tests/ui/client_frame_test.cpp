// The main frame driven as a user would: real widgets on the offscreen platform, real project
// files in a data folder and real session databases beside them.
#include "ui/client_frame.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/services.h"
#include "platform/settings_store.h"
#include "points/edit_point.h"
#include "project/display_scale.h"
#include "project/page.h"
#include "project/project.h"
#include "sessions/session_database.h"
#include "sqlite3.h"
#include "support/fault_vfs.h"
#include "support/project_builder.h"
#include "support/scoped_services.h"
#include "support/session_files.h"
#include "ui/client_button_bar.h"
#include "ui/client_filter_bar.h"
#include "ui/client_header_ctrl.h"
#include "ui/page_ctrl.h"
#include "ui/project_list_ctrl.h"
#include "ui/project_list_empty_state.h"
#include "ui/session_list_ctrl.h"
#include "ui/session_list_model.h"

namespace {

using qlt::test::CScopedServices;

// Writes a three-page project: "Name" on page 1 (required as asked), "Count" on page 2,
// "Notes" on page 3; the session list shows Name.
void WriteProject(const QString& path, const QString& title, int32_t number,
                  int32_t nameRequired = 0) {
  CProject project;
  CProject::Header& header = project.MutableHeader();
  header.title = title;
  header.uniqueNumber = number;
  header.sessionListColumns = QStringLiteral("Name;");
  const char* const names[] = {"Name", "Count", "Notes"};
  for (int i = 0; i < 3; ++i) {
    CPage* page = project.AddPage();
    page->SetCaption(QStringLiteral("Page %1").arg(i + 1));
    const QString name = QString::fromLatin1(names[i]);
    CEditPoint* point = qlt::test::AddPoint<CEditPoint>(page, name, name);
    if (i == 0) point->SetRequiredMode(nameRequired);
  }
  project.SetPath(path);
  ASSERT_TRUE(project.Save());
}

// Stores sessions straight into a project's database.
void StoreSessions(const QString& projectPath, const QList<QPair<QString, uint32_t>>& sessions) {
  CSessionDatabase database(projectPath);
  ASSERT_TRUE(database.Open());
  CSessionDatabase* db = &database;
  for (const auto& [name, state] : sessions) {
    CSessionPtr session = qlt::test::NewSession({}, CProject::UnitId());
    session->SetValueText(QStringLiteral("Name"), name);
    ASSERT_TRUE(db->SaveSession(*session));
    if (state != CSession::kStateActive) {
      ASSERT_TRUE(db->SetSessionState(session->Guid(), state));
    }
  }
}

void Pump() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

class ClientFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_data.isValid()); }
  void TearDown() override {
    m_frame.reset();
    CFaultVfs::Instance().Disarm();
    CFaultVfs::Instance().Uninstall();
  }

  QString ProjectPath(const QString& name) const { return m_data.filePath(name + u".ppc"_qs); }

  CClientFrame& MakeFrame() {
    m_frame = std::make_unique<CClientFrame>(m_settings, m_data.path());
    m_frame->resize(800, 600);
    m_frame->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    Pump();
    return *m_frame;
  }

  void ClickButton(uint32_t command) {
    CClientButtonBar* bar = m_frame->ButtonBar();
    ASSERT_TRUE(bar->HasButton(command)) << command;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->ButtonRect(command).center());
    Pump();
  }

  QLineEdit* EditOf(const QString& pointName) {
    CBasePoint* point = m_frame->Project()->FindPointByName(pointName);
    if (!point) return nullptr;
    const QList<CPageWindow::Control> controls = m_frame->PageView()->ControlsOfPoint(point);
    if (controls.isEmpty()) return nullptr;
    return qobject_cast<QLineEdit*>(m_frame->PageView()->ControlWidget(controls.first()));
  }

  // A tap on a row of the session list.
  void TapRow(int row) {
    CSessionListCtrl* list = m_frame->SessionList();
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    Pump();
  }
  // Selects rows without opening them, as Ctrl and Shift or a long press do.
  void SelectRows(const QList<int>& rows) {
    CSessionListCtrl* list = m_frame->SessionList();
    list->selectionModel()->clearSelection();
    for (int row : rows) {
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  void TapSegment(int segment) {
    CClientFilterBar* bar = m_frame->FilterBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->SegmentRect(segment).center());
    Pump();
  }
  // The Name column of the rows the list shows, top to bottom.
  QStringList ShownNames() {
    CSessionListCtrl* list = m_frame->SessionList();
    const int column = static_cast<int>(list->ColumnKeys().indexOf(u"Name"_qs));
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
      names.append(list->model()->index(row, column).data().toString());
    }
    return names;
  }

  // The sessions of the open project's database in the given state, by their Name value.
  QStringList StoredNames(uint32_t state) {
    CSessionDatabase* db = m_frame->Database();
    QStringList results;
    db->Query(QString(QChar("ASD"[state])), QString(), QString(), QString(), false, false,
              {QStringLiteral("Name")}, results);
    QStringList names;
    for (qsizetype i = 2; i < results.size(); i += 3) names.append(results[i]);
    names.sort();
    return names;
  }

  CScopedServices m_services{CScopedServices::Clock::kWall};
  QTemporaryDir m_data;
  CSettingsStore m_settings{CSettingsStore::DefaultFilePath()};
  std::unique_ptr<CClientFrame> m_frame;
};

// ---------------------------------------------------------------------------------------------
// the project list

TEST_F(ClientFrameTest, OneProjectOpensAtOnceTwoAreListed) {
  WriteProject(ProjectPath(u"Alpha"_qs), u"Alpha survey"_qs, 11);
  {
    CClientFrame& frame = MakeFrame();
    ASSERT_NE(frame.Project(), nullptr);
    EXPECT_EQ(frame.Project()->GetHeader().title, u"Alpha survey"_qs);
    EXPECT_TRUE(frame.SessionList()->isVisible());
    EXPECT_FALSE(frame.ProjectList()->isVisible());
    EXPECT_EQ(frame.Header()->Title(), u"Alpha survey"_qs);
    EXPECT_TRUE(frame.Header()->IsBackVisible());
  }
  WriteProject(ProjectPath(u"Beta"_qs), u"Beta survey"_qs, 12);
  CClientFrame& frame = MakeFrame();
  EXPECT_EQ(frame.Project(), nullptr);
  ASSERT_TRUE(frame.ProjectList()->isVisible());
  ASSERT_EQ(frame.ProjectList()->count(), 2);
  EXPECT_EQ(frame.ProjectList()->TitleAt(0), u"Alpha survey"_qs);
  EXPECT_EQ(frame.ProjectList()->TitleAt(1), u"Beta survey"_qs);
  EXPECT_EQ(frame.Header()->Title(), u"Quillet"_qs);
  EXPECT_FALSE(frame.Header()->IsBackVisible());
  // Connect and Settings while no project is open.
  ASSERT_EQ(frame.ButtonBar()->Buttons().size(), 2);
  EXPECT_EQ(frame.ButtonBar()->Buttons()[0].command, CClientFrame::kCmdConnect);
  EXPECT_EQ(frame.ButtonBar()->Buttons()[1].command, CClientFrame::kCmdSettings);
}

TEST_F(ClientFrameTest, FilesThatAreNotProjectsAreNotListed) {
  WriteProject(ProjectPath(u"Good one"_qs), u"Good one"_qs, 1);
  WriteProject(ProjectPath(u"Good two"_qs), u"Good two"_qs, 2);
  QFile text(ProjectPath(u"Notes"_qs));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("just some text, not a project\n");
  text.close();
  QFile good(ProjectPath(u"Good one"_qs));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  const QByteArray bytes = good.readAll();
  QFile cut(ProjectPath(u"Cut"_qs));
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write(bytes.left(12));  // the signature and part of the version
  cut.close();
  QFile empty(ProjectPath(u"Empty"_qs));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();

  CClientFrame& frame = MakeFrame();
  ASSERT_EQ(frame.ProjectList()->count(), 2);
  EXPECT_EQ(frame.ProjectList()->TitleAt(0), u"Good one"_qs);
  EXPECT_EQ(frame.ProjectList()->TitleAt(1), u"Good two"_qs);
  EXPECT_TRUE(m_services.Messages().Messages().isEmpty());
}

TEST_F(ClientFrameTest, BadgeCountsOnlyActiveSessions) {
  WriteProject(ProjectPath(u"Busy"_qs), u"Busy"_qs, 1);
  WriteProject(ProjectPath(u"Idle"_qs), u"Idle"_qs, 2);
  WriteProject(ProjectPath(u"Foreign"_qs), u"Foreign"_qs, 3);
  StoreSessions(ProjectPath(u"Busy"_qs),
                {{u"a"_qs, 0}, {u"b"_qs, 0}, {u"c"_qs, 0}, {u"d"_qs, 1}, {u"e"_qs, 2}});
  // A database file that is not an SQLite file shows no count.
  QFile foreign(CSessionDatabase::DatabasePath(ProjectPath(u"Foreign"_qs)));
  ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
  foreign.write("CADB old format");
  foreign.close();

  CClientFrame& frame = MakeFrame();
  CProjectListCtrl* list = frame.ProjectList();
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->CountAt(list->RowOfPath(ProjectPath(u"Busy"_qs))), u"3"_qs);
  EXPECT_EQ(list->CountAt(list->RowOfPath(ProjectPath(u"Idle"_qs))), QString());
  EXPECT_EQ(list->CountAt(list->RowOfPath(ProjectPath(u"Foreign"_qs))), QString());
}

TEST_F(ClientFrameTest, DeletingAProjectAsksFirstAndRemovesItsDatabaseToo) {
  WriteProject(ProjectPath(u"Keep"_qs), u"Keep"_qs, 1);
  WriteProject(ProjectPath(u"Drop"_qs), u"Drop"_qs, 2);
  StoreSessions(ProjectPath(u"Drop"_qs), {{u"x"_qs, 0}});
  const QString database = CSessionDatabase::DatabasePath(ProjectPath(u"Drop"_qs));
  ASSERT_TRUE(QFile::exists(database));

  CClientFrame& frame = MakeFrame();
  CProjectListCtrl* list = frame.ProjectList();
  list->setCurrentRow(list->RowOfPath(ProjectPath(u"Drop"_qs)));
  m_services.Messages().QueueAnswer(kIdNo);
  frame.PostCommand(CClientFrame::kCmdDeleteProject);
  Pump();
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  const auto& asked = m_services.Messages().Messages().first();
  EXPECT_EQ(asked.text,
            u"Are you sure you want to delete 'Drop'?  All session data will be lost."_qs);
  EXPECT_EQ(asked.style & kMbButtonMask, unsigned(kMbYesNo));
  EXPECT_TRUE(asked.style & kMbDefButton2);
  EXPECT_TRUE(QFile::exists(ProjectPath(u"Drop"_qs)));

  frame.PostCommand(CClientFrame::kCmdDeleteProject);
  Pump();
  EXPECT_FALSE(QFile::exists(ProjectPath(u"Drop"_qs)));
  EXPECT_FALSE(QFile::exists(database));
  EXPECT_TRUE(QFile::exists(ProjectPath(u"Keep"_qs)));
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->TitleAt(0), u"Keep"_qs);

  // Several rows are asked about by number.
  WriteProject(ProjectPath(u"Third"_qs), u"Third"_qs, 3);
  frame.FillProjectList(false);
  list->selectAll();
  m_services.Messages().QueueAnswer(kIdNo);
  frame.PostCommand(CClientFrame::kCmdDeleteProject);
  Pump();
  EXPECT_EQ(m_services.Messages().Messages().last().text,
            u"Are you sure you want to remove the 2 selected project(s) ?"_qs);

  // A file named in upper case goes with its database, not only the database.
  const QString upper = m_data.filePath(u"Upper.PPC"_qs);
  WriteProject(upper, u"Upper"_qs, 4);
  StoreSessions(upper, {{u"y"_qs, 0}});
  frame.FillProjectList(false);
  list->setCurrentRow(list->RowOfPath(upper));
  frame.PostCommand(CClientFrame::kCmdDeleteProject);
  Pump();
  EXPECT_FALSE(QFile::exists(upper));
  EXPECT_FALSE(QFile::exists(CSessionDatabase::DatabasePath(upper)));
}

TEST_F(ClientFrameTest, AProjectThatCannotBeReadStaysClosedWithAMessage) {
  WriteProject(ProjectPath(u"One"_qs), u"One"_qs, 1);
  WriteProject(ProjectPath(u"Two"_qs), u"Two"_qs, 2);
  CClientFrame& frame = MakeFrame();
  ASSERT_TRUE(QFile::remove(ProjectPath(u"Two"_qs)));
  frame.OpenProject(ProjectPath(u"Two"_qs));
  EXPECT_EQ(frame.Project(), nullptr);
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages().first().text, u"Unable to open the project."_qs);
  EXPECT_TRUE(frame.ProjectList()->isVisible());
}

TEST_F(ClientFrameTest, ARefusedDatabaseOpensTheProjectWithoutAList) {
  WriteProject(ProjectPath(u"One"_qs), u"One"_qs, 1);
  WriteProject(ProjectPath(u"Two"_qs), u"Two"_qs, 2);
  QFile foreign(CSessionDatabase::DatabasePath(ProjectPath(u"Two"_qs)));
  ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
  foreign.write("not a database at all");
  foreign.close();
  CClientFrame& frame = MakeFrame();
  frame.OpenProject(ProjectPath(u"Two"_qs));
  ASSERT_NE(frame.Project(), nullptr);
  EXPECT_FALSE(frame.SessionList()->isVisible());
  EXPECT_FALSE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdNewSession));
  EXPECT_FALSE(frame.StartEditing(QUuid(), nullptr));
  EXPECT_FALSE(frame.IsEditing());
  // Back to the list, and the file is untouched.
  ClickButton(CClientFrame::kCmdNewSession);
  QTest::mouseClick(frame.Header(), Qt::LeftButton, {}, frame.Header()->BackRect().center());
  Pump();
  EXPECT_EQ(frame.Project(), nullptr);
  EXPECT_TRUE(frame.ProjectList()->isVisible());
  QFile check(CSessionDatabase::DatabasePath(ProjectPath(u"Two"_qs)));
  ASSERT_TRUE(check.open(QIODevice::ReadOnly));
  EXPECT_EQ(check.readAll(), QByteArray("not a database at all"));
}

TEST_F(ClientFrameTest, PlacementIsKeptPerOrientation) {
  WriteProject(ProjectPath(u"One"_qs), u"One"_qs, 1);
  WriteProject(ProjectPath(u"Two"_qs), u"Two"_qs, 2);
  // The offscreen screen is wider than high: the landscape set is used.
  CClientFrame& frame = MakeFrame();
  frame.setGeometry(30, 40, 500, 400);
  ASSERT_TRUE(frame.close());
  const QString section = QStringLiteral("Window");
  EXPECT_EQ(m_settings.ReadInt(section, u"Landscape_Floating"_qs, 0), 1);
  EXPECT_EQ(m_settings.ReadInt(section, u"Landscape_Right"_qs, 0) -
                m_settings.ReadInt(section, u"Landscape_Left"_qs, 0),
            500);
  EXPECT_EQ(m_settings.ReadInt(section, u"Portrait_Floating"_qs, 7), 7);

  m_frame = std::make_unique<CClientFrame>(m_settings, m_data.path());
  m_frame->ShowWithPlacement();
  Pump();
  EXPECT_FALSE(m_frame->isMaximized());
  EXPECT_EQ(m_frame->geometry().size(), QSize(500, 400));
  m_frame->showMaximized();
  Pump();
  ASSERT_TRUE(m_frame->close());
  EXPECT_EQ(m_settings.ReadInt(section, u"Landscape_Floating"_qs, 1), 0);
  m_frame = std::make_unique<CClientFrame>(m_settings, m_data.path());
  m_frame->ShowWithPlacement();
  Pump();
  EXPECT_TRUE(m_frame->windowState() & Qt::WindowMaximized);
}

TEST_F(ClientFrameTest, AnEmptyDataFolderSaysSoAndListsProjectsAsTheyArrive) {
  CClientFrame& frame = MakeFrame();
  CProjectListCtrl* list = frame.ProjectList();
  CProjectListEmptyState* empty = list->EmptyState();
  ASSERT_EQ(list->count(), 0);
  EXPECT_TRUE(empty->isVisible());
  EXPECT_EQ(empty->Heading()->text(), u"No project is installed yet"_qs);
  EXPECT_TRUE(empty->Hint()->text().contains(u"Connect"_qs)) << qPrintable(empty->Hint()->text());
  // The folder can be selected and copied, not changed.
  const QString folder = QDir::toNativeSeparators(m_data.path());
  QLineEdit* box = empty->FolderBox();
  EXPECT_TRUE(box->isVisible());
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_EQ(box->text(), folder);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), folder);

  // A project copied in is listed (not opened) and the empty state goes.
  WriteProject(ProjectPath(u"Arrived"_qs), u"Arrived"_qs, 7);
  ASSERT_TRUE(QTest::qWaitFor([list] { return list->count() == 1; }, 20000));
  EXPECT_EQ(list->TitleAt(0), u"Arrived"_qs);
  EXPECT_FALSE(empty->isVisible());
  EXPECT_EQ(frame.Project(), nullptr);

  // While a project is open a new file leaves it, its list and its buttons alone.
  frame.OpenProject(ProjectPath(u"Arrived"_qs));
  ASSERT_NE(frame.Project(), nullptr);
  WriteProject(ProjectPath(u"Later"_qs), u"Later"_qs, 8);
  frame.RefreshProjectList();
  EXPECT_NE(frame.Project(), nullptr);
  EXPECT_TRUE(frame.SessionList()->isVisible());
  EXPECT_TRUE(frame.ButtonBar()->HasButton(CClientFrame::kCmdNewSession));
  frame.CloseProject();
  EXPECT_EQ(list->count(), 2);

  // Removing the files brings the empty state back.
  ASSERT_TRUE(QFile::remove(ProjectPath(u"Arrived"_qs)));
  ASSERT_TRUE(QFile::remove(ProjectPath(u"Later"_qs)));
  ASSERT_TRUE(QTest::qWaitFor([list] { return list->count() == 0; }, 20000));
  EXPECT_TRUE(empty->isVisible());
}

TEST_F(ClientFrameTest, AProjectArrivingWhileDeletionIsAskedDoesNotChangeWhatIsDeleted) {
  WriteProject(ProjectPath(u"Beta"_qs), u"Beta"_qs, 2);
  WriteProject(ProjectPath(u"Drop"_qs), u"Drop"_qs, 3);
  CClientFrame& frame = MakeFrame();
  CProjectListCtrl* list = frame.ProjectList();
  list->setCurrentRow(list->RowOfPath(ProjectPath(u"Drop"_qs)));
  // "Alpha" is listed above both while the question is open; then the answer is Yes.
  class CArrivingAnswer : public CMessageService {
   public:
    std::function<void()> arrive;
    int ShowMessage(const QString&, unsigned) override {
      arrive();
      return kIdYes;
    }
  };
  auto answer = std::make_unique<CArrivingAnswer>();
  answer->arrive = [this, &frame] {
    WriteProject(ProjectPath(u"Alpha"_qs), u"Alpha"_qs, 1);
    frame.RefreshProjectList();
  };
  CServices::Instance().SetMessageService(std::move(answer));
  frame.DeleteSelectedProjects();
  EXPECT_FALSE(QFile::exists(ProjectPath(u"Drop"_qs)));
  EXPECT_TRUE(QFile::exists(ProjectPath(u"Beta"_qs)));
  EXPECT_TRUE(QFile::exists(ProjectPath(u"Alpha"_qs)));
  EXPECT_EQ(list->count(), 2);
}

TEST_F(ClientFrameTest, AFirstStartShowsEveryControlBeforeItIsMaximised) {
  WriteProject(ProjectPath(u"Survey"_qs), u"Survey"_qs, 5);
  m_frame = std::make_unique<CClientFrame>(m_settings, m_data.path());
  m_frame->ShowWithPlacement();
  Pump();
  EXPECT_TRUE(m_frame->windowState() & Qt::WindowMaximized);
  // Where maximising is not honoured the window keeps this size.
  const QRect available = m_frame->screen()->availableGeometry();
  const QRect normal = m_frame->normalGeometry();
  EXPECT_EQ(normal.size(), QSize(available.width() * 2 / 3, available.height() * 2 / 3));
  EXPECT_EQ(normal.center(), available.center());
  m_frame->showNormal();
  Pump();
  ASSERT_EQ(m_frame->size(), normal.size());
  // Every caption of the list's and the editing buttons fits its button.
  const QFontMetrics metrics(CDisplayScale::Font(20, true));
  const auto captionsFit = [this, &metrics] {
    for (const CClientButtonBar::Button& button : m_frame->ButtonBar()->Buttons()) {
      EXPECT_LE(metrics.horizontalAdvance(button.text),
                m_frame->ButtonBar()->ButtonRect(button.command).width() - 8)
          << qPrintable(button.text);
    }
  };
  ASSERT_TRUE(m_frame->ButtonBar()->HasButton(CClientFrame::kCmdNewSession));
  captionsFit();
  ClickButton(CClientFrame::kCmdNewSession);
  ASSERT_TRUE(m_frame->IsEditing());
  captionsFit();
}

TEST_F(ClientFrameTest, APlacementOffEveryScreenIsBroughtBack) {
  const QString section = QStringLiteral("Window");
  m_settings.WriteInt(section, u"Landscape_Floating"_qs, 1);
  m_settings.WriteInt(section, u"Landscape_Left"_qs, 5000);
  m_settings.WriteInt(section, u"Landscape_Top"_qs, 4000);
  m_settings.WriteInt(section, u"Landscape_Right"_qs, 5400);
  m_settings.WriteInt(section, u"Landscape_Bottom"_qs, 4300);
  m_frame = std::make_unique<CClientFrame>(m_settings, m_data.path());
  m_frame->ShowWithPlacement();
  Pump();
  EXPECT_FALSE(m_frame->isMaximized());
  EXPECT_EQ(m_frame->size(), QSize(400, 300));
  EXPECT_TRUE(m_frame->screen()->availableGeometry().contains(m_frame->geometry()));

  // With several screens: what shows enough on any of them stays; the rest comes to the middle
  // of the primary one, shrunk to fit it.
  const QRect primary(0, 0, 1920, 1040);
  const QList<QRect> screens{primary, QRect(1920, 0, 1280, 1024)};
  const struct {
    QRect saved;
    QRect placed;
  } cases[] = {
      {QRect(2000, 100, 600, 400), QRect(2000, 100, 600, 400)},  // on the second screen
      {QRect(-560, 100, 600, 400), QRect(-560, 100, 600, 400)},  // 40 pixels still show
      {QRect(-570, 100, 600, 400), QRect(660, 320, 600, 400)},   // 30 do not
      {QRect(3300, 0, 600, 400), QRect(660, 320, 600, 400)},     // right of every screen
      {QRect(0, 2000, 2400, 1200), QRect(0, 0, 1920, 1040)},     // below, and too large
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CClientFrame::PlacementOnScreens(c.saved, screens, primary), c.placed) << c.saved.x();
  }
}

// ---------------------------------------------------------------------------------------------
// the editing flow

TEST_F(ClientFrameTest, OneSessionTravelsTheWholeRoadByClicksAndKeys) {
  WriteProject(ProjectPath(u"Survey"_qs), u"Survey"_qs, 5);
  WriteProject(ProjectPath(u"Other"_qs), u"Other"_qs, 6);
  CClientFrame& frame = MakeFrame();
  CProjectListCtrl* projects = frame.ProjectList();
  const QRect row =
      projects->visualItemRect(projects->item(projects->RowOfPath(ProjectPath(u"Survey"_qs))));
  QTest::mouseClick(projects->viewport(), Qt::LeftButton, {}, row.center());
  Pump();
  ASSERT_NE(frame.Project(), nullptr);
  EXPECT_EQ(frame.Project()->GetHeader().title, u"Survey"_qs);
  EXPECT_TRUE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdNewSession));

  ClickButton(CClientFrame::kCmdNewSession);
  ASSERT_TRUE(frame.IsEditing());
  EXPECT_TRUE(frame.PageView()->isVisible());
  EXPECT_FALSE(frame.Header()->isVisible());
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  EXPECT_FALSE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdPrevious));
  EXPECT_TRUE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdNext));

  QLineEdit* name = EditOf(u"Name"_qs);
  ASSERT_NE(name, nullptr);
  QTest::keyClicks(name, u"Harbour warehouse"_qs);
  ClickButton(CClientFrame::kCmdNext);
  EXPECT_EQ(frame.ShownPageIndex(), 1);
  EXPECT_TRUE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdPrevious));
  QLineEdit* count = EditOf(u"Count"_qs);
  ASSERT_NE(count, nullptr);
  QTest::keyClicks(count, u"42"_qs);
  // Alt+Right is Next from the keyboard.
  QTest::keyClick(count, Qt::Key_Right, Qt::AltModifier);
  Pump();
  EXPECT_EQ(frame.ShownPageIndex(), 2);
  EXPECT_FALSE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdNext));
  ClickButton(CClientFrame::kCmdPrevious);
  EXPECT_EQ(frame.ShownPageIndex(), 1);
  EXPECT_EQ(EditOf(u"Count"_qs)->text(), u"42"_qs);

  ClickButton(CClientFrame::kCmdFinish);
  EXPECT_FALSE(frame.IsEditing());
  EXPECT_TRUE(frame.SessionList()->isVisible());
  EXPECT_TRUE(frame.Header()->isVisible());
  EXPECT_EQ(StoredNames(CSession::kStateActive), QStringList{u"Harbour warehouse"_qs});
  CSessionDatabase* db = frame.Database();
  ASSERT_EQ(db->ListCount(), 1);
  const QUuid guid = db->ListGuidAt(0);

  // Reopened, changed and finished again: still one session, with the new value.
  ASSERT_TRUE(frame.StartEditing(guid, nullptr));
  EXPECT_EQ(EditOf(u"Name"_qs)->text(), u"Harbour warehouse"_qs);
  EditOf(u"Name"_qs)->selectAll();
  QTest::keyClicks(EditOf(u"Name"_qs), u"Harbour depot"_qs);
  QTest::keyClick(EditOf(u"Name"_qs), Qt::Key_Return, Qt::ControlModifier);
  Pump();
  EXPECT_FALSE(frame.IsEditing());
  EXPECT_EQ(StoredNames(CSession::kStateActive), QStringList{u"Harbour depot"_qs});

  // Back arrow: the project closes and the list of projects returns.
  QTest::mouseClick(frame.Header(), Qt::LeftButton, {}, frame.Header()->BackRect().center());
  Pump();
  EXPECT_EQ(frame.Project(), nullptr);
  EXPECT_TRUE(frame.ProjectList()->isVisible());
  EXPECT_EQ(projects->CountAt(projects->RowOfPath(ProjectPath(u"Survey"_qs))), u"1"_qs);
}

TEST_F(ClientFrameTest, ClosingTheWindowOnAnEmptyRequiredPointKeepsItOpen) {
  WriteProject(ProjectPath(u"Strict"_qs), u"Strict"_qs, 5, /*nameRequired=*/2);
  CClientFrame& frame = MakeFrame();
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr));
  EXPECT_FALSE(frame.close());
  EXPECT_TRUE(frame.isVisible());
  EXPECT_TRUE(frame.IsEditing());
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_TRUE(m_services.Messages().Messages().first().text.contains(u"Name"_qs));
  EXPECT_EQ(frame.Database()->StateCount(0), 0);

  // Filled in, the window closes and the session is kept.
  QTest::keyClicks(EditOf(u"Name"_qs), u"Filled"_qs);
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(StoredNames(CSession::kStateActive), QStringList{u"Filled"_qs});
}

TEST_F(ClientFrameTest, AFinishThatCannotSaveKeepsTheSessionOpenWithItsValues) {
  WriteProject(ProjectPath(u"Full"_qs), u"Full"_qs, 5);
  ASSERT_TRUE(CFaultVfs::Instance().Install());
  CClientFrame& frame = MakeFrame();
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr));
  QTest::keyClicks(EditOf(u"Name"_qs), u"Precious"_qs);
  CFaultVfs::Instance().FailAt(CFaultVfs::Operation::Write, 1, SQLITE_FULL, /*sticky=*/true);
  EXPECT_FALSE(frame.Finish());
  EXPECT_TRUE(frame.IsEditing());
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  ASSERT_NE(EditOf(u"Name"_qs), nullptr);
  EXPECT_EQ(EditOf(u"Name"_qs)->text(), u"Precious"_qs);
  ASSERT_FALSE(m_services.Messages().Messages().isEmpty());
  EXPECT_TRUE(m_services.Messages().Messages().last().text.contains(u"could not be saved"_qs));

  // Once the disk has room again the same session saves.
  CFaultVfs::Instance().Disarm();
  EXPECT_TRUE(frame.Finish());
  EXPECT_EQ(StoredNames(CSession::kStateActive), QStringList{u"Precious"_qs});
}

TEST_F(ClientFrameTest, NextStaysEnabledWhenLaterPagesHideAndThenSaysItIsTheEnd) {
  WriteProject(ProjectPath(u"Hiding"_qs), u"Hiding"_qs, 5);
  CClientFrame& frame = MakeFrame();
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr));
  Pump();
  EXPECT_TRUE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdNext));
  // A point on the shown page hides everything after it, as a logic point does.
  frame.Project()->FindPointByName(u"Count"_qs)->SetShown(false);
  frame.Project()->FindPointByName(u"Notes"_qs)->SetShown(false);
  EXPECT_TRUE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdNext));
  ClickButton(CClientFrame::kCmdNext);
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages().first().text,
            u"You have reached the end of the project."_qs);

  // Next keeps the state of the last page change; the hidden page 2 is skipped both ways.
  frame.Project()->FindPointByName(u"Notes"_qs)->SetShown(true);
  ClickButton(CClientFrame::kCmdNext);

  EXPECT_EQ(frame.ShownPageIndex(), 2);
  ClickButton(CClientFrame::kCmdPrevious);
  EXPECT_EQ(frame.ShownPageIndex(), 0);
}

TEST_F(ClientFrameTest, OpeningAMarkedActiveSessionUnmarksItAtOnce) {
  WriteProject(ProjectPath(u"Marks"_qs), u"Marks"_qs, 5);
  StoreSessions(ProjectPath(u"Marks"_qs), {{u"one"_qs, 0}});
  CClientFrame& frame = MakeFrame();
  CSessionDatabase* db = frame.Database();
  const QUuid guid = db->ListGuidAt(0);
  ASSERT_TRUE(db->SetSessionFlags(guid, CSession::kFlagMarked | CSession::kFlagReceived | 8));
  ASSERT_TRUE(frame.StartEditing(guid, nullptr));
  // Read from the file by another connection, before any value changes.
  CSessionDatabase other(ProjectPath(u"Marks"_qs));
  ASSERT_TRUE(other.Open());
  CSessionPtr stored = other.LoadSession(guid, false);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->Flags(), 8u);
}

TEST_F(ClientFrameTest, ASentSessionIsShownAndSavedAgainWithoutTakingChanges) {
  WriteProject(ProjectPath(u"Sent"_qs), u"Sent"_qs, 5);
  StoreSessions(ProjectPath(u"Sent"_qs), {{u"as sent"_qs, CSession::kStateSent}});
  CClientFrame& frame = MakeFrame();
  CSessionDatabase* db = frame.Database();
  db->SetShownState(CSession::kStateSent);
  ASSERT_TRUE(db->Refresh());
  const QUuid guid = db->ListGuidAt(0);
  const int64_t savedBefore = db->LoadSession(guid, false)->Saved().ToFileTime();
  QTest::qWait(20);
  ASSERT_TRUE(frame.StartEditing(guid, nullptr));
  EXPECT_EQ(EditOf(u"Name"_qs)->text(), u"as sent"_qs);
  frame.Project()->FindPointByName(u"Name"_qs)->SetValue(u"changed"_qs);
  EXPECT_TRUE(frame.Finish());
  CSessionPtr after = db->LoadSession(guid, false);
  EXPECT_EQ(after->GetValueText(u"Name"_qs), u"as sent"_qs);
  EXPECT_EQ(after->State(), CSession::kStateSent);
  EXPECT_GT(after->Saved().ToFileTime(), savedBefore);
}

TEST_F(ClientFrameTest, AutomaticSendingMarksNewOrReeditedSessionsAsConfigured) {
  WriteProject(ProjectPath(u"Auto"_qs), u"Auto"_qs, 5);
  CClientFrame& frame = MakeFrame();
  CSessionDatabase* db = frame.Database();
  ASSERT_TRUE(m_settings.WriteInt(u"Settings"_qs, u"Auto"_qs, 1));
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr));
  frame.Project()->FindPointByName(u"Name"_qs)->SetValue(u"new"_qs);
  ASSERT_TRUE(frame.Finish());
  ASSERT_EQ(db->ListCount(), 1);
  EXPECT_EQ(db->ListFlagsAt(0), uint32_t(CSession::kFlagMarked));

  // Re-edited stored sessions follow AutoOld, which is off.
  const QUuid guid = db->ListGuidAt(0);
  ASSERT_TRUE(frame.StartEditing(guid, nullptr));
  ASSERT_TRUE(frame.Finish());
  EXPECT_EQ(db->ListFlagsOf(guid), 0u);
  ASSERT_TRUE(m_settings.WriteInt(u"Settings"_qs, u"Auto"_qs, 0));
  ASSERT_TRUE(m_settings.WriteInt(u"Settings"_qs, u"AutoOld"_qs, 1));
  ASSERT_TRUE(frame.StartEditing(guid, nullptr));
  ASSERT_TRUE(frame.Finish());
  EXPECT_EQ(db->ListFlagsOf(guid), uint32_t(CSession::kFlagMarked));
}

TEST_F(ClientFrameTest, AutoNewSessionStartsTheNextOnlyAfterTwoSeconds) {
  CProject project;
  WriteProject(ProjectPath(u"Chain"_qs), u"Chain"_qs, 5);
  ASSERT_TRUE(project.Load(ProjectPath(u"Chain"_qs)));
  project.MutableHeader().autoNewSession = 1;
  project.SetChanged();
  ASSERT_TRUE(project.Save());

  uint32_t ticks = 100000;
  CServices::Instance().SetTickCounter([&ticks] { return ticks; });
  CClientFrame& frame = MakeFrame();
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr));
  ticks += 1500;
  ASSERT_TRUE(frame.Finish());
  Pump();
  EXPECT_FALSE(frame.IsEditing());

  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr));
  const QUuid first = frame.EditedSession()->Guid();
  ticks += 2500;
  ASSERT_TRUE(frame.Finish());
  Pump();
  ASSERT_TRUE(frame.IsEditing());
  EXPECT_NE(frame.EditedSession()->Guid(), first);
  EXPECT_TRUE(frame.EditedSession()->IsNew());

  // Finishing a session opened from another list starts the next one too, in the active list.
  ticks += 2500;
  ASSERT_TRUE(frame.Finish());
  Pump();
  frame.Flow()->Abandon();
  frame.ShowSessionList();
  ASSERT_TRUE(frame.Database()->SetSessionState(first, CSession::kStateSent));
  TapSegment(1);
  ASSERT_EQ(frame.ListFilter(), CSession::kStateSent);
  ASSERT_TRUE(frame.StartEditing(first, nullptr));
  ticks += 2500;
  ASSERT_TRUE(frame.Finish());
  Pump();
  ASSERT_TRUE(frame.IsEditing());
  EXPECT_TRUE(frame.EditedSession()->IsNew());
  EXPECT_EQ(frame.ListFilter(), CSession::kStateActive);
}

TEST_F(ClientFrameTest, AListThatCannotBeRefreshedShowsNoRowsAndKeepsTheFilterBar) {
  WriteProject(ProjectPath(u"Broken"_qs), u"Broken"_qs, 5);
  StoreSessions(ProjectPath(u"Broken"_qs), {{u"a"_qs, 0}, {u"b"_qs, 1}});
  CClientFrame& frame = MakeFrame();
  ASSERT_EQ(ShownNames(), (QStringList{u"a"_qs}));
  // Another program takes the table away under the open database.
  sqlite3* raw = nullptr;
  ASSERT_EQ(
      sqlite3_open(qPrintable(CSessionDatabase::DatabasePath(ProjectPath(u"Broken"_qs))), &raw),
      SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, "ALTER TABLE session RENAME TO gone;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
  TapSegment(1);
  EXPECT_EQ(frame.SessionList()->model()->rowCount(), 0);
  EXPECT_TRUE(frame.SessionList()->isVisible());
  EXPECT_EQ(frame.FilterBar()->Selected(), 1);
}

TEST_F(ClientFrameTest, CommandLinesReachTheHandlerWithoutTheirQuotes) {
  CClientFrame& frame = MakeFrame();
  frame.PostCommandLine(u"\"qlt://new/session?page=2\""_qs);
  Pump();
  EXPECT_EQ(frame.LastCommandLine(), u"qlt://new/session?page=2"_qs);
  EXPECT_FALSE(frame.OnCommandLine(u"/home/me/Survey.ppc"_qs));
  EXPECT_TRUE(frame.OnCommandLine(u"qlt://configure"_qs));
}

TEST_F(ClientFrameTest, LinkArgumentsFillValuesAndAnUnknownPageStartsAtTheFirst) {
  WriteProject(ProjectPath(u"Link"_qs), u"Link"_qs, 5);
  CClientFrame& frame = MakeFrame();
  const QHash<QString, QString> arguments{
      {u"values"_qs, uR"({"name":"From a link","Nobody":"x","":"y","Count":7})"_qs},
      {u"page"_qs, u"99"_qs}};
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr, &arguments));
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  EXPECT_EQ(EditOf(u"Name"_qs)->text(), u"From a link"_qs);
  EXPECT_EQ(frame.EditedSession()->GetValueText(u"Count"_qs), u"7"_qs);
  EXPECT_TRUE(frame.EditedSession()->GetValueText(u"Nobody"_qs).isEmpty());
  ASSERT_TRUE(frame.Finish());

  const QHash<QString, QString> second{{u"page"_qs, u"2"_qs}};
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr, &second));
  EXPECT_EQ(frame.ShownPageIndex(), 2);
}

TEST_F(ClientFrameTest, FinishingOnAnEmptyRequiredPointStaysWithEveryValue) {
  WriteProject(ProjectPath(u"Refuse"_qs), u"Refuse"_qs, 5, /*nameRequired=*/1);
  CClientFrame& frame = MakeFrame();
  m_services.Messages().SetDefaultAnswer(kIdNo);
  ASSERT_TRUE(frame.StartEditing(QUuid(), nullptr));
  ClickButton(CClientFrame::kCmdNext);
  // Asked whether to go on without a name: No keeps the user on page 1.
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  m_services.Messages().SetDefaultAnswer(kIdYes);
  ClickButton(CClientFrame::kCmdNext);
  EXPECT_EQ(frame.ShownPageIndex(), 1);
  QTest::keyClicks(EditOf(u"Count"_qs), u"5"_qs);
  ClickButton(CClientFrame::kCmdPrevious);
  m_services.Messages().SetDefaultAnswer(kIdNo);
  ClickButton(CClientFrame::kCmdFinish);
  EXPECT_TRUE(frame.IsEditing());
  EXPECT_EQ(frame.ShownPageIndex(), 0);
  EXPECT_EQ(frame.EditedSession()->GetValueText(u"Count"_qs), QString());
  EXPECT_EQ(frame.Project()->FindPointByName(u"Count"_qs)->Value().StringPayload(), u"5"_qs);
  EXPECT_EQ(frame.Database()->StateCount(0), 0);
}

// ---------------------------------------------------------------------------------------------
// the session list in the frame

TEST_F(ClientFrameTest, TappingARowReopensItsSessionAndFinishingReturnsToTheList) {
  WriteProject(ProjectPath(u"Rows"_qs), u"Rows"_qs, 5);
  StoreSessions(ProjectPath(u"Rows"_qs), {{u"first"_qs, 0}, {u"second"_qs, 0}});
  CClientFrame& frame = MakeFrame();
  ASSERT_EQ(ShownNames(), (QStringList{u"first"_qs, u"second"_qs}));
  TapRow(1);
  ASSERT_TRUE(frame.IsEditing());
  EXPECT_EQ(EditOf(u"Name"_qs)->text(), u"second"_qs);
  EditOf(u"Name"_qs)->selectAll();
  QTest::keyClicks(EditOf(u"Name"_qs), u"second, changed"_qs);
  ClickButton(CClientFrame::kCmdFinish);
  ASSERT_FALSE(frame.IsEditing());
  EXPECT_TRUE(frame.SessionList()->isVisible());
  EXPECT_EQ(ShownNames(), (QStringList{u"first"_qs, u"second, changed"_qs}));
}

TEST_F(ClientFrameTest, DeleteMovesToDeletedAndDeletingThereRemovesForGood) {
  WriteProject(ProjectPath(u"Bin"_qs), u"Bin"_qs, 5);
  StoreSessions(ProjectPath(u"Bin"_qs), {{u"keep"_qs, 0}, {u"drop"_qs, 0}});
  CClientFrame& frame = MakeFrame();
  SelectRows({1});
  m_services.Messages().QueueAnswer(kIdNo);
  frame.PostCommand(CClientFrame::kCmdDelete);
  Pump();
  EXPECT_EQ(m_services.Messages().Messages().last().text,
            u"Are you sure you want to delete the selected session?"_qs);
  EXPECT_EQ(ShownNames(), (QStringList{u"keep"_qs, u"drop"_qs}));

  SelectRows({1});
  frame.PostCommand(CClientFrame::kCmdDelete);
  Pump();
  EXPECT_EQ(ShownNames(), QStringList{u"keep"_qs});
  EXPECT_EQ(frame.FilterBar()->SegmentText(2), u"Deleted (1)"_qs);
  EXPECT_EQ(StoredNames(CSession::kStateDeleted), QStringList{u"drop"_qs});

  // In the Deleted view New Session is off and Delete erases the row from the file.
  TapSegment(2);
  EXPECT_EQ(frame.ListFilter(), CSession::kStateDeleted);
  EXPECT_FALSE(frame.ButtonBar()->IsButtonEnabled(CClientFrame::kCmdNewSession));
  EXPECT_EQ(ShownNames(), QStringList{u"drop"_qs});
  frame.SessionList()->selectionModel()->clearSelection();
  frame.PostCommand(CClientFrame::kCmdDelete);  // nothing selected: every row of the view
  Pump();
  EXPECT_TRUE(ShownNames().isEmpty());
  EXPECT_TRUE(StoredNames(CSession::kStateDeleted).isEmpty());
  EXPECT_EQ(StoredNames(CSession::kStateActive), QStringList{u"keep"_qs});
}

TEST_F(ClientFrameTest, DeleteWithPurgeDaysZeroErasesAndNoDeleteProjectsRefuse) {
  WriteProject(ProjectPath(u"Now"_qs), u"Now"_qs, 5);
  StoreSessions(ProjectPath(u"Now"_qs), {{u"a"_qs, 0}, {u"b"_qs, 0}, {u"c"_qs, 0}});
  ASSERT_TRUE(m_settings.WriteInt(u"Settings"_qs, u"PurgeDays"_qs, 0));
  CClientFrame& frame = MakeFrame();
  SelectRows({0, 2});
  frame.PostCommand(CClientFrame::kCmdDelete);
  Pump();
  EXPECT_EQ(m_services.Messages().Messages().last().text,
            u"Are you sure you want to delete the 2 selected sessions?"_qs);
  EXPECT_EQ(ShownNames(), QStringList{u"b"_qs});
  EXPECT_TRUE(StoredNames(CSession::kStateDeleted).isEmpty());

  frame.Project()->MutableHeader().noDelete = 1;
  frame.PostCommand(CClientFrame::kCmdDelete);
  Pump();
  EXPECT_EQ(ShownNames(), QStringList{u"b"_qs});
}

TEST_F(ClientFrameTest, MarkAndUnmarkApplyToTheSelectionOrToEveryRow) {
  WriteProject(ProjectPath(u"Marks"_qs), u"Marks"_qs, 5);
  StoreSessions(ProjectPath(u"Marks"_qs), {{u"a"_qs, 0}, {u"b"_qs, 0}});
  CClientFrame& frame = MakeFrame();
  CSessionDatabase* db = frame.Database();
  frame.PostCommand(CClientFrame::kCmdMark);
  Pump();
  EXPECT_EQ(db->ListFlagsAt(0), uint32_t(CSession::kFlagMarked));
  EXPECT_EQ(db->ListFlagsAt(1), uint32_t(CSession::kFlagMarked));
  EXPECT_EQ(frame.SessionList()->model()->index(0, 0).data(CSessionListModel::kImageRole), 2);
  SelectRows({1});
  frame.PostCommand(CClientFrame::kCmdUnmark);
  Pump();
  EXPECT_EQ(db->ListFlagsAt(0), uint32_t(CSession::kFlagMarked));
  EXPECT_EQ(db->ListFlagsAt(1), 0u);
}

TEST_F(ClientFrameTest, DuplicateOpensACopyUnlessDuplicationIsPrevented) {
  WriteProject(ProjectPath(u"Copy"_qs), u"Copy"_qs, 5);
  StoreSessions(ProjectPath(u"Copy"_qs), {{u"original"_qs, CSession::kStateSent}});
  CClientFrame& frame = MakeFrame();
  TapSegment(1);
  ASSERT_EQ(ShownNames(), QStringList{u"original"_qs});
  const QUuid original = frame.Database()->ListGuidAt(0);

  ASSERT_TRUE(m_settings.WriteInt(u"Settings"_qs, u"Dedupe"_qs, 1));
  SelectRows({0});
  frame.PostCommand(CClientFrame::kCmdDuplicate);
  Pump();
  EXPECT_FALSE(frame.IsEditing());

  ASSERT_TRUE(m_settings.WriteInt(u"Settings"_qs, u"Dedupe"_qs, 0));
  SelectRows({0});
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  frame.PostCommand(CClientFrame::kCmdDuplicate);
  Pump();
  ASSERT_TRUE(frame.IsEditing());
  EXPECT_NE(frame.EditedSession()->Guid(), original);
  EXPECT_TRUE(frame.EditedSession()->IsNew());
  EXPECT_GE(frame.EditedSession()->Created().ToDateTime(), before);
  EXPECT_EQ(frame.ListFilter(), CSession::kStateActive);
  EXPECT_EQ(EditOf(u"Name"_qs)->text(), u"original"_qs);
  ClickButton(CClientFrame::kCmdFinish);
  EXPECT_EQ(ShownNames(), QStringList{u"original"_qs});
  EXPECT_EQ(frame.FilterBar()->SegmentText(0), u"Active (1)"_qs);
  EXPECT_EQ(StoredNames(CSession::kStateSent), QStringList{u"original"_qs});
}

TEST_F(ClientFrameTest, OpeningAProjectPurgesOldSentSessions) {
  WriteProject(ProjectPath(u"Old"_qs), u"Old"_qs, 5);
  StoreSessions(ProjectPath(u"Old"_qs), {{u"old"_qs, CSession::kStateSent}, {u"new"_qs, 0}});
  // The sent session changed state 40 days ago.
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open16(CSessionDatabase::DatabasePath(ProjectPath(u"Old"_qs)).utf16(), &db),
              SQLITE_OK);
    const QByteArray sql = "UPDATE session SET state_time=" +
                           QByteArray::number(QDateTime::currentSecsSinceEpoch() - 40 * 86400) +
                           " WHERE state=1;";
    EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  CClientFrame& frame = MakeFrame();
  EXPECT_EQ(frame.FilterBar()->SegmentText(1), u"Sent (0)"_qs);
  EXPECT_TRUE(StoredNames(CSession::kStateSent).isEmpty());
  EXPECT_EQ(StoredNames(CSession::kStateActive), QStringList{u"new"_qs});
}

// The menu offered for the list: which items, and which of them are enabled.
struct MenuItem {
  QString text;
  bool enabled;
  bool operator==(const MenuItem&) const = default;
};

TEST_F(ClientFrameTest, TheListMenuOffersItsItemsByTheSelectionAndSettings) {
  WriteProject(ProjectPath(u"Menu"_qs), u"Menu"_qs, 5);
  StoreSessions(ProjectPath(u"Menu"_qs), {{u"a"_qs, 0}, {u"b"_qs, 0}});
  MakeFrame();
  QList<MenuItem> seen;
  const auto capture = [&seen] {
    QTimer::singleShot(50, [&seen] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      ASSERT_NE(menu, nullptr);
      seen.clear();
      for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) seen.append({action->text(), action->isEnabled()});
      }
      menu->close();
    });
  };
  // No row selected: the popup for the whole list; not connected, so no synchronising.
  capture();
  ClickButton(CClientFrame::kCmdMenu);
  EXPECT_EQ(seen, (QList<MenuItem>{{u"Synchronise Now"_qs, false},
                                   {u"Connect"_qs, true},
                                   {u"Disconnect"_qs, false},
                                   {u"Delete All Sessions"_qs, true},
                                   {u"Mark All for Sending"_qs, true},
                                   {u"Unmark All"_qs, true}}));
  // One row selected: the popup for a single session.
  SelectRows({0});
  capture();
  ClickButton(CClientFrame::kCmdMenu);
  EXPECT_EQ(seen, (QList<MenuItem>{{u"Send Now"_qs, false},
                                   {u"Duplicate Session"_qs, true},
                                   {u"Delete"_qs, true},
                                   {u"Mark for Sending"_qs, true},
                                   {u"Unmark"_qs, true}}));
  // Duplication prevented: the item stays but is disabled.
  ASSERT_TRUE(m_settings.WriteInt(u"Settings"_qs, u"Dedupe"_qs, 1));
  SelectRows({1});
  capture();
  ClickButton(CClientFrame::kCmdMenu);
  ASSERT_EQ(seen.size(), 5);
  EXPECT_EQ(seen[1], (MenuItem{u"Duplicate Session"_qs, false}));
}

TEST_F(ClientFrameTest, ALongPressOnAProjectAsksToDeleteIt) {
  WriteProject(ProjectPath(u"One"_qs), u"One"_qs, 1);
  WriteProject(ProjectPath(u"Two"_qs), u"Two"_qs, 2);
  CClientFrame& frame = MakeFrame();
  CProjectListCtrl* list = frame.ProjectList();
  list->setCurrentRow(1);
  const QPoint at = list->visualItemRect(list->item(1)).center();
  m_services.Messages().QueueAnswer(kIdNo);
  QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
  QTest::qWait(CProjectListCtrl::kLongPressMs + 150);
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
  Pump();
  // The question came, and the release did not open the project behind it.
  ASSERT_EQ(m_services.Messages().Messages().size(), 1);
  EXPECT_EQ(m_services.Messages().Messages().first().text,
            u"Are you sure you want to delete 'Two'?  All session data will be lost."_qs);
  EXPECT_EQ(frame.Project(), nullptr);
  EXPECT_EQ(list->count(), 2);
}

}  // namespace
