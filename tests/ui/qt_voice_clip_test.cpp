// Voice clips over the media framework, where the machine has audio devices: a recording of about
// a second comes back as an MPEG-4 file whose movie header gives its length, and that clip plays
// to its end. Skipped without a microphone or an audio output.
#include "ui/qt_voice_clip.h"

#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTest>

#include "points/voice_point_logic.h"

namespace {

TEST(QtVoiceClip, RecordingComesBackAsAClipThatPlaysToItsEnd) {
  if (QMediaDevices::audioInputs().isEmpty() || QMediaDevices::audioOutputs().isEmpty()) {
    GTEST_SKIP() << "no microphone or no audio output";
  }
  CQtVoiceClipService service;
  bool noMicrophone = true;
  std::unique_ptr<CVoiceClip> recording = service.Record(noMicrophone);
  ASSERT_NE(recording, nullptr);
  EXPECT_FALSE(noMicrophone);
  QTest::qWait(1500);
  EXPECT_GT(recording->Position(), 500);
  recording->Stop();
  const QByteArray clip = recording->Recorded();
  const qint64 seconds = VoicePointLogic::ClipLength(clip);
  // A readable length; the device's own buffering may add a few seconds to the 1.5 recorded.
  EXPECT_TRUE(seconds >= 1 && seconds <= 10) << seconds << " s in " << clip.size() << " bytes";

  QString error;
  std::unique_ptr<CVoiceClip> playback = service.Play(clip, error);
  ASSERT_NE(playback, nullptr) << error.toStdString();
  qint64 furthest = 0;
  QElapsedTimer waited;
  waited.start();
  while (playback->Position() >= 0 && waited.elapsed() < 10000) {
    furthest = std::max(furthest, playback->Position());
    QTest::qWait(50);
  }
  EXPECT_EQ(playback->Position(), -1) << "still playing after 10 s";
  EXPECT_GT(furthest, 500);
}

}  // namespace
