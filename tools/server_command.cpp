#include "server_command.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

#include "app/message_service.h"
#include "app/services.h"
#include "server_peer.h"
#include "sync/handshake.h"
#include "sync/server_link.h"
#include "tool_arguments.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "qlt server: %s\n", text.toUtf8().constData());
}

// The signal handler only writes a byte; the main loop reads it and quits.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

void CServerCommand::PrintUsage(std::FILE* out, bool full) {
  std::fputs(
      "usage: qlt server --data DIR [--port N] [--password TEXT] [--variant 1|2]\n"
      "                  [--encryption 0|1] [--inventory]\n",
      out);
  if (!full) return;
  std::fputs(
      "\n"
      "A small synchronisation server on this machine (127.0.0.1) for trying the client and for\n"
      "tests. It prints its port on the first line, then one line per event, and runs until it\n"
      "is interrupted (Ctrl+C) or terminated. Several units may be connected at once.\n"
      "\n"
      "  --data DIR         the server's folder (made when missing), see below\n"
      "  --port N           the port to listen on (default 2001; 0: any free port)\n"
      "  --password TEXT    the password units must know (default: empty)\n"
      "  --variant 1|2      the handshake the server offers (default 2, always encrypted)\n"
      "  --encryption 0|1   whether the first variant encrypts (default 1); the second variant\n"
      "                     always does, so --variant 2 --encryption 0 is refused\n"
      "  --inventory        ask every unit for its projects once it is online and print them\n"
      "  -h, --help         show this help\n"
      "\n"
      "The data folder:\n"
      "  DIR/NAME.ppc       the projects the server holds. A project check finds the unit's\n"
      "                     project by file name: status 0 when the unique number matches,\n"
      "                     6 when DIR's file has a higher revision (the unit may then ask for\n"
      "                     it and gets DIR's file), 3 when DIR has no such file, 5 when the\n"
      "                     file cannot be read or holds another project (unique number).\n"
      "  DIR/NAME.ppd       the sessions units sent for NAME.ppc, each stored as active under\n"
      "                     its own GUID (a session sent again replaces its copy); read them\n"
      "                     with \"qlt sessions list DIR/NAME.ppc\". A session for a project DIR\n"
      "                     does not hold is refused with status 3 (no file) or 5 (another\n"
      "                     project or unreadable) and nothing is stored.\n"
      "  DIR/push/NAME.ppd  sessions to push to units for DIR/NAME.ppc: every active session of\n"
      "                     this database goes to a unit that asks for its pushed sessions (for\n"
      "                     that project or for all), followed by the end of the pushed\n"
      "                     sessions. Once a unit reports a session stored, it is re-stated as\n"
      "                     sent there, so it is delivered once. Fill it by copying a client's\n"
      "                     .ppd there, or with \"qlt session fill DIR/push/NAME.ppc --save\"\n"
      "                     beside a copy of the project file.\n"
      "\n"
      "Telegrams: a telegram a unit sends (code 41) for a project DIR holds (by file name) is\n"
      "relayed as it came (code 42) to every other unit online at that moment; each unit applies\n"
      "it only while it has that project open. A telegram for a project DIR does not hold is\n"
      "dropped. Nothing of a telegram is stored, and the sender does not get its own back.\n"
      "\n"
      "Exit codes: 0 stopped by SIGINT or SIGTERM, 1 it cannot listen or make DIR, 2 bad usage.\n",
      out);
}

int CServerCommand::Main(const QStringList& arguments) {
  Options options;
  if (!ParseArguments(arguments, options)) {
    PrintUsage(stderr, false);
    return kExitUsage;
  }
  if (options.help) {
    PrintUsage(stdout, true);
    return kExitOk;
  }
  return Serve(options);
}

