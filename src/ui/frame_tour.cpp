#include "ui/frame_tour.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "platform/settings_store.h"
#include "points/camera_point.h"
#include "points/stopwatch.h"
#include "project/project.h"
#include "sessions/session.h"
#include "sync/connection.h"
#include "sync/sync_run.h"
#include "ui/client_frame.h"
#include "ui/page_ctrl.h"
#include "ui/project_list_ctrl.h"
#include "ui/qt_dialog_service.h"
#include "ui/settings_dialog.h"
#include "ui/shared_fonts.h"
#include "ui/sync_dlg.h"
#include "ui/tour_device_values.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "quillet --tour: %s\n", qPrintable(text));
}

// Lets posted commands, timers and paints run.
void Settle(int milliseconds = 150) {
  QElapsedTimer timer;
  timer.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (timer.elapsed() < milliseconds);
}

bool Snap(CClientFrame& frame, const QString& folder, const QString& name) {
  Settle();
  const QString path = QDir(folder).filePath(name);
  if (frame.grab().toImage().save(path, "PNG")) {
    std::printf("%s\n", qPrintable(path));
    return true;
  }
  PrintError(QStringLiteral("cannot write \"%1\"").arg(path));
  return false;
}

// Opens a dialog through the client's dialog service; once it shows, it is pictured and closed.
bool SnapDialog(const QString& folder, const QString& name, const std::function<void()>& open) {
  bool saved = false;
  QTimer::singleShot(0, [&] {
    Settle();
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    const QString path = QDir(folder).filePath(name);
    saved = dialog->grab().toImage().save(path, "PNG");
    if (saved) std::printf("%s\n", qPrintable(path));
    dialog->reject();
  });
  open();
  if (!saved) PrintError(QStringLiteral("the dialog for \"%1\" was not pictured").arg(name));
  return saved;
}

// The dialogs a point opens, each on sample values so the pictures are the same every time.
bool SnapDialogs(const QString& folder, const QString& filesFolder) {
  CQtDialogService dialogs;
  using Parts = CDialogService::TimeParts;
  const QDateTime visit(QDate(2026, 12, 3), QTime(10, 30));
  const struct {
    const char* name;
    Parts parts;
  } times[] = {{"5-dialog-calendar.png", Parts::kDate},
               {"5-dialog-date-and-time.png", Parts::kDateAndTime},
               {"5-dialog-time.png", Parts::kTime}};
  for (const auto& time : times) {
    QDateTime value = visit;
    if (!SnapDialog(folder, QString::fromLatin1(time.name),
                    [&] { dialogs.ChooseDateTime(value, time.parts); })) {
      return false;
    }
  }
  CDialogService::SketchRequest sketch;
  sketch.caption = QStringLiteral("Site plan");
  sketch.canvas = QSize(480, 300);
  sketch.paletteSize = 4;
  sketch.strokes = {{0, {{40, 40}, {440, 40}, {440, 260}, {40, 260}, {40, 40}}},
                    {2, {{200, 260}, {200, 200}, {280, 200}, {280, 260}}},
                    {1, {{60, 60}, {120, 120}, {180, 80}}}};
  if (!SnapDialog(folder, QStringLiteral("5-dialog-sketch.png"),
                  [&] { dialogs.EditSketch(sketch); })) {
    return false;
  }
  CStopwatch watch(5);
  watch.SetTotal(372345);
  if (!SnapDialog(folder, QStringLiteral("5-dialog-stopwatch.png"),
                  [&] { dialogs.RunStopwatch(watch); })) {
    return false;
  }
  CDialogService::NumberRequest number;
  number.text = QStringLiteral("12.5");
  number.decimalKey = QStringLiteral(".");
  if (!SnapDialog(folder, QStringLiteral("5-dialog-numpad.png"),
                  [&] { dialogs.EnterNumber(number); })) {
    return false;
  }
  if (!SnapDialog(folder, QStringLiteral("5-dialog-file-open.png"), [&] {
        dialogs.OpenFile(QStringLiteral("Documents|*.pdf;*.txt|All Files|*.*||"), filesFolder);
      })) {
    return false;
  }
  return SnapDialog(folder, QStringLiteral("5-dialog-file-save.png"), [&] {
    dialogs.SaveFile(QStringLiteral("site-plan.pdf"), QStringLiteral("pdf"));
  });
}

