// CPagePreview: the client's headless page renderer, `quillet --preview FILE.ppc [--page N]
// [--width W] [--height H] [--full] [--scroll Y] [--show-help] --screenshot OUT.png`: loads the
// project, shows one page in a page display on the offscreen platform (custom points through
// their controls, as in the window), writes what the window shows as a PNG and ends. For looking at
// pages without a screen. Runs on the thread that calls Main, which makes the process's application
// object.
#pragma once

#include <QString>
#include <QStringList>

class CPagePreview {
 public:
  struct Options {
    QString project;
    QString screenshot;
    int page = 0;
    int width = 480;
    int height = 640;
    bool full = false;      // make the window as tall as the page
    int scroll = 0;         // scroll position before the picture is taken
    bool showHelp = false;  // show the page's help text instead of its points
  };

  // True when the command line asks for a preview (its first argument is "--preview").
  static bool IsPreviewCommand(int argc, char** argv);
  // Reads the arguments after the program name; false with a message for anything unusable.
  static bool ParseArguments(const QStringList& arguments, Options& options, QString& error);
  // Renders and writes the picture; needs a QApplication. 0 on success, else a process status.
  static int Run(const Options& options);
  // The whole command: the offscreen platform, the application object, the arguments, Run.
  static int Main(int argc, char** argv);
};
