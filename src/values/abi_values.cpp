#include "values/abi_values.h"

#include <string.h>

#include <cmath>
#include <vector>

#include "values/safe_array.h"
#include "values/variant.h"
#include "values/variant_ops.h"

namespace {

// Arrays nest inside variant arrays; a hostile caller could nest them without end.
constexpr int kMaxNesting = 16;
// No real array the ABI hands us holds more elements than this.
constexpr size_t kMaxArrayElements = size_t{1} << 31;

// Bytes of one element of an array of `element` as the ABI lays it out; 0 for types that
// cannot be array elements here (decimals, records, unknown tags).
size_t AbiElementSize(VARTYPE element) {
  switch (element) {
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    case VT_DECIMAL:
      return 0;
    default:
      return static_cast<size_t>(CSafeArray::ElementSize(element));
  }
}

HRESULT ToAbi(const CVariant& value, VARIANT* out, int depth);
HRESULT FromAbi(const VARIANT& in, CVariant& out, int depth);

HRESULT ArrayToAbi(const CSafeArray& array, VARIANT* out, int depth) {
  const VARTYPE element = array.ElementType();
  if (element == VT_DECIMAL) return DISP_E_BADVARTYPE;
  std::vector<SAFEARRAYBOUND> bounds;
  for (const CSafeArray::Bound& b : array.Bounds()) {
    bounds.push_back({static_cast<ULONG>(std::max(b.count, 0)), b.lower});
  }
  SAFEARRAY* psa = SafeArrayCreate(element, static_cast<UINT>(bounds.size()), bounds.data());
  if (psa == nullptr) return AbiElementSize(element) > 0 ? E_OUTOFMEMORY : DISP_E_BADVARTYPE;
  const qsizetype count = array.ElementCount();
  if (element == VT_BSTR) {
    auto* items = static_cast<BSTR*>(psa->pvData);
    const QList<QString>& strings = array.Strings();
    for (qsizetype i = 0; i < count && i < strings.size(); ++i) {
      if (strings[i].isNull()) continue;
      items[i] = BstrFromText(strings[i]);
      if (items[i] == nullptr) {
        SafeArrayDestroy(psa);
        return E_OUTOFMEMORY;
      }
    }
  } else if (element == VT_VARIANT) {
    auto* items = static_cast<VARIANT*>(psa->pvData);
    const QList<CVariant>& variants = array.Variants();
    for (qsizetype i = 0; i < count && i < variants.size(); ++i) {
      const HRESULT hr = ToAbi(variants[i], &items[i], depth + 1);
      if (FAILED(hr)) {
        SafeArrayDestroy(psa);
        return hr;
      }
    }
  } else if (element != VT_DISPATCH && element != VT_UNKNOWN) {
    // Object arrays of the core hold only null references; everything else is raw bytes.
    const QByteArray& raw = array.RawData();
    const size_t bytes = static_cast<size_t>(count) * psa->cbElements;
    memcpy(psa->pvData, raw.constData(), std::min(bytes, static_cast<size_t>(raw.size())));
  }
  out->vt = VT_ARRAY | element;
  out->parray = psa;
  return S_OK;
}

HRESULT ToAbi(const CVariant& value, VARIANT* out, int depth) {
  VariantInit(out);
  if (depth > kMaxNesting) return E_INVALIDARG;
  if (value.IsArray()) {
    if (value.Array() == nullptr) return E_INVALIDARG;
    return ArrayToAbi(*value.Array(), out, depth);
  }
  const int64_t n = value.IntegerPayload();
  switch (value.Type()) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_I2:
    case VT_BOOL:
      out->iVal = static_cast<SHORT>(n);
      break;
    case VT_I4:
    case VT_ERROR:
    case VT_INT:
      out->lVal = static_cast<LONG>(n);
      break;
    case VT_UI4:
    case VT_UINT:
      out->ulVal = static_cast<ULONG>(n);
      break;
    case VT_I1:
      out->cVal = static_cast<CHAR>(n);
      break;
    case VT_UI1:
      out->bVal = static_cast<BYTE>(n);
      break;
    case VT_UI2:
      out->uiVal = static_cast<USHORT>(n);
      break;
    case VT_CY:
    case VT_I8:
    case VT_UI8:
      out->llVal = n;
      break;
    case VT_R4:
      out->fltVal = static_cast<float>(value.DoublePayload());
      break;
    case VT_R8:
    case VT_DATE:
      out->dblVal = value.DoublePayload();
      break;
    case VT_BSTR:
      out->bstrVal = BstrFromText(value.StringPayload());
      if (out->bstrVal == nullptr) return E_OUTOFMEMORY;
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      out->punkVal = static_cast<IUnknown*>(value.ObjectPayload());
      if (out->punkVal != nullptr) out->punkVal->AddRef();
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  out->vt = value.Type();
  return S_OK;
}

HRESULT ArrayFromAbi(VARTYPE vt, const SAFEARRAY* psa, CVariant& out, int depth) {
  if (psa == nullptr) return E_INVALIDARG;
  const VARTYPE element = vt & VT_TYPEMASK;
  if (psa->cDims == 0 || psa->cDims > CSafeArray::kMaxDimensions) return E_INVALIDARG;
  const size_t size = AbiElementSize(element);
  if (size == 0) return DISP_E_BADVARTYPE;
  // The array's own description must agree with the variant's, or its memory would be misread.
  VARTYPE own = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(const_cast<SAFEARRAY*>(psa), &own)) || own != element ||
      psa->cbElements != size) {
    return E_INVALIDARG;
  }
  std::vector<CSafeArray::Bound> bounds;
  size_t count = 1;
  for (int i = psa->cDims - 1; i >= 0; --i) {
    const SAFEARRAYBOUND& b = psa->rgsabound[i];
    if (b.cElements > static_cast<ULONG>(CSafeArray::kMaxElementsPerDimension)) return E_INVALIDARG;
    bounds.push_back({b.lLbound, static_cast<int32_t>(b.cElements)});
    if (b.cElements != 0 && count > kMaxArrayElements / b.cElements) return E_INVALIDARG;
    count *= b.cElements;
  }
  CSafeArray array(element, bounds);
  if (count != static_cast<size_t>(array.ElementCount())) return E_INVALIDARG;
  if (count > 0 && psa->pvData == nullptr) return E_INVALIDARG;
  if (element == VT_BSTR) {
    const auto* items = static_cast<const BSTR*>(psa->pvData);
    for (size_t i = 0; i < count; ++i) {
      array.Strings()[i] = items[i] == nullptr ? QString() : TextFromBstr(items[i]);
    }
  } else if (element == VT_VARIANT) {
    const auto* items = static_cast<const VARIANT*>(psa->pvData);
    for (size_t i = 0; i < count; ++i) {
      const HRESULT hr = FromAbi(items[i], array.Variants()[i], depth + 1);
      if (FAILED(hr)) return hr;
    }
  } else if (element != VT_DISPATCH && element != VT_UNKNOWN) {
    memcpy(array.RawData().data(), psa->pvData, count * psa->cbElements);
  }
  out = CVariant::FromArray(array);
  return S_OK;
}

