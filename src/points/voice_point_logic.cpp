#include "points/voice_point_logic.h"

#include <QRegularExpression>
#include <cstring>

#include "app/language.h"
#include "values/file_blob.h"

namespace VoicePointLogic {

namespace {

constexpr int kButton = 36;
constexpr int kStep = 40;
constexpr int kMargin = 2;

quint32 Be32(const uchar* p) {
  return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}
quint64 Be64(const uchar* p) { return (quint64(Be32(p)) << 32) | Be32(p + 4); }

struct Box {
  char type[4];
  qsizetype body = 0;  // offset of the content
  qsizetype end = 0;   // offset after the box
};

// The box at `at` of the region ending at `limit`; false when its header or its declared size
// does not fit the region.
bool ReadBox(const uchar* data, qsizetype at, qsizetype limit, Box& box) {
  if (limit - at < 8) return false;
  quint64 size = Be32(data + at);
  std::memcpy(box.type, data + at + 4, 4);
  qsizetype header = 8;
  if (size == 1) {
    if (limit - at < 16) return false;
    size = Be64(data + at + 8);
    header = 16;
  } else if (size == 0) {
    size = quint64(limit - at);  // runs to the end
  }
  if (size < quint64(header) || size > quint64(limit - at)) return false;
  box.body = at + header;
  box.end = at + qsizetype(size);
  return true;
}

// The first box of `type` among the boxes of [at, limit); false when there is none or a box
// before it is malformed.
bool FindBox(const uchar* data, qsizetype at, qsizetype limit, const char* type, Box& found) {
  while (at < limit) {
    if (!ReadBox(data, at, limit, found)) return false;
    if (std::memcmp(found.type, type, 4) == 0) return true;
    at = found.end;
  }
  return false;
}

QString Translated(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

}  // namespace

qint64 ClipLength(const QByteArray& mp4) {
  const auto* data = reinterpret_cast<const uchar*>(mp4.constData());
  Box moov;
  Box mvhd;
  if (!FindBox(data, 0, mp4.size(), "moov", moov) ||
      !FindBox(data, moov.body, moov.end, "mvhd", mvhd)) {
    return -1;
  }
  const qsizetype length = mvhd.end - mvhd.body;
  const uchar* body = data + mvhd.body;
  if (length < 1) return -1;
  quint64 timeScale = 0;
  quint64 duration = 0;
  quint64 unknown = 0;
  // Version 1 carries 64-bit times: version and flags (4), creation and modification (8 + 8),
  // time scale (4), duration (8); version 0 the same with 32-bit times.
  if (body[0] == 1) {
    if (length < 32) return -1;
    timeScale = Be32(body + 20);
    duration = Be64(body + 24);
    unknown = ~quint64(0);
  } else if (body[0] == 0) {
    if (length < 20) return -1;
    timeScale = Be32(body + 12);
    duration = Be32(body + 16);
    unknown = 0xFFFFFFFFu;
  } else {
    return -1;
  }
  if (timeScale == 0 || duration == unknown) return -1;
  const quint64 seconds = duration / timeScale + (duration % timeScale != 0 ? 1 : 0);
  return seconds > quint64(kMaxClipSeconds) ? -1 : qint64(seconds);
}

qint64 ClipLength(const CVariant& value) {
  QByteArray content;
  if (!FileBlob::IsFile(value) || !FileBlob::Content(value, content)) return -1;
  return ClipLength(content);
}

QString FillNumbers(const QString& text, std::initializer_list<qint64> numbers) {
  static const QRegularExpression kPlaceholder(QStringLiteral("%(0?)(\\d?)d"));
  QString result;
  qsizetype from = 0;
  auto number = numbers.begin();
  QRegularExpressionMatchIterator it = kPlaceholder.globalMatch(text);
  while (it.hasNext() && number != numbers.end()) {
    const QRegularExpressionMatch match = it.next();
    result += text.mid(from, match.capturedStart() - from);
    const int width = match.captured(2).isEmpty() ? 0 : match.captured(2).toInt();
    result += QStringLiteral("%1").arg(*number++, width, 10,
                                       QLatin1Char(match.captured(1).isEmpty() ? ' ' : '0'));
    from = match.capturedEnd();
  }
  return result + text.mid(from);
}

QString DisplayText(const State& state) {
  if (state.activity != Activity::kIdle) {
    const qint64 seconds = qMax<qint64>(0, state.positionMs) / 1000;
    const char* key = state.paused                           ? "Point.Voice.TimePaused"
                      : state.activity == Activity::kPlaying ? "Point.Voice.TimePlaying"
                                                             : "Point.Voice.TimeRecording";
    return FillNumbers(Translated(key), {seconds / 60, seconds % 60});
  }
  if (!state.holdsClip) return Translated("Point.Voice.Empty");
  if (state.length < 0) return Translated("Point.Voice.ClipUnknown");
  if (state.length < 60) return FillNumbers(Translated("Point.Voice.ClipSeconds"), {state.length});
  return FillNumbers(Translated("Point.Voice.ClipMinutes"), {state.length / 60, state.length % 60});
}

std::array<Button, kMaxButtons> VisibleButtons(const State& state, int32_t canRecord,
                                               int32_t canPlay, int32_t canClear, bool readOnly) {
  std::array<Button, kMaxButtons> buttons;
  buttons.fill(Button::kNone);
  int count = 0;
  const bool running = state.activity != Activity::kIdle;
  if ((canClear & 2) && !readOnly && state.holdsClip && !running) buttons[count++] = Button::kClear;
  if (running) buttons[count++] = Button::kStop;
  if (running && !state.paused) buttons[count++] = Button::kPause;
  if ((canPlay & 2) && state.holdsClip &&
      (state.activity == Activity::kIdle ||
       (state.activity == Activity::kPlaying && state.paused))) {
    buttons[count++] = Button::kPlay;
  }
  // A held clip is never recorded over: it is cleared first.
  if ((canRecord & 2) && !readOnly && !state.holdsClip &&
      (state.activity == Activity::kIdle ||
       (state.activity == Activity::kRecording && state.paused))) {
    buttons[count++] = Button::kRecord;
  }
  return buttons;
}

int ButtonLeft(int right, int index, int scale) {
  return right - kMargin * scale - kButton * scale - index * kStep * scale;
}

Button ActionAt(int x, int right, const std::array<Button, kMaxButtons>& buttons,
                const State& state, int scale) {
  for (int i = 0; i < kMaxButtons && buttons[i] != Button::kNone; ++i) {
    const int left = ButtonLeft(right, i, scale);
    if (x >= left && x < left + kButton * scale) return buttons[i];
  }
  if (state.paused) return Button::kPause;
  for (Button wanted : {Button::kStop, Button::kPlay, Button::kRecord}) {
    for (Button shown : buttons) {
      if (shown == wanted) return wanted;
    }
  }
  return Button::kNone;
}

QString RecordingName(const QDateTime& stopped) {
  return stopped.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".m4a");
}

}  // namespace VoicePointLogic
