// Fuzz target: any bytes as what a server (or, when the first byte is odd, the relay) sends to a
// connection that waits for it. The connection runs over a scripted socket; whatever arrives, it
// must end in a known state without crashing or reading past a frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/message_service.h"
#include "app/services.h"
#include "sync/connection.h"
#include "sync/socket.h"

namespace {

class CSilentMessages : public CMessageService {
 public:
  int ShowMessage(const QString&, unsigned style) override { return NaturalAnswer(style); }
};

class CScriptedSocket : public CSocket {
 public:
  explicit CScriptedSocket(QByteArray incoming) : m_incoming(std::move(incoming)) {}
  bool Start(const QString&, uint16_t) override { return true; }
  int64_t Receive(char* data, int64_t capacity) override {
    if (m_at >= m_incoming.size()) return -1;
    // Small pieces, so frames straddle reads.
    const int64_t count = qMin<int64_t>(qMin<int64_t>(capacity, 7), m_incoming.size() - m_at);
    memcpy(data, m_incoming.constData() + m_at, static_cast<size_t>(count));
    m_at += count;
    return count;
  }
  int64_t Send(const char*, int64_t size) override { return size; }
  void Post(uint32_t) override {}
  void Fire(uint32_t word) { Deliver(word); }
  bool Drained() const { return m_at >= m_incoming.size(); }

 private:
  QByteArray m_incoming;
  qsizetype m_at = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static bool installed = [] {
    auto services = std::make_unique<CServices>();
    services->SetMessageService(std::make_unique<CSilentMessages>());
    CServices::Install(std::move(services));
    return true;
  }();
  (void)installed;
  const bool relay = (data[0] & 1) != 0;
  CConnectionSettings settings;
  settings.server = relay ? QStringLiteral("$Depot1") : QStringLiteral("127.0.0.1");
  settings.encryption = (data[0] & 2) != 0;
  settings.relayHosts[0] = settings.relayHosts[1] = QStringLiteral("127.0.0.1");
  CScriptedSocket* socket = nullptr;
  const QByteArray incoming(reinterpret_cast<const char*>(data + 1),
                            static_cast<qsizetype>(size - 1));
  CConnection connection(settings, {QStringLiteral("Unit-7"), QByteArray(20, 'k'), "1", "os", "hw"},
                         0, [&] {
                           auto made = std::make_unique<CScriptedSocket>(incoming);
                           socket = made.get();
                           return made;
                         });
  connection.SetEnabled(true);
  if (!connection.Connect() || socket == nullptr) std::abort();
  socket->Fire(CSocket::EventWord(CSocket::kConnect));
  // Later events take what the first left (a redirect reconnects to a fresh script).
  for (int i = 0; i < 64 && connection.GetState() != CConnection::kIdle && !socket->Drained();
       ++i) {
    socket->Fire(CSocket::EventWord(CSocket::kRead));
  }
  if (connection.GetState() < CConnection::kIdle || connection.GetState() > CConnection::kOnline) {
    std::abort();
  }
  return 0;
}
