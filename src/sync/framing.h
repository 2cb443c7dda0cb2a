// CFraming: the two frame forms of the connection. Handshake frames ("TWKF" to and from the
// server, "QLTR" to and from the relay; 12-byte header, payload up to 1 MiB) and session frames
// (32-bit body length up to 64 MiB, then the body: command byte and payload, or, encrypted, the
// optional 8-byte frame check, pad count, command, payload and padding). Readers look at the front
// of a receive buffer and never allocate more than one frame's payload; writers append to a send
// buffer. Stateless; UI thread (the cipher passed in carries the stream's state).
#pragma once

#include <cstddef>
#include <cstdint>

class CCipher;
class CNetBuffer;
class CNetMessage;

class CFraming {
 public:
  static constexpr size_t kHandshakeHeader = 12;
  static constexpr uint32_t kMaxHandshakePayload = 0x100000;
  static constexpr size_t kSessionHeader = 4;
  static constexpr uint32_t kMaxSessionBody = 0x4000000;
  static constexpr size_t kFrameCheckBytes = 8;

  enum class Result { kIncomplete, kFrame, kBad };

  struct HandshakeHeader {
    bool relay = false;  // "QLTR" rather than "TWKF"
    uint32_t code = 0;
    uint32_t length = 0;
  };

  // Reads the header at the front of `data`. kBad for an unknown magic or a payload above 1 MiB,
  // known from the header alone; kFrame once the whole frame (12 + length bytes) is there.
  static Result PeekHandshake(const char* data, size_t size, HandshakeHeader& header);
  // The whole frame at the front of `data` (PeekHandshake gave kFrame) as a message.
  static CNetMessage TakeHandshake(const char* data, const HandshakeHeader& header);

  // Reads the session frame at the front of `data`; with a decryptor the body is decrypted in
  // place (so call this once per frame). On kFrame `message` holds the command and payload and
  // `frameSize` the bytes to remove. Every fault of an encrypted body (length not a multiple of
  // 16, wrong frame check, bad pad count, padding overrunning the body) gives the same kBad after
  // the same work, so the answer tells a peer nothing about the plaintext.
  static Result ReadSession(char* data, size_t size, CCipher* decryptor, bool frameCheck,
                            CNetMessage& message, size_t& frameSize);

  // Appends one frame; false when memory runs out or the cipher fails (the buffer is then left
  // as it was).
  static bool WriteHandshake(CNetBuffer& buffer, bool relay, const CNetMessage& message);
  static bool WriteSession(CNetBuffer& buffer, const CNetMessage& message, CCipher* encryptor,
                           bool frameCheck);
};
