#include "automation/com.h"

#include <stdlib.h>
#include <string.h>

#include <limits>
#include <vector>

const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IEnumVARIANT = {0x00020404, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

static_assert(sizeof(VARIANT) == 8 + 2 * sizeof(void*), "the platform's variant size");
static_assert(sizeof(GUID) == 16);

namespace {

constexpr HRESULT kArrayIsLocked = static_cast<HRESULT>(0x8002000D);
// Arrays larger than this are refused rather than allocated.
constexpr size_t kMaxArrayBytes = size_t{1} << 31;

// The element type sits in the four bytes before the structure; the block starts 8 bytes before
// it so the structure keeps its pointer alignment.
constexpr size_t kArrayPrefix = 8;

uint32_t& ArrayVartype(SAFEARRAY* psa) {
  return *reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(psa) - 4);
}

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_ERROR:
    case VT_INT:
    case VT_UINT:
      return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
      return 8;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    case VT_DECIMAL:
      return 16;
    default:
      return 0;
  }
}

USHORT FeaturesFor(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_DISPATCH:
      return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_UNKNOWN:
      return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_VARIANT:
      return FADF_HAVEVARTYPE | FADF_VARIANT;
    default:
      return FADF_HAVEVARTYPE;
  }
}

size_t ElementCount(const SAFEARRAY* psa) {
  size_t count = 1;
  for (USHORT i = 0; i < psa->cDims; ++i) count *= psa->rgsabound[i].cElements;
  return count;
}

// Whether `vt` (without modifiers) is a type a variant may hold.
bool IsKnownScalar(VARTYPE vt) {
  return vt <= VT_DECIMAL ? vt != 15 : (vt >= VT_I1 && vt <= VT_UINT);
}

