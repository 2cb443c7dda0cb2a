// CDispatchTable: the member table of one automation interface (name, dispatch identifier, kind
// and the vtable member that implements it) and the IDispatch side built from it: names to
// identifiers without regard to case, and Invoke by identifier with the argument count and types
// checked and coerced before the member runs. `Bind<&XFacet::get_Name>(...)` reads the parameter
// and result types from the member's signature, so the vtable members are the one
// implementation and compiled callers and script-like callers reach the same code. Tables are
// built once per interface (function-local statics); UI thread.
#pragma once

#include <QString>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/com.h"

namespace qlt::automation {

// How an argument of a member's parameter type is taken from its coerced VARIANT.
template <typename T>
struct ArgTraits;
template <>
struct ArgTraits<BSTR> {
  static constexpr VARTYPE kVt = VT_BSTR;
  static BSTR Take(VARIANT& v) { return v.bstrVal; }
};
template <>
struct ArgTraits<LONG> {
  static constexpr VARTYPE kVt = VT_I4;
  static LONG Take(VARIANT& v) { return v.lVal; }
};
// VARIANT_BOOL (a 16-bit integer): the interfaces take no other 16-bit parameter.
template <>
struct ArgTraits<VARIANT_BOOL> {
  static constexpr VARTYPE kVt = VT_BOOL;
  static VARIANT_BOOL Take(VARIANT& v) { return v.boolVal; }
};
template <>
struct ArgTraits<double> {
  static constexpr VARTYPE kVt = VT_R8;
  static double Take(VARIANT& v) { return v.dblVal; }
};
template <>
struct ArgTraits<IDispatch*> {
  static constexpr VARTYPE kVt = VT_DISPATCH;
  static IDispatch* Take(VARIANT& v) { return v.pdispVal; }
};
template <>
struct ArgTraits<VARIANT> {
  static constexpr VARTYPE kVt = VT_VARIANT;
  static VARIANT Take(VARIANT& v) { return v; }
};

// How a member's out (result) parameter is kept and handed to the caller's result variant.
template <typename T>
struct OutTraits {
  static constexpr bool kIsOut = false;
};
template <>
struct OutTraits<BSTR*> {
  static constexpr bool kIsOut = true;
  using Storage = BSTR;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) return SysFreeString(out);
    result->vt = VT_BSTR;
    result->bstrVal = out;
  }
};
template <>
struct OutTraits<LONG*> {
  static constexpr bool kIsOut = true;
  using Storage = LONG;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) return;
    result->vt = VT_I4;
    result->lVal = out;
  }
};
template <>
struct OutTraits<LONGLONG*> {
  static constexpr bool kIsOut = true;
  using Storage = LONGLONG;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) return;
    result->vt = VT_I8;
    result->llVal = out;
  }
};
template <>
struct OutTraits<VARIANT_BOOL*> {
  static constexpr bool kIsOut = true;
  using Storage = VARIANT_BOOL;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) return;
    result->vt = VT_BOOL;
    result->boolVal = out;
  }
};
template <>
struct OutTraits<double*> {
  static constexpr bool kIsOut = true;
  using Storage = double;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) return;
    result->vt = VT_R8;
    result->dblVal = out;
  }
};
template <>
struct OutTraits<IDispatch**> {
  static constexpr bool kIsOut = true;
  using Storage = IDispatch*;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) {
      if (out != nullptr) out->Release();
      return;
    }
    result->vt = VT_DISPATCH;
    result->pdispVal = out;
  }
};
template <>
struct OutTraits<IUnknown**> {
  static constexpr bool kIsOut = true;
  using Storage = IUnknown*;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) {
      if (out != nullptr) out->Release();
      return;
    }
    result->vt = VT_UNKNOWN;
    result->punkVal = out;
  }
};
template <>
struct OutTraits<VARIANT*> {
  static constexpr bool kIsOut = true;
  using Storage = VARIANT;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) {
      VariantClear(&out);
      return;
    }
    *result = out;
  }
};

// One member of an interface as IDispatch sees it.
struct SDispMember {
  QString name;
  DISPID id = 0;
  WORD kind = DISPATCH_METHOD;  // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
  std::vector<VARTYPE> params;  // the in parameters, first first
  // Calls the member on `self` with the coerced arguments (first first); fills `result` (an
  // empty variant, or null when the caller wants no result) from the member's out parameter.
  HRESULT (*call)(void* self, VARIANT* args, VARIANT* result) = nullptr;
};

template <auto Method>
struct Binder;

template <typename C, typename... A, HRESULT (C::*Method)(A...)>
struct Binder<Method> {
  using Args = std::tuple<A...>;
  static constexpr size_t kCount = sizeof...(A);
  template <size_t N, bool = (N > 0)>
  struct LastIsOut : std::false_type {};
  template <size_t N>
  struct LastIsOut<N, true>
      : std::bool_constant<OutTraits<std::tuple_element_t<N - 1, Args>>::kIsOut> {};
  static constexpr bool kHasOut = LastIsOut<kCount>::value;
  static constexpr size_t kIns = kHasOut ? kCount - 1 : kCount;

  template <size_t... I>
  static std::vector<VARTYPE> ParamsOf(std::index_sequence<I...>) {
    return {ArgTraits<std::tuple_element_t<I, Args>>::kVt...};
  }

  template <size_t... I>
  static HRESULT CallWith(C* self, VARIANT* args, VARIANT* result, std::index_sequence<I...>) {
    if constexpr (kHasOut) {
      using Out = OutTraits<std::tuple_element_t<kCount - 1, Args>>;
      typename Out::Storage out{};
      const HRESULT hr =
          (self->*Method)(ArgTraits<std::tuple_element_t<I, Args>>::Take(args[I])..., &out);
      Out::Deliver(out, result);
      return hr;
    } else {
      (void)result;
      return (self->*Method)(ArgTraits<std::tuple_element_t<I, Args>>::Take(args[I])...);
    }
  }

  static HRESULT Call(void* self, VARIANT* args, VARIANT* result) {
    return CallWith(static_cast<C*>(self), args, result, std::make_index_sequence<kIns>{});
  }
};

// A member entry for `Method` (a member of the facet class the table belongs to).
template <auto Method>
SDispMember Bind(const char* name, DISPID id, WORD kind) {
  using B = Binder<Method>;
  return SDispMember{QString::fromLatin1(name), id, kind,
                     B::ParamsOf(std::make_index_sequence<B::kIns>{}), &B::Call};
}

class CDispatchTable {
 public:
  explicit CDispatchTable(std::vector<SDispMember> members);

  // Names to identifiers; the first name is the member, further names its parameters, which
  // are not named here (DISPID_UNKNOWN, DISP_E_UNKNOWNNAME).
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const;
  // `self` is the facet object the members are called on.
  HRESULT Invoke(void* self, DISPID id, REFIID riid, WORD flags, DISPPARAMS* params,
                 VARIANT* result, UINT* argErr) const;

  // The member of that identifier and kind, nullptr when there is none.
  const SDispMember* Find(DISPID id, WORD kind) const;
  const std::vector<SDispMember>& Members() const { return m_members; }

 private:
  std::vector<SDispMember> m_members;
};

}  // namespace qlt::automation
