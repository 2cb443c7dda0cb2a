// CHandshake: the computations of the handshake with the server and the relay: text digests, the
// server-key constant, proofs, key derivations and the identity record. Pure functions over their
// arguments (the connection hands in the password, the unit's identity and the random bytes), so
// the test server computes the same values with the same code. Any thread.
#pragma once

#include <QByteArray>
#include <QString>

class CHandshake {
 public:
  static constexpr int kChallengeBytes = 32;
  static constexpr int kNonceBytes = 32;
  static constexpr int kDigestBytes = 20;
  static constexpr int kCheckBytes = 16;

  // Offer flag bits.
  enum OfferFlag : uint8_t {
    kServerEncrypts = 1,
    kSecondVariant = 2,
    kSkippedBlock = 4,
    kIdentifyByUnit = 8,
    kIdentifyByAccount = 16,
  };

  // What the unit tells the server about itself in the identity record.
  struct Identity {
    QString unitId;
    QByteArray unitKey;  // 20 bytes
    QString version;
    QString operatingSystem;
    QString hardware;
  };

  static QByteArray Sha1(const QByteArray& bytes);
  // SHA-1 of a text's UTF-16LE code units, without terminator or byte-order mark.
  static QByteArray TextDigest(const QString& text);
  static QByteArray Utf16Le(const QString& text);

  // The 16 bytes the server proves to know in the first variant.
  static QByteArray ServerKey();
  // SHA-1(challenge ‖ server key): the first variant's server proof.
  static QByteArray ServerProof(const QByteArray& challenge);

  // First variant with encryption: the session key D (the challenge decrypted under the key made
  // from the two halves of the password); the response is SHA-1(D).
  static QByteArray FirstVariantKey(const QString& password, const QByteArray& challenge);
  // First variant without encryption: SHA-1(challenge ‖ H(password)).
  static QByteArray PlainResponse(const QString& password, const QByteArray& challenge);
  // Second variant: the key of one direction, `random` (the nonce or the challenge, 32 bytes)
  // decrypted with AES-128 under the first 16 bytes of H(password).
  static QByteArray SecondVariantKey(const QString& password, const QByteArray& random);
  // H(account + ":" + unit ID in lower case).
  static QByteArray AccountDigest(const QString& account, const QString& unitId);

  // The identity record before encryption: check, inner fields, zero fill to a multiple of 16.
  static QByteArray IdentityRecord(const QByteArray& challenge, const Identity& identity);
  // Puts the check (first 16 bytes of SHA-1 over the rest) in front of `body`, which the caller
  // has already filled to its final length minus 16.
  static QByteArray WithCheck(const QByteArray& body);
  // True when the first 16 bytes of `block` are the check of the rest (constant-time compare).
  static bool CheckHolds(const QByteArray& block);

  // SHA-1(nonce ‖ SHA-1(H(relay name) ‖ H(password))).
  static QByteArray RelayProof(const QByteArray& nonce, const QString& relayName,
                               const QString& password);
};
