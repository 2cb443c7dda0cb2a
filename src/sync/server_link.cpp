#include "sync/server_link.h"

#include <openssl/rand.h>

#include <QRandomGenerator>
#include <cstring>

#include "sync/cipher.h"
#include "sync/framing.h"
#include "sync/handshake.h"

namespace {

enum : uint32_t {
  kCodePing = 0,
  kCodePingAnswer = 1,
  kCodeHello = 2,
  kCodeResult = 3,
  kCodeOffer = 6,
  kCodeResponse = 7,
};

// Fresh random bytes for the challenge: each connection gets its own, so a recorded response
// proves nothing to a later handshake.
QByteArray RandomBytes(int count) {
  QByteArray bytes(count, '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), count) != 1) {
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), count / 4);
  }
  return bytes;
}

// A fixed run for the skipped block of the offer (its content means nothing to the unit).
QByteArray Fill(int count, char seed) {
  QByteArray bytes(count, '\0');
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<char>(seed + 7 * i);
  return bytes;
}

}  // namespace

CServerLink::CServerLink(Options options, WriteFunction write, CListener* listener)
    : m_options(std::move(options)), m_write(std::move(write)), m_listener(listener) {}

CServerLink::~CServerLink() = default;

void CServerLink::SendRaw(const QByteArray& bytes) {
  if (m_write && !bytes.isEmpty()) m_write(bytes);
}

void CServerLink::SendHandshake(bool relay, const CNetMessage& message) {
  CNetBuffer out;
  if (!CFraming::WriteHandshake(out, relay, message)) return;
  SendRaw(QByteArray(out.Data(), static_cast<qsizetype>(out.Size())));
}

bool CServerLink::SendSession(const CNetMessage& message) {
  if (!m_online) return false;
  CNetBuffer out;
  if (!CFraming::WriteSession(out, message, m_encryptor.get(), m_frameCheck)) return false;
  SendRaw(QByteArray(out.Data(), static_cast<qsizetype>(out.Size())));
  return true;
}

bool CServerLink::Feed(const char* data, size_t size) {
  if (m_broken) return false;
  char* at = m_in.Append(size);
  if (at == nullptr) {
    m_broken = true;
    return false;
  }
  if (size > 0) std::memcpy(at, data, size);
  while (!m_broken) {
    if (!m_online) {
      CFraming::HandshakeHeader header;
      const CFraming::Result result = CFraming::PeekHandshake(m_in.Data(), m_in.Size(), header);
      if (result == CFraming::Result::kIncomplete) return true;
      if (result == CFraming::Result::kBad) break;
      CNetMessage message = CFraming::TakeHandshake(m_in.Data(), header);
      m_in.Consume(CFraming::kHandshakeHeader + header.length);
      if (header.relay) {
        if (m_listener) m_listener->OnRelayFrame(message);
      } else {
        OnHandshakeFrame(message);
      }
      continue;
    }
    CNetMessage message;
    size_t frameSize = 0;
    const CFraming::Result result = CFraming::ReadSession(
        m_in.Data(), m_in.Size(), m_decryptor.get(), m_frameCheck, message, frameSize);
    if (result == CFraming::Result::kIncomplete) return true;
    if (result == CFraming::Result::kBad) break;
    m_in.Consume(frameSize);
    if (message.Code() == kCodePing && m_options.answerPings) {
      SendSession(CNetMessage(kCodePingAnswer));
    }
    if (m_listener) m_listener->OnMessage(message);
  }
  m_broken = true;
  m_in.Clear();
  return false;
}

void CServerLink::OnHandshakeFrame(CNetMessage& message) {
  switch (message.Code()) {
    case kCodePing:
      SendHandshake(false, CNetMessage(kCodePingAnswer));
      return;
    case kCodeHello: {
      m_sawHello = true;
      uint16_t first = 0;
      QString unitId;
      if (message.ReadU16(first) && message.ReadString(unitId)) m_unitId = unitId;
      SendOffer();
      return;
    }
    case kCodeResponse:
      OnResponse(message);
      return;
    default:
      return;
  }
}

void CServerLink::SendOffer() {
  m_challenge = RandomBytes(CHandshake::kChallengeBytes);
  CNetMessage offer(kCodeOffer);
  if (!m_options.secondVariant) {
    offer.WriteU8(m_options.encrypt ? CHandshake::kServerEncrypts : 0);
    offer.WriteBytes(m_challenge);
    QByteArray proof = CHandshake::ServerProof(m_challenge);
    if (m_faults.badProof) proof[0] = static_cast<char>(proof[0] ^ 1);
    offer.WriteBytes(proof);
  } else {
    offer.WriteU8(CHandshake::kSecondVariant | m_options.identityFlags);
    offer.WriteBytes(m_challenge);
    if (m_options.identityFlags & CHandshake::kIdentifyByAccount) {
      if (m_options.identityFlags & CHandshake::kSkippedBlock) offer.WriteBytes(Fill(20, 's'));
      offer.WriteString(m_options.account);
    }
  }
  SendHandshake(false, offer);
}

