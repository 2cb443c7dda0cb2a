// CNetBuffer: a growable byte buffer of the connection (receive or send side): content at the
// front, free room behind it. Bytes taken from the front are skipped and moved down only when room
// is needed, so sending or reading a big buffer piece by piece stays linear. Capacity grows to what
// is needed rounded up to 1 KiB and is cut back when a large buffer holds little again, so one big
// frame does not keep its memory. Owned by the connection; UI thread.
#pragma once

#include <cstddef>

class CNetBuffer {
 public:
  static constexpr size_t kShrinkAbove = 524288;  // a capacity above this is cut back ...
  static constexpr size_t kShrinkTo = 262144;     // ... to this, when the content fits in it
  static constexpr size_t kKeepUpTo = 4194304;    // taking content out cuts back only above this

  CNetBuffer() = default;
  ~CNetBuffer();
  CNetBuffer(const CNetBuffer&) = delete;
  CNetBuffer& operator=(const CNetBuffer&) = delete;

  char* Data() { return m_data + m_start; }
  const char* Data() const { return m_data + m_start; }
  size_t Size() const { return m_size; }
  size_t Capacity() const { return m_capacity; }
  bool IsEmpty() const { return m_size == 0; }

  // Makes `count` more bytes of content at the end and returns them (uninitialised); null when
  // memory runs out, with the buffer unchanged.
  char* Append(size_t count);
  // Makes sure `count` bytes are free behind the content; receiving writes them at End() and
  // then commits what arrived.
  bool EnsureFree(size_t count);
  char* End() { return Data() + m_size; }
  void Commit(size_t count) { m_size += count; }
  // Removes `count` bytes from the front.
  void Consume(size_t count);
  // Drops the content from `size` on (taking back a half-made frame).
  void Truncate(size_t size) {
    if (size < m_size) m_size = size;
  }
  // Empties the buffer and gives its memory back.
  void Clear();

 private:
  bool Reshape(size_t capacity);

  char* m_data = nullptr;
  size_t m_start = 0;  // content begins here
  size_t m_size = 0;
  size_t m_capacity = 0;
};
