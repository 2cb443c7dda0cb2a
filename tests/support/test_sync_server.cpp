#include "support/test_sync_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include "sync/cipher.h"
#include "sync/handshake.h"

namespace qlt::test {

namespace {

QByteArray Fill(int count, char seed) {
  QByteArray bytes(count, '\0');
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<char>(seed + 7 * i);
  return bytes;
}

}  // namespace

// What the link hears goes back to the server, which records it and plays the relay.
class CTestSyncServer::CLinkListener : public CServerLink::CListener {
 public:
  explicit CLinkListener(CTestSyncServer& server) : m_server(server) {}
  void OnRelayFrame(CNetMessage& message) override { m_server.OnRelayFrame(message); }
  void OnMessage(CNetMessage& message) override {
    // Read at every ping, so a test may stop the answers in the middle of a connection.
    if (message.Code() == 0 && m_server.m_options.answerPings) {
      m_server.SendSession(CNetMessage(1));
    }
    m_server.m_received.append(message);
  }

 private:
  CTestSyncServer& m_server;
};

CTestSyncServer::CTestSyncServer(Options options)
    : m_options(std::move(options)),
      m_server(new QTcpServer(this)),
      m_listener(std::make_unique<CLinkListener>(*this)) {
  m_server->listen(QHostAddress::LocalHost, 0);
  connect(m_server, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
      ++m_connections;
      if (m_client) m_client->abort();
      m_client = socket;
      m_link = std::make_unique<CServerLink>(
          LinkOptions(),
          [socket](const QByteArray& bytes) {
            if (socket->state() == QAbstractSocket::ConnectedState) socket->write(bytes);
          },
          m_listener.get());
      m_link->GetFaults().badProof = m_options.badProof;
      m_link->GetFaults().welcome = static_cast<CServerLink::Welcome>(m_options.welcome);
      m_clientClosed = false;
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        if (socket != m_client) return;
        const QByteArray bytes = socket->readAll();
        // A frame the link cannot take is left alone: the client decides what it sent.
        if (!m_options.silent) m_link->Feed(bytes.constData(), static_cast<size_t>(bytes.size()));
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

CServerLink::Options CTestSyncServer::LinkOptions() const {
  CServerLink::Options link;
  link.secondVariant = m_options.secondVariant;
  link.encrypt = m_options.encrypt;
  link.identityFlags = m_options.identityFlags;
  link.account = m_options.account;
  link.password = m_options.password;
  link.resultCode = static_cast<uint16_t>(m_options.resultCode);
  link.resultText = m_options.resultText;
  link.translationChecksum = m_options.translationChecksum;
  link.answerPings = false;  // answered by the listener, which reads the option at each ping
  return link;
}

uint16_t CTestSyncServer::Port() const { return m_server->serverPort(); }

void CTestSyncServer::SendRaw(const QByteArray& bytes) {
  if (m_client) m_client->write(bytes);
}

void CTestSyncServer::SendHandshake(bool relay, const CNetMessage& message) {
  if (m_link) m_link->SendHandshake(relay, message);
}

void CTestSyncServer::SendSession(const CNetMessage& message) {
  if (m_link) m_link->SendSession(message);
}

void CTestSyncServer::SendBody(const QByteArray& plain, int announcedLength) {
  QByteArray body = plain;
  CCipher* encryptor = m_link ? m_link->Encryptor() : nullptr;
  if (encryptor) {
    body.append(QByteArray((16 - body.size() % 16) % 16, '\0'));
    encryptor->Process(body.data(), static_cast<size_t>(body.size()));
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

void CTestSyncServer::OnRelayFrame(CNetMessage& message) {
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
  m_link->SendOffer();
}

}  // namespace qlt::test
