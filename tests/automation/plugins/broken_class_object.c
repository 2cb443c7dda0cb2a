/* Custom-point libraries that fail in the ways hosting must survive, one per build: BROKEN_MODE 1
 * exports no DllGetClassObject, 2 returns a failure, 3 returns success with a null object. */
#include <stddef.h>

#include "qlt_sdk.h"

QLT_EXPORT HRESULT DllRegisterServer(void) { return S_OK; }

#if BROKEN_MODE == 2
QLT_EXPORT HRESULT DllGetClassObject(const void* rclsid, const void* riid, void** ppv) {
  (void)rclsid;
  (void)riid;
  if (ppv) *ppv = NULL;
  return E_FAIL;
}
#elif BROKEN_MODE == 3
QLT_EXPORT HRESULT DllGetClassObject(const void* rclsid, const void* riid, void** ppv) {
  (void)rclsid;
  (void)riid;
  if (ppv) *ppv = NULL;
  return S_OK;
}
#endif
