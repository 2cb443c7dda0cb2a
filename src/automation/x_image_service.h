// XImageService: an image service object (IImageService) made by IApplication.CreateImageService,
// with a CImageServices of its own. It stands for no core object, so it keeps working after the
// root has gone; the root only counts it among the live facets. It answers IDispatch too, where
// LoadImage takes the bytes as a byte array. Owned by its references, which are counted on the UI
// thread; LoadImage itself holds no state and may be called from any thread.
//
// LoadBitmap and LoadBitmapFromArray are the one decoding path behind every LoadImage member (the
// application's and this object's, through the vtable and through IDispatch).
#pragma once

#include "app/image_services.h"
#include "automation/facet.h"

namespace qlt::automation {

// Decodes `length` bytes at `source` into a new bitmap handle (see QltDeleteBitmap): E_POINTER
// for a null out pointer or null bytes, E_INVALIDARG for a negative size, E_FAIL when the bytes
// are no readable picture, E_OUTOFMEMORY; `*bitmap` is 0 on failure.
HRESULT LoadBitmap(const CImageServices& service, const BYTE* source, LONG length, LONG width,
                   LONG height, LONG flags, LONGLONG* bitmap);
// The same from a byte array variant (by reference too), of which the first `length` bytes are
// read: DISP_E_TYPEMISMATCH for anything but a byte array, E_INVALIDARG when `length` exceeds it.
HRESULT LoadBitmapFromArray(const CImageServices& service, const VARIANT& source, LONG length,
                            LONG width, LONG height, LONG flags, LONGLONG* bitmap);

// A bitmap handle as an IDispatch result (VT_I8); a caller that asks for no result gets none
// made for it, so nothing is left unowned.
struct SBitmapResult {
  LONGLONG handle = 0;
};
template <>
struct OutTraits<SBitmapResult*> {
  static constexpr bool kIsOut = true;
  using Storage = SBitmapResult;
  static void Deliver(Storage& out, VARIANT* result) {
    if (result == nullptr) return QltDeleteBitmap(out.handle);
    result->vt = VT_I8;
    result->llVal = out.handle;
  }
};

// IImageService's dispatch side answers to the plain IDispatch identifier.
struct IImageServiceDispatch : IDispatch {
  static constexpr IID kIid = GuidLiteral("{00020400-0000-0000-C000-000000000046}");
};

}  // namespace qlt::automation

class XImageService final
    : public TDispatchFacet<XImageService, qlt::automation::IImageServiceDispatch>,
      public IImageService {
 public:
  explicit XImageService(CAutomationRoot* root);
  static const qlt::automation::CDispatchTable& Table();

  // IUnknown, for both faces: one identity (the IDispatch face), one reference count.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override { return TDispatchFacet::AddRef(); }
  ULONG Release() override { return TDispatchFacet::Release(); }

  HRESULT LoadImage(const BYTE* pSource, LONG nSource, LONG nWidth, LONG nHeight, LONG nFlags,
                    LONGLONG* phBitmap) override;
  // LoadImage as IDispatch calls it.
  HRESULT LoadImageFromArray(VARIANT vSource, LONG nSource, LONG nWidth, LONG nHeight, LONG nFlags,
                             qlt::automation::SBitmapResult* pBitmap);

 protected:
  void OnDisconnect() override {}

 private:
  CImageServices m_service;
};
