#include "automation/dispatch_table.h"

#include "values/abi_values.h"

namespace qlt::automation {

namespace {

QString NameText(const OLECHAR* name) {
  qsizetype length = 0;
  while (name[length] != 0) ++length;
  return QString::fromUtf16(name, length);
}

// Clears the coerced arguments however the call ended.
class CArgumentList {
 public:
  explicit CArgumentList(size_t count) : m_args(count) {
    for (VARIANT& v : m_args) VariantInit(&v);
  }
  ~CArgumentList() {
    for (VARIANT& v : m_args) VariantClear(&v);
  }
  CArgumentList(const CArgumentList&) = delete;
  CArgumentList& operator=(const CArgumentList&) = delete;
  VARIANT* Data() { return m_args.data(); }
  VARIANT& operator[](size_t i) { return m_args[i]; }

 private:
  std::vector<VARIANT> m_args;
};

}  // namespace

CDispatchTable::CDispatchTable(std::vector<SDispMember> members) : m_members(std::move(members)) {}

const SDispMember* CDispatchTable::Find(DISPID id, WORD kind) const {
  for (const SDispMember& member : m_members) {
    if (member.id == id && member.kind == kind) return &member;
  }
  return nullptr;
}

HRESULT CDispatchTable::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const {
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] == nullptr) return DISP_E_UNKNOWNNAME;
  const QString name = NameText(names[0]);
  for (const SDispMember& member : m_members) {
    if (member.name.compare(name, Qt::CaseInsensitive) == 0) {
      ids[0] = member.id;
      // Parameters are passed by position only.
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT CDispatchTable::Invoke(void* self, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                               VARIANT* result, UINT* argErr) const {
  if (result != nullptr) VariantInit(result);
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  const SDispMember* member = nullptr;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    member = Find(id, DISPATCH_PROPERTYPUT);
  } else {
    if (flags & DISPATCH_METHOD) member = Find(id, DISPATCH_METHOD);
    // Script callers call a property like a method ("x.Count()") and expect its value.
    if (member == nullptr && (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) {
      member = Find(id, DISPATCH_PROPERTYGET);
    }
  }
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;

  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (params == nullptr) params = &none;
  if ((params->cArgs > 0 && params->rgvarg == nullptr) ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) ||
      params->cNamedArgs > params->cArgs) {
    return E_INVALIDARG;
  }
  if (put) {
    // The new value is the one named argument, DISPID_PROPERTYPUT, and so the first of rgvarg.
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTFOUND;
    }
  } else if (params->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }
  const size_t count = member->params.size();
  if (params->cArgs != count) return DISP_E_BADPARAMCOUNT;

  CArgumentList args(count);
  for (size_t i = 0; i < count; ++i) {
    const UINT position = static_cast<UINT>(count - 1 - i);
    const HRESULT hr = CoerceAbi(params->rgvarg[position], member->params[i], &args[i]);
    if (FAILED(hr)) {
      if (argErr != nullptr) *argErr = position;
      return hr == DISP_E_OVERFLOW || hr == E_OUTOFMEMORY ? hr : DISP_E_TYPEMISMATCH;
    }
  }
  VARIANT value;
  VariantInit(&value);
  const HRESULT hr = member->call(self, args.Data(), result != nullptr ? &value : nullptr);
  if (result != nullptr) {
    if (SUCCEEDED(hr)) {
      *result = value;
    } else {
      VariantClear(&value);
    }
  }
  return hr;
}

}  // namespace qlt::automation
