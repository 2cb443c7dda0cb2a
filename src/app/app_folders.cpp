#include "app/app_folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/services.h"

namespace {

// True when `path` is a folder, making it when it does not exist yet.
bool EnsureFolder(const QString& path, bool withParents) {
  if (QFileInfo(path).isDir()) return true;
  return withParents ? QDir().mkpath(path) : QDir().mkdir(path);
}

QString WithoutTrailingSeparator(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return path;
}

}  // namespace

QString CAppFolders::ProgramFolder() {
  const QString& override = CServices::Instance().programFolderOverride;
  if (!override.isEmpty()) return WithoutTrailingSeparator(override);
  if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
  // Before the application object exists (and in tools without one) the kernel knows.
  const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  return executable.isEmpty() ? QDir::currentPath() : QFileInfo(executable).absolutePath();
}

QString CAppFolders::DataFolder(const QString& programFolder) {
  const QString& override = CServices::Instance().dataFolderOverride;
  if (!override.isEmpty()) return WithoutTrailingSeparator(override);
  return ResolveDataFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                           programFolder);
}

QString CAppFolders::DataFolderPath(const QString& programFolder) {
  const QString& override = CServices::Instance().dataFolderOverride;
  if (!override.isEmpty()) return WithoutTrailingSeparator(override);
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (base.isEmpty() || QDir::isRelativePath(base)) return programFolder;
  return WithoutTrailingSeparator(QDir::cleanPath(base)) + QStringLiteral("/Brenmoor/QLT Client");
}

QString CAppFolders::ResolveDataFolder(const QString& base, const QString& programFolder) {
  if (base.isEmpty() || QDir::isRelativePath(base)) return programFolder;
  const QString cleanBase = WithoutTrailingSeparator(QDir::cleanPath(base));
  // The application-data folder itself may be missing in a fresh home; the two levels below it
  // are ours.
  if (!EnsureFolder(cleanBase, true)) return programFolder;
  const QString maker = cleanBase + QStringLiteral("/Brenmoor");
  if (!EnsureFolder(maker, false)) return programFolder;
  const QString data = maker + QStringLiteral("/QLT Client");
  if (!EnsureFolder(data, false)) return programFolder;
  return data;
}
