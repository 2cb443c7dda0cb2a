#include "app/dialog_service.h"

bool CDialogService::ChooseDateTime(QDateTime&, TimeParts) { return false; }

std::optional<QString> CDialogService::OpenFile(const QString&, const QString&) {
  return std::nullopt;
}

std::optional<QString> CDialogService::SaveFile(const QString&, const QString&) {
  return std::nullopt;
}

bool CDialogService::EditSketch(SketchRequest&) { return false; }

bool CDialogService::ShowGpsWindow(GpsWindow&) { return false; }

bool CDialogService::EditGpsSetup(GpsSetupRequest&) { return false; }

bool CDialogService::ScanBarcode(BarcodeRequest&) { return false; }
bool CDialogService::EnterNumber(NumberRequest&) { return false; }

bool CDialogService::TakePhoto(const QString&) { return false; }

void CDialogService::RunStopwatch(Stopwatch&) {}
