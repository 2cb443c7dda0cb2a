/* A custom-point library whose registration succeeds; it notes each call in the file named by
 * QLT_TEST_SWEEP_MARKER so the library-registration tests can count the calls. */
#include <stdio.h>
#include <stdlib.h>

#include "qlt_sdk.h"

HRESULT DllRegisterServer(void) {
  const char* marker = getenv("QLT_TEST_SWEEP_MARKER");
  if (marker != NULL) {
    FILE* file = fopen(marker, "a");
    if (file != NULL) {
      fputs("registered\n", file);
      fclose(file);
    }
  }
  return S_OK;
}
