#include "support/test_sync_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <cstring>

#include "sync/framing.h"
#include "sync/handshake.h"

namespace qlt::test {

namespace {

QByteArray Fill(int count, char seed) {
  QByteArray bytes(count, '\0');
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<char>(seed + 7 * i);
  return bytes;
}

}  // namespace

CTestSyncServer::CTestSyncServer(Options options)
    : m_options(std::move(options)), m_server(new QTcpServer(this)) {
  m_server->listen(QHostAddress::LocalHost, 0);
  connect(m_server, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
      ++m_connections;
      if (m_client) m_client->abort();
      m_client = socket;
      m_in.Clear();
      m_encryptor.reset();
      m_decryptor.reset();
      m_online = m_relayJoined = m_frameCheck = false;
      m_clientClosed = false;
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (socket == m_client) OnData();
      });
      connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (socket == m_client) m_clientClosed = true;
      });
      if (m_options.silent) continue;
      if (m_options.relay) {
        m_relayNonce = Fill(20, 'n');
        CNetMessage challenge(2);
        challenge.WriteU8(1);
        challenge.WriteBytes(m_relayNonce);
        SendHandshake(true, challenge);
      }
    }
  });
}

CTestSyncServer::~CTestSyncServer() {
  if (m_client) m_client->abort();
}

uint16_t CTestSyncServer::Port() const { return m_server->serverPort(); }

void CTestSyncServer::SendRaw(const QByteArray& bytes) {
  if (m_client) m_client->write(bytes);
}

void CTestSyncServer::SendHandshake(bool relay, const CNetMessage& message) {
  CNetBuffer out;
  CFraming::WriteHandshake(out, relay, message);
  SendRaw(QByteArray(out.Data(), static_cast<qsizetype>(out.Size())));
}

void CTestSyncServer::SendSession(const CNetMessage& message) {
  CNetBuffer out;
  CFraming::WriteSession(out, message, m_encryptor.get(), m_frameCheck);
  SendRaw(QByteArray(out.Data(), static_cast<qsizetype>(out.Size())));
}

void CTestSyncServer::SendBody(const QByteArray& plain, int announcedLength) {
  QByteArray body = plain;
  if (m_encryptor) {
    body.append(QByteArray((16 - body.size() % 16) % 16, '\0'));
    m_encryptor->Process(body.data(), static_cast<size_t>(body.size()));
    body.truncate(plain.size());
  }
  char length[4];
  qToLittleEndian<uint32_t>(announcedLength < 0 ? static_cast<uint32_t>(body.size())
                                                : static_cast<uint32_t>(announcedLength),
                            length);
  SendRaw(QByteArray(length, 4) + body);
}

void CTestSyncServer::DropClient() {
  if (m_client) m_client->disconnectFromHost();
}

void CTestSyncServer::OnData() {
  const QByteArray bytes = m_client->readAll();
  if (m_options.silent) return;
  std::memcpy(m_in.Append(static_cast<size_t>(bytes.size())), bytes.constData(), bytes.size());
  while (m_client) {
    if (!m_online) {
      CFraming::HandshakeHeader header;
      if (CFraming::PeekHandshake(m_in.Data(), m_in.Size(), header) != CFraming::Result::kFrame) {
        return;
      }
      CNetMessage message = CFraming::TakeHandshake(m_in.Data(), header);
      m_in.Consume(CFraming::kHandshakeHeader + header.length);
      OnHandshakeFrame(header.relay, message);
      continue;
    }
    CNetMessage message;
    size_t size = 0;
    if (CFraming::ReadSession(m_in.Data(), m_in.Size(), m_decryptor.get(), m_frameCheck, message,
                              size) != CFraming::Result::kFrame) {
      return;
    }
    m_in.Consume(size);
    if (message.Code() == 0 && m_options.answerPings) SendSession(CNetMessage(1));
    m_received.append(message);
  }
}

