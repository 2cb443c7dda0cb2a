#include "ui/shared_fonts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>

namespace {

const QString kFace = QStringLiteral("Tahoma");

bool FaceKnown() { return QFontDatabase::families().contains(kFace, Qt::CaseInsensitive); }

bool Register() {
  if (FaceKnown()) return true;
  for (const QString& folder : CSharedFonts::SearchFolders()) {
    const QDir dir(folder);
    bool added = false;
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
      const QString path = dir.filePath(QString::fromLatin1(file));
      if (QFileInfo::exists(path) && QFontDatabase::addApplicationFont(path) >= 0) added = true;
    }
    if (added) break;
  }
  return FaceKnown();
}

}  // namespace

QStringList CSharedFonts::SearchFolders() {
  return {QStringLiteral("/usr/share/wine/fonts"), QStringLiteral("/usr/share/fonts/truetype/wine"),
          QStringLiteral("/usr/local/share/wine/fonts")};
}

bool CSharedFonts::Install() {
  static const bool installed = Register();
  return installed;
}
