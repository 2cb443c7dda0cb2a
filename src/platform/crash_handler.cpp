#include "platform/crash_handler.h"

#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kMaxFrames = 64;
constexpr size_t kTextSize = 128;
constexpr size_t kAltStackSize = 64 * 1024;

// Filled before any handler can run; the handler only reads them.
char g_appKey[kTextSize];
char g_version[kTextSize];
alignas(16) char g_altStack[kAltStackSize];

void CopyText(char* target, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  const size_t length = std::min(static_cast<size_t>(bytes.size()), kTextSize - 1);
  std::memcpy(target, bytes.constData(), length);
  target[length] = '\0';
}

void WriteText(int fd, const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t written = ::write(fd, text, left);
    if (written <= 0) return;
    text += written;
    left -= static_cast<size_t>(written);
  }
}

void WriteNumber(int fd, int number) {
  char digits[16];
  char* end = digits + sizeof(digits) - 1;
  *end = '\0';
  char* start = end;
  unsigned value = number < 0 ? 0u - static_cast<unsigned>(number) : static_cast<unsigned>(number);
  do {
    *--start = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && start > digits + 1);
  if (number < 0) *--start = '-';
  WriteText(fd, start);
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGILL:
      return "SIGILL";
    case SIGFPE:
      return "SIGFPE";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "signal";
  }
}

void OnFatalSignal(int signal) {
  CCrashHandler::WriteReport(STDERR_FILENO, signal);
  // SA_RESETHAND has restored the default action: re-raising ends the process with the same
  // signal (and core dump) as without the handler.
  ::raise(signal);
}

}  // namespace

bool CCrashHandler::Install(const QString& appKey, const QString& version) {
  CopyText(g_appKey, appKey);
  CopyText(g_version, version);

  // backtrace() loads its unwinder on first use, which may allocate: do that now, not in the
  // handler.
  void* warmUp[1];
  ::backtrace(warmUp, 1);

  stack_t stack{};
  stack.ss_sp = g_altStack;
  stack.ss_size = sizeof(g_altStack);
  bool ok = ::sigaltstack(&stack, nullptr) == 0;

  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_ONSTACK;
  for (const int signal : kFatalSignals) {
    ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
  }
  return ok;
}

void CCrashHandler::WriteReport(int fd, int signal) {
  WriteText(fd, "\n");
  WriteText(fd, g_appKey);
  WriteText(fd, " ");
  WriteText(fd, g_version);
  WriteText(fd, ": fatal signal ");
  WriteNumber(fd, signal);
  WriteText(fd, " (");
  WriteText(fd, SignalName(signal));
  WriteText(fd, ")\nBacktrace:\n");
  void* frames[kMaxFrames];
  const int count = ::backtrace(frames, kMaxFrames);
  ::backtrace_symbols_fd(frames, count, fd);
  WriteText(fd, "\n");
}
