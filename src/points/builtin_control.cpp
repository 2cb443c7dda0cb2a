#include "points/builtin_control.h"

#include <algorithm>

#include "points/custom_point.h"
#include "project/display_scale.h"
#include "project/graphics.h"
#include "project/project.h"
#include "values/abi_values.h"

namespace {

// A BSTR released when it goes out of scope.
class CBstr {
 public:
  explicit CBstr(const QString& text) : m_text(BstrFromText(text)) {}
  CBstr() = default;
  ~CBstr() { SysFreeString(m_text); }
  CBstr(const CBstr&) = delete;
  CBstr& operator=(const CBstr&) = delete;
  BSTR Get() const { return m_text; }
  BSTR* Out() { return &m_text; }
  QString Text() const { return TextFromBstr(m_text); }

 private:
  BSTR m_text = nullptr;
};

}  // namespace

// ---- property bag

bool CBagReader::Read(const char* name, VARTYPE vt, VARIANT* out) const {
  VariantInit(out);
  if (m_bag == nullptr) return false;
  const QString key = QString::fromLatin1(name);
  VARIANT raw;
  VariantInit(&raw);
  const bool read =
      SUCCEEDED(m_bag->Read(reinterpret_cast<LPCOLESTR>(key.utf16()), &raw, nullptr)) &&
      SUCCEEDED(CoerceAbi(raw, vt, out));
  VariantClear(&raw);
  return read;
}

bool CBagReader::Has(const char* name) const {
  VARIANT v;
  const bool has = Read(name, VT_VARIANT, &v);
  VariantClear(&v);
  return has;
}

int32_t CBagReader::Int(const char* name, int32_t fallback) const {
  VARIANT v;
  const int32_t value = Read(name, VT_I4, &v) ? v.lVal : fallback;
  VariantClear(&v);
  return value;
}

double CBagReader::Double(const char* name, double fallback) const {
  VARIANT v;
  const double value = Read(name, VT_R8, &v) ? v.dblVal : fallback;
  VariantClear(&v);
  return value;
}

QString CBagReader::Text(const char* name, const QString& fallback) const {
  VARIANT v;
  const QString value = Read(name, VT_BSTR, &v) ? TextFromBstr(v.bstrVal) : fallback;
  VariantClear(&v);
  return value;
}

void CBagWriter::Write(const char* name, VARIANT& value) {
  const QString key = QString::fromLatin1(name);
  if (m_bag == nullptr || FAILED(m_bag->Write(reinterpret_cast<LPCOLESTR>(key.utf16()), &value))) {
    m_ok = false;
  }
  VariantClear(&value);
}

void CBagWriter::Int(const char* name, int32_t value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  Write(name, v);
}

void CBagWriter::Double(const char* name, double value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = value;
  Write(name, v);
}

void CBagWriter::Text(const char* name, const QString& value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = BstrFromText(value);
  if (v.bstrVal == nullptr) {
    m_ok = false;
    return;
  }
  Write(name, v);
}

// ---- the control

CBuiltInControl::CBuiltInControl(const GUID& classId) : m_classId(classId) {}

CBuiltInControl::~CBuiltInControl() {
  if (m_site != nullptr) m_site->Release();
}

