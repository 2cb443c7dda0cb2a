// Fuzz target: any bytes read as a run of session frames, in the clear or behind decryption with
// and without the frame check (the first byte chooses). A refused frame must be refused without
// reading past the buffer; an accepted one must frame and read back to the same message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sync/cipher.h"
#include "sync/framing.h"
#include "sync/net_buffer.h"
#include "sync/net_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;  // 0 plain, 1 encrypted, 2 encrypted with the frame check
  const QByteArray key(32, '\x5A');
  CCipher decryptor(CCipher::Direction::kDecrypt, key);
  CCipher* cipher = mode == 0 ? nullptr : &decryptor;
  std::vector<char> bytes(data + 1, data + size);
  size_t at = 0;
  while (at < bytes.size()) {
    CNetMessage message;
    size_t frameSize = 0;
    const CFraming::Result result = CFraming::ReadSession(bytes.data() + at, bytes.size() - at,
                                                          cipher, mode == 2, message, frameSize);
    if (result != CFraming::Result::kFrame) break;
    if (frameSize > bytes.size() - at || message.Code() > 255) std::abort();
    at += frameSize;
    // What was read frames again and reads back the same.
    CCipher encryptor(CCipher::Direction::kEncrypt, key);
    CCipher check(CCipher::Direction::kDecrypt, key);
    CNetBuffer out;
    if (!CFraming::WriteSession(out, message, mode == 0 ? nullptr : &encryptor, mode == 2)) {
      std::abort();
    }
    CNetMessage back;
    size_t backSize = 0;
    if (CFraming::ReadSession(out.Data(), out.Size(), mode == 0 ? nullptr : &check, mode == 2, back,
                              backSize) != CFraming::Result::kFrame ||
        backSize != out.Size() || back.Code() != message.Code() ||
        back.Payload() != message.Payload()) {
      std::abort();
    }
  }
  return 0;
}
