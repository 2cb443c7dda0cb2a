// CTcpSocket: the connection's socket over QTcpSocket, IPv4, without send coalescing, on the UI
// thread. Qt's own buffers are kept small (512 KiB read, 256 KiB queued for writing), so a fast
// peer or a slow network is held back by TCP rather than by memory. Owned by the connection;
// destroying it closes the connection at once.
#pragma once

#include <QObject>
#include <QPointer>

#include "sync/socket.h"

class QTcpSocket;

class CTcpSocket : public QObject, public CSocket {
  Q_OBJECT
 public:
  static constexpr int64_t kReadBuffer = 524288;
  static constexpr int64_t kWriteQueue = 262144;

  CTcpSocket();
  ~CTcpSocket() override;

  bool Start(const QString& host, uint16_t port) override;
  int64_t Receive(char* data, int64_t capacity) override;
  int64_t Send(const char* data, int64_t size) override;
  void Post(uint32_t eventWord) override;

 private:
  QPointer<QTcpSocket> m_socket;
  bool m_connected = false;
};
