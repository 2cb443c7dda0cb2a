// The voice point's logic without widgets: the length of a clip read from its MPEG-4 movie
// header, the text shown for a clip or a running recording or playback, which buttons the band
// shows and where a tap lands, and the name a finished recording is stored under. Pure
// functions; any thread.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>

#include "values/variant.h"

namespace VoicePointLogic {

// Longest clip length believed; a movie header claiming more is taken as damaged.
constexpr qint64 kMaxClipSeconds = 24 * 60 * 60;

// The clip length in whole seconds, rounded up, from the "mvhd" box inside the top-level "moov"
// box of an MPEG-4 file; -1 when the boxes are malformed or cut short, the time scale is 0, the
// duration is unknown or longer than kMaxClipSeconds. Reads only inside `bytes`.
qint64 ClipLength(const QByteArray& mp4);
// The same for a value: -1 unless it is a file value.
qint64 ClipLength(const CVariant& value);

// `text` with each printf-style integer placeholder ("%d", "%01d", "%02d", ...) replaced by the
// next number, zero-padded to its width; other text is kept as it is.
QString FillNumbers(const QString& text, std::initializer_list<qint64> numbers);

enum class Activity { kIdle, kRecording, kPlaying };

struct State {
  bool holdsClip = false;  // the value is a file value (its length may still be unknown)
  qint64 length = -1;      // seconds; -1 unknown
  Activity activity = Activity::kIdle;
  bool paused = false;
  qint64 positionMs = 0;  // while recording or playing
};

// The line in the text box.
QString DisplayText(const State& state);

enum class Button { kNone, kClear, kStop, kPause, kPlay, kRecord };
constexpr int kMaxButtons = 5;
// The buttons shown, rightmost first; kNone fills the rest.
std::array<Button, kMaxButtons> VisibleButtons(const State& state, int32_t canRecord,
                                               int32_t canPlay, int32_t canClear, bool readOnly);
// The button under `x` in a band whose right edge is `right` (`scale` 1 or 2), or what a tap
// elsewhere in the band does: kPause (resume) when paused, else the first shown of Stop, Play
// and Record, else kNone.
Button ActionAt(int x, int right, const std::array<Button, kMaxButtons>& buttons,
                const State& state, int scale);
// The left edge of the i-th button from the right.
int ButtonLeft(int right, int index, int scale);

// "YYYY-MM-DD_hh-mm-ss.m4a" of the local time a recording stopped.
QString RecordingName(const QDateTime& stopped);

}  // namespace VoicePointLogic