HRESULT CBuiltInControl::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == ICustomPoint::kIid || riid == ICustomPoint2::kIid) {
    *ppv = static_cast<ICustomPoint2*>(this);
  } else if (riid == IPersistPropertyBag::kIid) {
    *ppv = static_cast<IPersistPropertyBag*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG CBuiltInControl::AddRef() { return ++m_refs; }

ULONG CBuiltInControl::Release() {
  const ULONG left = --m_refs;
  if (left == 0) delete this;
  return left;
}

HRESULT CBuiltInControl::SetSite(ICustomPointSite* pSite) {
  ICustomPointSite2* site = nullptr;
  if (pSite != nullptr &&
      (FAILED(pSite->QueryInterface(ICustomPointSite2::kIid, reinterpret_cast<void**>(&site))) ||
       site == nullptr)) {
    return E_NOINTERFACE;
  }
  if (m_site != nullptr) {
    SiteChanging();
    m_site->Release();
  }
  m_site = site;
  return S_OK;
}

HRESULT CBuiltInControl::Configure(VARIANT_BOOL* pbResult) {
  if (pbResult != nullptr) *pbResult = VARIANT_FALSE;
  return S_OK;
}

HRESULT CBuiltInControl::Init() { return S_OK; }

HRESULT CBuiltInControl::Show() { return m_site ? m_site->DefaultShow() : E_UNEXPECTED; }

HRESULT CBuiltInControl::Verify(VARIANT_BOOL* pbValid) {
  return m_site ? m_site->DefaultVerify(pbValid) : E_UNEXPECTED;
}

HRESULT CBuiltInControl::Hide() { return m_site ? m_site->DefaultHide() : E_UNEXPECTED; }

HRESULT CBuiltInControl::SetValue(BSTR strValue) {
  return m_site ? m_site->DefaultSetValue(strValue) : E_UNEXPECTED;
}

HRESULT CBuiltInControl::GetHeight(QPainter* hDC, LONG nWidth, LONG* pnHeight) {
  return m_site ? m_site->DefaultGetHeight(hDC, nWidth, pnHeight) : E_UNEXPECTED;
}

HRESULT CBuiltInControl::Paint(QPainter* hDC, const QltRect* pRect) {
  return m_site ? m_site->DefaultPaint(hDC, pRect) : E_UNEXPECTED;
}

HRESULT CBuiltInControl::OnTap(LONG x, LONG y) {
  return m_site ? m_site->DefaultOnTap(x, y) : E_UNEXPECTED;
}

HRESULT CBuiltInControl::OnCommand(ULONG nCommand, LONGLONG nArgument) {
  return m_site ? m_site->DefaultOnCommand(nCommand, nArgument) : E_UNEXPECTED;
}

HRESULT CBuiltInControl::OnDep(IDispatch* pPoint) {
  return m_site ? m_site->DefaultOnDep(pPoint) : E_UNEXPECTED;
}

HRESULT CBuiltInControl::OnTelegram(IDispatch*) { return S_OK; }

HRESULT CBuiltInControl::SetValueV(VARIANT vValue, VARIANT_BOOL* pbResult) {
  // The host sets every value through here once a control offers ICustomPoint2: a text goes to
  // the control's own SetValue, so a control that shows its value sees every change.
  if (m_site == nullptr) return E_UNEXPECTED;
  // Arrays (a file value: a photo, a voice clip) are stored whole by the site.
  if ((vValue.vt & VT_ARRAY) != 0) return m_site->DefaultSetValueV(vValue, pbResult);
  VARIANT text;
  VariantInit(&text);
  HRESULT hr = CoerceAbi(vValue, VT_BSTR, &text);
  if (SUCCEEDED(hr)) hr = SetValue(text.bstrVal);
  VariantClear(&text);
  if (pbResult != nullptr) *pbResult = SUCCEEDED(hr) ? VARIANT_TRUE : VARIANT_FALSE;
  return hr;
}

HRESULT CBuiltInControl::GetOutputString(VARIANT vValue, BSTR strBaseFile, LONG nIndex,
                                         BSTR* pstrOutput) {
  return m_site ? m_site->DefaultGetOutputString(vValue, strBaseFile, nIndex, pstrOutput)
                : E_UNEXPECTED;
}

HRESULT CBuiltInControl::GetClassID(CLSID* pClassID) {
  if (pClassID == nullptr) return E_POINTER;
  *pClassID = m_classId;
  return S_OK;
}

HRESULT CBuiltInControl::InitNew() { return S_OK; }

HRESULT CBuiltInControl::Load(IPropertyBag* pPropBag, IUnknown*) {
  if (pPropBag == nullptr) return E_POINTER;
  LoadProperties(CBagReader(pPropBag));
  return S_OK;
}

HRESULT CBuiltInControl::Save(IPropertyBag* pPropBag, BOOL, BOOL) {
  if (pPropBag == nullptr) return E_POINTER;
  CBagWriter writer(pPropBag);
  SaveProperties(writer);
  return writer.Ok() ? S_OK : E_FAIL;
}

// ---- the site in Qt terms

QString CBuiltInControl::Value() const {
  CBstr value;
  if (m_site == nullptr || FAILED(m_site->GetValue(value.Out()))) return QString();
  return value.Text();
}

bool CBuiltInControl::SetSiteValue(const QString& text) {
  const CBstr value(text);
  return m_site != nullptr && SUCCEEDED(m_site->SetValue(value.Get()));
}

CVariant CBuiltInControl::ValueV() const {
  CVariant value;
  VARIANT abi;
  VariantInit(&abi);
  if (m_site != nullptr && SUCCEEDED(m_site->GetValueV(&abi))) ValueFromAbi(abi, value);
  VariantClear(&abi);
  return value;
}

bool CBuiltInControl::SetSiteValueV(const CVariant& value) {
  VARIANT abi;
  VariantInit(&abi);
  VARIANT_BOOL accepted = VARIANT_FALSE;
  const bool ok = m_site != nullptr && SUCCEEDED(ValueToAbi(value, &abi)) &&
                  SUCCEEDED(m_site->SetValueV(abi, &accepted)) && accepted != VARIANT_FALSE;
  VariantClear(&abi);
  return ok;
}

QString CBuiltInControl::PointValue(const QString& name, bool* found) const {
  const CBstr point(name);
  CBstr value;
  const bool ok = m_site != nullptr && m_site->GetPointValue(point.Get(), value.Out()) == S_OK;
  if (found != nullptr) *found = ok;
  return ok ? value.Text() : QString();
}

QString CBuiltInControl::ResolveValue(const QString& templateText) const {
  const CBstr given(templateText);
  CBstr value;
  if (m_site == nullptr || FAILED(m_site->ResolveValue(given.Get(), value.Out()))) return {};
  return value.Text();
}

bool CBuiltInControl::AddPrecedent(const QString& name) {
  const CBstr point(name);
  return m_site != nullptr && SUCCEEDED(m_site->AddPrecedent(point.Get()));
}

bool CBuiltInControl::AddDependent(const QString& name) {
  const CBstr point(name);
  return m_site != nullptr && SUCCEEDED(m_site->AddDependent(point.Get()));
}

void CBuiltInControl::Invalidate() const {
  if (m_site != nullptr) m_site->Invalidate();
}

void CBuiltInControl::InvalidateLayout() const {
  if (m_site != nullptr) m_site->InvalidateLayout();
}

QRect CBuiltInControl::Rect() const {
  QltRect rect{};
  if (m_site == nullptr || FAILED(m_site->GetRect(&rect))) return {};
  return FromAbi(rect);
}

QRect CBuiltInControl::FromAbi(const QltRect& rect) {
  return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

QltRect CBuiltInControl::ToAbi(const QRect& rect) {
  return QltRect{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

QWidget* CBuiltInControl::PageWidget() const {
  LONGLONG handle = 0;
  if (m_site == nullptr || FAILED(m_site->GetHWND(&handle))) return nullptr;
  return reinterpret_cast<QWidget*>(static_cast<intptr_t>(handle));
}

CCustomPoint* CBuiltInControl::HostPoint() const {
  IBuiltInSite* own = nullptr;
  if (m_site == nullptr ||
      FAILED(m_site->QueryInterface(IBuiltInSite::kIid, reinterpret_cast<void**>(&own))) ||
      own == nullptr) {
    return nullptr;
  }
  CCustomPoint* point = own->HostPoint();
  own->Release();
  return point;
}

CPageWindow* CBuiltInControl::HostWindow() const {
  const CCustomPoint* point = HostPoint();
  return point != nullptr ? point->Window() : nullptr;
}

bool CBuiltInControl::ReadOnly() const {
  VARIANT_BOOL readOnly = VARIANT_FALSE;
  return m_site != nullptr && SUCCEEDED(m_site->GetReadOnly(&readOnly)) &&
         readOnly != VARIANT_FALSE;
}

QString CBuiltInControl::Caption() const {
  CBstr caption;
  if (m_site == nullptr || FAILED(m_site->GetCaption(caption.Out()))) return {};
  return caption.Text();
}

QString CBuiltInControl::Name() const {
  CBstr name;
  if (m_site == nullptr || FAILED(m_site->GetName(name.Out()))) return {};
  return name.Text();
}

HRESULT CBuiltInControl::CaptionHeight(QPainter* painter, int width, LONG* height) const {
  *height = 0;
  return m_site ? m_site->DefaultGetHeight(painter, std::max(width, 1), height) : E_UNEXPECTED;
}

void CBuiltInControl::PaintCaption(QPainter* painter, const QRect& item, int width) const {
  if (m_site == nullptr) return;
  QRect caption = item;
  caption.setWidth(width);
  const QltRect abi = ToAbi(caption);
  m_site->DefaultPaint(painter, &abi);
}

QFont CBuiltInControl::PageFont() const {
  const CCustomPoint* point = HostPoint();
  const CProject* project = point != nullptr ? point->Project() : nullptr;
  return project != nullptr ? project->Graphics().Font(CGraphics::kNormal)
                            : CDisplayScale::NormalFont();
}

CPointType BuiltInControlType(int rank, const char* classId, const char* progId,
                              const char* displayName, const char* description, int icon,
                              int32_t flags, IUnknown* (*create)()) {
  return CPointType{
      .typeCode = CCustomPoint::kTypeCode,
      .rank = rank,
      .displayName = displayName,
      .description = description,
      .icon = icon,
      .flags = flags,
      .classId = classId,
      .progId = progId,
      .createControl = create,
  };
}