void CTestSyncServer::OnHandshakeFrame(bool relay, CNetMessage& message) {
  if (relay) {
    if (message.Code() != 8) return;
    uint8_t zero = 0;
    uint8_t length = 0;
    QByteArray name;
    QByteArray proof;
    message.ReadU8(zero);
    message.ReadU8(length);
    message.ReadBytes(length, name);
    message.ReadBytes(20, proof);
    m_loginName = QString::fromUtf8(name);
    m_loginProofHeld =
        proof == CHandshake::RelayProof(m_relayNonce, m_options.relayName, m_options.password);
    if (m_options.redirectPort > 0) {
      CNetMessage redirect(3);
      redirect.WriteU8(0);
      redirect.WriteU8(0);
      redirect.WriteU16(static_cast<uint16_t>(m_options.redirectPort));
      redirect.WriteU8(9);
      redirect.WriteBytes("127.0.0.1");
      SendHandshake(true, redirect);
      return;
    }
    if (!m_options.relayError.isEmpty()) {
      const QByteArray text = m_options.relayError.toUtf8();
      CNetMessage error(4);
      error.WriteU8(0);
      error.WriteU8(0);
      error.WriteU8(static_cast<uint8_t>(text.size()));
      error.WriteBytes(text);
      SendHandshake(true, error);
      return;
    }
    CNetMessage joined(9);
    joined.WriteU8(0);
    SendHandshake(true, joined);
    m_relayJoined = true;
    SendOffer();
    return;
  }
  if (message.Code() == 2) {
    m_sawHello = true;
    SendOffer();
  } else if (message.Code() == 7) {
    OnResponse(message);
  }
}

void CTestSyncServer::SendOffer() {
  m_challenge = Fill(32, 'c');
  CNetMessage offer(6);
  if (!m_options.secondVariant) {
    offer.WriteU8(m_options.encrypt ? CHandshake::kServerEncrypts : 0);
    offer.WriteBytes(m_challenge);
    QByteArray proof = CHandshake::ServerProof(m_challenge);
    if (m_options.badProof) proof[0] = static_cast<char>(proof[0] ^ 1);
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

void CTestSyncServer::Refuse(uint16_t code) {
  CNetMessage result(3);
  result.WriteU16(code);
  if (!m_options.resultText.isEmpty()) result.WriteString(m_options.resultText);
  SendHandshake(false, result);
}

void CTestSyncServer::OnResponse(CNetMessage& message) {
  const QString& password = m_options.password;
  CNetMessage result(3);
  if (!m_options.secondVariant) {
    QByteArray response;
    message.ReadBytes(20, response);
    QByteArray key;
    if (m_options.encrypt) {
      key = CHandshake::FirstVariantKey(password, m_challenge);
      m_responseHeld = response == CHandshake::Sha1(key);
    } else {
      m_responseHeld = response == CHandshake::PlainResponse(password, m_challenge);
    }
    if (!m_responseHeld || m_options.resultCode != 0) {
      Refuse(m_options.resultCode != 0 ? static_cast<uint16_t>(m_options.resultCode) : 2);
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
    m_online = true;
    return;
  }
  message.ReadU8(m_identityMode);
  if (m_identityMode == 16) {
    message.ReadBytes(20, m_identity);
  } else if (m_identityMode == 8) {
    QString unit;
    message.ReadString(unit);
    m_identity = unit.toUtf8();
  }
  message.ReadBytes(32, m_clientNonce);
  QByteArray record = message.ReadRest();
  // The server decrypts with the client's key and encrypts with its own.
  m_decryptor = std::make_unique<CCipher>(CCipher::Direction::kDecrypt,
                                          CHandshake::SecondVariantKey(password, m_clientNonce));
  m_encryptor = std::make_unique<CCipher>(CCipher::Direction::kEncrypt,
                                          CHandshake::SecondVariantKey(password, m_challenge));
  m_responseHeld = m_decryptor->Process(record.data(), static_cast<size_t>(record.size())) &&
                   CHandshake::CheckHolds(record) && record.mid(16, 32) == m_challenge;
  if (!m_responseHeld || m_options.resultCode != 0) {
    Refuse(m_options.resultCode != 0 ? static_cast<uint16_t>(m_options.resultCode) : 2);
    return;
  }
  CNetMessage inner;
  inner.WriteBytes(m_clientNonce);
  if (m_options.welcome == Welcome::kWrongNonce) {
    QByteArray nonce = m_clientNonce;
    nonce[5] = static_cast<char>(nonce[5] ^ 0x20);
    inner = CNetMessage();
    inner.WriteBytes(nonce);
  }
  inner.WriteU32(0);
  inner.WriteU32(m_options.translationChecksum);
  inner.WriteBytes(QByteArray(8, '\0'));
  QByteArray block = CHandshake::WithCheck(inner.Payload());  // 64 bytes
  if (m_options.welcome == Welcome::kBadCheck) block[60] = static_cast<char>(block[60] ^ 1);
  if (m_options.welcome == Welcome::kShort48) block.truncate(48);
  m_encryptor->Process(block.data(), static_cast<size_t>(block.size()));
  if (m_options.welcome == Welcome::kLong65) block.append('\0');
  result.WriteU16(0);
  result.WriteBytes(block);
  SendHandshake(false, result);
  m_frameCheck = true;
  m_online = true;
}

}  // namespace qlt::test
