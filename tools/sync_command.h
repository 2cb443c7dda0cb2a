// CSyncCommand: `qlt sync ...`: the synchronisation run without a window, over the client's own
// data folder and settings store. Values given on the command line override the stored settings
// for this run only and are never written back. While connected it also serves what the server
// asks for (a new unit ID, project files, pushed sessions, the inventory). Created by the tool's
// dispatcher for one run; main thread.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>

class CSyncCommand {
 public:
  // Exit codes: 0 every session sent was acknowledged, 1 a run failed (the reason on stderr),
  // 2 bad arguments.
  static constexpr int kExitOk = 0;
  static constexpr int kExitFailure = 1;
  static constexpr int kExitUsage = 2;
  // How long the server must have been silent after the last run before the command ends.
  static constexpr int kQuietMs = 2000;
  static constexpr int kDefaultTimeoutSeconds = 120;

  static int Main(const QStringList& arguments);
  static void PrintUsage(std::FILE* out, bool full);

 private:
  struct Options {
    QStringList projects;
    bool sendAll = false;
    std::optional<QString> server;
    std::optional<QString> password;
    std::optional<bool> encryption;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    bool help = false;
  };

  static bool ParseArguments(const QStringList& arguments, Options& options);
  static int Run(const Options& options);
};
