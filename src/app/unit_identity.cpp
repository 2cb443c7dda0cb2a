#include "app/unit_identity.h"

#include <openssl/evp.h>

#include <QUuid>

#include "platform/settings_store.h"

namespace {

const QString kSection = QStringLiteral("Unit");

}  // namespace

CUnitIdentity::CUnitIdentity() : m_id(QString::fromLatin1(kDefaultId)), m_key(kKeyBytes, '\0') {}

CUnitIdentity CUnitIdentity::Establish(CSettingsStore& settings, const QString& currentId) {
  CUnitIdentity identity;
  identity.m_id = settings.ReadString(kSection, QStringLiteral("ID"), currentId);
  identity.m_guid = settings.ReadString(kSection, QStringLiteral("GUID"));
  if (identity.m_guid.isEmpty()) {
    identity.m_guid = NewGuidText();
    // A failed write is not an error here: the identity holds for this run.
    settings.WriteString(kSection, QStringLiteral("GUID"), identity.m_guid);
  }
  identity.m_key = KeyOf(identity.m_guid);
  return identity;
}

QString CUnitIdentity::NewGuidText() {
  return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QByteArray CUnitIdentity::KeyOf(const QString& guidText) {
  QByteArray bytes;
  bytes.reserve(2 * guidText.size());
  for (const QChar c : guidText) {
    bytes.append(static_cast<char>(c.unicode() & 0xFF));
    bytes.append(static_cast<char>(c.unicode() >> 8));
  }
  QByteArray digest(EVP_MAX_MD_SIZE, '\0');
  unsigned int length = 0;
  if (EVP_Digest(bytes.constData(), static_cast<size_t>(bytes.size()),
                 reinterpret_cast<unsigned char*>(digest.data()), &length, EVP_sha1(),
                 nullptr) != 1 ||
      length != kKeyBytes) {
    // SHA-1 is always available in libcrypto; a zero key is what the unit had before.
    return QByteArray(kKeyBytes, '\0');
  }
  digest.truncate(kKeyBytes);
  return digest;
}