HRESULT FromAbi(const VARIANT& in, CVariant& out, int depth) {
  if (depth > kMaxNesting) return E_INVALIDARG;
  VARTYPE vt = in.vt;
  if (vt & VT_BYREF) {
    if (in.byref == nullptr) return E_INVALIDARG;
    const VARTYPE target = vt & ~VT_BYREF;
    if (target == VT_VARIANT) {
      if (in.pvarVal->vt & VT_BYREF) return E_INVALIDARG;  // one level only
      return FromAbi(*in.pvarVal, out, depth + 1);
    }
    if (target & VT_ARRAY) return ArrayFromAbi(target, *in.pparray, out, depth);
    VARIANT plain;
    VariantInit(&plain);
    plain.vt = target;
    // A variant held by reference is unwrapped above, never copied as plain bytes.
    const size_t size = target == VT_VARIANT ? 0 : AbiElementSize(target);
    if (size == 0) return DISP_E_BADVARTYPE;
    memcpy(&plain.llVal, in.byref, size);
    return FromAbi(plain, out, depth + 1);
  }
  if (vt & VT_ARRAY) {
    if (vt & ~(VT_ARRAY | VT_TYPEMASK)) return DISP_E_BADVARTYPE;
    return ArrayFromAbi(vt, in.parray, out, depth);
  }
  switch (vt) {
    case VT_EMPTY:
      out = CVariant();
      break;
    case VT_NULL:
      out = CVariant::Null();
      break;
    case VT_I2:
      out = CVariant::FromInteger(kVtI2, in.iVal);
      break;
    case VT_BOOL:
      out = CVariant::FromBool(in.boolVal != 0);
      break;
    case VT_I4:
    case VT_ERROR:
    case VT_INT:
      out = CVariant::FromInteger(static_cast<VarType>(vt), in.lVal);
      break;
    case VT_UI4:
    case VT_UINT:
      out = CVariant::FromInteger(static_cast<VarType>(vt), in.ulVal);
      break;
    case VT_I1:
      out = CVariant::FromInteger(kVtI1, in.cVal);
      break;
    case VT_UI1:
      out = CVariant::FromInteger(kVtUi1, in.bVal);
      break;
    case VT_UI2:
      out = CVariant::FromInteger(kVtUi2, in.uiVal);
      break;
    case VT_CY:
    case VT_I8:
    case VT_UI8:
      out = CVariant::FromInteger(static_cast<VarType>(vt), in.llVal);
      break;
    case VT_R4:
      out = CVariant::FromFloat(in.fltVal);
      break;
    case VT_R8:
      out = CVariant::FromDouble(in.dblVal);
      break;
    case VT_DATE:
      out = CVariant::FromDate(in.date);
      break;
    case VT_BSTR:
      out = CVariant::FromString(TextFromBstr(in.bstrVal));
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      out = CVariant::FromObject(static_cast<VarType>(vt), in.punkVal);
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  return S_OK;
}

// What a script caller means by a truth value written as text or a number.
HRESULT ToBool(const CVariant& value, VARIANT_BOOL& out) {
  if (value.Type() == kVtBool) {
    out = value.IntegerPayload() != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  if (value.IsString()) {
    const QString text = value.StringPayload().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
      out = VARIANT_TRUE;
      return S_OK;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
      out = VARIANT_FALSE;
      return S_OK;
    }
  }
  double number = 0;
  if (!value.ToDouble(number)) return DISP_E_TYPEMISMATCH;
  out = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ToObject(const VARIANT& in, VARTYPE vt, VARIANT* out) {
  const VARIANT* source = &in;
  if (in.vt == (VT_VARIANT | VT_BYREF) && in.pvarVal != nullptr) source = in.pvarVal;
  IUnknown* object = nullptr;
  switch (source->vt) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      object = source->punkVal;
      break;
    case VT_DISPATCH | VT_BYREF:
    case VT_UNKNOWN | VT_BYREF:
      if (source->ppunkVal == nullptr) return E_INVALIDARG;
      object = *source->ppunkVal;
      break;
    default:
      return DISP_E_TYPEMISMATCH;
  }
  out->vt = vt;
  out->punkVal = nullptr;
  if (object == nullptr) return S_OK;
  if (vt == VT_UNKNOWN) {
    object->AddRef();
    out->punkVal = object;
    return S_OK;
  }
  void* dispatch = nullptr;
  if (FAILED(object->QueryInterface(IID_IDispatch, &dispatch)) || dispatch == nullptr) {
    VariantInit(out);
    return DISP_E_TYPEMISMATCH;
  }
  out->pdispVal = static_cast<IDispatch*>(dispatch);
  return S_OK;
}

}  // namespace

