#include "automation/hosted_control.h"

#include "automation/automation_root.h"
#include "automation/custom_point_site.h"
#include "automation/property_bag.h"
#include "automation/x_telegram.h"
#include "values/abi_values.h"
#include "values/variant.h"

CHostedControl::CHostedControl(CAutomationRoot* root, CCustomPoint* point, ICustomPoint* control,
                               XCustomPointSite* site)
    : m_root(root), m_point(point), m_control(control), m_site(site) {
  m_site->AddRef();
  void* raw = nullptr;
  if (SUCCEEDED(m_control->QueryInterface(ICustomPoint2::kIid, &raw)) && raw != nullptr) {
    m_control2 = static_cast<ICustomPoint2*>(raw);
  }
}

CHostedControl::~CHostedControl() {
  // The site stops answering first, so a control that calls back while it goes reaches nothing
  // that is being destroyed.
  m_site->Detach();
  ICustomPoint2* control2 = m_control2;
  ICustomPoint* control = m_control;
  m_control2 = nullptr;
  m_control = nullptr;
  if (control2) control2->Release();
  if (control) control->Release();
  m_site->Release();
}

template <typename F>
HRESULT CHostedControl::Held(F call) {
  ICustomPoint* control = m_control;
  if (control == nullptr) return E_UNEXPECTED;
  control->AddRef();
  const HRESULT hr = call(control);
  control->Release();
  return hr;
}

void CHostedControl::LoadProperties() {
  Held([this](ICustomPoint* control) {
    void* raw = nullptr;
    if (FAILED(control->QueryInterface(IPersistPropertyBag::kIid, &raw)) || raw == nullptr) {
      return S_OK;
    }
    auto* persist = static_cast<IPersistPropertyBag*>(raw);
    auto* bag = new XPropertyBag(&m_point->MutableBag());
    const HRESULT hr = persist->Load(bag, nullptr);
    bag->Detach();
    bag->Release();
    persist->Release();
    return hr;
  });
}

void CHostedControl::SaveProperties() {
  Held([this](ICustomPoint* control) {
    void* raw = nullptr;
    if (FAILED(control->QueryInterface(IPersistPropertyBag::kIid, &raw)) || raw == nullptr) {
      return S_OK;
    }
    auto* persist = static_cast<IPersistPropertyBag*>(raw);
    auto* bag = new XPropertyBag(&m_point->MutableBag());
    const HRESULT hr = persist->Save(bag, 1, 1);
    bag->Detach();
    bag->Release();
    persist->Release();
    return hr;
  });
}

bool CHostedControl::Configure() {
  VARIANT_BOOL result = VARIANT_FALSE;
  const HRESULT hr = Held([&](ICustomPoint* c) { return c->Configure(&result); });
  return SUCCEEDED(hr) && result != VARIANT_FALSE;
}

void CHostedControl::Init() {
  Held([](ICustomPoint* c) { return c->Init(); });
}

void CHostedControl::Show() {
  Held([](ICustomPoint* c) { return c->Show(); });
}

bool CHostedControl::Verify() {
  VARIANT_BOOL valid = VARIANT_TRUE;
  Held([&](ICustomPoint* c) { return c->Verify(&valid); });
  return valid != VARIANT_FALSE;
}

void CHostedControl::Hide() {
  Held([](ICustomPoint* c) { return c->Hide(); });
}

void CHostedControl::SetValue(const QString& text) {
  if (m_control2 == nullptr) {
    BSTR value = BstrFromText(text);
    Held([&](ICustomPoint* c) { return c->SetValue(value); });
    SysFreeString(value);
    return;
  }
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = BstrFromText(text);
  VARIANT_BOOL accepted = VARIANT_FALSE;
  ICustomPoint2* control2 = m_control2;
  control2->AddRef();
  control2->SetValueV(value, &accepted);
  control2->Release();
  VariantClear(&value);
}

int32_t CHostedControl::SetValueV(const CVariant& value) {
  if (m_control2 != nullptr) {
    VARIANT abi;
    VariantInit(&abi);
    HRESULT hr = ValueToAbi(value, &abi);
    if (FAILED(hr)) return hr;
    VARIANT_BOOL accepted = VARIANT_FALSE;
    ICustomPoint2* control2 = m_control2;
    control2->AddRef();
    hr = control2->SetValueV(abi, &accepted);
    control2->Release();
    VariantClear(&abi);
    return FAILED(hr) ? hr : kPointOk;
  }
  QString text;
  if (!value.ToText(text)) return kPointTypeMismatch;
  SetValue(text);
  return kPointOk;
}

int CHostedControl::GetHeight(QPainter* painter, int width) {
  LONG height = 0;
  const HRESULT hr = Held([&](ICustomPoint* c) { return c->GetHeight(painter, width, &height); });
  // A control that cannot tell gets no room rather than a height it never gave.
  return SUCCEEDED(hr) && height > 0 ? height : 0;
}

void CHostedControl::Paint(QPainter* painter, const QRect& rect) {
  const QltRect abi = XCustomPointSite::ToAbi(rect);
  Held([&](ICustomPoint* c) { return c->Paint(painter, &abi); });
}

void CHostedControl::OnTap(int x, int y) {
  Held([&](ICustomPoint* c) { return c->OnTap(x, y); });
}

void CHostedControl::OnCommand(uint32_t command, intptr_t argument) {
  Held([&](ICustomPoint* c) { return c->OnCommand(command, argument); });
}

void CHostedControl::OnDep(CBasePoint* changed) {
  IDispatch* point = changed && m_root ? m_root->PointFacet(changed) : nullptr;
  Held([&](ICustomPoint* c) { return c->OnDep(point); });
  if (point) point->Release();
}

void CHostedControl::OnTelegram(CTelegram* telegram) {
  XTelegram* facet = XTelegram::Lend(m_root, telegram);
  Held([facet](ICustomPoint* c) { return c->OnTelegram(facet); });
  if (facet != nullptr) facet->EndLoan();
}

bool CHostedControl::GetOutputString(const CVariant& value, const QString& baseFile, uint32_t index,
                                     QString& text) {
  if (m_control2 == nullptr) return false;
  VARIANT abi;
  VariantInit(&abi);
  if (FAILED(ValueToAbi(value, &abi))) return false;
  BSTR file = BstrFromText(baseFile);
  BSTR output = nullptr;
  ICustomPoint2* control2 = m_control2;
  control2->AddRef();
  const HRESULT hr = control2->GetOutputString(abi, file, static_cast<LONG>(index), &output);
  control2->Release();
  VariantClear(&abi);
  SysFreeString(file);
  if (FAILED(hr)) {
    SysFreeString(output);
    return false;
  }
  text = TextFromBstr(output);
  SysFreeString(output);
  return true;
}
