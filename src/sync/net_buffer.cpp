#include "sync/net_buffer.h"

#include <cstdlib>
#include <cstring>

namespace {

size_t RoundUp(size_t n) { return (n + 1023) / 1024 * 1024; }

}  // namespace

CNetBuffer::~CNetBuffer() { std::free(m_data); }

bool CNetBuffer::Reshape(size_t capacity) {
  if (m_start > 0) {
    std::memmove(m_data, m_data + m_start, m_size);
    m_start = 0;
  }
  if (capacity == m_capacity) return true;
  char* data = static_cast<char*>(std::realloc(m_data, capacity));
  if (data == nullptr) return false;
  m_data = data;
  m_capacity = capacity;
  return true;
}

char* CNetBuffer::Append(size_t count) {
  const size_t needed = m_size + count;
  if (needed < m_size) return nullptr;
  if (m_start + needed > m_capacity) {
    size_t capacity = needed > m_capacity ? RoundUp(needed) : m_capacity;
    if (capacity > kShrinkAbove && needed <= kShrinkTo) capacity = kShrinkTo;
    if (!Reshape(capacity)) return nullptr;
  }
  char* at = End();
  m_size = needed;
  return at;
}

bool CNetBuffer::EnsureFree(size_t count) {
  if (m_capacity - m_start - m_size >= count) return true;
  const size_t needed = m_size + count;
  return Reshape(needed > m_capacity ? RoundUp(needed) : m_capacity);
}

void CNetBuffer::Consume(size_t count) {
  if (count >= m_size) {
    m_start = 0;
    m_size = 0;
  } else {
    m_start += count;
    m_size -= count;
  }
  // Only a buffer far above the half MiB that receiving keeps free (one that held a big frame)
  // is cut back; one that carries frames of a MiB or so keeps its memory from frame to frame.
  if (m_capacity > kKeepUpTo && m_size <= kShrinkTo) Reshape(kShrinkTo);
}

void CNetBuffer::Clear() {
  std::free(m_data);
  m_data = nullptr;
  m_start = 0;
  m_size = 0;
  m_capacity = 0;
}
