// CVoicePoint ("TWKF.Voice"): a built-in custom control that records a voice clip from the
// microphone and plays it back. The clip is the point's value, a file value holding an MPEG-4
// audio file; recording and playback are CVoiceClips from the services' voice-clip service, and
// a one-second timer redraws the running time. Created by the hosting; UI thread only.
#pragma once

#include <QTimer>
#include <memory>

#include "app/voice_clip.h"
#include "points/builtin_control.h"
#include "points/voice_point_logic.h"

class CVoicePoint : public CBuiltInControl {
 public:
  CVoicePoint();
  ~CVoicePoint() override;

  HRESULT Show() override;
  HRESULT Hide() override;
  HRESULT SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) override;
  HRESULT GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) override;
  HRESULT Paint(QPainter* hDC, const QltRect* pRect) override;
  HRESULT OnTap(LONG x, LONG y) override;

  // What the point shows (for tests and the page display).
  VoicePointLogic::State State() const;
  QString Text() const { return VoicePointLogic::DisplayText(State()); }
  // The one-second display tick, as the timer gives it.
  void Tick();

 protected:
  void LoadProperties(const CBagReader& bag) override;
  void SaveProperties(CBagWriter& bag) const override;
  void SiteChanging() override;

 private:
  void Act(VoicePointLogic::Button button);
  void Record();
  void Play();
  // Ends what runs; a recording is stored when `store` is set, else dropped.
  void Stop(bool store);
  void ReadLength();
  std::array<VoicePointLogic::Button, VoicePointLogic::kMaxButtons> Buttons() const;

  int32_t m_canRecord = 3;
  int32_t m_canPlay = 3;
  int32_t m_canClear = 3;

  bool m_holdsClip = false;
  qint64 m_length = -1;
  std::unique_ptr<CVoiceClip> m_clip;
  VoicePointLogic::Activity m_activity = VoicePointLogic::Activity::kIdle;
  bool m_paused = false;
  std::unique_ptr<QTimer> m_timer;
};
