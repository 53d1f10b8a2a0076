// The CNG configuration functions of bcrypt.dll on Windows, as this stand-in
// exports them: the platform's own types, records, constants and statuses
// from the toolchain's headers, and the four functions those headers lack,
// declared from the platform's documented signatures.
#ifndef CNG_CONFIG_H
#define CNG_CONFIG_H

#define WIN32_NO_STATUS
#include <windows.h>
#undef WIN32_NO_STATUS
#include <ntstatus.h>

#include <bcrypt.h>
#include <ncrypt.h>

extern "C" {
NTSTATUS WINAPI BCryptRegisterProvider(LPCWSTR pszProvider, ULONG dwFlags, PCRYPT_PROVIDER_REG pReg);
NTSTATUS WINAPI BCryptUnregisterProvider(LPCWSTR pszProvider);
NTSTATUS WINAPI BCryptAddContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext,
                                                 ULONG dwInterface, LPCWSTR pszFunction,
                                                 LPCWSTR pszProvider, ULONG dwPosition);
NTSTATUS WINAPI BCryptRemoveContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext,
                                                    ULONG dwInterface, LPCWSTR pszFunction,
                                                    LPCWSTR pszProvider);
}

#endif