void ReleaseElements(SAFEARRAY* psa) {
  const size_t count = ElementCount(psa);
  if (psa->pvData == nullptr) return;
  if (psa->fFeatures & FADF_BSTR) {
    auto* items = static_cast<BSTR*>(psa->pvData);
    for (size_t i = 0; i < count; ++i) SysFreeString(items[i]);
  } else if (psa->fFeatures & (FADF_DISPATCH | FADF_UNKNOWN)) {
    auto* items = static_cast<IUnknown**>(psa->pvData);
    for (size_t i = 0; i < count; ++i) {
      if (items[i] != nullptr) items[i]->Release();
    }
  } else if (psa->fFeatures & FADF_VARIANT) {
    auto* items = static_cast<VARIANT*>(psa->pvData);
    for (size_t i = 0; i < count; ++i) VariantClear(&items[i]);
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

extern "C" {

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  const size_t bytes = size_t{length} * sizeof(OLECHAR);
  if (bytes > std::numeric_limits<uint32_t>::max() - 8) return nullptr;
  auto* block = static_cast<char*>(malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const uint32_t count = static_cast<uint32_t>(bytes);
  memcpy(block, &count, sizeof count);
  auto* result = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
  if (text != nullptr) {
    memcpy(result, text, bytes);
  } else {
    memset(result, 0, bytes);
  }
  result[length] = 0;
  return result;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text != nullptr) free(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

UINT SysStringByteLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t count = 0;
  memcpy(&count, reinterpret_cast<char*>(text) - sizeof(uint32_t), sizeof count);
  return count;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  const ULONG size = ElementSize(vt);
  if (size == 0 || cDims == 0 || cDims > 0xFFFF || rgsabound == nullptr) return nullptr;
  size_t count = 1;
  for (UINT i = 0; i < cDims; ++i) {
    const size_t n = rgsabound[i].cElements;
    if (n != 0 && count > kMaxArrayBytes / n) return nullptr;
    count *= n;
  }
  if (count > kMaxArrayBytes / size) return nullptr;
  const size_t header = kArrayPrefix + sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
  auto* block = static_cast<char*>(calloc(1, header));
  if (block == nullptr) return nullptr;
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kArrayPrefix);
  psa->pvData = calloc(count == 0 ? 1 : count, size);
  if (psa->pvData == nullptr) {
    free(block);
    return nullptr;
  }
  psa->cDims = static_cast<USHORT>(cDims);
  psa->fFeatures = FeaturesFor(vt);
  psa->cbElements = size;
  // Kept last first, as the platform does.
  for (UINT i = 0; i < cDims; ++i) psa->rgsabound[cDims - 1 - i] = rgsabound[i];
  ArrayVartype(psa) = vt;
  if (vt == VT_VARIANT) {
    auto* items = static_cast<VARIANT*>(psa->pvData);
    for (size_t i = 0; i < count; ++i) VariantInit(&items[i]);
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (psa == nullptr) return S_OK;
  if (psa->cLocks > 0) return kArrayIsLocked;
  ReleaseElements(psa);
  free(psa->pvData);
  free(reinterpret_cast<char*>(psa) - kArrayPrefix);
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (ppsaOut == nullptr) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (psa == nullptr) return S_OK;
  const VARTYPE vt = static_cast<VARTYPE>(ArrayVartype(psa));
  std::vector<SAFEARRAYBOUND> bounds(psa->cDims);
  for (UINT i = 0; i < psa->cDims; ++i) bounds[i] = psa->rgsabound[psa->cDims - 1 - i];
  SAFEARRAY* copy = SafeArrayCreate(vt, psa->cDims, bounds.data());
  if (copy == nullptr) return E_OUTOFMEMORY;
  const size_t count = ElementCount(psa);
  if (vt == VT_BSTR) {
    auto* from = static_cast<BSTR*>(psa->pvData);
    auto* to = static_cast<BSTR*>(copy->pvData);
    for (size_t i = 0; i < count; ++i) {
      if (from[i] == nullptr) continue;
      to[i] = SysAllocStringLen(from[i], SysStringLen(from[i]));
      if (to[i] == nullptr) {
        SafeArrayDestroy(copy);
        return E_OUTOFMEMORY;
      }
    }
  } else if (vt == VT_VARIANT) {
    auto* from = static_cast<VARIANT*>(psa->pvData);
    auto* to = static_cast<VARIANT*>(copy->pvData);
    for (size_t i = 0; i < count; ++i) {
      const HRESULT hr = VariantCopy(&to[i], &from[i]);
      if (FAILED(hr)) {
        SafeArrayDestroy(copy);
        return hr;
      }
    }
  } else {
    memcpy(copy->pvData, psa->pvData, count * psa->cbElements);
    if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
      auto* items = static_cast<IUnknown**>(copy->pvData);
      for (size_t i = 0; i < count; ++i) {
        if (items[i] != nullptr) items[i]->AddRef();
      }
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cDims; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cbElements; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
  *pvt = static_cast<VARTYPE>(ArrayVartype(psa));
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
  *plUbound = static_cast<LONG>(int64_t{bound.lLbound} + int64_t{bound.cElements} - 1);
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
  ++psa->cLocks;
  *ppvData = psa->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

void VariantInit(VARIANT* pvarg) {
  if (pvarg == nullptr) return;
  memset(pvarg, 0, sizeof *pvarg);
}

HRESULT VariantClear(VARIANT* pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  const VARTYPE base = pvarg->vt & VT_TYPEMASK;
  if (!(pvarg->vt & VT_BYREF)) {
    if (pvarg->vt & VT_ARRAY) {
      if (pvarg->vt & ~(VT_ARRAY | VT_TYPEMASK)) return DISP_E_BADVARTYPE;
      const HRESULT hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;
    } else if (pvarg->vt & ~VT_TYPEMASK || !IsKnownScalar(base)) {
      return DISP_E_BADVARTYPE;
    } else if (base == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if ((base == VT_DISPATCH || base == VT_UNKNOWN) && pvarg->punkVal != nullptr) {
      pvarg->punkVal->Release();
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc) {
  if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  const HRESULT cleared = VariantClear(pvargDest);
  if (FAILED(cleared)) return cleared;
  const VARTYPE vt = pvargSrc->vt;
  if (vt & VT_BYREF) {
    *pvargDest = *pvargSrc;
    return S_OK;
  }
  if (vt & VT_ARRAY) {
    SAFEARRAY* copy = nullptr;
    const HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy);
    if (FAILED(hr)) return hr;
    pvargDest->vt = vt;
    pvargDest->parray = copy;
    return S_OK;
  }
  if (vt & ~VT_TYPEMASK || !IsKnownScalar(vt)) return DISP_E_BADVARTYPE;
  *pvargDest = *pvargSrc;
  if (vt == VT_BSTR && pvargSrc->bstrVal != nullptr) {
    pvargDest->bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
    if (pvargDest->bstrVal == nullptr) {
      VariantInit(pvargDest);
      return E_OUTOFMEMORY;
    }
  } else if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && pvargSrc->punkVal != nullptr) {
    pvargSrc->punkVal->AddRef();
  }
  return S_OK;
}

}  // extern "C"

bool GuidFromText(const char* text, GUID& out) {
  if (text == nullptr) return false;
  size_t length = strlen(text);
  if (length == 38) {
    if (text[0] != '{' || text[37] != '}') return false;
    ++text;
    length = 36;
  }
  if (length != 36) return false;
  uint8_t bytes[16];
  int b = 0;
  for (size_t i = 0; i < 36;) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return false;
      ++i;
      continue;
    }
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[b++] = static_cast<uint8_t>(high * 16 + low);
    i += 2;
  }
  out.Data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
              bytes[3];
  out.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
  out.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
  memcpy(out.Data4, bytes + 8, 8);
  return true;
}

GUID MakeGuid(const char* text) {
  GUID guid{};
  if (!GuidFromText(text, guid)) guid = IID_NULL;
  return guid;
}
