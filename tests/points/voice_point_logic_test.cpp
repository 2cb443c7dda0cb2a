// The clip length read from the MPEG-4 movie header: real files, and headers that are cut short,
// malformed or lie about their sizes and length.
#include "points/voice_point_logic.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QtEndian>

#include "support/harness.h"
#include "support/scoped_services.h"

namespace {

QByteArray Box(const char* type, const QByteArray& body, qint64 declared = -1) {
  QByteArray box(4, '\0');
  qToBigEndian<quint32>(quint32(declared >= 0 ? declared : body.size() + 8), box.data());
  return box + QByteArray(type, 4) + body;
}

// An "mvhd" body of version 0 or 1 with the time scale and duration.
QByteArray MovieHeader(int version, quint32 timeScale, quint64 duration) {
  QByteArray body(version == 1 ? 108 : 96, '\0');
  body[0] = char(version);
  uchar* p = reinterpret_cast<uchar*>(body.data());
  if (version == 1) {
    qToBigEndian<quint32>(timeScale, p + 20);
    qToBigEndian<quint64>(duration, p + 24);
  } else {
    qToBigEndian<quint32>(timeScale, p + 12);
    qToBigEndian<quint32>(quint32(duration), p + 16);
  }
  return body;
}

QByteArray Movie(const QByteArray& mvhd) {
  return Box("ftyp", "M4A ") + Box("moov", Box("mvhd", mvhd)) + Box("mdat", "xx");
}

TEST(VoicePointLogic, ClipLengthFromTheMovieHeader) {
  struct Case {
    const char* what;
    QByteArray bytes;
    qint64 length;
  };
  const QByteArray v0 = MovieHeader(0, 1000, 30000);
  // A "moov" box with a 64-bit size.
  QByteArray big = QByteArray::fromHex("00000001") + "moov" + QByteArray(8, '\0') + Box("mvhd", v0);
  qToBigEndian<quint64>(quint64(big.size()), big.data() + 8);
  const std::vector<Case> cases = {
      {"30.000 s", Movie(MovieHeader(0, 1000, 30000)), 30},
      {"59.001 s rounds up", Movie(MovieHeader(0, 1000, 59001)), 60},
      {"version 1", Movie(MovieHeader(1, 48000, 120000)), 3},
      {"64-bit box size", big, 30},
      {"time scale 0", Movie(MovieHeader(0, 0, 100)), -1},
      {"unknown duration", Movie(MovieHeader(0, 1000, 0xFFFFFFFFu)), -1},
      {"longer than a day", Movie(MovieHeader(1, 1, quint64(1) << 40)), -1},
      {"no moov", Box("ftyp", "M4A ") + Box("mdat", "xx"), -1},
      {"mvhd cut short", Box("moov", Box("mvhd", v0.left(10))), -1},
      {"moov longer than the file", Box("moov", Box("mvhd", v0), 5000), -1},
      {"box size below its header", Box("ftyp", "", 4) + Box("moov", Box("mvhd", v0)), -1},
      {"mvhd larger than moov", Box("moov", Box("mvhd", v0, 4000)), -1},
      {"empty", QByteArray(), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VoicePointLogic::ClipLength(c.bytes), c.length) << c.what;
  }
  // Real files: faststart, movie header last, another codec, and one cut before its header.
  const std::pair<const char*, qint64> files[] = {
      {"m4a/sine440_1s_44k1_aac_faststart.m4a", 1},
      {"m4a/sine1k_2500ms_48k_stereo_aac_moovlast.m4a", 3},
      {"m4a/sine300_3s_22k05_mono_alac.m4a", 3},
      {"m4a/truncated_sine1k_2500ms_no_moov.m4a", -1},
  };
  for (const auto& [name, length] : files) {
    QFile file(qlt::test::ThirdPartyData(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(VoicePointLogic::ClipLength(bytes), length) << name;
    // Every prefix is read without reaching past it.
    for (qsizetype cut = 0; cut < bytes.size(); cut += 97) {
      const QByteArray prefix(bytes.constData(), cut);
      const qint64 prefixLength = VoicePointLogic::ClipLength(prefix);
      EXPECT_TRUE(prefixLength == -1 || prefixLength == length) << name << " cut at " << cut;
    }
  }
}

TEST(VoicePointLogic, TextsAndButtons) {
  qlt::test::CScopedServices services;
  using VoicePointLogic::Activity;
  using VoicePointLogic::Button;
  VoicePointLogic::State state;
  EXPECT_EQ(VoicePointLogic::DisplayText(state), QStringLiteral("No voice clip"));
  auto buttons = VoicePointLogic::VisibleButtons(state, 3, 3, 3, false);
  EXPECT_EQ(buttons[0], Button::kRecord);
  EXPECT_EQ(buttons[1], Button::kNone);
  state.holdsClip = true;
  EXPECT_EQ(VoicePointLogic::DisplayText(state), QStringLiteral("Voice clip (length unknown)"));
  state.length = 31;
  EXPECT_EQ(VoicePointLogic::DisplayText(state), QStringLiteral("31 second clip"));
  state.length = 60;
  EXPECT_EQ(VoicePointLogic::DisplayText(state), QStringLiteral("1:00 clip"));
  // A held clip offers clear and play, never recording over it; read-only offers play alone.
  buttons = VoicePointLogic::VisibleButtons(state, 3, 3, 3, false);
  EXPECT_EQ(buttons[0], Button::kClear);
  EXPECT_EQ(buttons[1], Button::kPlay);
  EXPECT_EQ(buttons[2], Button::kNone);
  EXPECT_EQ(VoicePointLogic::VisibleButtons(state, 3, 3, 3, true)[0], Button::kPlay);
  state.activity = Activity::kPlaying;
  state.positionMs = 75'400;
  EXPECT_EQ(VoicePointLogic::DisplayText(state), QStringLiteral("Playing: 1:15"));
  buttons = VoicePointLogic::VisibleButtons(state, 3, 3, 3, false);
  EXPECT_EQ(buttons[0], Button::kStop);
  EXPECT_EQ(buttons[1], Button::kPause);
  // Tapping the text box stops; the second button from the right pauses.
  EXPECT_EQ(VoicePointLogic::ActionAt(10, 300, buttons, state, 1), Button::kStop);
  EXPECT_EQ(
      VoicePointLogic::ActionAt(VoicePointLogic::ButtonLeft(300, 1, 1) + 5, 300, buttons, state, 1),
      Button::kPause);
  state.paused = true;
  EXPECT_EQ(VoicePointLogic::DisplayText(state), QStringLiteral("Paused: 1:15"));
  EXPECT_EQ(VoicePointLogic::FillNumbers(QStringLiteral("%d%% %s %02d"), {7, 3}),
            QStringLiteral("7%% %s 03"));
}

}  // namespace
