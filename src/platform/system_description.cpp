#include "platform/system_description.h"

#include <sys/utsname.h>

#include <QFile>
#include <QList>

namespace {

constexpr qint64 kMaxFileBytes = 16 * 1024;

QByteArray ReadSmallFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.read(kMaxFileBytes);
}

// An os-release value: a shell-style word, possibly in double or single quotes; inside double
// quotes a backslash escapes the next character.
QString UnquoteValue(const QByteArray& raw) {
  const QByteArray value = raw.trimmed();
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
    return QString::fromUtf8(value.mid(1, value.size() - 2));
  }
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    QByteArray text;
    const QByteArray inner = value.mid(1, value.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
      if (inner[i] == '\\' && i + 1 < inner.size()) ++i;
      text.append(inner[i]);
    }
    return QString::fromUtf8(text);
  }
  return QString::fromUtf8(value);
}

}  // namespace

QString CSystemDescription::PrettyName(const QByteArray& osRelease) {
  for (const QByteArray& line : osRelease.split('\n')) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith("PRETTY_NAME=")) {
      return UnquoteValue(trimmed.mid(12)).trimmed();
    }
  }
  return QStringLiteral("Linux");
}

QString CSystemDescription::ComposeOperatingSystem(const QString& prettyName,
                                                   const QString& kernelRelease) {
  const QString name = prettyName.trimmed();
  const QString release = kernelRelease.trimmed();
  if (name.isEmpty()) return release;
  if (release.isEmpty()) return name;
  return name + QLatin1Char(' ') + release;
}

QString CSystemDescription::OperatingSystem() {
  // /etc/os-release is the administrator's; /usr/lib/os-release the distribution's fallback.
  QByteArray osRelease = ReadSmallFile(QStringLiteral("/etc/os-release"));
  if (osRelease.isEmpty()) osRelease = ReadSmallFile(QStringLiteral("/usr/lib/os-release"));
  QString release;
  struct utsname names {};
  if (::uname(&names) == 0) release = QString::fromUtf8(names.release);
  return ComposeOperatingSystem(PrettyName(osRelease), release);
}

QString CSystemDescription::ReadTrimmedFile(const QString& path) {
  QByteArray bytes = ReadSmallFile(path);
  // Device-tree strings end in a NUL.
  const qsizetype nul = bytes.indexOf('\0');
  if (nul >= 0) bytes.truncate(nul);
  return QString::fromUtf8(bytes).trimmed();
}

QString CSystemDescription::Hardware(const QString& boardNamePath) {
  return ReadTrimmedFile(boardNamePath);
}

QString CSystemDescription::Hardware() {
  return Hardware(QStringLiteral("/sys/class/dmi/id/board_name"));
}
