// Calling automation objects the way a script host does, for the automation tests: arguments
// owned for the length of a call, names looked up, properties put with their named argument.
// Test code only; the test's thread.
#pragma once

#include <QString>
#include <vector>

#include "automation/com.h"
#include "values/abi_values.h"
#include "values/variant.h"

namespace qlt::test {

// A VARIANT result or argument cleared when it goes.
struct OwnedVariant {
  VARIANT v;
  OwnedVariant() { VariantInit(&v); }
  explicit OwnedVariant(const CVariant& value) {
    VariantInit(&v);
    ValueToAbi(value, &v);
  }
  ~OwnedVariant() { VariantClear(&v); }
  OwnedVariant(const OwnedVariant& other) {
    VariantInit(&v);
    VariantCopy(&v, &other.v);
  }
  OwnedVariant& operator=(const OwnedVariant&) = delete;
  CVariant Value() const {
    CVariant value;
    ValueFromAbi(v, value);
    return value;
  }
  QString Text() const { return v.vt == VT_BSTR ? TextFromBstr(v.bstrVal) : QString(); }
};

inline OwnedVariant Arg(const QString& text) { return OwnedVariant(CVariant::FromString(text)); }
inline OwnedVariant Arg(int32_t number) { return OwnedVariant(CVariant::FromInt32(number)); }
// An object argument (the variant takes its own reference).
inline OwnedVariant Arg(IDispatch* object) {
  OwnedVariant arg;
  arg.v.vt = VT_DISPATCH;
  arg.v.pdispVal = object;
  if (object != nullptr) object->AddRef();
  return arg;
}

struct CallResult {
  HRESULT hr = S_OK;
  OwnedVariant result;
  UINT argErr = 0xFFFFFFFF;
};

// Invokes `id` with `args` given first first (reversed for the call, as the ABI wants).
inline CallResult Call(IDispatch* object, DISPID id, WORD flags,
                       const std::vector<OwnedVariant>& args = {}) {
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->v);
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  CallResult r;
  r.hr = object->Invoke(id, IID_NULL, 0, flags, &params, &r.result.v, nullptr, &r.argErr);
  return r;
}

inline DISPID IdOf(IDispatch* object, const QString& name) {
  std::u16string text = name.toStdU16String();
  LPOLESTR names[] = {text.data()};
  DISPID id = 12345;
  return object->GetIDsOfNames(IID_NULL, names, 1, 0, &id) == S_OK ? id : DISPID_UNKNOWN;
}

// By name, as a script host does: the name is looked up first.
inline CallResult CallByName(IDispatch* object, const QString& name, WORD flags,
                             const std::vector<OwnedVariant>& args = {}) {
  const DISPID id = IdOf(object, name);
  if (id == DISPID_UNKNOWN) {
    CallResult r;
    r.hr = DISP_E_UNKNOWNNAME;
    return r;
  }
  return Call(object, id, flags, args);
}

inline CallResult Get(IDispatch* object, const QString& name,
                      const std::vector<OwnedVariant>& args = {}) {
  return CallByName(object, name, DISPATCH_PROPERTYGET, args);
}

inline CallResult Put(IDispatch* object, const QString& name, OwnedVariant value) {
  return CallByName(object, name, DISPATCH_PROPERTYPUT, {value});
}

inline CallResult Method(IDispatch* object, const QString& name,
                         const std::vector<OwnedVariant>& args = {}) {
  return CallByName(object, name, DISPATCH_METHOD, args);
}

}  // namespace qlt::test