void CServerLink::Refuse(uint16_t code) {
  CNetMessage result(kCodeResult);
  result.WriteU16(code);
  if (!m_options.resultText.isEmpty()) result.WriteString(m_options.resultText);
  SendHandshake(false, result);
  m_encryptor.reset();
  m_decryptor.reset();
  if (m_listener) m_listener->OnRefused(code);
}

void CServerLink::GoOnline() {
  m_online = true;
  if (m_listener) m_listener->OnOnline();
}

void CServerLink::OnResponse(CNetMessage& message) {
  if (m_challenge.isEmpty()) {
    Refuse(1);  // a response to no offer
    return;
  }
  const QString& password = m_options.password;
  const uint16_t refusal = m_options.resultCode != 0 ? m_options.resultCode : 2;
  CNetMessage result(kCodeResult);
  if (!m_options.secondVariant) {
    QByteArray response;
    message.ReadBytes(CHandshake::kDigestBytes, response);
    QByteArray key;
    if (m_options.encrypt) {
      key = CHandshake::FirstVariantKey(password, m_challenge);
      m_responseHeld = response == CHandshake::Sha1(key);
    } else {
      m_responseHeld = response == CHandshake::PlainResponse(password, m_challenge);
    }
    if (!m_responseHeld || m_options.resultCode != 0) {
      Refuse(refusal);
      return;
    }
    result.WriteU16(0);
    result.WriteU16(1);
    result.WriteU32(m_options.translationChecksum);
    SendHandshake(false, result);
    if (m_options.encrypt) {
      m_encryptor = std::make_unique<CCipher>(CCipher::Direction::kEncrypt, key);
      m_decryptor = std::make_unique<CCipher>(CCipher::Direction::kDecrypt, key);
    }
    m_frameCheck = false;
    GoOnline();
    return;
  }
  message.ReadU8(m_identityMode);
  if (m_identityMode == CHandshake::kIdentifyByAccount) {
    message.ReadBytes(CHandshake::kDigestBytes, m_identity);
  } else if (m_identityMode == CHandshake::kIdentifyByUnit) {
    QString unit;
    message.ReadString(unit);
    m_identity = unit.toUtf8();
  }
  message.ReadBytes(CHandshake::kNonceBytes, m_clientNonce);
  QByteArray record = message.ReadRest();
  if (message.Failed() || m_clientNonce.size() != CHandshake::kNonceBytes) {
    Refuse(1);
    return;
  }
  // The server decrypts with the unit's key and encrypts with its own.
  m_decryptor = std::make_unique<CCipher>(CCipher::Direction::kDecrypt,
                                          CHandshake::SecondVariantKey(password, m_clientNonce));
  m_encryptor = std::make_unique<CCipher>(CCipher::Direction::kEncrypt,
                                          CHandshake::SecondVariantKey(password, m_challenge));
  m_responseHeld = !record.isEmpty() &&
                   m_decryptor->Process(record.data(), static_cast<size_t>(record.size())) &&
                   CHandshake::CheckHolds(record) && record.mid(16, 32) == m_challenge;
  if (!m_responseHeld || m_options.resultCode != 0) {
    Refuse(refusal);
    return;
  }
  // The identity record: check, challenge, 32-bit 0, unit key, then the texts, the unit ID last.
  CNetMessage inner(0, record.mid(CHandshake::kCheckBytes + CHandshake::kChallengeBytes + 4 +
                                  CHandshake::kDigestBytes));
  QString texts[5];
  bool whole = true;
  for (QString& text : texts) whole = whole && inner.ReadString(text);
  if (whole && !texts[4].isEmpty()) m_unitId = texts[4];

  CNetMessage welcome;
  QByteArray nonce = m_clientNonce;
  if (m_faults.welcome == Welcome::kWrongNonce) nonce[5] = static_cast<char>(nonce[5] ^ 0x20);
  welcome.WriteBytes(nonce);
  welcome.WriteU32(0);
  welcome.WriteU32(m_options.translationChecksum);
  welcome.WriteBytes(QByteArray(8, '\0'));
  QByteArray block = CHandshake::WithCheck(welcome.Payload());  // 64 bytes
  if (m_faults.welcome == Welcome::kBadCheck) block[60] = static_cast<char>(block[60] ^ 1);
  if (m_faults.welcome == Welcome::kShort48) block.truncate(48);
  m_encryptor->Process(block.data(), static_cast<size_t>(block.size()));
  if (m_faults.welcome == Welcome::kLong65) block.append('\0');
  result.WriteU16(0);
  result.WriteBytes(block);
  SendHandshake(false, result);
  m_frameCheck = true;
  GoOnline();
}