BSTR BstrFromText(const QString& text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()),
                           static_cast<UINT>(text.size()));
}

QString TextFromBstr(BSTR text) {
  if (text == nullptr) return QString();
  return QString::fromUtf16(text, static_cast<qsizetype>(SysStringLen(text)));
}

HRESULT ValueToAbi(const CVariant& value, VARIANT* out) {
  if (out == nullptr) return E_POINTER;
  const HRESULT hr = ToAbi(value, out, 0);
  if (FAILED(hr)) VariantInit(out);
  return hr;
}

HRESULT ValueFromAbi(const VARIANT& in, CVariant& out) {
  CVariant result;
  const HRESULT hr = FromAbi(in, result, 0);
  if (SUCCEEDED(hr)) out = result;
  return hr;
}

HRESULT CoerceAbi(const VARIANT& in, VARTYPE vt, VARIANT* out) {
  if (out == nullptr) return E_POINTER;
  VariantInit(out);
  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return ToObject(in, vt, out);
  CVariant value;
  HRESULT hr = ValueFromAbi(in, value);
  if (FAILED(hr)) return hr == E_INVALIDARG ? hr : DISP_E_TYPEMISMATCH;
  switch (vt) {
    case VT_VARIANT:
      return ValueToAbi(value, out);
    case VT_BSTR: {
      QString text;
      if (!value.ToText(text)) return DISP_E_TYPEMISMATCH;
      out->bstrVal = BstrFromText(text);
      if (out->bstrVal == nullptr) return E_OUTOFMEMORY;
      break;
    }
    case VT_I2:
    case VT_I4: {
      int32_t number = 0;
      if (!value.ToInt32(number)) {
        double any = 0;
        return value.ToDouble(any) && std::isfinite(any) ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
      }
      if (vt == VT_I2) {
        if (number < INT16_MIN || number > INT16_MAX) return DISP_E_OVERFLOW;
        out->iVal = static_cast<SHORT>(number);
      } else {
        out->lVal = number;
      }
      break;
    }
    case VT_R8:
      if (!value.ToDouble(out->dblVal)) return DISP_E_TYPEMISMATCH;
      break;
    case VT_DATE:
      if (value.IsString()) {
        if (!DateFromText(value.StringPayload(), out->date)) return DISP_E_TYPEMISMATCH;
      } else if (value.Type() == kVtDate) {
        out->date = value.DoublePayload();
      } else if (!value.ToDouble(out->date)) {
        return DISP_E_TYPEMISMATCH;
      }
      break;
    case VT_BOOL:
      hr = ToBool(value, out->boolVal);
      if (FAILED(hr)) return hr;
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  out->vt = vt;
  return S_OK;
}
