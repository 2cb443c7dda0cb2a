// The client executable: the Qt application, the application object's start-up, the main window
// and the event loop. With QLT_ECHO_COMMANDS=1 in the environment it reports on stdout when it is
// ready, when a later start asks for the window and each command line it receives, so scripts and
// tests can follow it. "--preview" renders one page of a project to a picture and ends
// (ui/page_preview.h).
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/language.h"
#include "app/twkf_app.h"
#include "ui/page_preview.h"

namespace {

void Echo(const QString& line) {
  std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
  std::fflush(stdout);
}

// The main window until the frame of the user interface takes its place.
std::unique_ptr<QMainWindow> MakeMainWindow() {
  QString title = CLanguage::Instance().Translate(QStringLiteral("System.Application"));
  if (title.isEmpty()) title = QStringLiteral("Quillet");
  auto window = std::make_unique<QMainWindow>();
  window->setWindowTitle(title);
  auto* label = new QLabel(title + QLatin1Char(' ') + CTWKFApp::VersionText(), window.get());
  label->setAlignment(Qt::AlignCenter);
  window->setCentralWidget(label);
  window->resize(800, 600);
  return window;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", qPrintable(CTWKFApp::VersionText()));
    return 0;
  }
  // A page rendered headless to a picture; no instance guard, no window.
  if (CPagePreview::IsPreviewCommand(argc, argv)) return CPagePreview::Main(argc, argv);
  QApplication qtApp(argc, argv);
  CTWKFApp app;
  const bool echo = qEnvironmentVariable("QLT_ECHO_COMMANDS") == QLatin1String("1");
  std::unique_ptr<QMainWindow> window;
  app.SetMainWindowFactory([&window, &app, echo] {
    window = MakeMainWindow();
    QMainWindow* target = window.get();
    QObject::connect(&app, &CTWKFApp::activationRequested, target, [target, echo] {
      target->showMaximized();
      target->raise();
      target->activateWindow();
      if (echo) Echo(QStringLiteral("activated"));
    });
    if (echo) {
      QObject::connect(&app, &CTWKFApp::commandReceived, target,
                       [](const QString& text) { Echo(QStringLiteral("received: ") + text); });
    }
    window->show();
    return true;
  });
  if (!app.InitInstance(CTWKFApp::CommandLineFromArguments(QCoreApplication::arguments().mid(1)))) {
    return 0;
  }
  if (echo) Echo(QStringLiteral("ready"));
  const int result = QApplication::exec();
  window.reset();
  app.ExitInstance();
  return result;
}
