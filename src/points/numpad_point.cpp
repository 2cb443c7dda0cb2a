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
  return CLanguage::Instance().TranslateWith(QString::fromLatin1(key), fills);
}

}  // namespace

CNumpadPoint::CNumpadPoint() : CNumericBoxPoint(MakeGuid(kClassId)) {}

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
  if (!CreateBox(kBoxId, ReadOnly())) return hr;
  m_boxWindow->SetTextLimit(m_box, std::max<int32_t>(0, m_settings.maxLength));
  SetBoxText(Value());
  return hr;
}

HRESULT CNumpadPoint::Verify(VARIANT_BOOL* pbValid) {
  if (pbValid == nullptr) return E_POINTER;
  if (CNumericEntry::InRange(Value(), Range())) return CBuiltInControl::Verify(pbValid);
  CServices::Instance().Messages().ShowMessage(Message("Point.Numpad.OutOfRange", {Caption()}),
                                               kMbOk | kMbIconExclamation);
  if (HasBox()) m_boxWindow->FocusControl(m_box);
  *pbValid = VARIANT_FALSE;
  return S_OK;
}

HRESULT CNumpadPoint::Hide() {
  DestroyBox();
  return CBuiltInControl::Hide();
}

HRESULT CNumpadPoint::SetValue(BSTR strValue) {
  SetBoxText(TextFromBstr(strValue));
  return CBuiltInControl::SetValue(strValue);
}

void CNumpadPoint::Take(const QString& text) {
  SetBoxText(text);
  SetSiteValue(text);
}

int CNumpadPoint::CaptionWidth(int width, int scale) const {
  return CNumericEntry::NumpadCaptionWidth(m_settings.size, width, scale);
}

int CNumpadPoint::Height(int captionHeight, int scale) const {
  return CNumericEntry::NumpadHeight(m_settings.size, captionHeight, scale);
}

void CNumpadPoint::PaintBox(QPainter& painter, const QRect& item, int scale) {
  const QRect box = CNumericEntry::NumpadBox(m_settings.size, item, scale);
  const int iconSide = 16 * scale;
  const QRect icon(box.right() - iconSide - 1, box.top() + (box.height() - iconSide) / 2, iconSide,
                   iconSide);
  painter.setPen(QColor(160, 160, 160));
  painter.setBrush(ReadOnly() ? QColor(240, 240, 240) : QColor(255, 255, 255));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  CNumericEntry::DrawKeypadIcon(painter, icon);
  PlaceBox(painter, box.adjusted(0, 0, -(iconSide + 4 * scale), 0), scale);
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
  if (!HasBox() || CommandControlId(nCommand) != kBoxId) return hr;
  if (CommandNotification(nCommand) == kNotifyChange) {
    SetSiteValue(m_boxWindow->ControlText(m_box));
  }
  return hr;
}
