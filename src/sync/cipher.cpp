#include "sync/cipher.h"

#include <openssl/evp.h>

#include <climits>

CCipher::CCipher(Direction direction, const QByteArray& key, bool carry)
    : m_direction(direction), m_carry(carry) {
  const EVP_CIPHER* type = key.size() == 32   ? EVP_aes_256_cbc()
                           : key.size() == 16 ? EVP_aes_128_cbc()
                                              : nullptr;
  if (type == nullptr) return;
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  static const unsigned char kZeroVector[kBlock] = {};
  if (context == nullptr ||
      EVP_CipherInit_ex(context, type, nullptr,
                        reinterpret_cast<const unsigned char*>(key.constData()), kZeroVector,
                        direction == Direction::kEncrypt ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(context, 0) != 1) {
    EVP_CIPHER_CTX_free(context);
    return;
  }
  m_context = context;
}

CCipher::~CCipher() { EVP_CIPHER_CTX_free(m_context); }

bool CCipher::Restart() {
  static const unsigned char kZeroVector[kBlock] = {};
  return EVP_CipherInit_ex(m_context, nullptr, nullptr, nullptr, kZeroVector, -1) == 1;
}

bool CCipher::Process(char* data, size_t size) {
  if (m_context == nullptr || size % kBlock != 0) return false;
  if (!m_carry && !Restart()) return false;
  auto* bytes = reinterpret_cast<unsigned char*>(data);
  // EVP takes int lengths; frames stay far below, but a long run is done in pieces all the same.
  constexpr size_t kPiece = size_t{1} << 30;
  for (size_t done = 0; done < size;) {
    const size_t piece = size - done < kPiece ? size - done : kPiece;
    int written = 0;
    if (EVP_CipherUpdate(m_context, bytes + done, &written, bytes + done,
                         static_cast<int>(piece)) != 1 ||
        static_cast<size_t>(written) != piece) {
      return false;
    }
    done += piece;
  }
  return true;
}

QByteArray CCipher::Once(Direction direction, const QByteArray& key, const QByteArray& bytes) {
  CCipher cipher(direction, key, false);
  QByteArray out = bytes;
  if (!cipher.Process(out.data(), static_cast<size_t>(out.size()))) return QByteArray();
  return out;
}
