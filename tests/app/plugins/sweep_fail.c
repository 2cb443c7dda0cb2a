/* A custom-point library whose registration fails with a negative status; it notes each call in
 * the file named by QLT_TEST_SWEEP_MARKER. */
#include <stdio.h>
#include <stdlib.h>

#include "qlt_sdk.h"

HRESULT DllRegisterServer(void) {
  const char* marker = getenv("QLT_TEST_SWEEP_MARKER");
  if (marker != NULL) {
    FILE* file = fopen(marker, "a");
    if (file != NULL) {
      fputs("failed\n", file);
      fclose(file);
    }
  }
  return E_FAIL;
}
