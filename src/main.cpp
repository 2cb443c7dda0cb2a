// The client executable: the Qt application, the application object's start-up, the main frame
// and the event loop. With QLT_ECHO_COMMANDS=1 in the environment it reports on stdout when it is
// ready, when its first frame is painted, when a later start asks for the window (and whether it
// is maximised then) and each command line its frame's command handler takes, so scripts,
// benchmarks and tests can follow it. "--preview" renders one page of a project to a picture and
// ends (ui/page_preview.h); "--help" and "--version" answer and end.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/app_folders.h"
#include "app/services.h"
#include "app/twkf_app.h"
#include "automation/automation_server.h"
#include "project/point_factory.h"
#include "ui/client_command_line.h"
#include "ui/client_frame.h"
#include "ui/desktop_shell.h"
#include "ui/frame_tour.h"
#include "ui/media_backend.h"
#include "ui/page_preview.h"
#include "ui/qt_dialog_service.h"
#include "ui/qt_message_service.h"
#include "ui/qt_voice_clip.h"
#include "ui/shared_fonts.h"

namespace {

void Echo(const QString& line) {
  std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  MediaBackend::Choose();
  // A page rendered headless to a picture; no instance guard, no window.
  if (CPagePreview::IsPreviewCommand(argc, argv)) return CPagePreview::Main(argc, argv);
  // The frame's road walked headless, with a picture at every stop.
  if (CFrameTour::IsTourCommand(argc, argv)) return CFrameTour::Main(argc, argv);
  // Help and version need no screen: they are answered before the window system is reached.
  QStringList rawArguments;
  for (int i = 1; i < argc; ++i) rawArguments.append(QString::fromLocal8Bit(argv[i]));
  switch (CClientCommandLine::Parse(rawArguments).action) {
    case CClientCommandLine::Action::kHelp:
      std::fputs(qPrintable(CClientCommandLine::Help(
                     CAppFolders::DataFolderPath(CAppFolders::ProgramFolder()))),
                 stdout);
      return 0;
    case CClientCommandLine::Action::kVersion:
      std::printf("%s\n", qPrintable(CTWKFApp::VersionText()));
      return 0;
    default:
      break;
  }
  QApplication qtApp(argc, argv);
  // The application object has taken the window system's own options (-platform, -style, ...);
  // anything else that looks like an option is a mistake.
  const CClientCommandLine commandLine =
      CClientCommandLine::Parse(QCoreApplication::arguments().mid(1));
  if (commandLine.action == CClientCommandLine::Action::kRefused) {
    std::fprintf(stderr, "quillet: %s\n%s", qPrintable(commandLine.problem),
                 qPrintable(CClientCommandLine::Usage()));
    return 2;
  }
  CSharedFonts::Install();
  CServices::Instance().SetMessageService(std::make_unique<CQtMessageService>());
  CServices::Instance().SetDialogService(std::make_unique<CQtDialogService>());
  CServices::Instance().SetVoiceClipService(std::make_unique<CQtVoiceClipService>());
  CServices::Instance().SetShell(std::make_unique<CDesktopShell>());
  CTWKFApp app;
  const bool echo = qEnvironmentVariable("QLT_ECHO_COMMANDS") == QLatin1String("1");
  app.SetAutomationFactory(
      [] { return std::make_unique<CAutomationServer>(CPointFactory::Instance()); });
  std::unique_ptr<CClientFrame> frame;
  app.SetMainWindowFactory([&frame, &app, echo] {
    frame = std::make_unique<CClientFrame>(app.Settings(), app.DataFolder());
    CClientFrame* target = frame.get();
    // A later start brings the window to the front maximised; its command line, like this
    // start's own, goes to the frame's command handler.
    QObject::connect(&app, &CTWKFApp::activationRequested, target, [target, echo] {
      target->showMaximized();
      target->raise();
      target->activateWindow();
      if (echo) {
        Echo(QStringLiteral("activated"));
        if (target->isMaximized()) Echo(QStringLiteral("maximised"));
      }
    });
    QObject::connect(&app, &CTWKFApp::commandReceived, target,
                     [target](const QString& text) { target->PostCommandLine(text); });
    if (echo) {
      QObject::connect(target, &CClientFrame::commandLineTaken, target,
                       [](const QString& text) { Echo(QStringLiteral("received: ") + text); });
      QObject::connect(target, &CClientFrame::firstPainted, target,
                       [] { Echo(QStringLiteral("painted")); });
    }
    target->ShowWithPlacement();
    return true;
  });
  if (!app.InitInstance(CTWKFApp::CommandLineFromArguments(commandLine.operands))) {
    return 0;
  }
  if (echo) Echo(QStringLiteral("ready"));
  const int result = QApplication::exec();
  frame.reset();
  app.ExitInstance();
  return result;
}
