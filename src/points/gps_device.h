// CGPSDevice: the GPS reader. Open chooses the port (the "Tarnwick" settings or discovery), opens
// it and reads on a thread of its own; the user-interface thread takes copies of the current
// position, never waiting on the port. One reader (Shared) serves every GPS point of the process:
// points count themselves as users, and the last one leaving closes the port, so nothing runs
// when the process ends. Created and used on the user-interface thread; owns the reader thread
// and what runs on it.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <memory>
#include <optional>

#include "points/gps_nmea_decoder.h"
#include "points/gps_position.h"

class CGPSPortReader;
struct CGPSSharedState;

class CGPSDevice {
 public:
  // `settingsFile` is the INI file of the "Tarnwick" settings; empty: the user's own, looked up
  // at each Open.
  explicit CGPSDevice(QString settingsFile);

  // The reader of the GPS points, over the user's own settings.
  static CGPSDevice& Shared();
  ~CGPSDevice();
  CGPSDevice(const CGPSDevice&) = delete;
  CGPSDevice& operator=(const CGPSDevice&) = delete;

  // Closes first, chooses the port, opens it and starts reading; false when the port cannot be
  // opened or set up.
  bool Open();
  // Stops reading, closes the port and forgets the position and the dilutions.
  void Close();
  bool IsOpen() const { return m_reader != nullptr; }

  // A copy of the current position while the reader is open and has one; renews the start time.
  std::optional<CGPSPosition> TakePosition();
  // Forgets the current position while staying open: only a later fix is taken.
  void DiscardPosition();

  // The INI file the port is chosen from (and the setup writes).
  QString SettingsFile() const;

  void AddUser() { ++m_users; }
  // At zero users the port is closed.
  void RemoveUser();

  // The port and speed of the last Open.
  const QString& PortName() const { return m_portName; }
  int Baud() const { return m_baud; }
  // Milliseconds since opening or since the last TakePosition.
  qint64 SinceStart() const { return m_start.isValid() ? m_start.elapsed() : 0; }

  // What the reader has seen since Open: for the window's status and for tests.
  bool IsConnected() const;
  qint64 BytesRead() const;
  int Connections() const;
  CGPSNmeaDecoder::Counts Statistics() const;
  float LastPdop() const;
  float LastHdop() const;
  float LastVdop() const;

 private:
  QString m_settingsFile;
  QString m_portName;
  int m_baud = 0;
  int m_users = 0;
  QElapsedTimer m_start;
  std::unique_ptr<CGPSSharedState> m_shared;
  std::unique_ptr<QThread> m_thread;
  CGPSPortReader* m_reader = nullptr;  // lives on m_thread, deleted when it finishes
};
