#include "sync/framing.h"

#include <openssl/crypto.h>

#include <QRandomGenerator>
#include <QtEndian>
#include <cstring>

#include "sync/cipher.h"
#include "sync/handshake.h"
#include "sync/net_buffer.h"
#include "sync/net_message.h"

namespace {

constexpr char kServerMagic[4] = {'T', 'W', 'K', 'F'};
constexpr char kRelayMagic[4] = {'Q', 'L', 'T', 'R'};

}  // namespace

CFraming::Result CFraming::PeekHandshake(const char* data, size_t size, HandshakeHeader& header) {
  if (size < kHandshakeHeader) return Result::kIncomplete;
  if (std::memcmp(data, kServerMagic, 4) == 0) {
    header.relay = false;
  } else if (std::memcmp(data, kRelayMagic, 4) == 0) {
    header.relay = true;
  } else {
    return Result::kBad;
  }
  header.code = qFromLittleEndian<uint32_t>(data + 4);
  header.length = qFromLittleEndian<uint32_t>(data + 8);
  if (header.length > kMaxHandshakePayload) return Result::kBad;
  return size - kHandshakeHeader >= header.length ? Result::kFrame : Result::kIncomplete;
}

CNetMessage CFraming::TakeHandshake(const char* data, const HandshakeHeader& header) {
  return CNetMessage(header.code,
                     QByteArray(data + kHandshakeHeader, static_cast<qsizetype>(header.length)));
}

CFraming::Result CFraming::ReadSession(char* data, size_t size, CCipher* decryptor, bool frameCheck,
                                       CNetMessage& message, size_t& frameSize) {
  if (size < kSessionHeader) return Result::kIncomplete;
  const uint32_t length = qFromLittleEndian<uint32_t>(data);
  if (length == 0 || length > kMaxSessionBody) return Result::kBad;
  if (decryptor != nullptr && length % CCipher::kBlock != 0) return Result::kBad;
  if (size - kSessionHeader < length) return Result::kIncomplete;
  char* body = data + kSessionHeader;
  size_t start = 0;
  size_t end = length;
  if (decryptor != nullptr) {
    if (!decryptor->Process(body, length)) return Result::kBad;
    // Every check is made before any is acted on, and the frame check always digests the same
    // bytes, so a bad check, a bad pad count and an overrunning pad look alike from outside.
    bool good = true;
    if (frameCheck) {
      if (length < kFrameCheckBytes) {
        good = false;
      } else {
        const QByteArray digest = CHandshake::Sha1(QByteArray::fromRawData(
            body + kFrameCheckBytes, static_cast<qsizetype>(length - kFrameCheckBytes)));
        good = CRYPTO_memcmp(digest.constData(), body, kFrameCheckBytes) == 0;
        start = kFrameCheckBytes;
      }
    }
    const size_t rest = length - start;
    const uint8_t pad = rest > 0 ? static_cast<uint8_t>(body[start]) : 0xFF;
    good = good && pad <= 15 && rest >= size_t{pad} + 2;
    if (!good) return Result::kBad;
    start += 1;
    end = length - pad;
  }
  const auto code = static_cast<uint8_t>(body[start]);
  message =
      CNetMessage(code, QByteArray(body + start + 1, static_cast<qsizetype>(end - start - 1)));
  frameSize = kSessionHeader + length;
  return Result::kFrame;
}

bool CFraming::WriteHandshake(CNetBuffer& buffer, bool relay, const CNetMessage& message) {
  const QByteArray& payload = message.Payload();
  char* at = buffer.Append(kHandshakeHeader + static_cast<size_t>(payload.size()));
  if (at == nullptr) return false;
  std::memcpy(at, relay ? kRelayMagic : kServerMagic, 4);
  qToLittleEndian<uint32_t>(message.Code(), at + 4);
  qToLittleEndian<uint32_t>(static_cast<uint32_t>(payload.size()), at + 8);
  if (!payload.isEmpty()) std::memcpy(at + kHandshakeHeader, payload.constData(), payload.size());
  return true;
}

bool CFraming::WriteSession(CNetBuffer& buffer, const CNetMessage& message, CCipher* encryptor,
                            bool frameCheck) {
  const QByteArray& payload = message.Payload();
  const auto n = static_cast<size_t>(payload.size());
  const size_t head = encryptor == nullptr ? 1 : (frameCheck ? kFrameCheckBytes : 0) + 2;
  const size_t length = encryptor == nullptr
                            ? n + 1
                            : (n + head + CCipher::kBlock - 1) / CCipher::kBlock * CCipher::kBlock;
  if (length > kMaxSessionBody) return false;
  const size_t before = buffer.Size();
  char* at = buffer.Append(kSessionHeader + length);
  if (at == nullptr) return false;
  qToLittleEndian<uint32_t>(static_cast<uint32_t>(length), at);
  char* body = at + kSessionHeader;
  if (encryptor == nullptr) {
    body[0] = static_cast<char>(message.Code());
    if (n > 0) std::memcpy(body + 1, payload.constData(), n);
    return true;
  }
  const size_t pad = length - (n + head);
  char* p = body + (frameCheck ? kFrameCheckBytes : 0);
  p[0] = static_cast<char>(pad);
  p[1] = static_cast<char>(message.Code());
  if (n > 0) std::memcpy(p + 2, payload.constData(), n);
  for (size_t i = 0; i < pad; ++i) {
    p[2 + n + i] = static_cast<char>(QRandomGenerator::global()->generate() & 0xFF);
  }
  if (frameCheck) {
    const QByteArray digest = CHandshake::Sha1(QByteArray::fromRawData(
        body + kFrameCheckBytes, static_cast<qsizetype>(length - kFrameCheckBytes)));
    std::memcpy(body, digest.constData(), kFrameCheckBytes);
  }
  if (!encryptor->Process(body, length)) {
    buffer.Truncate(before);
    return false;
  }
  return true;
}
