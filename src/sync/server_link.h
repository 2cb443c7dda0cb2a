// CServerLink: the server's end of one accepted connection, without the socket: it takes the bytes
// that arrive, answers the unit's hello with a handshake offer (either variant, with or without
// encryption), checks the unit's response against the password, sends the result and the welcome,
// and then frames, encrypts and checks the session frames of the online phase. What it writes
// goes to the write function it was given; what it learns goes to its listener. The local server
// and the loopback test server own one per connection; the thread that owns the socket.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "sync/net_buffer.h"
#include "sync/net_message.h"

class CCipher;

class CServerLink {
 public:
  // The server's side of the handshake.
  struct Options {
    bool secondVariant = true;
    bool encrypt = true;        // first variant only; the second always encrypts
    uint8_t identityFlags = 0;  // second variant: CHandshake::kIdentifyByUnit, ...ByAccount, ...
    QString account;            // sent with kIdentifyByAccount
    QString password;
    // A non-zero code refuses every unit that proved the password (with `resultText` when not
    // empty); a unit that did not prove it is refused with code 2.
    uint16_t resultCode = 0;
    QString resultText;
    uint32_t translationChecksum = 0;
    bool answerPings = true;
  };

  // Deliberate faults, so that tests can show how a unit copes with a server that gets the
  // handshake wrong. A real server leaves them off.
  enum class Welcome { kGood, kShort48, kLong65, kBadCheck, kWrongNonce };
  struct Faults {
    bool badProof = false;  // first variant: a server proof that does not hold
    Welcome welcome = Welcome::kGood;
  };

  class CListener {
   public:
    virtual ~CListener() = default;
    // A "QLTR" frame (the link speaks no relay protocol itself; a relay in front handles it).
    virtual void OnRelayFrame(CNetMessage& /*message*/) {}
    // The unit proved the password and the welcome is sent.
    virtual void OnOnline() {}
    // The unit was refused with this result code (the link has sent the result).
    virtual void OnRefused(uint16_t /*code*/) {}
    // Every online message, pings included (already answered when the options say so).
    virtual void OnMessage(CNetMessage& /*message*/) {}
  };

  using WriteFunction = std::function<void(const QByteArray& bytes)>;

  CServerLink(Options options, WriteFunction write, CListener* listener = nullptr);
  ~CServerLink();
  CServerLink(const CServerLink&) = delete;
  CServerLink& operator=(const CServerLink&) = delete;

  Options& GetOptions() { return m_options; }
  Faults& GetFaults() { return m_faults; }
  void SetListener(CListener* listener) { m_listener = listener; }

  // Takes bytes that arrived and handles every whole frame among them. False once the unit broke
  // the framing (unknown magic, oversized or damaged frame); the link then takes nothing more and
  // its owner closes the connection.
  bool Feed(const char* data, size_t size);
  bool IsBroken() const { return m_broken; }

  // The handshake offer; sent on the unit's hello, or by a relay in front once it has joined.
  void SendOffer();
  // One handshake frame ("QLTR" with `relay`).
  void SendHandshake(bool relay, const CNetMessage& message);
  // One session frame, framed and encrypted as the online phase does; false before it.
  bool SendSession(const CNetMessage& message);
  void SendRaw(const QByteArray& bytes);

  bool IsOnline() const { return m_online; }
  bool IsEncrypted() const { return m_encryptor != nullptr; }
  bool SawHello() const { return m_sawHello; }
  bool ResponseHeld() const { return m_responseHeld; }
  // The response's identity mode (0xFF before a second-variant response) and identity.
  uint8_t IdentityMode() const { return m_identityMode; }
  const QByteArray& Identity() const { return m_identity; }
  // The unit ID from the hello or from the identity record; empty while unknown.
  const QString& UnitId() const { return m_unitId; }
  // The stream the server sends with (null without encryption), for tests that frame by hand.
  CCipher* Encryptor() const { return m_encryptor.get(); }

 private:
  void OnHandshakeFrame(CNetMessage& message);
  void OnResponse(CNetMessage& message);
  void Refuse(uint16_t code);
  void GoOnline();

  Options m_options;
  Faults m_faults;
  WriteFunction m_write;
  CListener* m_listener;
  CNetBuffer m_in;
  QByteArray m_challenge;
  QByteArray m_clientNonce;
  std::unique_ptr<CCipher> m_encryptor;
  std::unique_ptr<CCipher> m_decryptor;
  bool m_frameCheck = false;
  bool m_online = false;
  bool m_broken = false;
  bool m_sawHello = false;
  bool m_responseHeld = false;
  uint8_t m_identityMode = 0xFF;
  QByteArray m_identity;
  QString m_unitId;
};
