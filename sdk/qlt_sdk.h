/* The public header for custom-point libraries: the status type of every entry point and the
 * registration entry point the client calls. A custom-point library is a shared object ("*.so")
 * placed in the client's program folder; at start-up (and when a point's control class cannot be
 * created) the client loads each one, calls its exported DllRegisterServer once and unloads it
 * again. Registration records the library's classes in the per-user class registry
 * $XDG_CONFIG_HOME/Brenmoor/Classes.conf (~/.config when XDG_CONFIG_HOME is unset), an INI file
 * with one [CLSID] group per class; the helpers that write it come with the automation headers.
 * Plain C, so a library can be written in C or C++. */
#ifndef QLT_SDK_H
#define QLT_SDK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A status code with the automation numbering: negative is a failure, zero or positive a
 * success. Always 32 bits wide (as on the system the numbering comes from), so that a failure
 * code such as 0x80004005 stays negative where `long` has 64 bits. */
#ifndef QLT_HRESULT_DEFINED
#define QLT_HRESULT_DEFINED
typedef int32_t HRESULT;
#endif

#ifndef S_OK
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005)
#endif
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif

/* Exported with default visibility by every custom-point library. Registers the library's
 * classes; returns S_OK on success and a negative code on failure. The client counts a
 * non-negative result as a successful registration. */
typedef HRESULT (*QltDllRegisterServerFn)(void);
#define QLT_REGISTER_SERVER_SYMBOL "DllRegisterServer"

#if defined(__GNUC__)
#define QLT_EXPORT __attribute__((visibility("default")))
#else
#define QLT_EXPORT
#endif

QLT_EXPORT HRESULT DllRegisterServer(void);

#ifdef __cplusplus
}
#endif

#endif /* QLT_SDK_H */
