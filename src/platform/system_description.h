// CSystemDescription: the two short device texts the handshake sends beside the version: the
// operating system and the board. Read from the files the system publishes (os-release, the
// kernel's release, the firmware's board name); nothing is cached. Stateless; any thread.
#pragma once

#include <QByteArray>
#include <QString>

class CSystemDescription {
 public:
  // The distribution's PRETTY_NAME followed by a blank and the kernel release, for example
  // "Debian GNU/Linux 12 (bookworm) 6.1.0-18-amd64". The distribution name leads, as the
  // product name does on the system the description was first written for.
  static QString OperatingSystem();
  // The firmware's board name, trimmed; empty when the machine publishes none.
  static QString Hardware();

  // --- the pieces, for callers and tests that bring their own files
  // The value of PRETTY_NAME in an os-release text, unquoted and trimmed; when the entry is
  // missing (or there is no text at all) the os-release default "Linux" applies.
  static QString PrettyName(const QByteArray& osRelease);
  // `prettyName` and `kernelRelease` (each trimmed) joined by one blank; either may be empty.
  static QString ComposeOperatingSystem(const QString& prettyName, const QString& kernelRelease);
  // The file's text trimmed of white space (and of a trailing NUL), or empty when it cannot be
  // read. Reads at most a few kilobytes.
  static QString ReadTrimmedFile(const QString& path);
  // The board name from the given firmware file.
  static QString Hardware(const QString& boardNamePath);
};
