// CCrashHandler: the process's crash reporter. On a fatal signal (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGABRT) it writes a short report (application key, version, signal and a backtrace)
// to stderr and lets the signal end the process as it would have without the handler. The
// handler runs on an alternate stack of its own, so a stack overflow is reported too, and uses
// only async-signal-safe calls. Process-wide static state; installed once from the UI thread.
#pragma once

#include <QString>

class CCrashHandler {
 public:
  // Keeps copies of the key and version text (cut to a fixed length) and installs the handler
  // for the fatal signals. Calling it again replaces the texts. False when a signal handler
  // could not be installed.
  static bool Install(const QString& appKey, const QString& version);

  // Writes the report for `signal` to the file descriptor (async-signal-safe).
  static void WriteReport(int fd, int signal);
};
