// The command-line tool `qlt`: dispatches on its first word to one command; each command lives
// in a file pair of its own here and gets the remaining arguments. Options before the command
// word ask for the tool's help or version; "qlt help COMMAND" and "qlt COMMAND --help" show a
// command's help. Help and version go to stdout with status 0; misuse gets a usage line on stderr
// and status 2.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "app/app_folders.h"
#include "app/language.h"
#include "app/twkf_app.h"
#include "project_command.h"
#include "server_command.h"
#include "session_fill_command.h"
#include "sessions_command.h"
#include "sync_command.h"
#include "tool_arguments.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

struct Command {
  const char* name;
  int (*run)(const QStringList& arguments);
  void (*usage)(std::FILE* out, bool full);
  const char* summary;
};

const Command kCommands[] = {
    {"project", &CProjectCommand::Main, &CProjectCommand::PrintUsage,
     "dump a project file as JSON, or build one from JSON"},
    {"sessions", &CSessionsCommand::Main, &CSessionsCommand::PrintUsage,
     "list or export the sessions of a project"},
    {"session", &CSessionFillCommand::Main, &CSessionFillCommand::PrintUsage,
     "fill a session headless and print its values"},
    {"sync", &CSyncCommand::Main, &CSyncCommand::PrintUsage,
     "synchronise installed projects with the server, without a window"},
    {"server", &CServerCommand::Main, &CServerCommand::PrintUsage,
     "a small local synchronisation server for trying the client"},
};

const char kUsageLine[] = "usage: qlt [--help | --version] COMMAND [ARGUMENTS...]\n";

void PrintHelp(std::FILE* out) {
  std::fputs(kUsageLine, out);
  std::fputs("       qlt help [COMMAND]\n\ncommands:\n", out);
  for (const Command& command : kCommands) {
    std::fprintf(out, "  %-10s %s\n", command.name, command.summary);
  }
  std::fputs(
      "\n"
      "options:\n"
      "  -h, --help  show this help; \"qlt COMMAND --help\" shows a command's help\n"
      "  --version   print the version\n"
      "  --          the next argument is the command, never an option\n",
      out);
}

// Misuse: what was wrong, then how to call.
int Refuse(const QString& problem) {
  std::fprintf(stderr, "qlt: %s\n%s", problem.toUtf8().constData(), kUsageLine);
  std::fputs("Run \"qlt --help\" for the commands.\n", stderr);
  return kExitUsage;
}

const Command* Find(const QString& name) {
  for (const Command& command : kCommands) {
    if (name == QLatin1String(command.name)) return &command;
  }
  return nullptr;
}

// "qlt help [COMMAND]".
int Help(const QStringList& arguments) {
  if (arguments.isEmpty()) {
    PrintHelp(stdout);
    return kExitOk;
  }
  if (arguments.size() > 1) {
    return Refuse(QStringLiteral("unexpected argument \"%1\"").arg(arguments[1]));
  }
  const Command* command = Find(arguments[0]);
  if (!command) return Refuse(QStringLiteral("unknown command \"%1\"").arg(arguments[0]));
  command->usage(stdout, true);
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();

  // Options before the command word.
  qsizetype at = 0;
  for (; at < arguments.size() && CToolArguments::IsOptionText(arguments[at]); ++at) {
    const QString& option = arguments[at];
    if (option == u"--"_qs) {
      ++at;
      break;
    }
    if (CToolArguments::IsHelpText(option)) {
      PrintHelp(stdout);
      return kExitOk;
    }
    if (option == u"--version"_qs) {
      std::printf("%s\n", qPrintable(CTWKFApp::VersionText()));
      return kExitOk;
    }
    return Refuse(QStringLiteral("unknown option \"%1\"").arg(option));
  }
  if (at >= arguments.size()) {
    PrintHelp(stderr);
    return kExitUsage;
  }
  const QString name = arguments[at];
  const QStringList rest = arguments.mid(at + 1);
  if (name == u"help"_qs) return Help(rest);
  const Command* command = Find(name);
  if (!command) return Refuse(QStringLiteral("unknown command \"%1\"").arg(name));

  // The messages of loading, verifying and saving read as the client shows them: the same
  // built-in texts, overlaid by the Language.ini of the client's data or program folder.
  const QString programFolder = CAppFolders::ProgramFolder();
  CLanguage::Instance().LoadTranslation(CAppFolders::DataFolderPath(programFolder), programFolder);
  return command->run(rest);
}
