// CLibraryRegistrar: lets the custom-point libraries in the program folder register their
// classes. A sweep first deletes the libraries of point types that have since become built in,
// then loads every "*.so" of the folder, calls its exported DllRegisterServer and unloads it.
// Sweeps are at least a minute apart (by CServices::TickCount), because custom-point hosting
// asks for one each time a control class cannot be created. Owned by the application object;
// UI thread.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class CLibraryRegistrar {
 public:
  static constexpr uint32_t kMinimumIntervalMs = 60000;

  // The point types whose old libraries a sweep deletes.
  static const QStringList& ObsoleteNames();
  // The file names a sweep deletes for one obsolete name: "<name>_X86.dll" as installed by the
  // old installers, and "lib<name>_X86.so" and "<name>_X86.so", the names a build of the same
  // library here would have (the sweep would otherwise load it).
  static QStringList ObsoleteFileNames(const QString& name);

  // Runs a sweep over `programFolder` unless the last one started less than a minute ago.
  // True when at least one library registered successfully. The first sweep always runs.
  bool Register(const QString& programFolder);

  // Libraries that registered successfully in the last sweep that ran.
  int LastSuccessCount() const { return m_lastSuccessCount; }

 private:
  std::optional<uint32_t> m_lastRun;
  int m_lastSuccessCount = 0;
};
