#include "points/gps_point.h"

#include "app/language.h"
#include "app/services.h"
#include "points/device_button.h"
#include "points/gps_device.h"
#include "points/gps_format.h"
#include "points/gps_window_logic.h"
#include "project/display_scale.h"
#include "qlt_automation.h"
#include "values/abi_values.h"

namespace {

const CPointTypeRegistration kGps(BuiltInControlType(160, CGPSPoint::kClassId, "TWKF.GPS", "GPS",
                                                     "Capture GPS position", 223, 15,
                                                     &CreateBuiltInControl<CGPSPoint>));

QString ButtonText() {
  QString text = QStringLiteral("(Tap for GPS)");
  CLanguage::Instance().Lookup(QStringLiteral("Point.GPS.UpdatePosition"), text);
  return text;
}

}  // namespace

CGPSPoint::CGPSPoint() : CBuiltInControl(qlt::automation::GuidLiteral(kClassId)) {
  CGPSDevice::Shared().AddUser();
}

CGPSPoint::~CGPSPoint() { CGPSDevice::Shared().RemoveUser(); }

void CGPSPoint::LoadProperties(const CBagReader& bag) {
  const CGPSPointLogic::Properties defaults = CGPSPointLogic::Defaults();
  m_properties.format = bag.Text("Format", defaults.format);
  m_properties.write = bag.Flag("Write", defaults.write);
  m_properties.expand = bag.Flag("Expand", defaults.expand);
  m_properties.closeOnFix = bag.Flag("CloseOnFix", defaults.closeOnFix);
  m_properties.largeButton = bag.Flag("LargeButton", defaults.largeButton);
}

void CGPSPoint::SaveProperties(CBagWriter& bag) const {
  bag.Text("Format", m_properties.format);
  bag.Flag("Write", m_properties.write);
  bag.Flag("Expand", m_properties.expand);
  bag.Flag("CloseOnFix", m_properties.closeOnFix);
  bag.Flag("LargeButton", m_properties.largeButton);
  bag.Int("KeepAlive", 0);
}

HRESULT CGPSPoint::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  return CDeviceButton::GetPointHeight(Site(), hDC, nWidth, m_properties.largeButton, pnHeight);
}

HRESULT CGPSPoint::Paint(QPainter* hDC, const QltRect* pRect) {
  return CDeviceButton::PaintPoint(Site(), hDC, pRect, Value(), ButtonText(),
                                   m_properties.largeButton, CDeviceButton::Icon::kGps);
}

HRESULT CGPSPoint::OnTap(LONG x, LONG y) {
  if (Site() == nullptr) return E_UNEXPECTED;
  const QRect rect = Rect();
  using Action = CGPSPointLogic::TapAction;
  switch (CGPSPointLogic::Tap(rect.top() + rect.height() - y, m_properties.largeButton,
                              CDisplayScale::Factor(), ReadOnly(), Value().isEmpty(),
                              m_properties.write)) {
    case Action::kPassOn:
      return Site()->DefaultOnTap(x, y);
    case Action::kOpenWindow:
      OpenWindow();
      break;
    case Action::kClear:
      SetSiteValue(QString());
      Invalidate();
      break;
    case Action::kNothing:
      break;
  }
  return S_OK;
}

void CGPSPoint::OpenWindow() {
  // The window may outlast the point's page (a project update while it is open): hold on.
  AddRef();
  CGPSDevice& device = CGPSDevice::Shared();
  CGPSWindowLogic window(device, m_properties.closeOnFix);
  const bool accepted = CServices::Instance().Dialogs().ShowGpsWindow(window);
  device.Close();
  if (accepted && window.Fix()) Record(*window.Fix());
  Release();
}

void CGPSPoint::Record(CGPSPosition position) {
  SetSiteValue(CGPSFormat::FormatValue(position, m_properties.format));
  if (m_properties.expand) WriteSubPoints(position);
  Invalidate();
}

void CGPSPoint::WriteSubPoints(CGPSPosition& position) {
  IDispatch* dispatch = nullptr;
  if (Site() == nullptr || FAILED(Site()->GetProject(&dispatch)) || dispatch == nullptr) return;
  IProject* project = nullptr;
  const HRESULT hr = dispatch->QueryInterface(IProject::kIid, reinterpret_cast<void**>(&project));
  dispatch->Release();
  if (FAILED(hr) || project == nullptr) return;
  const QString name = Name();
  for (const auto& [suffix, text] : CGPSFormat::SubPointTexts(position)) {
    BSTR pointName = BstrFromText(name + suffix);
    IDispatch* found = nullptr;
    if (SUCCEEDED(project->get_Points(pointName, &found)) && found != nullptr) {
      IPoint* point = nullptr;
      if (SUCCEEDED(found->QueryInterface(IPoint::kIid, reinterpret_cast<void**>(&point))) &&
          point != nullptr) {
        BSTR value = BstrFromText(text);
        point->put_Value(value);
        SysFreeString(value);
        point->Release();
      }
      found->Release();
    }
    SysFreeString(pointName);
  }
  project->Release();
}
