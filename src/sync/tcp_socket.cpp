#include "sync/tcp_socket.h"

#include <QTcpSocket>

namespace {

uint16_t ErrorCode(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::HostNotFoundError:
      return CSocket::kHostNotFound;
    case QAbstractSocket::ConnectionRefusedError:
      return CSocket::kRefused;
    case QAbstractSocket::SocketTimeoutError:
      return CSocket::kTimedOut;
    default:
      return CSocket::kOtherError;
  }
}

}  // namespace

CTcpSocket::CTcpSocket() = default;

CTcpSocket::~CTcpSocket() {
  if (m_socket) {
    // The socket may be the sender of the signal being handled: silence it and let the event
    // loop delete it.
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
  }
}

bool CTcpSocket::Start(const QString& host, uint16_t port) {
  if (m_socket) return false;
  m_socket = new QTcpSocket();
  m_socket->setReadBufferSize(kReadBuffer);
  connect(m_socket, &QTcpSocket::connected, this, [this] {
    m_connected = true;
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    Deliver(EventWord(kConnect));
  });
  connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
    // Before the connection is up every error is the outcome of connecting; afterwards the
    // close event (from disconnected) tells the connection.
    if (!m_connected) Deliver(EventWord(kConnect, ErrorCode(error)));
  });
  connect(m_socket, &QTcpSocket::readyRead, this, [this] { Deliver(EventWord(kRead)); });
  connect(m_socket, &QTcpSocket::bytesWritten, this, [this] { Deliver(EventWord(kWrite)); });
  connect(m_socket, &QTcpSocket::disconnected, this, [this] {
    if (m_connected) Deliver(EventWord(kClose));
  });
  m_socket->connectToHost(host, port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
  return true;
}

int64_t CTcpSocket::Receive(char* data, int64_t capacity) {
  if (!m_socket) return 0;
  if (m_socket->bytesAvailable() <= 0) {
    return m_socket->state() == QAbstractSocket::ConnectedState ? -1 : 0;
  }
  const qint64 read = m_socket->read(data, capacity);
  return read > 0 ? read : -1;
}

int64_t CTcpSocket::Send(const char* data, int64_t size) {
  if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) return 0;
  const int64_t room = kWriteQueue - m_socket->bytesToWrite();
  if (room <= 0) return -1;
  const qint64 written = m_socket->write(data, qMin(room, size));
  return written > 0 ? written : -1;
}

void CTcpSocket::Post(uint32_t eventWord) {
  QMetaObject::invokeMethod(
      this, [this, eventWord] { Deliver(eventWord); }, Qt::QueuedConnection);
}
