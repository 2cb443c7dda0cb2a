#include "ui/file_point_dialogs_qt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QUrl>

#include "points/file_point_logic.h"

std::optional<QString> CQtFilePointDialogs::OpenFile(const QString& filter, const QString& folder) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(FilePointLogic::DialogFilters(filter));
  dialog.setDirectory(QDir(folder).exists() ? folder : QDir::homePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> CQtFilePointDialogs::SaveFile(const QString& name,
                                                     const QString& extension) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(extension);
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
  dialog.setDirectory(documents);
  dialog.selectFile(name);
  // The save dialog asks before overwriting unless told otherwise.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

bool CQtFilePointDialogs::OpenInShell(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
