#include "points/gps_port_reader.h"

#include <QMutexLocker>

CGPSPortReader::CGPSPortReader(QString portName, int baud, CGPSSharedState* shared)
    : m_portName(std::move(portName)), m_baud(baud), m_shared(shared) {}

bool CGPSPortReader::OpenPort() {
  if (!m_port) {
    m_port = new QSerialPort(this);
    connect(m_port, &QSerialPort::readyRead, this, &CGPSPortReader::ReadAvailable);
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
      // Only a vanished device or a failed read ends the connection; a receiver that cannot
      // take DTR or RTS (a pseudo-terminal, some USB bridges) still sends its sentences.
      if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) Lost();
    });
    m_retry = new QTimer(this);
    m_retry->setInterval(kRetryMilliseconds);
    connect(m_retry, &QTimer::timeout, this, [this] {
      if (SetUp()) m_retry->stop();
    });
  }
  return SetUp();
}

bool CGPSPortReader::SetUp() {
  m_port->setPortName(m_portName);
  if (!m_port->open(QIODevice::ReadWrite)) {
    m_port->clearError();
    return false;
  }
  if (!m_port->setBaudRate(m_baud) || !m_port->setDataBits(QSerialPort::Data8) ||
      !m_port->setParity(QSerialPort::NoParity) || !m_port->setStopBits(QSerialPort::OneStop) ||
      !m_port->setFlowControl(QSerialPort::NoFlowControl)) {
    m_port->close();
    m_port->clearError();
    return false;
  }
  m_port->setDataTerminalReady(true);
  m_port->setRequestToSend(true);
  m_port->clearError();
  m_shared->connected = true;
  ++m_shared->connections;
  ReadAvailable();
  return true;
}

void CGPSPortReader::ReadAvailable() {
  if (!m_port || !m_port->isOpen()) return;
  char buffer[4096];
  bool changed = false;
  qint64 read = 0;
  for (;;) {
    const qint64 n = m_port->read(buffer, sizeof buffer);
    if (n <= 0) break;
    changed |= m_decoder.Feed(buffer, static_cast<std::size_t>(n));
    read += n;
  }
  if (changed) {
    Publish();
  } else {
    QMutexLocker lock(&m_shared->mutex);
    m_shared->counts = m_decoder.Statistics();
  }
  // Counted only once what those bytes said is published, so a reader that has seen the count
  // also sees the fixes and statistics they carried.
  m_shared->bytesRead += read;
}

void CGPSPortReader::Publish() {
  QMutexLocker lock(&m_shared->mutex);
  m_shared->position = m_decoder.Position();
  m_shared->pdop = m_decoder.LastPdop();
  m_shared->hdop = m_decoder.LastHdop();
  m_shared->vdop = m_decoder.LastVdop();
  m_shared->counts = m_decoder.Statistics();
}

void CGPSPortReader::Lost() {
  if (!m_port || !m_port->isOpen()) return;
  m_port->close();
  m_port->clearError();
  // Half a sentence from before the loss must not join the first bytes after it.
  m_decoder.DropPartial();
  m_shared->connected = false;
  m_retry->start();
}

void CGPSPortReader::Shutdown() {
  if (m_retry) m_retry->stop();
  if (m_port) m_port->close();
  m_shared->connected = false;
}

void CGPSPortReader::ForgetPosition() {
  m_decoder.ForgetPosition();
  QMutexLocker lock(&m_shared->mutex);
  m_shared->position.reset();
}
