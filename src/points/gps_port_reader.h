// CGPSPortReader: the serial side of the GPS reader. Lives on the reader's own thread: it owns
// the QSerialPort and the NMEA decoder, reads whatever arrives without ever waiting for a line,
// and copies each new position into the state the device shares with the user-interface thread.
// When the receiver goes away (unplugged, port error) it closes the port, keeps the last position
// and tries the same port again every second until it returns. Owned by CGPSDevice, deleted when
// the reader thread finishes.
#pragma once

#include <QMutex>
#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <atomic>
#include <optional>

#include "points/gps_nmea_decoder.h"
#include "points/gps_position.h"

// What the reader thread and the user-interface thread share. The position under the mutex,
// the counters as atomics.
struct CGPSSharedState {
  QMutex mutex;
  std::optional<CGPSPosition> position;
  float pdop = 0, hdop = 0, vdop = 0;
  CGPSNmeaDecoder::Counts counts;
  std::atomic<qint64> bytesRead{0};
  std::atomic<int> connections{0};
  std::atomic<bool> connected{false};
};

class CGPSPortReader : public QObject {
 public:
  static constexpr int kRetryMilliseconds = 1000;

  CGPSPortReader(QString portName, int baud, CGPSSharedState* shared);

  // Opens and sets up the port; false when it cannot be opened.
  bool OpenPort();
  // Closes the port and stops retrying (before the thread ends).
  void Shutdown();
  // Forgets the position, so only a fix that arrives from now on is taken.
  void ForgetPosition();

 private:
  bool SetUp();
  void ReadAvailable();
  void Lost();
  void Publish();

  QString m_portName;
  int m_baud;
  CGPSSharedState* m_shared;
  QSerialPort* m_port = nullptr;
  QTimer* m_retry = nullptr;
  CGPSNmeaDecoder m_decoder;
};
