#include "sync/connection.h"

#include <openssl/crypto.h>

#include <QtEndian>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "sync/cipher.h"
#include "sync/framing.h"
#include "sync/net_message.h"
#include "sync/tcp_socket.h"

namespace {

// The receive buffer never holds more than the largest frame and one read step, so a peer that
// floods us is held back by TCP, not by our memory.
constexpr size_t kReceiveLimit =
    CFraming::kSessionHeader + CFraming::kMaxSessionBody + CConnection::kReceiveStep;

// Handshake result and relay messages.
// (Named apart from the states, some of which share their names.)
enum : uint32_t {
  kCodeHello = 2,
  kCodeResult = 3,
  kCodeOffer = 6,
  kCodeResponse = 7,
  kCodeRelayChallenge = 2,
  kCodeRelayRedirect = 3,
  kCodeRelayError = 4,
  kCodeRelayLogin = 8,
  kCodeRelayJoined = 9,
};

const char* const kProtocolMismatch = "Network.ProtocolMismatch";

bool SameBytes(const QByteArray& a, const QByteArray& b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.constData(), b.constData(), a.size()) == 0;
}

// A run of `length` bytes announced by a length byte: false when the payload holds fewer.
bool ReadCounted(CNetMessage& message, QByteArray& bytes) {
  uint8_t length = 0;
  return message.ReadU8(length) && message.ReadBytes(length, bytes);
}

}  // namespace

