// CClientCommandLine: what the client's own command line asks for: its help, its version, or a
// start that hands the window a project file or command link (the operands; everything after
// "--" is one, never an option). The tour and the page preview read their own arguments. A plain
// value; main thread.
#pragma once

#include <QString>
#include <QStringList>

class CClientCommandLine {
 public:
  enum class Action { kRun, kHelp, kVersion, kRefused };

  Action action = Action::kRun;
  // The project file or command link to act on, as given.
  QStringList operands;
  // Why the command line was refused (an unknown option).
  QString problem;

  // `arguments` without the program name. "-h"/"--help" and "--version" win wherever they stand
  // before "--", so they are answered even beside options meant for the window system.
  static CClientCommandLine Parse(const QStringList& arguments);

  // The usage lines.
  static QString Usage();
  // The whole help: usage, options and where the projects are kept.
  static QString Help(const QString& dataFolder);
};
