// The command-line tool `qlt`: dispatches on its first word to one command; each command lives
// in a file pair of its own here and gets the remaining arguments.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "project_command.h"
#include "session_fill_command.h"
#include "sessions_command.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const QStringList& arguments);
  const char* summary;
};

const Command kCommands[] = {
    {"project", &CProjectCommand::Main, "dump a project file as JSON, or build one from JSON"},
    {"sessions", &CSessionsCommand::Main, "list or export the sessions of a project"},
    {"session", &CSessionFillCommand::Main, "fill a session headless and print its values"},
};

void PrintUsage() {
  std::fprintf(stderr, "usage: qlt <command> ...\ncommands:\n");
  for (const Command& command : kCommands) {
    std::fprintf(stderr, "  %-10s %s\n", command.name, command.summary);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  if (arguments.isEmpty()) {
    PrintUsage();
    return 2;
  }
  const QString name = arguments.takeFirst();
  for (const Command& command : kCommands) {
    if (name == QLatin1String(command.name)) return command.run(arguments);
  }
  std::fprintf(stderr, "qlt: unknown command \"%s\"\n", name.toUtf8().constData());
  PrintUsage();
  return 2;
}
