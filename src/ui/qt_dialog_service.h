// CQtDialogService: the dialogs a point opens, as widgets over the active window: CCalendarDlg
// for the date and the time of day, Qt's file-open and file-save dialogs, CSketchDialog for
// drawing, CStopwatchDlg for the stopwatch, CNumpadWnd for numbers, CGPSWnd and CGPSSetupDlg for
// the GPS point, CBarcodeScanDlg for the barcode point, CCameraDlg for photos. The client sets it
// in CServices at start-up; UI thread only.
#pragma once

#include "app/dialog_service.h"

class CQtDialogService : public CDialogService {
 public:
  bool ChooseDateTime(QDateTime& value, TimeParts parts) override;
  std::optional<QString> OpenFile(const QString& filter, const QString& folder) override;
  std::optional<QString> SaveFile(const QString& name, const QString& extension) override;
  bool EditSketch(SketchRequest& request) override;
  bool ShowGpsWindow(GpsWindow& window) override;
  bool EditGpsSetup(GpsSetupRequest& request) override;
  bool ScanBarcode(BarcodeRequest& request) override;
  bool EnterNumber(NumberRequest& request) override;
  bool TakePhoto(const QString& folder) override;
  void RunStopwatch(Stopwatch& watch) override;
};