bool CServerCommand::ParseArguments(const QStringList& arguments, Options& options) {
  CToolArguments reader(arguments);
  bool encryptionGiven = false;
  while (reader.Next()) {
    const QString& argument = reader.Current();
    if (reader.IsHelp()) {
      options.help = true;
      return true;
    }
    if (!reader.IsOption()) {
      PrintError(QStringLiteral("unexpected argument \"%1\"").arg(argument));
      return false;
    }
    if (argument == u"--inventory"_qs) {
      options.inventory = true;
      continue;
    }
    const bool known = argument == u"--data"_qs || argument == u"--port"_qs ||
                       argument == u"--password"_qs || argument == u"--variant"_qs ||
                       argument == u"--encryption"_qs;
    if (!known) {
      PrintError(QStringLiteral("unknown option \"%1\"").arg(argument));
      return false;
    }
    QString value;
    if (!reader.TakeValue(value) || (value.isEmpty() && argument != u"--password"_qs)) {
      PrintError(QStringLiteral("option %1 needs a value").arg(argument));
      return false;
    }
    if (argument == u"--data"_qs) {
      options.data = value;
    } else if (argument == u"--port"_qs) {
      bool ok = false;
      const uint port = value.toUInt(&ok);
      if (!ok || port > 65535) {
        PrintError(
            QStringLiteral("--port must be a number from 0 to 65535, not \"%1\"").arg(value));
        return false;
      }
      options.port = static_cast<uint16_t>(port);
    } else if (argument == u"--password"_qs) {
      options.password = value;
    } else if (argument == u"--variant"_qs) {
      if (value != u"1"_qs && value != u"2"_qs) {
        PrintError(QStringLiteral("--variant must be 1 or 2, not \"%1\"").arg(value));
        return false;
      }
      options.variant = value.toInt();
    } else {
      if (value != u"0"_qs && value != u"1"_qs) {
        PrintError(QStringLiteral("--encryption must be 0 or 1, not \"%1\"").arg(value));
        return false;
      }
      options.encryption = value == u"1"_qs;
      encryptionGiven = true;
    }
  }
  if (options.data.isEmpty()) {
    PrintError(QStringLiteral("missing --data DIR"));
    return false;
  }
  if (options.variant == 2 && encryptionGiven && !options.encryption) {
    PrintError(
        QStringLiteral("the second variant always encrypts: --encryption 0 needs --variant 1"));
    return false;
  }
  return true;
}

int CServerCommand::Serve(const Options& options) {
  if (!QDir().mkpath(options.data)) {
    PrintError(QStringLiteral("cannot make the data folder \"%1\"").arg(options.data));
    return kExitFailure;
  }
  // Messages of loading a damaged project file go to stderr; nothing waits for an answer.
  CServices::Instance().SetMessageService(std::make_unique<CConsoleMessageService>());

  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost, options.port)) {
    PrintError(
        QStringLiteral("cannot listen on port %1: %2").arg(options.port).arg(server.errorString()));
    return kExitFailure;
  }
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) {
    PrintError(QStringLiteral("cannot watch for signals"));
    return kExitFailure;
  }
  QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, &server, [] {
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(g_signalPipe[0], &byte, 1);
    QCoreApplication::quit();
  });
  struct sigaction action = {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  CServerLink::Options link;
  link.secondVariant = options.variant == 2;
  link.encrypt = options.encryption;
  link.password = options.password;
  CServerData data(QDir(options.data).absolutePath(), options.inventory);
  // Declared after the data, so the peers (its children) go before the data they share.
  QObject peers;
  int count = 0;
  QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
      new CServerPeer(data, link, socket, ++count, &peers);
    }
  });

  CServerData::Log(QString::number(server.serverPort()));
  CServerData::Log(
      QStringLiteral("serving %1 (handshake variant %2, %3)")
          .arg(data.Folder())
          .arg(options.variant)
          .arg(link.secondVariant || link.encrypt ? u"encrypted"_qs : u"not encrypted"_qs));
  QCoreApplication::exec();
  server.close();
  CServerData::Log(QStringLiteral("stopped"));
  ::close(g_signalPipe[0]);
  ::close(g_signalPipe[1]);
  return kExitOk;
}
