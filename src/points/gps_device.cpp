#include "points/gps_device.h"

#include <QMetaObject>
#include <QMutexLocker>

#include "platform/settings_store.h"
#include "points/gps_port_choice.h"
#include "points/gps_port_reader.h"

namespace {

// How long closing waits for the reader thread before giving up on it.
constexpr int kCloseWaitMilliseconds = 500;

}  // namespace

CGPSDevice::CGPSDevice(QString settingsFile)
    : m_settingsFile(std::move(settingsFile)), m_shared(std::make_unique<CGPSSharedState>()) {}

CGPSDevice::~CGPSDevice() { Close(); }

CGPSDevice& CGPSDevice::Shared() {
  static CGPSDevice device{QString()};
  return device;
}

QString CGPSDevice::SettingsFile() const {
  return m_settingsFile.isEmpty()
             ? CSettingsStore::DefaultFilePath(QString::fromLatin1(CSettingsStore::kGpsApplication))
             : m_settingsFile;
}

bool CGPSDevice::Open() {
  Close();
  const CGPSPortChoice::Choice choice =
      CGPSPortChoice::Choose(CSettingsStore(SettingsFile()), CGPSPortChoice::AvailablePorts());
  m_portName = choice.name;
  m_baud = choice.baud;
  m_shared = std::make_unique<CGPSSharedState>();

  m_thread = std::make_unique<QThread>();
  m_thread->setObjectName(QStringLiteral("GPS reader"));
  auto* reader = new CGPSPortReader(m_portName, m_baud, m_shared.get());
  reader->moveToThread(m_thread.get());
  QObject::connect(m_thread.get(), &QThread::finished, reader, &QObject::deleteLater);
  m_thread->start();
  bool opened = false;
  QMetaObject::invokeMethod(
      reader, [reader] { return reader->OpenPort(); }, Qt::BlockingQueuedConnection, &opened);
  m_reader = reader;
  if (!opened) {
    Close();
    return false;
  }
  m_start.start();
  return true;
}

void CGPSDevice::Close() {
  if (m_reader) {
    CGPSPortReader* reader = m_reader;
    QMetaObject::invokeMethod(
        reader, [reader] { reader->Shutdown(); }, Qt::BlockingQueuedConnection);
    m_reader = nullptr;
  }
  if (m_thread) {
    m_thread->quit();
    if (!m_thread->wait(kCloseWaitMilliseconds)) {
      // The reader never blocks, so this is a thread stuck in the system; it cannot be left
      // running against a state that is about to go.
      m_thread->terminate();
      m_thread->wait();
    }
    m_thread.reset();
  }
  QMutexLocker lock(&m_shared->mutex);
  m_shared->position.reset();
  m_shared->pdop = m_shared->hdop = m_shared->vdop = 0;
}

std::optional<CGPSPosition> CGPSDevice::TakePosition() {
  if (!IsOpen()) return std::nullopt;
  m_start.start();
  QMutexLocker lock(&m_shared->mutex);
  return m_shared->position;
}

void CGPSDevice::DiscardPosition() {
  if (!m_reader) return;
  CGPSPortReader* reader = m_reader;
  QMetaObject::invokeMethod(
      reader, [reader] { reader->ForgetPosition(); }, Qt::BlockingQueuedConnection);
}

void CGPSDevice::RemoveUser() {
  if (m_users > 0 && --m_users == 0) Close();
}

bool CGPSDevice::IsConnected() const { return m_shared->connected; }
qint64 CGPSDevice::BytesRead() const { return m_shared->bytesRead; }
int CGPSDevice::Connections() const { return m_shared->connections; }

CGPSNmeaDecoder::Counts CGPSDevice::Statistics() const {
  QMutexLocker lock(&m_shared->mutex);
  return m_shared->counts;
}

float CGPSDevice::LastPdop() const {
  QMutexLocker lock(&m_shared->mutex);
  return m_shared->pdop;
}
float CGPSDevice::LastHdop() const {
  QMutexLocker lock(&m_shared->mutex);
  return m_shared->hdop;
}
float CGPSDevice::LastVdop() const {
  QMutexLocker lock(&m_shared->mutex);
  return m_shared->vdop;
}
