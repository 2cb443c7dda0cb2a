// CGPSWindowLogic: what the GPS window does, without its widgets: it connects the reader (asking
// whether to review the settings when that fails), turns each poll into the status and position
// lines, closes the window by itself at the first fix when the point asks for it, and runs the
// setup dialog that chooses port and speed. The window (through the dialog service) shows View()
// after every call. Made by the GPS point for the time its window is open; UI thread.
#pragma once

#include <optional>
#include <vector>

#include "app/dialog_service.h"
#include "points/gps_port_choice.h"
#include "points/gps_position.h"

class CGPSDevice;

class CGPSWindowLogic : public CDialogService::GpsWindow {
 public:
  CGPSWindowLogic(CGPSDevice& device, bool closeOnFix);

  Next Open() override;
  Next Poll() override;
  Next Setup() override;
  const CDialogService::GpsView& View() const override { return m_view; }

  // The position OK writes: the last fixed one received, none before the first fix.
  const std::optional<CGPSPosition>& Fix() const { return m_fix; }

  // The setup dialog's lists and first choices from the settings in `settingsFile`: "Auto", then
  // the serial ports of this machine and a saved port that is not among them; a note when there
  // is no serial port at all. Its save writes the choices there.
  static CDialogService::GpsSetupRequest SetupRequest(
      const QString& settingsFile, const std::vector<CGPSPortChoice::Port>& available);
  // Writes "PortName" and "PortBaud" ("%i" of `speed`, 57600 when it does not read); tells the
  // user and gives false when the settings cannot be written.
  static bool SaveSetup(const QString& settingsFile, const QString& port, const QString& speed);

 private:
  // Opens the reader (or, when it is open, forgets its position); false when it cannot.
  bool Connect();
  // Connects, asking after each failure whether to review the settings.
  Next ConnectOrReview();
  // Runs the setup dialog; true when new settings were saved.
  bool EditSetup();
  void SetStatus(const char* key, bool fixed = false);
  void ShowPosition(CGPSPosition position);

  CGPSDevice& m_device;
  bool m_closeOnFix;
  CDialogService::GpsView m_view;
  std::optional<CGPSPosition> m_fix;
  bool m_receiverAway = false;  // the status tells that the receiver went away
};
