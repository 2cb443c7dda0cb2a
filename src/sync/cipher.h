// CCipher: AES (128- or 256-bit key) in CBC mode with an all-zero starting vector and no padding,
// through one OpenSSL EVP context kept for the object's life. With carry on, the chaining value
// left by one call starts the next, so each direction of a connection is one continuous stream;
// the order of calls is part of the cipher state. Owned by the connection; UI thread.
#pragma once

#include <QByteArray>
#include <cstddef>

struct evp_cipher_ctx_st;

class CCipher {
 public:
  enum class Direction { kEncrypt, kDecrypt };
  static constexpr size_t kBlock = 16;

  // `key` holds 16 or 32 bytes; any other length leaves the object unkeyed.
  CCipher(Direction direction, const QByteArray& key, bool carry = true);
  ~CCipher();
  CCipher(const CCipher&) = delete;
  CCipher& operator=(const CCipher&) = delete;

  bool IsKeyed() const { return m_context != nullptr; }
  Direction GetDirection() const { return m_direction; }

  // En- or decrypts `size` bytes in place. A length that is not a multiple of 16, or an unkeyed
  // object, fails and changes nothing.
  bool Process(char* data, size_t size);

  // One call without carry: the bytes en- or decrypted under `key` from a zero vector.
  static QByteArray Once(Direction direction, const QByteArray& key, const QByteArray& bytes);

 private:
  bool Restart();

  Direction m_direction;
  bool m_carry;
  evp_cipher_ctx_st* m_context = nullptr;
};
