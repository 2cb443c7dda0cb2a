#include "platform/instance_guard.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <QtEndian>

namespace {

// sun_path holds 108 bytes with its terminator; a longer runtime folder cannot host the socket.
constexpr qsizetype kMaxSocketPath = 100;
constexpr int kRetryPauseMs = 100;

}  // namespace

CInstanceGuard::CInstanceGuard(const QString& key, QObject* parent) : QObject(parent), m_key(key) {}

CInstanceGuard::~CInstanceGuard() { Release(); }

QString CInstanceGuard::ServerPath() const {
  const QString name = m_key + QLatin1Char('-') + QString::number(::getuid());
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
    const QString path = QDir(runtime).absoluteFilePath(name);
    if (path.toUtf8().size() <= kMaxSocketPath) return path;
  }
  return QDir(QDir::tempPath()).absoluteFilePath(name);
}

bool CInstanceGuard::TryTake() {
  if (m_held) return true;
  const QString path = ServerPath();
  m_lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
  // Only a dead owner makes a lock stale, never its age: the first instance runs for days.
  m_lock->setStaleLockTime(0);
  if (!m_lock->tryLock(0)) {
    const bool heldByOther = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
    if (heldByOther) return false;
    // The lock file cannot be made here (folder not writable); a listening first instance is
    // then the only sign of one.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(kRetryPauseMs)) return false;
  }
  // A socket file left by a crashed first instance would make listening fail.
  QLocalServer::removeServer(path);
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  connect(m_server, &QLocalServer::newConnection, this, &CInstanceGuard::OnNewConnection);
  m_server->listen(path);
  m_held = true;
  return true;
}

bool CInstanceGuard::ForwardToRunning(const QString& commandLine) {
  const QString path = ServerPath();
  QLocalSocket socket;
  const QDeadlineTimer deadline(kForwardWaitMs);
  // The first instance holds the guard from its first moments but listens a little later.
  for (;;) {
    socket.connectToServer(path);
    if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
    socket.abort();
    if (deadline.hasExpired()) return false;
    QThread::msleep(kRetryPauseMs);
  }
  const QByteArray message = EncodeCommand(commandLine);
  socket.write(message);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(kForwardWaitMs)) break;
  }
  const bool delivered = socket.bytesToWrite() == 0;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) {
    socket.waitForDisconnected(kForwardWaitMs);
  }
  return delivered;
}

void CInstanceGuard::Release() {
  for (auto it = m_incoming.begin(); it != m_incoming.end(); ++it) {
    QLocalSocket* socket = it.key();
    socket->disconnect();
    socket->abort();
    socket->deleteLater();
  }
  m_incoming.clear();
  if (m_server) {
    // Release may run inside a handler of one of the server's sockets: delete it later.
    m_server->close();
    m_server->deleteLater();
    m_server = nullptr;
  }
  m_lock.reset();
  m_held = false;
}

void CInstanceGuard::OnNewConnection() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    m_incoming.insert(socket, QByteArray());
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Finish(socket); });
    QTimer::singleShot(kConnectionTimeoutMs, socket, [this, socket] { Drop(socket); });
    Q_EMIT activationRequested();
    // The sender may have written and closed before the connection was taken.
    if (socket->bytesAvailable() > 0) ReadFrom(socket);
    if (socket->state() == QLocalSocket::UnconnectedState) Finish(socket);
  }
}

void CInstanceGuard::ReadFrom(QLocalSocket* socket) {
  auto it = m_incoming.find(socket);
  if (it == m_incoming.end()) return;
  QByteArray& buffer = it.value();
  // Never hold more than the largest valid message, whatever the peer sends.
  const qint64 room = kHeaderBytes + 2 * qint64{kMaxCommandChars} + 1 - buffer.size();
  buffer.append(socket->read(room));
  if (buffer.size() < kHeaderBytes) return;
  const qint64 announced = AnnouncedBytes(buffer);
  if (announced < 0 || buffer.size() > kHeaderBytes + announced) Drop(socket);
}

void CInstanceGuard::Finish(QLocalSocket* socket) {
  auto it = m_incoming.find(socket);
  if (it == m_incoming.end()) return;
  QByteArray message = it.value();
  message.append(socket->readAll());
  m_incoming.erase(it);
  socket->disconnect(this);
  socket->deleteLater();
  // A connection without data only asked for the window.
  QString text;
  if (!message.isEmpty() && DecodeCommand(message, &text)) Q_EMIT commandReceived(text);
}

void CInstanceGuard::Drop(QLocalSocket* socket) {
  if (!m_incoming.remove(socket)) return;
  socket->disconnect(this);
  socket->abort();
  socket->deleteLater();
}

qint64 CInstanceGuard::AnnouncedBytes(const QByteArray& message) {
  if (message.size() < kHeaderBytes) return -1;
  const auto* data = reinterpret_cast<const uchar*>(message.constData());
  const uint32_t tag = qFromLittleEndian<uint32_t>(data);
  const uint32_t count = qFromLittleEndian<uint32_t>(data + 4);
  if (tag != kOpenTag || count == 0 || count % 2 != 0 ||
      count > 2 * static_cast<uint32_t>(kMaxCommandChars)) {
    return -1;
  }
  return count;
}

QByteArray CInstanceGuard::EncodeCommand(const QString& text) {
  if (text.isEmpty() || text.size() > kMaxCommandChars) return QByteArray();
  QByteArray message(kHeaderBytes + 2 * text.size(), '\0');
  auto* data = reinterpret_cast<uchar*>(message.data());
  qToLittleEndian<uint32_t>(kOpenTag, data);
  qToLittleEndian<uint32_t>(static_cast<uint32_t>(2 * text.size()), data + 4);
  for (qsizetype i = 0; i < text.size(); ++i) {
    qToLittleEndian<uint16_t>(text[i].unicode(), data + kHeaderBytes + 2 * i);
  }
  return message;
}

bool CInstanceGuard::DecodeCommand(const QByteArray& message, QString* text) {
  const qint64 announced = AnnouncedBytes(message);
  if (announced < 0 || message.size() != kHeaderBytes + announced) return false;
  const auto* data = reinterpret_cast<const uchar*>(message.constData()) + kHeaderBytes;
  QString decoded(announced / 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < decoded.size(); ++i) {
    decoded[i] = QChar(qFromLittleEndian<uint16_t>(data + 2 * i));
  }
  *text = decoded;
  return true;
}
