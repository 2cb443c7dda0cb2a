#include "points/numpad_point.h"

#include <QPainter>
#include <algorithm>

#include "app/language.h"
#include "app/services.h"
#include "points/custom_point.h"
#include "project/display_scale.h"
#include "project/point_type.h"
#include "values/abi_values.h"

namespace {

const CPointTypeRegistration kNumpad(BuiltInControlType(170, CNumpadPoint::kClassId, "TWKF.Numpad",
                                                        "Numpad",
                                                        "Enter numbers with digit buttons", 225, 15,
                                                        &CreateBuiltInControl<CNumpadPoint>));

// The text of a translation key with its "%s" places filled in order.
QString Message(const char* key, const QStringList& fills) {
  QString text;
  const QString name = QString::fromLatin1(key);
  if (!CLanguage::Instance().Lookup(name, text)) text = name;
  qsizetype from = 0;
  for (const QString& fill : fills) {
    const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
    if (at < 0) break;
    text.replace(at, 2, fill);
    from = at + fill.size();
  }
  return text;
}

}  // namespace

CNumpadPoint::CNumpadPoint() : CBuiltInControl(MakeGuid(kClassId)) {}

CNumericEntry::Range CNumpadPoint::Range() const {
  return CNumericEntry::Range{m_settings.range != 0, m_settings.decimal, m_settings.rangeMin,
                              m_settings.rangeMax};
}

void CNumpadPoint::LoadProperties(const CBagReader& bag) {
  const Settings defaults;
  m_settings.size = bag.Int("Size", defaults.size);
  m_settings.decimal = bag.Text("Decimal", defaults.decimal);
  m_settings.range = bag.Int("Range", defaults.range);
  m_settings.rangeMin = bag.Text("RangeMin");
  m_settings.rangeMax = bag.Text("RangeMax");
  m_settings.maxLength = bag.Int("MaxLength", defaults.maxLength);
}

void CNumpadPoint::SaveProperties(CBagWriter& bag) const {
  bag.Int("Size", m_settings.size);
  bag.Text("Decimal", m_settings.decimal);
  bag.Int("Range", m_settings.range);
  bag.Text("RangeMin", m_settings.rangeMin);
  bag.Text("RangeMax", m_settings.rangeMax);
  bag.Int("MaxLength", m_settings.maxLength);
}

HRESULT CNumpadPoint::Show() {
  const HRESULT hr = CBuiltInControl::Show();
  DestroyBox();
  CPageWindow* window = HostWindow();
  if (window == nullptr) return hr;
  m_box = window->CreateControl(HostPoint(), ControlKind::kEdit,
                                kCsBorder | kCsTabStop | kCsAutoHScroll, kBoxId);
  if (m_box == 0) return hr;
  m_boxWindow = window;
  window->SetControlFont(m_box, PageFont());
  window->SetControlReadOnly(m_box, ReadOnly());
  window->SetTextLimit(m_box, std::max<int32_t>(0, m_settings.maxLength));
  window->SetControlText(m_box, Value());
  return hr;
}

void CNumpadPoint::DestroyBox() {
  if (m_box != 0 && m_boxWindow != nullptr) m_boxWindow->DestroyControl(m_box);
  m_box = 0;
  m_boxWindow = nullptr;
}

HRESULT CNumpadPoint::Verify(VARIANT_BOOL* pbValid) {
  if (pbValid == nullptr) return E_POINTER;
  if (CNumericEntry::InRange(Value(), Range())) return CBuiltInControl::Verify(pbValid);
  CServices::Instance().Messages().ShowMessage(Message("Point.Numpad.OutOfRange", {Caption()}),
                                               kMbOk | kMbIconExclamation);
  if (m_box != 0 && m_boxWindow != nullptr) m_boxWindow->FocusControl(m_box);
  *pbValid = VARIANT_FALSE;
  return S_OK;
}

HRESULT CNumpadPoint::Hide() {
  DestroyBox();
  return CBuiltInControl::Hide();
}