CConnection::CConnection(const CConnectionSettings& settings, const CHandshake::Identity& identity,
                         uint32_t translationChecksum, SocketFactory factory, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_identity(identity),
      m_translationChecksum(translationChecksum),
      m_factory(std::move(factory)),
      m_relayHost(settings.relayHosts[0]),
      m_relayPort(settings.relayPort) {
  m_lastChange = m_lastReceive = m_lastSend = Now();
}

CConnection::~CConnection() {
  m_listener = nullptr;
  const QSignalBlocker blocker(this);
  Disconnect(false);
}

uint32_t CConnection::Now() const { return CServices::Instance().TickCount(); }

void CConnection::SetState(State state) {
  if (m_state == state) return;
  m_state = state;
  Q_EMIT stateChanged();
}

void CConnection::SwitchRelayHost() {
  m_relayHost =
      m_relayHost == m_settings.relayHosts[0] ? m_settings.relayHosts[1] : m_settings.relayHosts[0];
  m_relayPort = m_settings.relayPort;
}

void CConnection::Restart(bool connectNow) {
  Disconnect(false);
  m_enabled = true;
  if (connectNow) Connect();
}

bool CConnection::Connect() {
  if (m_state != kIdle) return false;
  m_lastChange = m_lastReceive = m_lastSend = Now();
  QString host;
  int port = 0;
  if (!m_settings.server.startsWith(QLatin1Char('$'))) {
    m_relayMode = false;
    const CServerAddress address = CServerAddress::Parse(m_settings.server);
    host = address.host;
    port = address.port;
  } else {
    m_relayMode = true;
    host = m_relayHost;
    port = m_relayPort;
  }
  if (host.isEmpty() || port < 1 || port > 65535) {
    m_enabled = false;
    return false;
  }
  // Host names are 8-bit text of at most 127 bytes; a longer one cannot be resolved.
  if (host.toLocal8Bit().size() > 127) {
    if (m_relayMode) {
      SwitchRelayHost();
      Disconnect(false);
    } else {
      Disconnect(true, QString::fromLatin1("Network.ErrorFailedToResolveServerAddress"));
    }
    return false;
  }
  m_socket = m_factory ? m_factory() : std::make_unique<CTcpSocket>();
  if (!m_socket) {
    Disconnect(true);
    return false;
  }
  m_socket->SetHandler([this](uint32_t eventWord) { OnSocketEvent(eventWord); });
  if (!m_socket->Start(host, static_cast<uint16_t>(port))) {
    SwitchRelayHost();
    Disconnect(false);
    return false;
  }
  SetState(m_relayMode ? kRelayConnecting : kServerConnecting);
  return true;
}

void CConnection::Disconnect(bool disable, const QString& message) {
  ++m_generation;
  m_socket.reset();
  m_receive.Clear();
  m_send.Clear();
  m_encryptor.reset();
  m_decryptor.reset();
  m_frameCheck = false;
  m_clientNonce.clear();
  if (disable) m_enabled = false;
  m_lastChange = Now();
  if (m_state > kIdle) {
    const State was = m_state;
    m_state = kIdle;
    if (was > kServerConnecting && m_listener != nullptr) m_listener->OnClosed();
    Q_EMIT stateChanged();
  }
  if (!message.isEmpty()) {
    const unsigned style = kMbOk | kMbIconExclamation;
    if (message.startsWith(QLatin1String("Network."))) {
      CLanguage::Instance().MessageByKey(message, style);
    } else {
      CServices::Instance().Messages().ShowMessage(message, style);
    }
  }
}

void CConnection::ProtocolError(bool switchRelay) {
  if (switchRelay) SwitchRelayHost();
  Disconnect(true, QString::fromLatin1(kProtocolMismatch));
}

bool CConnection::Send(const CNetMessage& message) {
  bool written = false;
  switch (m_state) {
    case kRelayChallenge:
    case kRelayLogin:
      written = CFraming::WriteHandshake(m_send, true, message);
      break;
    case kServerHello:
    case kAuthenticating:
      written = CFraming::WriteHandshake(m_send, false, message);
      break;
    case kOnline:
      written = CFraming::WriteSession(m_send, message, m_encryptor.get(), m_frameCheck);
      break;
    default:
      return false;
  }
  if (!written) return false;
  // A closed peer is noticed here but handled from the event loop, never inside a caller's send.
  if (!Flush()) m_socket->Post(CSocket::EventWord(CSocket::kClose));
  m_lastSend = Now();
  return true;
}

bool CConnection::RequestPushedSessions(const QString& projectName, uint32_t unique) {
  if (m_state != kOnline) return false;
  CNetMessage message(kRequestPushed);
  message.WriteString(projectName);
  message.WriteU32(unique);
  return Send(message);
}

bool CConnection::Flush() {
  while (!m_send.IsEmpty() && m_socket) {
    const auto piece = static_cast<int64_t>(qMin(m_send.Size(), kSendStep));
    const int64_t sent = m_socket->Send(m_send.Data(), piece);
    if (sent == 0) return false;
    if (sent < 0) break;
    m_send.Consume(static_cast<size_t>(sent));
  }
  return true;
}

bool CConnection::ReceiveAvailable() {
  bool any = false;
  bool open = true;
  while (m_socket && m_receive.Size() < kReceiveLimit) {
    if (!m_receive.EnsureFree(kReceiveStep)) break;
    const int64_t received = m_socket->Receive(m_receive.End(), kReceiveStep);
    if (received < 0) break;
    if (received == 0) {
      open = false;
      break;
    }
    m_receive.Commit(static_cast<size_t>(received));
    any = true;
  }
  if (any) m_lastReceive = Now();
  return open;
}

void CConnection::SendHello() {
  CNetMessage hello(kCodeHello);
  hello.WriteU16(3);
  hello.WriteString(m_identity.unitId);
  hello.WriteString(QStringLiteral("Windows:") + m_identity.version);
  hello.WriteU16(2);
  hello.WriteBytes(m_identity.unitKey.leftJustified(CHandshake::kDigestBytes, '\0', true));
  Send(hello);
}

void CConnection::OnSocketEvent(uint32_t eventWord) {
  const auto event = static_cast<uint16_t>(eventWord & 0xFFFF);
  const auto error = static_cast<uint16_t>(eventWord >> 16);
  if (m_state == kIdle || !m_socket) return;
  const uint64_t generation = m_generation;
  const auto gone = [&] { return generation != m_generation; };

  if (m_state == kRelayConnecting || m_state == kServerConnecting) {
    if (event != CSocket::kConnect) return;
    if (error != CSocket::kNoError) {
      if (error == CSocket::kHostNotFound && !m_relayMode) {
        Disconnect(true, QString::fromLatin1("Network.ErrorFailedToResolveServerAddress"));
      } else {
        SwitchRelayHost();
        Disconnect(false);
      }
      return;
    }
    m_lastChange = m_lastReceive = m_lastSend = Now();
    if (m_state == kRelayConnecting) {
      SetState(kRelayChallenge);
    } else {
      SetState(kServerHello);
      SendHello();
      if (m_listener != nullptr) m_listener->OnAuthenticating();
    }
    if (gone()) return;
  }

  const bool open = ReceiveAvailable();

  while (m_state > kIdle && m_state < kOnline) {
    CFraming::HandshakeHeader header;
    const CFraming::Result result =
        CFraming::PeekHandshake(m_receive.Data(), m_receive.Size(), header);
    if (result == CFraming::Result::kIncomplete) break;
    if (result == CFraming::Result::kBad) {
      ProtocolError(true);
      return;
    }
    CNetMessage message = CFraming::TakeHandshake(m_receive.Data(), header);
    m_receive.Consume(CFraming::kHandshakeHeader + header.length);
    const bool handled = header.relay ? HandleRelay(message) : HandleHandshake(message);
    if (gone()) return;
    if (!handled) {
      Disconnect(true);
      return;
    }
  }

  int frames = 0;
  while (m_state == kOnline && frames < kFramesPerEvent) {
    CNetMessage message;
    size_t frameSize = 0;
    const CFraming::Result result = CFraming::ReadSession(
        m_receive.Data(), m_receive.Size(), m_decryptor.get(), m_frameCheck, message, frameSize);
    if (result == CFraming::Result::kIncomplete) break;
    if (result == CFraming::Result::kBad) {
      ProtocolError(false);
      return;
    }
    m_receive.Consume(frameSize);
    m_lastReceive = Now();
    ++frames;
    const bool handled = HandleOnline(message);
    if (gone()) return;
    if (!handled) {
      Disconnect(true);
      return;
    }
  }
  // Frames beyond the per-event limit, or bytes the full buffer left in the socket, are taken at
  // the next event; post one, since the socket may have nothing new to tell.
  if (m_state == kOnline && m_socket &&
      ((frames == kFramesPerEvent && !m_receive.IsEmpty()) || m_receive.Size() >= kReceiveLimit)) {
    m_socket->Post(CSocket::EventWord(CSocket::kRead));
  }

  const bool sendOpen = Flush();
  if (event == CSocket::kClose || !sendOpen || !open) {
    if (m_state == kRelayChallenge || m_state == kRelayLogin || m_state == kServerHello) {
      SwitchRelayHost();
    }
    Disconnect(false);
  }
}

bool CConnection::HandleRelay(CNetMessage& message) {
  const auto refuse = [this] {
    ProtocolError(true);
    return false;
  };
  switch (message.Code()) {
    case 0:
    case 1:
      return true;
    case kCodeRelayChallenge: {
      if (m_state != kRelayChallenge || !m_settings.server.startsWith(QLatin1Char('$'))) {
        return refuse();
      }
      QByteArray nonce;
      if (!message.Skip(1) || !message.ReadBytes(CHandshake::kDigestBytes, nonce)) return refuse();
      const QString name = m_settings.server.mid(1);
      const QByteArray utf8 = name.toUtf8().left(255);
      CNetMessage login(kCodeRelayLogin);
      login.WriteU8(0);
      login.WriteU8(static_cast<uint8_t>(utf8.size()));
      login.WriteBytes(utf8);
      login.WriteBytes(CHandshake::RelayProof(nonce, name, m_settings.password));
      Send(login);
      SetState(kRelayLogin);
      return true;
    }
    case kCodeRelayRedirect: {
      if (m_state != kRelayChallenge && m_state != kRelayLogin) return refuse();
      uint16_t port = 0;
      QByteArray host;
      if (!message.Skip(2) || !message.ReadU16(port) || !ReadCounted(message, host)) {
        return refuse();
      }
      // Quietly: the redirect is no failure, so neither the listener nor the button hear of it
      // until the new attempt starts.
      m_state = kIdle;
      Disconnect(false);
      m_relayHost = QString::fromLatin1(host);
      m_relayPort = port;
      Connect();
      return false;
    }
    case kCodeRelayError: {
      if (m_state != kRelayChallenge && m_state != kRelayLogin) return refuse();
      QByteArray text;
      if (!message.Skip(2) || !ReadCounted(message, text)) return refuse();
      Disconnect(true, QString::fromUtf8(text));
      return false;
    }
    case kCodeRelayJoined:
      if (m_state != kRelayLogin || !message.Skip(1)) return refuse();
      SetState(kServerHello);
      if (m_listener != nullptr) m_listener->OnAuthenticating();
      return true;
    default:
      return refuse();
  }
}

bool CConnection::HandleHandshake(CNetMessage& message) {
  if (m_state == kRelayChallenge || m_state == kRelayLogin) {
    ProtocolError(true);
    return false;
  }
  switch (message.Code()) {
    case 0:
      Send(CNetMessage(kPingAnswer));
      return true;
    case kCodeResult:
      return HandleResult(message);
    case kCodeOffer:
      return HandleOffer(message);
    default:
      return true;
  }
}

bool CConnection::HandleOffer(CNetMessage& message) {
  const auto refuse = [this] {
    ProtocolError(true);
    return false;
  };
  uint8_t flags = 0;
  if (m_state != kServerHello || !message.ReadU8(flags)) return refuse();
  QByteArray challenge;
  CNetMessage response(kCodeResponse);

  if ((flags & CHandshake::kSecondVariant) == 0) {
    if (m_relayMode) return refuse();
    const bool serverEncrypts = (flags & CHandshake::kServerEncrypts) != 0;
    if (serverEncrypts != m_settings.encryption) {
      Disconnect(true, QString::fromLatin1(serverEncrypts ? "Network.EncryptionIsOff"
                                                          : "Network.EncryptionIsOn"));
      return false;
    }
    QByteArray proof;
    if (!message.ReadBytes(CHandshake::kChallengeBytes, challenge) ||
        !message.ReadBytes(CHandshake::kDigestBytes, proof) ||
        !SameBytes(proof, CHandshake::ServerProof(challenge))) {
      return refuse();
    }
    if (serverEncrypts) {
      const QByteArray key = CHandshake::FirstVariantKey(m_settings.password, challenge);
      response.WriteBytes(CHandshake::Sha1(key));
      m_encryptor = std::make_unique<CCipher>(CCipher::Direction::kEncrypt, key);
      m_decryptor = std::make_unique<CCipher>(CCipher::Direction::kDecrypt, key);
    } else {
      response.WriteBytes(CHandshake::PlainResponse(m_settings.password, challenge));
    }
    Send(response);
    m_frameCheck = false;
    SetState(kAuthenticating);
    return true;
  }

  if (!m_settings.encryption && !m_relayMode) {
    Disconnect(true, QString::fromLatin1("Network.EncryptionIsOff"));
    return false;
  }
  QString account;
  if (!message.ReadBytes(CHandshake::kChallengeBytes, challenge)) return refuse();
  if ((flags & CHandshake::kIdentifyByAccount) != 0) {
    if ((flags & CHandshake::kSkippedBlock) != 0 && !message.Skip(CHandshake::kDigestBytes)) {
      return refuse();
    }
    if (!message.ReadString(account)) return refuse();
  }
  m_clientNonce = CServices::Instance().RandomBytes(CHandshake::kNonceBytes);
  m_encryptor =
      std::make_unique<CCipher>(CCipher::Direction::kEncrypt,
                                CHandshake::SecondVariantKey(m_settings.password, m_clientNonce));
  m_decryptor = std::make_unique<CCipher>(
      CCipher::Direction::kDecrypt, CHandshake::SecondVariantKey(m_settings.password, challenge));
  QByteArray record = CHandshake::IdentityRecord(challenge, m_identity);
  if (!m_encryptor->Process(record.data(), static_cast<size_t>(record.size()))) return refuse();
  if ((flags & CHandshake::kIdentifyByAccount) != 0) {
    response.WriteU8(CHandshake::kIdentifyByAccount);
    response.WriteBytes(CHandshake::AccountDigest(account, m_identity.unitId));
  } else if ((flags & CHandshake::kIdentifyByUnit) != 0) {
    response.WriteU8(CHandshake::kIdentifyByUnit);
    response.WriteString(m_identity.unitId);
  } else {
    response.WriteU8(0);
  }
  response.WriteBytes(m_clientNonce);
  response.WriteBytes(record);
  Send(response);
  m_frameCheck = true;
  SetState(kAuthenticating);
  return true;
}

bool CConnection::HandleResult(CNetMessage& message) {
  const auto refuse = [this] {
    ProtocolError(true);
    return false;
  };
  uint16_t code = 0;
  if (!message.ReadU16(code)) return refuse();
  if (code != 0) {
    QString text;
    if (message.Remaining() >= 2) {
      if (!message.ReadString(text)) return refuse();
    } else if (code == 1) {
      text = QString::fromLatin1(kProtocolMismatch);
    } else if (code == 2) {
      text = QStringLiteral("Network.WrongPassword");
    } else {
      text = QStringLiteral("Unable to handshake with server.");
    }
    Disconnect(true, text);
    return false;
  }
  if (m_state != kAuthenticating) return refuse();

  bool haveChecksum = false;
  uint32_t checksum = 0;
  if (!m_frameCheck) {
    uint16_t ignored = 0;
    if (message.Remaining() >= 2) message.ReadU16(ignored);
    if (message.Remaining() >= 4) haveChecksum = message.ReadU32(checksum);
  } else {
    QByteArray block = message.ReadRest();
    if (block.size() % 16 != 0 || block.size() < 64 ||
        !m_decryptor->Process(block.data(), static_cast<size_t>(block.size()))) {
      return refuse();
    }
    const bool checkHolds = CHandshake::CheckHolds(block);
    const bool nonceHolds = SameBytes(block.mid(16, CHandshake::kNonceBytes), m_clientNonce);
    if (!checkHolds || !nonceHolds) return refuse();
    checksum = qFromLittleEndian<uint32_t>(block.constData() + 52);
    haveChecksum = true;
  }

  SetState(kOnline);
  const uint64_t generation = m_generation;
  const bool runStarted = m_listener != nullptr && m_listener->OnOnline();
  if (generation != m_generation) return false;
  if (!runStarted && m_settings.requestPush) RequestPushedSessions();
  if (haveChecksum && checksum != 0 && checksum != m_translationChecksum &&
      (m_listener == nullptr || m_listener->CanAsk()) &&
      CLanguage::Instance().MessageByKey(QStringLiteral("Upgrade.ConfirmLanguage"),
                                         kMbYesNo | kMbIconQuestion) == kIdYes &&
      generation == m_generation) {
    Send(CNetMessage(kLanguageRequest));
  }
  return generation == m_generation;
}

bool CConnection::HandleOnline(CNetMessage& message) {
  switch (message.Code()) {
    case kPing:
      Send(CNetMessage(kPingAnswer));
      return true;
    case kPingAnswer:
      return true;
    default:
      return m_listener == nullptr || m_listener->Dispatch(message);
  }
}

void CConnection::Tick() {
  if (!m_enabled) return;
  const uint32_t now = Now();
  if (m_state == kIdle) {
    if (now - m_lastChange >= m_settings.reconnectDelay) {
      Disconnect(false);
      m_enabled = true;
      if (!m_settings.onDemand) Connect();
    }
  } else if (m_state == kOnline) {
    if (now - m_lastReceive >= m_settings.idleTimeout) {
      Disconnect(false);
    } else if (now - m_lastSend >= m_settings.idlePing) {
      Send(CNetMessage(kPing));
    }
  } else if (now - m_lastChange >= m_settings.connectTimeout) {
    SwitchRelayHost();
    Disconnect(false);
  }
}
