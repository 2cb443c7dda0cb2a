// CConnection: the client's one link to its server, directly or through the relay service: the
// state machine from connecting through the relay negotiation and the handshake to the online
// phase, framing, the two cipher streams, pings, time-outs, reconnects and the alternation of the
// relay hosts. It runs over a CSocket (made by the socket factory for every attempt) and is driven
// by the socket's events and by Tick, which the main window calls every 10 seconds; all times come
// from the services' tick counter. The main window owns the one connection; UI thread only, no
// widgets.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "sync/connection_settings.h"
#include "sync/handshake.h"
#include "sync/net_buffer.h"

class CCipher;
class CNetMessage;
class CSocket;

class CConnection : public QObject {
  Q_OBJECT
 public:
  enum State {
    kIdle = 0,
    kRelayConnecting = 1,
    kRelayChallenge = 2,
    kRelayLogin = 3,
    kServerConnecting = 4,
    kServerHello = 5,
    kAuthenticating = 6,
    kOnline = 7,
  };

  // Online command codes the connection itself uses.
  enum Command : uint32_t {
    kPing = 0,
    kPingAnswer = 1,
    kRequestPushed = 32,
    kLanguageRequest = 81,
  };

  static constexpr size_t kReceiveStep = 524288;
  static constexpr size_t kSendStep = 131072;
  static constexpr int kFramesPerEvent = 4;

  // What the synchronisation run (and whoever else serves the online phase) hears from the
  // connection. Every member has a harmless default.
  class CListener {
   public:
    virtual ~CListener() = default;
    // The server is about to authenticate us (direct connection up, or the relay has joined).
    virtual void OnAuthenticating() {}
    // The handshake is complete. True when a synchronisation run took over (it makes its own
    // requests); false lets the connection ask for pushed sessions when that is set.
    virtual bool OnOnline() { return false; }
    // An online message other than the pings; false fails the connection.
    virtual bool Dispatch(CNetMessage& /*message*/) { return true; }
    // An authenticating or online connection was closed.
    virtual void OnClosed() {}
    // Whether the user may be asked something now (no modal dialog is open).
    virtual bool CanAsk() { return true; }
  };

  using SocketFactory = std::function<std::unique_ptr<CSocket>()>;

  // `identity`: the unit as the handshake presents it; `translationChecksum`: the CRC-32 of the
  // loaded translation file (0 for none). Without a factory the connection uses CTcpSocket.
  CConnection(const CConnectionSettings& settings, const CHandshake::Identity& identity,
              uint32_t translationChecksum, SocketFactory factory = {}, QObject* parent = nullptr);
  ~CConnection() override;

  // Starts a connection; false when nothing was started (not idle, no host or port, no socket).
  bool Connect();
  // Closes the socket and forgets the ciphers; `disable` keeps Tick from reconnecting. A message
  // beginning with "Network." is a translation key, any other is shown as it stands.
  void Disconnect(bool disable, const QString& message = QString());
  // Relay host := the other one, relay port := the relay service's port (2001).
  void SwitchRelayHost();
  // Resets the connection, enables it and, unless it is on demand, connects (creation, the
  // Connect command, the settings dialog's OK).
  void Restart(bool connectNow);
  // Frames and queues one message; false (and the message dropped) when the state allows no
  // sending (idle, connecting).
  bool Send(const CNetMessage& message);
  // Code 32 for one project (its file name and unique number) or, with an empty name, all.
  bool RequestPushedSessions(const QString& projectName = QString(), uint32_t unique = 0);
  void Tick();
  void OnSocketEvent(uint32_t eventWord);

  State GetState() const { return m_state; }
  bool IsConnected() const { return m_state == kOnline; }
  bool IsEnabled() const { return m_enabled; }
  void SetEnabled(bool enabled) { m_enabled = enabled; }
  bool IsRelayMode() const { return m_relayMode; }
  const QString& RelayHost() const { return m_relayHost; }
  uint16_t RelayPort() const { return m_relayPort; }
  bool IsEncrypted() const { return m_encryptor != nullptr; }
  bool HasFrameCheck() const { return m_frameCheck; }
  // Tick count of the last bytes received.
  uint32_t LastReceive() const { return m_lastReceive; }
  size_t ReceiveCapacity() const { return m_receive.Capacity(); }
  CConnectionSettings& Settings() { return m_settings; }
  const CConnectionSettings& Settings() const { return m_settings; }
  void SetListener(CListener* listener) { m_listener = listener; }
  // The unit as the next handshake presents it; the settings dialog changes its ID.
  const CHandshake::Identity& Identity() const { return m_identity; }
  void SetUnitId(const QString& unitId) { m_identity.unitId = unitId; }
  // The translation was reloaded: the next handshake compares the server's checksum with this.
  void SetTranslationChecksum(uint32_t checksum) { m_translationChecksum = checksum; }

 Q_SIGNALS:
  // Every change of state; the main window relabels its connection button.
  void stateChanged();

 private:
  void SetState(State state);
  uint32_t Now() const;
  // Protocol error: disable with "Network.ProtocolMismatch", after a relay host switch if asked.
  void ProtocolError(bool switchRelay);
  // False when the peer has closed.
  bool Flush();
  // False when the peer has closed.
  bool ReceiveAvailable();
  // Each false means the connection is already gone.
  bool HandleRelay(CNetMessage& message);
  bool HandleHandshake(CNetMessage& message);
  bool HandleOffer(CNetMessage& message);
  bool HandleResult(CNetMessage& message);
  bool HandleOnline(CNetMessage& message);
  void SendHello();

  CConnectionSettings m_settings;
  CHandshake::Identity m_identity;
  uint32_t m_translationChecksum;
  SocketFactory m_factory;
  CListener* m_listener = nullptr;

  State m_state = kIdle;
  bool m_enabled = false;
  std::unique_ptr<CSocket> m_socket;
  CNetBuffer m_receive;
  CNetBuffer m_send;
  std::unique_ptr<CCipher> m_encryptor;
  std::unique_ptr<CCipher> m_decryptor;
  bool m_frameCheck = false;
  uint32_t m_lastChange = 0;
  uint32_t m_lastReceive = 0;
  uint32_t m_lastSend = 0;
  QByteArray m_clientNonce;
  bool m_relayMode = false;
  QString m_relayHost;
  uint16_t m_relayPort;
  // Bumped by every Disconnect, so a handler can tell that the connection it ran on is gone.
  uint64_t m_generation = 0;
};
