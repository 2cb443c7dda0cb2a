// CTestSyncServer: a loopback server (QTcpServer on 127.0.0.1) that speaks the server's side of
// the connection through the server link of the core (both handshake variants with and without
// encryption, session frames afterwards), with the relay negotiation in front of it (login,
// joined, redirect, relay error). Options make it misbehave in the ways the client must survive.
// One client at a time; owned by the test; the test's thread.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "sync/net_message.h"
#include "sync/server_link.h"

class QTcpServer;
class QTcpSocket;

namespace qlt::test {

enum class CTestSyncWelcome { kGood, kShort48, kLong65, kBadCheck, kWrongNonce };

// How the server behaves; the defaults make a good second-variant server.
struct CTestSyncOptions {
  bool secondVariant = true;
  bool encrypt = true;        // first variant only; the second always encrypts
  uint8_t identityFlags = 0;  // second variant: 8, 16, 16 | 4
  QString account = QStringLiteral("acme");
  QString password = QStringLiteral("secret");
  bool badProof = false;  // first variant: a server proof that does not hold
  int resultCode = 0;     // a non-zero code refuses the client ...
  QString resultText;     // ... with this text when given
  CTestSyncWelcome welcome = CTestSyncWelcome::kGood;
  uint32_t translationChecksum = 0;
  bool silent = false;  // accept and say nothing (a stalled server)
  bool answerPings = true;
  // Relay front: speak "QLTR" first and expect this relay name.
  bool relay = false;
  QString relayName = QStringLiteral("Depot1");
  int redirectPort = 0;  // > 0: answer the login with a redirect to 127.0.0.1:port
  QString relayError;    // non-empty: answer the login with this relay error
};

class CTestSyncServer : public QObject {
 public:
  using Welcome = CTestSyncWelcome;
  using Options = CTestSyncOptions;

  CTestSyncServer() : CTestSyncServer(Options()) {}
  explicit CTestSyncServer(Options options);
  ~CTestSyncServer() override;

  uint16_t Port() const;
  Options& GetOptions() { return m_options; }

  // What the server saw: the hello (direct), the response's identity mode and identity, the
  // relay login's name and whether its proof held, and every session message after the handshake.
  bool SawHello() const { return m_link && m_link->SawHello(); }
  bool ResponseHeld() const { return m_link && m_link->ResponseHeld(); }
  uint8_t IdentityMode() const { return m_link ? m_link->IdentityMode() : 0xFF; }
  QByteArray Identity() const { return m_link ? m_link->Identity() : QByteArray(); }
  QString LoginName() const { return m_loginName; }
  bool LoginProofHeld() const { return m_loginProofHeld; }
  bool IsOnline() const { return m_link && m_link->IsOnline(); }
  const QList<CNetMessage>& Received() const { return m_received; }
  int Connections() const { return m_connections; }
  bool ClientClosed() const { return m_clientClosed; }

  // After the handshake: one session frame framed (and encrypted) as the server does.
  void SendSession(const CNetMessage& message);
  // Raw bytes to the client, as they stand.
  void SendRaw(const QByteArray& bytes);
  // A session frame whose body (`plain`, before encryption) the test made itself; encrypted
  // with the server's stream when the connection is encrypted, with the length given or its own.
  void SendBody(const QByteArray& plain, int announcedLength = -1);
  // Handshake frame with the given magic.
  void SendHandshake(bool relay, const CNetMessage& message);
  // Closes the client's connection.
  void DropClient();

 private:
  class CLinkListener;
  void OnRelayFrame(CNetMessage& message);
  CServerLink::Options LinkOptions() const;

  Options m_options;
  QTcpServer* m_server;
  QPointer<QTcpSocket> m_client;
  std::unique_ptr<CLinkListener> m_listener;
  std::unique_ptr<CServerLink> m_link;
  QString m_loginName;
  bool m_loginProofHeld = false;
  QByteArray m_relayNonce;
  QList<CNetMessage> m_received;
  int m_connections = 0;
  bool m_clientClosed = false;
};

}  // namespace qlt::test
