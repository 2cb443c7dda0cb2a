#include "points/stopwatch_point.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/language.h"
#include "app/services.h"
#include "project/display_scale.h"
#include "qlt_automation.h"
#include "values/abi_values.h"

namespace {

constexpr GUID kClassId = qlt::automation::GuidLiteral("{E1C74250-7D5C-4E82-B483-B485B216A786}");

const CPointTypeRegistration kStopwatch(
    BuiltInControlType(220, "{E1C74250-7D5C-4E82-B483-B485B216A786}", "TWKF.Stopwatch", "Stopwatch",
                       "Measure a time period", 233, 15, &CreateBuiltInControl<CStopwatchPoint>));

}  // namespace

CStopwatchPoint::CStopwatchPoint() : CBuiltInControl(kClassId) {}

void CStopwatchPoint::LoadProperties(const CBagReader& bag) {
  m_display = bag.Int("Display", CStopwatch::kDefaultFormat);
  m_output = bag.Int("Output", CStopwatch::kDefaultFormat);
  m_watch.SetDisplayFormat(m_display);
}

void CStopwatchPoint::SaveProperties(CBagWriter& bag) const {
  bag.Int("Display", m_display);
  bag.Int("Output", m_output);
}

void CStopwatchPoint::Follow(const QString& stored) {
  if (m_followed && stored == m_seen) return;
  m_followed = true;
  m_seen = stored;
  m_watch.SetTotal(CStopwatch::Parse(stored).value_or(0));
}

HRESULT CStopwatchPoint::SetValue(BSTR strValue) {
  Follow(TextFromBstr(strValue));
  return CBuiltInControl::SetValue(strValue);
}

HRESULT CStopwatchPoint::SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) {
  VARIANT text;
  VariantInit(&text);
  if (SUCCEEDED(CoerceAbi(vValue, VT_BSTR, &text))) Follow(TextFromBstr(text.bstrVal));
  VariantClear(&text);
  return CBuiltInControl::SetValueV(vValue, pbResult);
}

HRESULT CStopwatchPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  const HRESULT hr = CBuiltInControl::GetHeight(hDC, nWidth, pnHeight);
  if (SUCCEEDED(hr) && pnHeight != nullptr) *pnHeight += kBand * CDisplayScale::Factor();
  return hr;
}

HRESULT CStopwatchPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  const HRESULT hr = CBuiltInControl::Paint(hDC, pRect);
  if (FAILED(hr) || hDC == nullptr || pRect == nullptr) return hr;
  Follow(Value());
  const int s = CDisplayScale::Factor();
  const QRect point = FromAbi(*pRect);
  QRect band = point.adjusted(1, 1, -1, -1);
  band.setTop(std::max(band.top(), point.bottom() + 1 - kBand * s));
  const QRect box = band.adjusted(0, 0, 0, -kLabel * s);
  QString label;
  if (!CLanguage::Instance().Lookup(QStringLiteral("Point.Stopwatch.TapToOperate"), label)) {
    label = QStringLiteral("(Tap to Operate)");
  }
  hDC->save();
  hDC->setRenderHint(QPainter::Antialiasing, true);
  QPainterPath rounded;
  rounded.addRoundedRect(QRectF(box), 4 * s, 4 * s);  // corner size 8: radius 4
  hDC->fillPath(rounded, Qt::white);
  hDC->setPen(Qt::black);
  hDC->setFont(CDisplayScale::Font(20, true));
  hDC->drawText(box, Qt::AlignCenter | Qt::TextSingleLine, m_watch.Display());
  hDC->setPen(QColor(128, 128, 128));
  hDC->setFont(CDisplayScale::NormalFont());
  hDC->drawText(QRect(band.left(), box.bottom() + 1, band.width(), kLabel * s),
                Qt::AlignCenter | Qt::TextSingleLine, label);
  hDC->restore();
  return hr;
}

HRESULT CStopwatchPoint::OnTap(LONG x, LONG y) {
  const QRect point = Rect();
  if (y <= point.bottom() - kBand * CDisplayScale::Factor()) return CBuiltInControl::OnTap(x, y);
  if (!ReadOnly()) RunDialog();
  return S_OK;
}

void CStopwatchPoint::RunDialog() {
  Follow(Value());
  const int changes = m_watch.Changes();
  CServices::Instance().Dialogs().RunStopwatch(m_watch);
  // Closing the dialog stops a running watch, so the time up to the close counts.
  m_watch.Stop();
  // Only a count the user ended replaces the stored value (which may not even be a time).
  if (Site() != nullptr && m_watch.Changes() != changes) {
    const QString text = CStopwatch::Format(m_watch.Total(), m_output, false);
    m_seen = text;
    SetSiteValue(text);
  }
  Invalidate();
}
