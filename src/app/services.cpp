#include "app/services.h"

#include <openssl/rand.h>

#include <QElapsedTimer>

namespace {

std::unique_ptr<CServices>& Current() {
  static std::unique_ptr<CServices> services;
  return services;
}

}  // namespace

CServices::CServices()
    : m_messages(std::make_unique<CConsoleMessageService>()),
      m_dialogs(std::make_unique<CDialogService>()),
      m_shell(std::make_unique<CShell>()),
      m_telegrams(std::make_unique<CTelegramSender>()),
      m_voiceClips(std::make_unique<CVoiceClipService>()) {}

CServices::~CServices() = default;

CServices& CServices::Instance() {
  auto& current = Current();
  if (!current) current = std::make_unique<CServices>();
  return *current;
}

std::unique_ptr<CServices> CServices::Install(std::unique_ptr<CServices> services) {
  auto previous = std::move(Current());
  Current() = std::move(services);
  return previous;
}

uint32_t CServices::TickCount() const {
  if (m_ticks) return m_ticks();
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  // Start well above zero like a running system, so "last run at 0" never looks recent.
  return static_cast<uint32_t>(timer.elapsed() + 3600000);
}

QByteArray CServices::RandomBytes(int count) const {
  if (m_random) return m_random(count);
  QByteArray bytes(count, '\0');
  if (count > 0 && RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), count) != 1) {
    // The generator cannot fail on a working system; an all-zero answer would be unsafe.
    qFatal("random source failed");
  }
  return bytes;
}
