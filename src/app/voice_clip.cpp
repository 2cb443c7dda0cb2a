#include "app/voice_clip.h"

std::unique_ptr<CVoiceClip> CVoiceClipService::Record(bool& noMicrophone) {
  noMicrophone = true;
  return nullptr;
}

std::unique_ptr<CVoiceClip> CVoiceClipService::Play(const QByteArray&, QString& error) {
  error.clear();
  return nullptr;
}
