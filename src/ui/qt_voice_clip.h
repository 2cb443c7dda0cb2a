// CQtVoiceClipService: voice clips over Qt Multimedia. A recording captures the default audio
// input into an MPEG-4 file with AAC audio (48 kHz, one channel) in a private temporary folder
// and hands over its bytes when it stops; a playback plays the clip's bytes from memory to the
// default audio output. The media framework works on threads of its own and reports through Qt
// signals on the UI thread. The client sets it in CServices at start-up; UI thread only.
#pragma once

#include "app/voice_clip.h"

class CQtVoiceClipService : public CVoiceClipService {
 public:
  std::unique_ptr<CVoiceClip> Record(bool& noMicrophone) override;
  std::unique_ptr<CVoiceClip> Play(const QByteArray& clip, QString& error) override;
};