// A GPS window standing at a fix, with no receiver behind it: it shows a view and never polls.
class CSampleGpsWindow : public CDialogService::GpsWindow {
 public:
  CSampleGpsWindow() {
    m_view.status = CLanguage::Instance().Translate(QStringLiteral("Point.GPS.Fixed"));
    m_view.fixed = true;
    m_view.latitude = QStringLiteral("48\u00b07'2.29\" N");
    m_view.longitude = QStringLiteral("11\u00b031'0.00\" E");
    m_view.altitude = QStringLiteral("545.4 m");
    m_view.satellites = QStringLiteral("8");
    m_view.canAccept = true;
  }
  Next Open() override { return Next::kWait; }
  Next Poll() override { return Next::kWait; }
  Next Setup() override { return Next::kWait; }
  const CDialogService::GpsView& View() const override { return m_view; }

 private:
  CDialogService::GpsView m_view;
};

// The windows of the device points: the GPS window, its setup, the barcode scan window and the
// camera's capture window.
bool SnapDeviceDialogs(const QString& folder) {
  CQtDialogService dialogs;
  CSampleGpsWindow gps;
  if (!SnapDialog(folder, QStringLiteral("5-dialog-gps.png"),
                  [&] { dialogs.ShowGpsWindow(gps); })) {
    return false;
  }
  CDialogService::GpsSetupRequest setup;
  setup.ports = QStringList({QStringLiteral("Auto"), QStringLiteral("ttyUSB0")});
  setup.speeds = QStringList({QStringLiteral("57600"), QStringLiteral("4800")});
  setup.port = QStringLiteral("ttyUSB0");
  setup.speed = QStringLiteral("4800");
  if (!SnapDialog(folder, QStringLiteral("5-dialog-gps-setup.png"),
                  [&] { dialogs.EditGpsSetup(setup); })) {
    return false;
  }
  CDialogService::BarcodeRequest barcode;
  barcode.caption = QStringLiteral("Site permit barcode");
  barcode.code = QStringLiteral("4006381333931");
  if (!SnapDialog(folder, QStringLiteral("5-dialog-barcode.png"),
                  [&] { dialogs.ScanBarcode(barcode); })) {
    return false;
  }
  // The capture window as this machine has it (without a camera it says what to do instead).
  return SnapDialog(folder, QStringLiteral("5-dialog-camera.png"),
                    [&] { dialogs.TakePhoto(CCameraPoint::CameraRollFolder()); });
}

