#include "points/slider_point.h"

#include <QPainter>
#include <algorithm>

#include "points/custom_point.h"
#include "points/numeric_entry.h"
#include "project/display_scale.h"
#include "project/point_type.h"
#include "values/abi_values.h"

namespace {

const CPointTypeRegistration kSlider(BuiltInControlType(210, CSliderPoint::kClassId, "TWKF.Slider",
                                                        "Slider", "Select a value along a line",
                                                        239, 15,
                                                        &CreateBuiltInControl<CSliderPoint>));

}  // namespace

CSliderPoint::CSliderPoint() : CBuiltInControl(MakeGuid(kClassId)) {}

unsigned CSliderPoint::TickStyles(int32_t ticks) {
  switch (ticks) {
    case 0:
      return 0;
    case 2:
      return kCsTicksAbove;
    case 3:
      return kCsTicksAbove | kCsTicksBelow;
    default:
      return kCsTicksBelow;
  }
}

int CSliderPoint::Ticks() const {
  return m_settings.ticks >= 0 && m_settings.ticks <= 3 ? m_settings.ticks : 1;
}

void CSliderPoint::LoadProperties(const CBagReader& bag) {
  const Settings defaults;
  m_settings.rangeMin = bag.Int("RangeMin", defaults.rangeMin);
  m_settings.rangeMax = bag.Int("RangeMax", defaults.rangeMax);
  m_settings.ticks = bag.Int("Ticks", defaults.ticks);
  m_settings.inline_ = bag.Int("Inline", defaults.inline_);
}

void CSliderPoint::SaveProperties(CBagWriter& bag) const {
  bag.Int("RangeMin", m_settings.rangeMin);
  bag.Int("RangeMax", m_settings.rangeMax);
  bag.Int("Ticks", m_settings.ticks);
  bag.Int("Inline", m_settings.inline_);
}

HRESULT CSliderPoint::Show() {
  const HRESULT hr = CBuiltInControl::Show();
  DestroyBar();
  CPageWindow* window = HostWindow();
  if (window == nullptr) return hr;
  m_bar = window->CreateControl(HostPoint(), ControlKind::kTrackBar,
                                kCsTabStop | TickStyles(m_settings.ticks), kBarId);
  if (m_bar == 0) return hr;
  m_barWindow = window;
  window->EnableControl(m_bar, !ReadOnly());
  window->SetControlRange(m_bar, m_settings.rangeMin, m_settings.rangeMax);
  int position = 0;
  if (CNumericEntry::ReadLeadingInt(Value(), position)) {
    window->SetControlPosition(m_bar, position);
  }
  return hr;
}

void CSliderPoint::DestroyBar() {
  if (m_bar != 0 && m_barWindow != nullptr) m_barWindow->DestroyControl(m_bar);
  m_bar = 0;
  m_barWindow = nullptr;
}

HRESULT CSliderPoint::Hide() {
  DestroyBar();
  return CBuiltInControl::Hide();
}

HRESULT CSliderPoint::SetValue(BSTR strValue) {
  if (m_setting) return S_OK;
  m_setting = true;
  int position = 0;
  if (m_bar != 0 && m_barWindow != nullptr &&
      CNumericEntry::ReadLeadingInt(TextFromBstr(strValue), position)) {
    m_barWindow->SetControlPosition(m_bar, position);
  }
  const HRESULT hr = Site() != nullptr ? Site()->SetValue(strValue) : E_UNEXPECTED;
  m_setting = false;
  return hr;
}

HRESULT CSliderPoint::OnCommand(ULONG nCommand, LONGLONG nArgument) {
  const HRESULT hr = CBuiltInControl::OnCommand(nCommand, nArgument);
  if (m_bar == 0 || m_barWindow == nullptr || CommandControlId(nCommand) != kBarId ||
      CommandNotification(nCommand) != kNotifyPositionChange || ReadOnly()) {
    return hr;
  }
  SetSiteValue(QString::number(m_barWindow->ControlPosition(m_bar)));
  return hr;
}

HRESULT CSliderPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  const int scale = CDisplayScale::Factor();
  const bool beside = m_settings.inline_ != 0;
  const LONG width = CNumericEntry::SliderCaptionWidth(beside, nWidth, scale);
  LONG caption = 0;
  const HRESULT hr = CaptionHeight(hDC, width, &caption);
  if (FAILED(hr)) return hr;
  *pnHeight = CNumericEntry::SliderHeight(beside, Ticks(), caption, scale);
  return S_OK;
}

HRESULT CSliderPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  if (pRect == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  if (hDC == nullptr) {
    if (m_bar != 0 && m_barWindow != nullptr) m_barWindow->ShowControl(m_bar, false);
    return S_OK;
  }
  const int scale = CDisplayScale::Factor();
  const bool beside = m_settings.inline_ != 0;
  const QRect item = FromAbi(*pRect);
  PaintCaption(hDC, item, CNumericEntry::SliderCaptionWidth(beside, item.width(), scale));
  const QRect bar = CNumericEntry::SliderBar(beside, Ticks(), item, scale);
  if (m_bar != 0 && m_barWindow != nullptr) {
    m_barWindow->PlaceControl(m_bar, bar);
    m_barWindow->ShowControl(m_bar, true);
    return S_OK;
  }
  // Without a page window the position is drawn as a groove with a mark.
  const int minimum = std::min(m_settings.rangeMin, m_settings.rangeMax);
  const int maximum = std::max(m_settings.rangeMin, m_settings.rangeMax);
  int position = minimum;
  CNumericEntry::ReadLeadingInt(Value(), position);
  position = std::clamp(position, minimum, maximum);
  const int span = std::max(1, maximum - minimum);
  const int margin = 6 * scale;
  const int groove = bar.top() + bar.height() / 2;
  const int x = bar.left() + margin +
                static_cast<int>(static_cast<long long>(bar.width() - 2 * margin) *
                                 (position - minimum) / span);
  hDC->save();
  hDC->setPen(QColor(140, 140, 140));
  hDC->drawLine(bar.left() + margin, groove, bar.right() - margin, groove);
  hDC->setBrush(QColor(70, 90, 140));
  hDC->drawRect(QRect(x - 3 * scale, groove - 7 * scale, 6 * scale, 14 * scale));
  hDC->restore();
  return S_OK;
}
