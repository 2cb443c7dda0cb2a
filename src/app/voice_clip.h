// CVoiceClip: one recording from the microphone or one playback of a clip, as the voice point
// sees it; CVoiceClipService starts them. The client sets the Qt Multimedia implementation
// (ui/qt_voice_clip.*) in CServices; this base service has no audio device (a headless run): it
// refuses to record, as without a microphone, and to play. Tests set fakes. A clip is owned by
// whoever started it; UI thread only (the media framework's own threads stay inside the
// implementation).
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

class CVoiceClip {
 public:
  virtual ~CVoiceClip() = default;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Ends the recording or playback; a recording's file is then in Recorded().
  virtual void Stop() = 0;
  // Milliseconds recorded or played so far; -1 once the playback came to its end or the clip
  // failed, when there is no position to show any more.
  virtual qint64 Position() const = 0;
  // After Stop, a recording's MPEG-4 audio file (AAC); empty for a playback or a recording that
  // produced nothing.
  virtual QByteArray Recorded() const = 0;
};

class CVoiceClipService {
 public:
  virtual ~CVoiceClipService() = default;
  // Starts recording from the default microphone; nullptr on failure, with `noMicrophone` set
  // when there is no audio input at all.
  virtual std::unique_ptr<CVoiceClip> Record(bool& noMicrophone);
  // Starts playing `clip` (the bytes of an MPEG-4 audio file); nullptr on failure, with the
  // framework's reason in `error` when it gave one.
  virtual std::unique_ptr<CVoiceClip> Play(const QByteArray& clip, QString& error);
};
