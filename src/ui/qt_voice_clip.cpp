#include "ui/qt_voice_clip.h"

#include <QAudioDevice>
#include <QAudioInput>
#include <QAudioOutput>
#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaPlayer>
#include <QMediaRecorder>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {

// How long a stopping recorder may take to write the end of its file.
constexpr int kFinishMs = 5000;

class CRecordingClip : public CVoiceClip {
 public:
  bool Start() {
    if (!m_folder.isValid()) return false;
    m_path = m_folder.filePath(QStringLiteral("voice.m4a"));
    m_session.setAudioInput(&m_input);
    m_session.setRecorder(&m_recorder);
    QMediaFormat format(QMediaFormat::MPEG4);
    format.setAudioCodec(QMediaFormat::AudioCodec::AAC);
    m_recorder.setMediaFormat(format);
    m_recorder.setAudioSampleRate(48000);
    m_recorder.setAudioChannelCount(1);
    m_recorder.setOutputLocation(QUrl::fromLocalFile(m_path));
    m_recorder.record();
    return m_recorder.error() == QMediaRecorder::NoError &&
           m_recorder.recorderState() != QMediaRecorder::StoppedState;
  }
  void Pause() override { m_recorder.pause(); }
  void Resume() override { m_recorder.record(); }
  void Stop() override {
    if (m_recorder.recorderState() != QMediaRecorder::StoppedState) {
      QEventLoop loop;
      QObject::connect(&m_recorder, &QMediaRecorder::recorderStateChanged, &loop,
                       [&loop](QMediaRecorder::RecorderState state) {
                         if (state == QMediaRecorder::StoppedState) loop.quit();
                       });
      QTimer::singleShot(kFinishMs, &loop, &QEventLoop::quit);
      m_recorder.stop();
      if (m_recorder.recorderState() != QMediaRecorder::StoppedState) loop.exec();
    }
    QFile file(m_recorder.actualLocation().isLocalFile() ? m_recorder.actualLocation().toLocalFile()
                                                         : m_path);
    if (file.open(QIODevice::ReadOnly)) m_recorded = file.readAll();
  }
  qint64 Position() const override {
    return m_recorder.error() != QMediaRecorder::NoError ? -1 : m_recorder.duration();
  }
  QByteArray Recorded() const override { return m_recorded; }

 private:
  QTemporaryDir m_folder;
  QString m_path;
  QMediaCaptureSession m_session;
  QAudioInput m_input{QMediaDevices::defaultAudioInput()};
  QMediaRecorder m_recorder;
  QByteArray m_recorded;
};

class CPlaybackClip : public CVoiceClip {
 public:
  explicit CPlaybackClip(const QByteArray& clip) : m_bytes(clip), m_buffer(&m_bytes) {}
  bool Start(QString& error) {
    if (!m_buffer.open(QIODevice::ReadOnly)) return false;
    m_player.setAudioOutput(&m_output);
    m_player.setSourceDevice(&m_buffer, QUrl(QStringLiteral("voice.m4a")));
    m_player.play();
    if (m_player.error() != QMediaPlayer::NoError) {
      error = m_player.errorString();
      return false;
    }
    return true;
  }
  void Pause() override { m_player.pause(); }
  void Resume() override { m_player.play(); }
  void Stop() override { m_player.stop(); }
  qint64 Position() const override {
    if (m_player.error() != QMediaPlayer::NoError ||
        m_player.mediaStatus() == QMediaPlayer::EndOfMedia ||
        m_player.mediaStatus() == QMediaPlayer::InvalidMedia) {
      return -1;
    }
    return m_player.position();
  }
  QByteArray Recorded() const override { return {}; }

 private:
  QByteArray m_bytes;
  QBuffer m_buffer;
  QAudioOutput m_output{QMediaDevices::defaultAudioOutput()};
  QMediaPlayer m_player;
};

}  // namespace

std::unique_ptr<CVoiceClip> CQtVoiceClipService::Record(bool& noMicrophone) {
  noMicrophone = QMediaDevices::audioInputs().isEmpty();
  if (noMicrophone) return nullptr;
  auto clip = std::make_unique<CRecordingClip>();
  if (!clip->Start()) return nullptr;
  return clip;
}

std::unique_ptr<CVoiceClip> CQtVoiceClipService::Play(const QByteArray& clip, QString& error) {
  error.clear();
  if (QMediaDevices::audioOutputs().isEmpty()) return nullptr;
  auto playback = std::make_unique<CPlaybackClip>(clip);
  if (!playback->Start(error)) return nullptr;
  return playback;
}
