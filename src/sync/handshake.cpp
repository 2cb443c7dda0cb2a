#include "sync/handshake.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <QtEndian>

#include "sync/cipher.h"
#include "sync/net_message.h"

QByteArray CHandshake::Sha1(const QByteArray& bytes) {
  QByteArray digest(EVP_MAX_MD_SIZE, '\0');
  unsigned int length = 0;
  if (EVP_Digest(bytes.constData(), static_cast<size_t>(bytes.size()),
                 reinterpret_cast<unsigned char*>(digest.data()), &length, EVP_sha1(),
                 nullptr) != 1) {
    return QByteArray(kDigestBytes, '\0');
  }
  digest.truncate(static_cast<qsizetype>(length));
  return digest;
}

QByteArray CHandshake::Utf16Le(const QString& text) {
  QByteArray bytes(text.size() * 2, '\0');
  for (qsizetype i = 0; i < text.size(); ++i) {
    qToLittleEndian<uint16_t>(text[i].unicode(), bytes.data() + 2 * i);
  }
  return bytes;
}

QByteArray CHandshake::TextDigest(const QString& text) { return Sha1(Utf16Le(text)); }

QByteArray CHandshake::ServerKey() {
  // Kept as four words, put together only when needed; the server holds the same value.
  static const uint32_t kWords[4] = {0x6B1F3A92u, 0xD4E07C15u, 0x2A9B58E3u, 0x97C4016Fu};
  QByteArray key(16, '\0');
  for (int i = 0; i < 4; ++i) qToLittleEndian(kWords[i], key.data() + 4 * i);
  return key;
}

QByteArray CHandshake::ServerProof(const QByteArray& challenge) {
  return Sha1(challenge + ServerKey());
}

QByteArray CHandshake::FirstVariantKey(const QString& password, const QByteArray& challenge) {
  const qsizetype half = password.size() / 2;
  const QByteArray key =
      TextDigest(password.left(half)).left(16) + TextDigest(password.mid(half)).left(16);
  return CCipher::Once(CCipher::Direction::kDecrypt, key, challenge);
}

QByteArray CHandshake::PlainResponse(const QString& password, const QByteArray& challenge) {
  return Sha1(challenge + TextDigest(password));
}

QByteArray CHandshake::SecondVariantKey(const QString& password, const QByteArray& random) {
  return CCipher::Once(CCipher::Direction::kDecrypt, TextDigest(password).left(16), random);
}

QByteArray CHandshake::AccountDigest(const QString& account, const QString& unitId) {
  return TextDigest(account + QLatin1Char(':') + unitId.toLower());
}

QByteArray CHandshake::IdentityRecord(const QByteArray& challenge, const Identity& identity) {
  CNetMessage inner;
  inner.WriteBytes(challenge);
  inner.WriteU32(0);
  inner.WriteBytes(identity.unitKey);
  inner.WriteString(QStringLiteral("windows"));
  inner.WriteString(identity.operatingSystem);
  inner.WriteString(identity.hardware);
  inner.WriteString(identity.version);
  inner.WriteString(identity.unitId);
  QByteArray body = inner.Payload();
  body.append(QByteArray((16 - body.size() % 16) % 16, '\0'));
  return WithCheck(body);
}

QByteArray CHandshake::WithCheck(const QByteArray& body) {
  return Sha1(body).left(kCheckBytes) + body;
}

bool CHandshake::CheckHolds(const QByteArray& block) {
  if (block.size() < kCheckBytes) return false;
  const QByteArray check = Sha1(block.mid(kCheckBytes));
  return CRYPTO_memcmp(check.constData(), block.constData(), kCheckBytes) == 0;
}

QByteArray CHandshake::RelayProof(const QByteArray& nonce, const QString& relayName,
                                  const QString& password) {
  return Sha1(nonce + Sha1(TextDigest(relayName) + TextDigest(password)));
}
