#include "points/voice_point.h"

#include <QPainter>
#include <QPainterPath>

#include "app/language.h"
#include "app/message_service.h"
#include "app/services.h"
#include "project/display_scale.h"
#include "values/file_blob.h"

namespace {

using VoicePointLogic::Activity;
using VoicePointLogic::Button;

const char* const kClassId = "{072BA26D-7E2F-471A-B60F-8C26C90DF9A6}";
constexpr int kBand = 37;
constexpr int kButton = 36;
constexpr int kTickMs = 1000;
const QColor kButtonFill(0xFA, 0xFA, 0xFA);
const QColor kLine(0xD0, 0xD0, 0xD0);

void Warn(const QString& text) {
  CServices::Instance().Messages().ShowMessage(text, kMbOk | kMbIconExclamation);
}

QString Translated(const char* key) {
  return CLanguage::Instance().Translate(QString::fromLatin1(key));
}

void DrawIcon(QPainter& painter, const QRectF& circle, Button button, int scale) {
  const QPointF c = circle.center();
  const qreal u = circle.width() / 36.0;
  painter.setPen(
      QPen(QColor(0x50, 0x50, 0x50), 2.0 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  switch (button) {
    case Button::kClear:  // a cross
      painter.drawLine(c + QPointF(-6 * u, -6 * u), c + QPointF(6 * u, 6 * u));
      painter.drawLine(c + QPointF(6 * u, -6 * u), c + QPointF(-6 * u, 6 * u));
      break;
    case Button::kStop:
      painter.setBrush(QColor(0x50, 0x50, 0x50));
      painter.drawRect(QRectF(c - QPointF(6 * u, 6 * u), QSizeF(12 * u, 12 * u)));
      break;
    case Button::kPause:
      painter.drawLine(c + QPointF(-4 * u, -7 * u), c + QPointF(-4 * u, 7 * u));
      painter.drawLine(c + QPointF(4 * u, -7 * u), c + QPointF(4 * u, 7 * u));
      break;
    case Button::kPlay: {
      painter.setBrush(QColor(0x50, 0x50, 0x50));
      painter.drawPolygon(QPolygonF(
          {c + QPointF(-5 * u, -8 * u), c + QPointF(8 * u, 0), c + QPointF(-5 * u, 8 * u)}));
      break;
    }
    case Button::kRecord:
      painter.setPen(Qt::NoPen);
      painter.setBrush(QColor(0xD0, 0x20, 0x20));
      painter.drawEllipse(c, 8 * u, 8 * u);
      break;
    case Button::kNone:
      break;
  }
}

}  // namespace

CVoicePoint::CVoicePoint() : CBuiltInControl(MakeGuid(kClassId)) {}

// A recording still running here has no site to go to any more; it is dropped.
CVoicePoint::~CVoicePoint() { Stop(false); }

void CVoicePoint::LoadProperties(const CBagReader& bag) {
  m_canRecord = bag.Int("CanRecord", 3);
  m_canPlay = bag.Int("CanPlay", 3);
  m_canClear = bag.Int("CanClear", 3);
}

void CVoicePoint::SaveProperties(CBagWriter& bag) const {
  bag.Int("CanRecord", m_canRecord);
  bag.Int("CanPlay", m_canPlay);
  bag.Int("CanClear", m_canClear);
}

void CVoicePoint::SiteChanging() { Stop(false); }

VoicePointLogic::State CVoicePoint::State() const {
  VoicePointLogic::State state;
  state.holdsClip = m_holdsClip;
  state.length = m_length;
  state.activity = m_activity;
  state.paused = m_paused;
  state.positionMs = m_clip ? m_clip->Position() : 0;
  return state;
}

std::array<Button, VoicePointLogic::kMaxButtons> CVoicePoint::Buttons() const {
  return VoicePointLogic::VisibleButtons(State(), m_canRecord, m_canPlay, m_canClear, ReadOnly());
}

void CVoicePoint::ReadLength() {
  const CVariant value = ValueV();
  m_holdsClip = FileBlob::IsFile(value);
  m_length = VoicePointLogic::ClipLength(value);
}

HRESULT CVoicePoint::Show() {
  ReadLength();
  return CBuiltInControl::Show();
}

HRESULT CVoicePoint::Hide() {
  Stop(true);
  return CBuiltInControl::Hide();
}

HRESULT CVoicePoint::SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) {
  // A new value (another session, a script) ends the playback of the old one.
  if (m_activity == Activity::kPlaying) Stop(false);
  const HRESULT hr = CBuiltInControl::SetValueV(vValue, pbResult);
  ReadLength();
  return hr;
}

HRESULT CVoicePoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  const HRESULT hr = CBuiltInControl::GetHeight(hDC, nWidth, pnHeight);
  if (SUCCEEDED(hr)) *pnHeight += kBand * CDisplayScale::Factor();
  return hr;
}

