#include "ui/page_preview.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "automation/automation_root.h"
#include "automation/custom_point_host.h"
#include "project/page.h"
#include "project/project.h"
#include "ui/page_ctrl.h"

namespace {

constexpr int kMaxSide = 20000;

void PrintError(const QString& text) {
  std::fprintf(stderr, "quillet --preview: %s\n", qPrintable(text));
}

bool ReadNumber(const QStringList& arguments, qsizetype& i, int minimum, int& out, QString& error) {
  const QString name = arguments[i];
  if (i + 1 >= arguments.size()) {
    error = QStringLiteral("%1 needs a number").arg(name);
    return false;
  }
  bool ok = false;
  const int value = arguments[++i].toInt(&ok);
  if (!ok || value < minimum || value > kMaxSide) {
    error = QStringLiteral("%1 takes a number from %2 to %3, not \"%4\"")
                .arg(name)
                .arg(minimum)
                .arg(kMaxSide)
                .arg(arguments[i]);
    return false;
  }
  out = value;
  return true;
}

}  // namespace

bool CPagePreview::IsPreviewCommand(int argc, char** argv) {
  return argc >= 2 && std::strcmp(argv[1], "--preview") == 0;
}

bool CPagePreview::ParseArguments(const QStringList& arguments, Options& options, QString& error) {
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--preview") || argument == QLatin1String("--screenshot")) {
      if (i + 1 >= arguments.size()) {
        error = QStringLiteral("%1 needs a file name").arg(argument);
        return false;
      }
      (argument == QLatin1String("--preview") ? options.project : options.screenshot) =
          arguments[++i];
    } else if (argument == QLatin1String("--page")) {
      if (!ReadNumber(arguments, i, 0, options.page, error)) return false;
    } else if (argument == QLatin1String("--width")) {
      if (!ReadNumber(arguments, i, 1, options.width, error)) return false;
    } else if (argument == QLatin1String("--height")) {
      if (!ReadNumber(arguments, i, 1, options.height, error)) return false;
    } else if (argument == QLatin1String("--scroll")) {
      if (!ReadNumber(arguments, i, 0, options.scroll, error)) return false;
    } else if (argument == QLatin1String("--full")) {
      options.full = true;
    } else if (argument == QLatin1String("--show-help")) {
      options.showHelp = true;
    } else {
      error = QStringLiteral("unknown argument \"%1\"").arg(argument);
      return false;
    }
  }
  if (options.project.isEmpty()) {
    error = QStringLiteral("no project file given");
    return false;
  }
  if (options.screenshot.isEmpty()) {
    error = QStringLiteral("no --screenshot file given");
    return false;
  }
  return true;
}

int CPagePreview::Run(const Options& options) {
  CLanguage::Instance().LoadTranslation(QString(), QString());
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());
  CProject project;
  if (!project.Load(options.project)) {
    PrintError(QStringLiteral("cannot read the project \"%1\"").arg(options.project));
    return 1;
  }
  if (options.page >= project.PageCount()) {
    PrintError(QStringLiteral("the project has %1 pages; there is no page %2")
                   .arg(project.PageCount())
                   .arg(options.page));
    return 1;
  }
  project.FillDefaults();
  // Custom points draw through their controls, as in the client's window.
  CAutomationRoot automation;
  automation.AddOpenProject(&project);
  CCustomPointHost(&automation).CreateControls(project);
  project.InitPoints();
  CPage* page = project.Page(options.page);

  CPageCtrl view;
  view.resize(options.width, options.height);
  view.SetPage(page, false);
  if (options.showHelp) view.ShowHelp(page->Caption(), page->Help());
  if (options.full) {
    // Tall enough for the header band and the whole page.
    view.resize(options.width, std::min(kMaxSide, view.ContentTop() + view.PageHeight()));
  }
  view.show();
  QCoreApplication::processEvents();
  view.ScrollTo(options.scroll);
  QCoreApplication::processEvents();
  const QImage image = view.grab().toImage();
  const bool saved = image.save(options.screenshot, "PNG");
  view.SetPage(nullptr, false);
  automation.CloseProject(&project);
  CCustomPointHost::ReleaseControls(project);
  if (!saved) {
    PrintError(QStringLiteral("cannot write \"%1\"").arg(options.screenshot));
    return 1;
  }
  return 0;
}

int CPagePreview::Main(int argc, char** argv) {
  // A preview never needs a screen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Nor does it touch the user's settings: an incrementor shown on the page would otherwise hand
  // out a number of the user's own sequence.
  const QTemporaryDir settingsHome;
  qputenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit());
  QApplication application(argc, argv);
  Options options;
  QString error;
  if (!ParseArguments(QCoreApplication::arguments().mid(1), options, error)) {
    PrintError(error);
    return 2;
  }
  return Run(options);
}
