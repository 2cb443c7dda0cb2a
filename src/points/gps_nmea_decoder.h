// CGPSNmeaDecoder: turns the bytes of an NMEA 0183 receiver into a position. Bytes arrive in
// any pieces; sentences are cut at CR or LF (a "$" starts a new one), checked against their
// checksum and decoded: GGA and GNS give the fix, GSA the dilutions of precision. Whatever is
// damaged (a wrong or missing checksum, a cut-off or overlong sentence, bytes that are not text)
// is counted and skipped; memory stays bounded whatever arrives. Not thread-safe: the GPS
// reader keeps one per port on its own thread and copies the position out under its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "points/gps_position.h"

class CGPSNmeaDecoder {
 public:
  // Sentences longer than this are dropped whole; receivers send at most 82 characters.
  static constexpr std::size_t kMaxSentence = 254;

  struct Counts {
    std::uint64_t accepted = 0;  // sentences whose checksum held (used or not)
    std::uint64_t rejected = 0;  // damaged sentences skipped
    std::uint64_t fixes = 0;     // sentences that stored a position
  };

  // Feeds received bytes; returns true when the position or the dilutions changed.
  bool Feed(const char* data, std::size_t size);
  bool Feed(std::string_view bytes) { return Feed(bytes.data(), bytes.size()); }

  // Ends the sentence in progress without using it (the port went away in the middle of it).
  void DropPartial();

  // Decodes one sentence from "$" up to its checksum (no line end); false when it is damaged.
  // Exposed for the sentence fuzzer and the tests.
  bool DecodeSentence(std::string_view sentence, bool* changed = nullptr);

  const std::optional<CGPSPosition>& Position() const { return m_position; }
  void Reset();
  // Forgets the position only: the next fix starts afresh, the dilutions stay.
  void ForgetPosition() { m_position.reset(); }

  float LastPdop() const { return m_pdop; }
  float LastHdop() const { return m_hdop; }
  float LastVdop() const { return m_vdop; }
  const Counts& Statistics() const { return m_counts; }

 private:
  void EndSentence(bool* changed);

  char m_sentence[kMaxSentence];
  std::size_t m_length = 0;
  bool m_inSentence = false;
  bool m_damaged = false;

  std::optional<CGPSPosition> m_position;
  float m_pdop = 0;
  float m_hdop = 0;
  float m_vdop = 0;
  Counts m_counts;
};
