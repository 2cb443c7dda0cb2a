// CServerCommand: `qlt server`: a small local server for trying synchronisation on one machine and
// for tests. It listens on the loopback address, prints its port on the first line of its output
// and then one line per event, and gives every unit that connects a peer of its own (several at
// once). It runs until SIGINT or SIGTERM. Created by the tool's dispatcher for one run; main
// thread (the signals are turned into events of the main loop).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>

class CServerCommand {
 public:
  // Exit codes: 0 stopped by a signal, 1 it cannot listen (or use the data folder), 2 bad usage.
  static constexpr int kExitOk = 0;
  static constexpr int kExitFailure = 1;
  static constexpr int kExitUsage = 2;
  static constexpr uint16_t kDefaultPort = 2001;

  // The arguments after "qlt server".
  static int Main(const QStringList& arguments);
  // The usage lines; `full` adds what the options do, the data folder's layout and the exit codes.
  static void PrintUsage(std::FILE* out, bool full);

 private:
  struct Options {
    QString data;
    uint16_t port = kDefaultPort;
    QString password;
    int variant = 2;
    bool encryption = true;
    bool inventory = false;
    bool help = false;
  };

  static bool ParseArguments(const QStringList& arguments, Options& options);
  static int Serve(const Options& options);
};
