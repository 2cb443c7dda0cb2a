#include "ui/qt_dialog_service.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

#include "platform/settings_store.h"
#include "points/file_point_logic.h"
#include "ui/barcode_scan_dlg.h"
#include "ui/calendar_dlg.h"
#include "ui/camera_command_dlg.h"
#include "ui/camera_dlg.h"
#include "ui/gps_setup_dlg.h"
#include "ui/gps_wnd.h"
#include "ui/numpad_wnd.h"
#include "ui/sketch_dialog.h"
#include "ui/stopwatch_dlg.h"

bool CQtDialogService::ChooseDateTime(QDateTime& value, TimeParts parts) {
  CCalendarDlg dialog(QApplication::activeWindow(), value, parts);
  if (dialog.exec() != QDialog::Accepted) return false;
  value = dialog.Value();
  return true;
}

std::optional<QString> CQtDialogService::OpenFile(const QString& filter, const QString& folder) {
  QFileDialog dialog(QApplication::activeWindow());
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(FilePointLogic::DialogFilters(filter));
  dialog.setDirectory(QDir(folder).exists() ? folder : QDir::homePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> CQtDialogService::SaveFile(const QString& name, const QString& extension) {
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

bool CQtDialogService::EditSketch(SketchRequest& request) {
  CSketchDialog dialog(request, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  request = dialog.Result();
  return true;
}

bool CQtDialogService::ShowGpsWindow(GpsWindow& window) {
  CGPSWnd dialog(window, QApplication::activeWindow());
  return dialog.Execute() == QDialog::Accepted;
}

bool CQtDialogService::EditGpsSetup(GpsSetupRequest& request) {
  CGPSSetupDlg dialog(request, QApplication::activeWindow());
  return dialog.exec() == QDialog::Accepted;
}

bool CQtDialogService::ScanBarcode(BarcodeRequest& request) {
  CBarcodeScanDlg dialog(request, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  request.code = dialog.Code();
  return true;
}

bool CQtDialogService::EnterNumber(NumberRequest& request) {
  CNumpadWnd dialog(QApplication::activeWindow(), request);
  if (dialog.exec() != QDialog::Accepted) return false;
  request.text = dialog.Text();
  return true;
}

bool CQtDialogService::TakePhoto(const QString& folder) {
  // A camera program named in the settings takes the place of the capture window.
  const QString command = CSettingsStore(CSettingsStore::DefaultFilePath())
                              .ReadString(QStringLiteral("Camera"), QStringLiteral("Command"))
                              .trimmed();
  if (!command.isEmpty()) {
    CCameraCommandDlg dialog(folder, command, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
  }
  CCameraDlg dialog(folder, QApplication::activeWindow());
  return dialog.exec() == QDialog::Accepted;
}

void CQtDialogService::RunStopwatch(Stopwatch& watch) {
  CStopwatchDlg dialog(watch, QApplication::activeWindow());
  dialog.exec();
}