HRESULT CNumpadPoint::SetValue(BSTR strValue) {
  if (m_box != 0 && m_boxWindow != nullptr) {
    m_boxWindow->SetControlText(m_box, TextFromBstr(strValue));
  }
  return CBuiltInControl::SetValue(strValue);
}

void CNumpadPoint::Take(const QString& text) {
  if (m_box != 0 && m_boxWindow != nullptr) m_boxWindow->SetControlText(m_box, text);
  SetSiteValue(text);
}

HRESULT CNumpadPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  if (pnHeight == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  const int scale = CDisplayScale::Factor();
  const LONG width = CNumericEntry::NumpadCaptionWidth(m_settings.size, nWidth, scale);
  LONG caption = 0;
  const HRESULT hr = CaptionHeight(hDC, width, &caption);
  if (FAILED(hr)) return hr;
  *pnHeight = CNumericEntry::NumpadHeight(m_settings.size, caption, scale);
  return S_OK;
}

HRESULT CNumpadPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  if (pRect == nullptr) return E_POINTER;
  if (Site() == nullptr) return E_UNEXPECTED;
  if (hDC == nullptr) {
    if (m_box != 0 && m_boxWindow != nullptr) m_boxWindow->ShowControl(m_box, false);
    return S_OK;
  }
  const int scale = CDisplayScale::Factor();
  const QRect item = FromAbi(*pRect);
  PaintCaption(hDC, item, CNumericEntry::NumpadCaptionWidth(m_settings.size, item.width(), scale));

  const QRect box = CNumericEntry::NumpadBox(m_settings.size, item, scale);
  const int iconSide = 16 * scale;
  const QRect icon(box.right() - iconSide - 1, box.top() + (box.height() - iconSide) / 2, iconSide,
                   iconSide);
  const QRect field = box.adjusted(0, 0, -(iconSide + 4 * scale), 0);
  hDC->save();
  hDC->setPen(QColor(160, 160, 160));
  hDC->setBrush(ReadOnly() ? QColor(240, 240, 240) : QColor(255, 255, 255));
  hDC->drawRect(box.adjusted(0, 0, -1, -1));
  CNumericEntry::DrawKeypadIcon(*hDC, icon);
  if (m_box != 0 && m_boxWindow != nullptr) {
    m_boxWindow->PlaceControl(m_box, field);
    m_boxWindow->ShowControl(m_box, true);
  } else {
    // Without a page window (a preview, a print) the value is drawn where the box would be.
    hDC->setFont(PageFont());
    hDC->setPen(Qt::black);
    hDC->drawText(field.adjusted(3 * scale, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Value());
  }
  hDC->restore();
  return S_OK;
}

HRESULT CNumpadPoint::OnTap(LONG x, LONG y) {
  if (Site() == nullptr) return E_UNEXPECTED;
  const int scale = CDisplayScale::Factor();
  if (CNumericEntry::Units(m_settings.size) == 0 && y < Rect().bottom() + 1 - 20 * scale) {
    Site()->DefaultOnTap(x, y);
  }
  if (ReadOnly()) return S_OK;
  CDialogService::NumberRequest request;
  request.text = Value();
  request.decimalKey = CNumericEntry::DecimalKey(m_settings.decimal);
  request.maxLength = std::max<int32_t>(0, m_settings.maxLength);
  const CNumericEntry::Range range = Range();
  request.refusal = [range](const QString& text) {
    if (text.isEmpty() || CNumericEntry::InRange(text, range)) return QString();
    return Message("Point.Numpad.RangeLimits", {range.minimum, range.maximum});
  };
  if (CServices::Instance().Dialogs().EnterNumber(request)) Take(request.text);
  return S_OK;
}

HRESULT CNumpadPoint::OnCommand(ULONG nCommand, LONGLONG nArgument) {
  const HRESULT hr = CBuiltInControl::OnCommand(nCommand, nArgument);
  if (m_box == 0 || m_boxWindow == nullptr || CommandControlId(nCommand) != kBoxId) return hr;
  if (CommandNotification(nCommand) == kNotifyChange) {
    SetSiteValue(m_boxWindow->ControlText(m_box));
  }
  return hr;
}