// The settings page and the synchronisation window. The window is pictured in the middle of a
// run: the run is not connected, so the step and the count it would show are set on it.
bool SnapSyncWindows(CClientFrame& frame, const QString& folder) {
  CSettingsDialog* settings = frame.OpenSettings(QString());
  Settle();
  const QString settingsPath = QDir(folder).filePath(QStringLiteral("6-settings.png"));
  const bool settingsSaved = settings && settings->grab().toImage().save(settingsPath, "PNG");
  if (settings) settings->reject();
  Settle();
  if (!settingsSaved) {
    PrintError(QStringLiteral("the settings page was not pictured"));
    return false;
  }
  std::printf("%s\n", qPrintable(settingsPath));

  CConnectionSettings offline;
  CConnection connection(offline, CHandshake::Identity(), 0);
  CSyncRun run(connection, frame.Project(), frame.Database(), 30, nullptr, true);
  CSyncDlg window(run, &frame);
  bool saved = false;
  const QString path = QDir(folder).filePath(QStringLiteral("6-sync-window.png"));
  QTimer::singleShot(0, [&] {
    Settle();
    QString status = CLanguage::Instance().Translate(QStringLiteral("Sync.SendingSessions"));
    status.replace(status.indexOf(QLatin1String("%s")), 2, QStringLiteral("2"));
    status.replace(status.indexOf(QLatin1String("%s")), 2, QString::number(run.Total()));
    window.SetStatus(status);
    window.SetProgress(4, run.Total() + CSyncRun::kExtraSteps);
    Settle();
    saved = window.grab().toImage().save(path, "PNG");
    run.Cancel();
  });
  window.Execute();
  if (!saved) {
    PrintError(QStringLiteral("the synchronisation window was not pictured"));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The tour's home folder: at one place, so the file dialogs' pictures are the same on every run,
// or a random one when that place is taken (another tour runs, or one was stopped); removed at
// the end.
class CTourHome {
 public:
  CTourHome() {
    const QString fixed = QDir(QDir::tempPath()).filePath(QStringLiteral("quillet-tour"));
    if (QDir().mkdir(fixed)) {
      m_path = fixed;
    } else {
      m_random.emplace();
      m_path = m_random->path();
    }
  }
  ~CTourHome() {
    if (!m_random) QDir(m_path).removeRecursively();
  }
  CTourHome(const CTourHome&) = delete;
  CTourHome& operator=(const CTourHome&) = delete;
  const QString& Path() const { return m_path; }

 private:
  QString m_path;
  std::optional<QTemporaryDir> m_random;
};

// Sample sessions for the list: the values a field worker would have typed.
const char* const kSessions[] = {
    R"({"SiteName":"Harbour Street warehouse","VisitDate":"2026-12-01","Inspector":"J. Okafor",)"
    R"("Length":"24","Width":"12.5","SignedOff":"Yes","SignedBy":"J. Okafor"})",
    R"({"SiteName":"Mill Lane school annex","VisitDate":"2026-12-02","Inspector":"R. Lindqvist",)"
    R"("Length":"9","Width":"7","SignedOff":"Yes","SignedBy":"R. Lindqvist"})",
    R"({"SiteName":"Riverside flats, block C","VisitDate":"2026-12-03","Inspector":"J. Okafor",)"
    R"("Length":"15","Width":"10"})",
};

// The session pictured page by page: the first sample on a visit where the scaffolding failed.
const char* const kPictured =
    R"({"SiteName":"Harbour Street warehouse","VisitDate":"2026-12-01","Inspector":"J. Okafor",)"
    R"("Length":"24","Width":"12.5","PermitCode":"PRM-2026-0412","Scaffold":"No",)"
    R"("ScaffoldIssue":"No inspection tag on the east tower; a board hangs loose on level two.",)"
    R"("SignedOff":"Yes","SignedBy":"J. Okafor"})";

}  // namespace

bool CFrameTour::IsTourCommand(int argc, char** argv) {
  return argc >= 2 && std::strcmp(argv[1], "--tour") == 0;
}

int CFrameTour::Main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir settingsHome;
  qputenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit());
  // The file dialogs show a home of sample files, never the user's own.
  const CTourHome home;
  qputenv("HOME", home.Path().toLocal8Bit());
  const QString files = QDir(home.Path()).filePath(QStringLiteral("Documents"));
  QDir().mkpath(files);
  const QDateTime written(QDate(2026, 11, 30), QTime(16, 5));
  for (const char* name : {"site-plan.pdf", "permit.pdf", "notes.txt"}) {
    QFile sample(QDir(files).filePath(QString::fromLatin1(name)));
    if (!sample.open(QIODevice::WriteOnly)) continue;
    sample.write("sample\n");
    sample.flush();  // else closing writes the bytes, and the time, afterwards
    sample.setFileTime(written, QFileDevice::FileModificationTime);
  }
  QApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 4) {
    PrintError(QStringLiteral("usage: quillet --tour DATA_FOLDER OUT_FOLDER"));
    return 2;
  }
  const QString dataFolder = arguments[2];
  const QString outFolder = arguments[3];
  if (!QDir().mkpath(outFolder)) {
    PrintError(QStringLiteral("cannot make \"%1\"").arg(outFolder));
    return 1;
  }
  CSharedFonts::Install();
  CLanguage::Instance().LoadTranslation(QString(), QString());
  // Questions are answered Yes, so a required point left empty does not stop the tour.
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());

  CSettingsStore settings(CSettingsStore::DefaultFilePath());
  // The first start: no project installed yet.
  {
    const QTemporaryDir emptyData;
    CClientFrame empty(settings, emptyData.path());
    // The picture shows where a user's projects go, not the tour's throw-away folder, so it is
    // the same on every machine.
    empty.ProjectList()->SetDataFolder(QStringLiteral("~/.local/share/Brenmoor/QLT Client"));
    empty.resize(900, 640);
    empty.show();
    if (!Snap(empty, outFolder, QStringLiteral("0-no-projects.png"))) return 1;
  }
  CClientFrame frame(settings, dataFolder);
  frame.resize(900, 640);
  frame.show();
  if (!frame.Project() && frame.ProjectList()->count() == 0) {
    PrintError(QStringLiteral("no project in \"%1\"").arg(dataFolder));
    return 1;
  }
  if (!frame.Project()) frame.OpenProject(frame.ProjectList()->PathAt(0));
  if (!frame.Project()) {
    PrintError(QStringLiteral("the project did not open"));
    return 1;
  }
  const QString path = frame.Project()->Path();
  for (const char* values : kSessions) {
    const QHash<QString, QString> link{{QStringLiteral("values"), QString::fromUtf8(values)}};
    if (!frame.StartEditing(QUuid(), nullptr, &link) || !frame.Finish()) {
      PrintError(QStringLiteral("a sample session could not be entered"));
      return 1;
    }
  }
  // Back to the projects, where the badge counts the new sessions, then into the list again.
  frame.CloseProject();
  if (!Snap(frame, outFolder, QStringLiteral("1-project-list.png"))) return 1;
  frame.OpenProject(path);
  if (!Snap(frame, outFolder, QStringLiteral("2-session-list.png"))) return 1;

  // The pictured session holds what its device points record, besides the typed values.
  const CSessionPtr pictured = CSession::Create(CProject::UnitId(), true);
  QString error;
  if (!TourDeviceValues::Fill(*frame.Project(), *pictured,
                              QDateTime(QDate(2026, 12, 1), QTime(10, 42, 7)), error)) {
    PrintError(error);
    return 1;
  }
  const QHash<QString, QString> link{{QStringLiteral("values"), QString::fromUtf8(kPictured)}};
  if (!frame.StartEditing(QUuid(), pictured.data(), &link)) {
    PrintError(QStringLiteral("the pictured session could not be started"));
    return 1;
  }
  // Every page the road reaches, until Next stays where it is.
  for (int number = 1;; ++number) {
    const QString name =
        QStringLiteral("%1-editing-page-%2.png").arg(number == 1 ? 3 : 4).arg(number);
    if (!Snap(frame, outFolder, name)) return 1;
    // A page taller than the window is pictured once more at its end.
    if (frame.PageView()->ScrollRange() > 0) {
      frame.PageView()->ScrollBy(frame.PageView()->ScrollRange());
      if (!Snap(frame, outFolder,
                QString(name).replace(QStringLiteral(".png"), QStringLiteral("-end.png")))) {
        return 1;
      }
    }
    const int shown = frame.ShownPageIndex();
    frame.NextPage();
    Settle();
    if (frame.ShownPageIndex() == shown || number >= frame.Project()->PageCount()) break;
  }
  if (!SnapDialogs(outFolder, files) || !SnapDeviceDialogs(outFolder)) return 1;
  return SnapSyncWindows(frame, outFolder) ? 0 : 1;
}
