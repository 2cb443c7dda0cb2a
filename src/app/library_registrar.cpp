#include "app/library_registrar.h"

#include <dlfcn.h>
#include <qlt_sdk.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/services.h"

const QStringList& CLibraryRegistrar::ObsoleteNames() {
  static const QStringList names = {
      QStringLiteral("DateTime"),     QStringLiteral("UltraDrop"),  QStringLiteral("GPS"),
      QStringLiteral("Numpad"),       QStringLiteral("FileCamera"), QStringLiteral("Incrementor"),
      QStringLiteral("EventCounter"), QStringLiteral("Formatter"),  QStringLiteral("Slider"),
      QStringLiteral("StopWatch"),    QStringLiteral("Voice")};
  return names;
}

QStringList CLibraryRegistrar::ObsoleteFileNames(const QString& name) {
  return {name + QStringLiteral("_X86.dll"),
          QStringLiteral("lib") + name + QStringLiteral("_X86.so"),
          name + QStringLiteral("_X86.so")};
}

bool CLibraryRegistrar::Register(const QString& programFolder) {
  const uint32_t now = CServices::Instance().TickCount();
  // Unsigned difference: right across the wrap of the 32-bit tick counter.
  if (m_lastRun && now - *m_lastRun < kMinimumIntervalMs) return false;
  m_lastRun = now;

  const QDir folder(programFolder);
  for (const QString& name : ObsoleteNames()) {
    for (const QString& fileName : ObsoleteFileNames(name)) {
      const QString path = folder.filePath(fileName);
      if (QFileInfo::exists(path)) QFile::remove(path);
    }
  }

  int successes = 0;
  const QStringList libraries =
      folder.entryList({QStringLiteral("*.so")}, QDir::Files | QDir::Readable, QDir::Name);
  for (const QString& fileName : libraries) {
    const QByteArray path = QFile::encodeName(folder.filePath(fileName));
    void* handle = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) continue;  // not a library of this machine, or missing what it links to
    auto registerServer =
        reinterpret_cast<QltDllRegisterServerFn>(::dlsym(handle, QLT_REGISTER_SERVER_SYMBOL));
    if (registerServer && SUCCEEDED(registerServer())) ++successes;
    ::dlclose(handle);
  }
  m_lastSuccessCount = successes;
  return successes > 0;
}
