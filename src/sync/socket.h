// CSocket: the small socket interface the connection runs over. The client plugs in CTcpSocket
// (QTcpSocket on the UI thread); tests plug in a scripted socket or the same TCP socket against a
// loopback server. Events reach the connection through the handler as an event word: low 16 bits
// the event, high 16 bits an error code. Owned by the connection; UI thread.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class CSocket {
 public:
  enum Event : uint16_t { kRead = 1, kWrite = 2, kConnect = 16, kClose = 32 };
  enum Error : uint16_t {
    kNoError = 0,
    kTimedOut = 10060,
    kRefused = 10061,
    kHostNotFound = 11001,
    kOtherError = 10050,
  };
  using Handler = std::function<void(uint32_t eventWord)>;

  static uint32_t EventWord(uint16_t event, uint16_t error = kNoError) {
    return event | (uint32_t{error} << 16);
  }

  virtual ~CSocket() = default;

  // Called for every event, never from inside a call the connection makes on the socket.
  void SetHandler(Handler handler) { m_handler = std::move(handler); }

  // Starts connecting to `host` (a dotted IPv4 address or a name) on `port`; the outcome arrives
  // as kConnect with an error code (kHostNotFound when the name does not resolve). False when
  // nothing could be started.
  virtual bool Start(const QString& host, uint16_t port) = 0;
  // Bytes read into `data` (> 0); 0 when the peer has closed and nothing is left; -1 when nothing
  // is there now (or the socket failed; its close event follows).
  virtual int64_t Receive(char* data, int64_t capacity) = 0;
  // Bytes taken (> 0); -1 when the socket takes nothing now (kWrite follows when it can); 0 when
  // the connection is closed.
  virtual int64_t Send(const char* data, int64_t size) = 0;
  // Delivers `eventWord` to the handler later, from the event loop (frames left in the receive
  // buffer after the per-event limit are taken that way).
  virtual void Post(uint32_t eventWord) = 0;

 protected:
  void Deliver(uint32_t eventWord) {
    // A copy: the handler may destroy this socket.
    const Handler handler = m_handler;
    if (handler) handler(eventWord);
  }

 private:
  Handler m_handler;
};
