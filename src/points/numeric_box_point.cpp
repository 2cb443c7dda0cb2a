#include "points/numeric_box_point.h"

#include <QPainter>

#include "points/custom_point.h"
#include "project/display_scale.h"
#include "values/abi_values.h"

HRESULT CNumericBoxPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  const int scale = CDisplayScale::Factor();
  LONG caption = 0;
  const HRESULT hr = CaptionHeight(hDC, CaptionWidth(nWidth, scale), &caption);
  if (FAILED(hr)) return hr;
  *pnHeight = Height(caption, scale);
  return S_OK;
}

HRESULT CNumericBoxPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  if (pRect == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  if (hDC == nullptr) {
    if (HasBox()) m_boxWindow->ShowControl(m_box, false);
    return S_OK;
  }
  const int scale = CDisplayScale::Factor();
  const QRect item = FromAbi(*pRect);
  PaintCaption(hDC, item, CaptionWidth(item.width(), scale));
  hDC->save();
  PaintBox(*hDC, item, scale);
  hDC->restore();
  return S_OK;
}

bool CNumericBoxPoint::CreateBox(int id, bool readOnly) {
  DestroyBox();
  CPageWindow* window = HostWindow();
  if (window == nullptr) return false;
  m_box = window->CreateControl(HostPoint(), ControlKind::kEdit,
                                kCsBorder | kCsTabStop | kCsAutoHScroll, id);
  if (m_box == 0) return false;
  m_boxWindow = window;
  window->SetControlFont(m_box, PageFont());
  window->SetControlReadOnly(m_box, readOnly);
  return true;
}

void CNumericBoxPoint::DestroyBox() {
  if (HasBox()) m_boxWindow->DestroyControl(m_box);
  m_box = 0;
  m_boxWindow = nullptr;
}

void CNumericBoxPoint::SetBoxText(const QString& text) {
  if (HasBox()) m_boxWindow->SetControlText(m_box, text);
}

void CNumericBoxPoint::PlaceBox(QPainter& painter, const QRect& field, int scale) {
  if (HasBox()) {
    m_boxWindow->PlaceControl(m_box, field);
    m_boxWindow->ShowControl(m_box, true);
    return;
  }
  painter.setFont(PageFont());
  painter.setPen(Qt::black);
  painter.drawText(field.adjusted(3 * scale, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Value());
}