HRESULT CVoicePoint::Paint(QPainter* hDC, const QltRect* pRect) {
  const HRESULT hr = CBuiltInControl::Paint(hDC, pRect);
  if (FAILED(hr) || hDC == nullptr) return hr;
  // The position is read here and on ticks only; a clip that lost it has ended.
  if (m_clip && m_clip->Position() < 0) Stop(true);
  const int scale = CDisplayScale::Factor();
  const QRect rect =
      pRect ? QRect(QPoint(pRect->left, pRect->top), QPoint(pRect->right - 1, pRect->bottom - 1))
            : Rect();
  const int top = rect.bottom() + 1 - kBand * scale;
  const auto buttons = Buttons();
  QPainter& painter = *hDC;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  int count = 0;
  for (Button button : buttons) {
    if (button == Button::kNone) break;
    const QRectF circle(VoicePointLogic::ButtonLeft(rect.right() + 1, count++, scale), top,
                        kButton * scale, kButton * scale);
    painter.setPen(QPen(kLine, scale));
    painter.setBrush(kButtonFill);
    painter.drawEllipse(circle);
    DrawIcon(painter, circle, button, scale);
  }
  const int textRight =
      count > 0 ? VoicePointLogic::ButtonLeft(rect.right() + 1, count - 1, scale) - 4 * scale
                : rect.right() - 2 * scale;
  const QRectF box(rect.left() + 2 * scale, top + 0.5 * scale, textRight - rect.left() - 2 * scale,
                   kButton * scale - scale);
  painter.setPen(QPen(kLine, scale));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(box, 8 * scale, 8 * scale);
  painter.setPen(Qt::black);
  painter.setFont(CDisplayScale::NormalFont());
  painter.drawText(box.adjusted(8 * scale, 0, -4 * scale, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   Text());
  painter.restore();
  return S_OK;
}

HRESULT CVoicePoint::OnTap(LONG x, LONG y) {
  const QRect rect = Rect();
  const int scale = CDisplayScale::Factor();
  if (y < rect.bottom() + 1 - kBand * scale) return CBuiltInControl::OnTap(x, y);
  Act(VoicePointLogic::ActionAt(int(x), rect.right() + 1, Buttons(), State(), scale));
  return S_OK;
}

void CVoicePoint::Act(Button button) {
  switch (button) {
    case Button::kClear: {
      const int answer = CServices::Instance().Messages().ShowMessage(
          Translated("Point.Voice.ConfirmClear"), kMbYesNo | kMbIconQuestion | kMbDefButton2);
      if (answer != kIdYes) return;
      Stop(false);
      if (SetSiteValueV(CVariant())) ReadLength();
      break;
    }
    case Button::kStop:
      Stop(true);
      break;
    case Button::kPause:
      if (!m_clip) return;
      if (m_paused) {
        m_clip->Resume();
      } else {
        m_clip->Pause();
      }
      m_paused = !m_paused;
      break;
    case Button::kPlay:
      if (m_paused && m_activity == Activity::kPlaying && m_clip) {
        m_clip->Resume();
        m_paused = false;
      } else {
        Play();
      }
      break;
    case Button::kRecord:
      if (m_paused && m_activity == Activity::kRecording && m_clip) {
        m_clip->Resume();
        m_paused = false;
      } else {
        Record();
      }
      break;
    case Button::kNone:
      return;
  }
  Invalidate();
}

void CVoicePoint::Record() {
  Stop(true);
  bool noMicrophone = false;
  m_clip = CServices::Instance().VoiceClips().Record(noMicrophone);
  if (!m_clip) {
    Warn(Translated(noMicrophone ? "Point.Voice.NoMicrophone" : "Point.Voice.CantRecord"));
    return;
  }
  m_activity = Activity::kRecording;
  m_paused = false;
  // The automation timer source (timers 50 and up) is not part of this control's contract yet;
  // a timer of the control's own gives the same one-second redraw.
  m_timer = std::make_unique<QTimer>();
  m_timer->setInterval(kTickMs);
  QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { Tick(); });
  m_timer->start();
}

void CVoicePoint::Play() {
  Stop(true);
  QByteArray content;
  if (!FileBlob::Content(ValueV(), content)) return;
  QString error;
  m_clip = CServices::Instance().VoiceClips().Play(content, error);
  if (!m_clip) {
    Warn(error.isEmpty() ? Translated("Point.Voice.CantPlay") : error);
    return;
  }
  m_activity = Activity::kPlaying;
  m_paused = false;
  m_timer = std::make_unique<QTimer>();
  m_timer->setInterval(kTickMs);
  QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] { Tick(); });
  m_timer->start();
}

void CVoicePoint::Tick() {
  if (m_clip && m_clip->Position() < 0) Stop(true);
  Invalidate();
}

void CVoicePoint::Stop(bool store) {
  m_timer.reset();
  if (!m_clip) return;
  std::unique_ptr<CVoiceClip> clip = std::move(m_clip);
  const Activity activity = m_activity;
  m_activity = Activity::kIdle;
  m_paused = false;
  clip->Stop();
  if (activity == Activity::kRecording && store) {
    const QByteArray recorded = clip->Recorded();
    if (!recorded.isEmpty()) {
      SetSiteValueV(
          FileBlob::Make(VoicePointLogic::RecordingName(CServices::Instance().Now()), recorded));
    }
    ReadLength();
  }
  Invalidate();
}

const CPointTypeRegistration kVoice(BuiltInControlType(230, kClassId, "TWKF.Voice", "Voice",
                                                       "Record voice or sound", 231, 7,
                                                       &CreateBuiltInControl<CVoicePoint>));
