#include "points/barcode_point.h"

#include <cstring>

#include "app/language.h"
#include "app/services.h"
#include "points/device_button.h"
#include "project/display_scale.h"
#include "qlt_automation.h"

namespace {

const CPointTypeRegistration kBarcode(BuiltInControlType(150, CBarcodePoint::kClassId,
                                                         "TWKF.Barcode", "Barcode", "Scan barcodes",
                                                         147, 3,
                                                         &CreateBuiltInControl<CBarcodePoint>));

int32_t DefaultOf(const char* name) { return std::strcmp(name, "LargeButton") == 0 ? 0 : 1; }

QString ButtonText() {
  QString text = QStringLiteral("(Tap for Barcode)");
  CLanguage::Instance().Lookup(QStringLiteral("Point.Barcode.LargeButton"), text);
  return text;
}

}  // namespace

CBarcodePoint::CBarcodePoint() : CBuiltInControl(qlt::automation::GuidLiteral(kClassId)) {
  for (std::size_t i = 0; i < kProperties.size(); ++i) m_values[i] = DefaultOf(kProperties[i]);
}

int32_t CBarcodePoint::Property(const char* name) const {
  for (std::size_t i = 0; i < kProperties.size(); ++i) {
    if (std::strcmp(kProperties[i], name) == 0) return m_values[i];
  }
  return 0;
}

void CBarcodePoint::LoadProperties(const CBagReader& bag) {
  for (std::size_t i = 0; i < kProperties.size(); ++i) {
    m_values[i] = bag.Int(kProperties[i], DefaultOf(kProperties[i]));
  }
}

void CBarcodePoint::SaveProperties(CBagWriter& bag) const {
  for (std::size_t i = 0; i < kProperties.size(); ++i) bag.Int(kProperties[i], m_values[i]);
}

HRESULT CBarcodePoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  return CDeviceButton::GetPointHeight(Site(), hDC, nWidth, LargeButton(), pnHeight);
}

HRESULT CBarcodePoint::Paint(QPainter* hDC, const QltRect* pRect) {
  return CDeviceButton::PaintPoint(Site(), hDC, pRect, Value(), ButtonText(), LargeButton(),
                                   CDeviceButton::Icon::kBarcode);
}

HRESULT CBarcodePoint::OnTap(LONG x, LONG y) {
  if (Site() == nullptr) return E_UNEXPECTED;
  const QRect rect = Rect();
  if (!CDeviceButton::IsOnButton(rect.top() + rect.height() - y, LargeButton(),
                                 CDisplayScale::Factor())) {
    return Site()->DefaultOnTap(x, y);
  }
  if (!ReadOnly()) Scan();
  return S_OK;
}

void CBarcodePoint::Scan() {
  AddRef();
  CDialogService::BarcodeRequest request;
  request.caption = Caption();
  request.code = Value();
  request.closeOnScan = Property("CloseOnScan") != 0;
  if (CServices::Instance().Dialogs().ScanBarcode(request)) {
    // Scanners may send a line feed after the Enter, or spaces around the code.
    SetSiteValue(request.code.trimmed());
    Invalidate();
  }
  Release();
}
