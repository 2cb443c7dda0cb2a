#include "automation/x_image_service.h"

#include <new>

#include "values/abi_values.h"
#include "values/variant.h"

using namespace qlt::automation;

// Exported by the client for the libraries it loads, like the string and array functions.
extern "C" void QltDeleteBitmap(LONGLONG hBitmap) {
  delete reinterpret_cast<QImage*>(static_cast<intptr_t>(hBitmap));
}

namespace qlt::automation {

HRESULT LoadBitmap(const CImageServices& service, const BYTE* source, LONG length, LONG width,
                   LONG height, LONG flags, LONGLONG* bitmap) {
  if (bitmap == nullptr) return E_POINTER;
  *bitmap = 0;
  if (source == nullptr && length > 0) return E_POINTER;
  CImageServices::Failure failure = CImageServices::Failure::kNone;
  QImage image = service.LoadImage(source, length > 0 ? length : 0, width, height,
                                   static_cast<unsigned>(flags), &failure);
  if (image.isNull()) {
    switch (failure) {
      case CImageServices::Failure::kInvalidSize:
        return E_INVALIDARG;
      case CImageServices::Failure::kOutOfMemory:
        return E_OUTOFMEMORY;
      default:
        return E_FAIL;
    }
  }
  auto* handle = new (std::nothrow) QImage(std::move(image));
  if (handle == nullptr) return E_OUTOFMEMORY;
  *bitmap = static_cast<LONGLONG>(reinterpret_cast<intptr_t>(handle));
  return S_OK;
}

HRESULT LoadBitmapFromArray(const CImageServices& service, const VARIANT& source, LONG length,
                            LONG width, LONG height, LONG flags, LONGLONG* bitmap) {
  if (bitmap == nullptr) return E_POINTER;
  *bitmap = 0;
  CVariant value;
  const HRESULT hr = ValueFromAbi(source, value);
  if (FAILED(hr)) return hr;
  if (!value.IsByteArray()) return DISP_E_TYPEMISMATCH;
  const QByteArray bytes = value.Bytes();
  if (length > bytes.size()) return E_INVALIDARG;
  return LoadBitmap(service, reinterpret_cast<const BYTE*>(bytes.constData()), length, width,
                    height, flags, bitmap);
}

}  // namespace qlt::automation

XImageService::XImageService(CAutomationRoot* root) : TDispatchFacet(root, nullptr) {}

const CDispatchTable& XImageService::Table() {
  static const CDispatchTable table({
      Bind<&XImageService::LoadImageFromArray>("LoadImage", 0x2b, DISPATCH_METHOD),
  });
  return table;
}

HRESULT XImageService::QueryInterface(REFIID riid, void** ppv) {
  if (ppv != nullptr && riid == IImageService::kIid) {
    *ppv = static_cast<IImageService*>(this);
    AddRef();
    return S_OK;
  }
  return TDispatchFacet::QueryInterface(riid, ppv);
}

HRESULT XImageService::LoadImage(const BYTE* pSource, LONG nSource, LONG nWidth, LONG nHeight,
                                 LONG nFlags, LONGLONG* phBitmap) {
  return LoadBitmap(m_service, pSource, nSource, nWidth, nHeight, nFlags, phBitmap);
}

HRESULT XImageService::LoadImageFromArray(VARIANT vSource, LONG nSource, LONG nWidth, LONG nHeight,
                                          LONG nFlags, SBitmapResult* pBitmap) {
  return LoadBitmapFromArray(m_service, vSource, nSource, nWidth, nHeight, nFlags,
                             &pBitmap->handle);
}
