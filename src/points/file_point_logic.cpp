#include "points/file_point_logic.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "values/file_blob.h"

namespace FilePointLogic {

namespace {

constexpr int kButton = 36;    // diameter of a button
constexpr int kStep = 40;      // from one button to the next
constexpr int kMargin = 2;     // the rightmost button's span ends this far inside the band
constexpr int kMaxDepth = 64;  // subfolders deeper than this are not searched

namespace fs = std::filesystem;

// Told of every matching file, in the order of the walk.
using Visit = std::function<void(const fs::path&, fs::file_time_type)>;

void Search(const fs::path& folder, const QString& extensions, int depth, const Visit& visit) {
  std::error_code error;
  fs::directory_iterator it(folder, fs::directory_options::none, error);
  if (error) return;  // an unreadable folder holds nothing we can take
  std::vector<fs::directory_entry> entries;
  for (; it != fs::directory_iterator(); it.increment(error)) {
    if (error) break;
    entries.push_back(*it);
  }
  // A stable order, so that between equal times the same file wins every time.
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
  for (const fs::directory_entry& entry : entries) {
    const QString name = QString::fromStdString(entry.path().filename().string());
    if (name.startsWith(QLatin1Char('.'))) continue;
    // symlink_status: a link is never followed, whether it points inside the folder or not.
    const fs::file_status status = entry.symlink_status(error);
    if (error) continue;
    if (fs::is_directory(status)) {
      if (depth < kMaxDepth) Search(entry.path(), extensions, depth + 1, visit);
      continue;
    }
    if (!fs::is_regular_file(status) || !ExtensionMatches(name, extensions)) continue;
    const QString path = QString::fromStdString(entry.path().string());
    if (!QFileInfo(path).isReadable()) continue;
    const fs::file_time_type time = entry.last_write_time(error);
    if (error) continue;
    visit(entry.path(), time);
  }
}

// Every matching file under `folder` with its time, in the order of the walk; empty when the
// folder is not one.
std::vector<std::pair<fs::file_time_type, fs::path>> Walk(const QString& folder,
                                                          const QString& extensions) {
  std::vector<std::pair<fs::file_time_type, fs::path>> files;
  if (folder.isEmpty()) return files;
  std::error_code error;
  const fs::path root(folder.toStdString());
  // The watched folder itself may be a link (a documents folder often is); what lies below it
  // is only taken when it is really inside.
  if (!fs::is_directory(fs::status(root, error)) || error) return files;
  Search(root, extensions, 0, [&files](const fs::path& path, fs::file_time_type time) {
    files.emplace_back(time, path);
  });
  return files;
}

}  // namespace

QString SizeText(qint64 bytes) {
  if (bytes < 0) return QString();
  if (bytes <= 1023) return QStringLiteral("%1 bytes").arg(bytes);
  if (bytes <= 1'048'575) return QString::asprintf("%.2f KB", bytes / 1024.0);
  if (bytes <= 1'073'741'823) return QString::asprintf("%.2f MB", bytes / 1'048'576.0);
  return QString();
}

QString DisplayText(const CVariant& value) {
  QByteArray content;
  if (!FileBlob::Content(value, content)) return QString();
  return FileBlob::Name(value) + QStringLiteral(" (") + SizeText(content.size()) +
         QStringLiteral(")");
}

bool IsPlainName(const QString& name) {
  return !name.isEmpty() && name != QStringLiteral(".") && !name.contains(QStringLiteral("..")) &&
         !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
         !name.contains(QChar(0));
}

QStringList DialogFilters(const QString& filter) {
  QStringList filters;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString name = parts[i].trimmed();
    if (name.isEmpty()) break;  // "||" ends the list
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    }
    if (patterns.isEmpty()) patterns.append(QStringLiteral("*"));
    filters.append(name + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')'));
  }
  return filters;
}

Buttons VisibleButtons(int32_t attachFlag, int32_t saveFlag, int32_t openFlag, bool readOnly,
                       bool holdsFile) {
  Buttons buttons;
  buttons.attach = (attachFlag & 2) != 0 && !readOnly;
  buttons.save = holdsFile && (saveFlag & 2) != 0;
  buttons.open = holdsFile && (openFlag & 2) != 0;
  return buttons;
}

int ButtonLeft(int right, int index, int scale) {
  return right - kMargin * scale - kButton * scale - index * kStep * scale;
}

TapAction ActionAt(int x, int right, const Buttons& buttons, int scale) {
  int index = 0;
  auto within = [&](int i) {
    const int left = ButtonLeft(right, i, scale);
    return x >= left && x < left + kButton * scale;
  };
  if (buttons.attach) {
    // The rightmost button reaches to the band's end.
    if (x >= right - (kButton + kMargin) * scale) return TapAction::kAttach;
    ++index;
  }
  if (buttons.save) {
    if (within(index)) return TapAction::kSave;
    ++index;
  }
  if (buttons.open && within(index)) return TapAction::kOpen;
  return buttons.attach ? TapAction::kAttach : TapAction::kNone;
}

bool ExtensionMatches(const QString& fileName, const QString& extensions) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return false;
  if (extensions.isEmpty()) return true;
  const QString extension = fileName.mid(dot + 1).toLower();
  return !extension.isEmpty() && extensions.contains(extension);
}

QString ResolveFolder(const QString& folder) {
  QString path = folder;
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  static const QString kDocuments = QStringLiteral("/My Documents");
  if (path.compare(kDocuments, Qt::CaseInsensitive) == 0 ||
      path.startsWith(kDocuments + QLatin1Char('/'), Qt::CaseInsensitive)) {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) documents = QDir::homePath();
    return QDir::cleanPath(documents + path.mid(kDocuments.size()));
  }
  if (QDir::isRelativePath(path))
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + path);
  return QDir::cleanPath(path);
}

QString FindNewestFile(const QString& folder, const QString& extensions) {
  const QStringList files = FindFilesNewestFirst(folder, extensions);
  return files.isEmpty() ? QString() : files.first();
}

QStringList FindFilesNewestFirst(const QString& folder, const QString& extensions) {
  auto files = Walk(folder, extensions);
  // Between equal times the one found later comes first.
  std::reverse(files.begin(), files.end());
  std::stable_sort(files.begin(), files.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  QStringList paths;
  paths.reserve(qsizetype(files.size()));
  for (const auto& file : files) paths.append(QString::fromStdString(file.second.string()));
  return paths;
}

LoadError LoadFile(const QString& path, CVariant& value, qint64 maxBytes) {
  value = CVariant();
  QFile file(path);
  const QFileInfo info(path);
  // A pipe or device would never end; only regular files are read.
  if (!info.isFile()) return LoadError::kCantOpen;
  if (info.size() > maxBytes) return LoadError::kTooLarge;
  if (!file.open(QIODevice::ReadOnly)) return LoadError::kCantOpen;
  if (file.size() > maxBytes) return LoadError::kTooLarge;
  QByteArray content = file.read(maxBytes + 1);
  if (content.size() > maxBytes) return LoadError::kTooLarge;
  if (file.error() != QFileDevice::NoError) return LoadError::kCantOpen;
  value = FileBlob::Make(info.fileName(), content);
  return LoadError::kNone;
}

}  // namespace FilePointLogic
