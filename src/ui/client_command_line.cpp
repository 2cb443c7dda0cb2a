#include "ui/client_command_line.h"

CClientCommandLine CClientCommandLine::Parse(const QStringList& arguments) {
  CClientCommandLine result;
  bool optionsEnded = false;
  for (const QString& argument : arguments) {
    // "-" alone is a name, as it is for every command-line program.
    if (optionsEnded || argument.size() < 2 || !argument.startsWith(u'-')) {
      result.operands.append(argument);
    } else if (argument == u"--"_qs) {
      optionsEnded = true;
    } else if (argument == u"-h"_qs || argument == u"--help"_qs) {
      return CClientCommandLine{Action::kHelp, {}, {}};
    } else if (argument == u"--version"_qs) {
      return CClientCommandLine{Action::kVersion, {}, {}};
    } else if (result.problem.isEmpty()) {
      result.problem = QStringLiteral("unknown option \"%1\"").arg(argument);
    }
  }
  if (!result.problem.isEmpty()) result.action = Action::kRefused;
  return result;
}

QString CClientCommandLine::Usage() {
  return QStringLiteral(
      "usage: quillet [--] [PROJECT.ppc | qlt://LINK]\n"
      "       quillet --tour DATA_FOLDER OUT_FOLDER\n"
      "       quillet --preview PROJECT.ppc --screenshot OUT.png [--page N] [--width W]\n"
      "               [--height H] [--full] [--scroll Y] [--show-help]\n"
      "       quillet --help | --version\n");
}

QString CClientCommandLine::Help(const QString& dataFolder) {
  return Usage() +
         QStringLiteral(
             "\n"
             "Starts the Quillet client. When the client runs already, it comes to the front\n"
             "and is handed the project file or command link.\n"
             "\n"
             "options:\n"
             "  -h, --help  show this help\n"
             "  --version   print the version\n"
             "  --tour      walk the main window through a session without a screen and write\n"
             "              a picture of each stop into OUT_FOLDER\n"
             "  --preview   draw one page of a project without a screen into a picture\n"
             "  --          every later argument is a file or link, never an option\n"
             "\n"
             "Installed projects (.ppc files) and their sessions are kept in\n"
             "  %1\n"
             "Projects arrive there from the server after Connect, or copy a .ppc file into it.\n")
             .arg(dataFolder);
}
