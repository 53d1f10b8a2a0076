// The binding on Windows: the platform's own declarations of the
// configuration functions, types, constants and NTSTATUS. The toolchain's
// bcrypt.h lacks four of the seven functions; they are declared here from the
// platform's documented signatures (C linkage, WINAPI) and resolved by
// bcrypt.dll's import library. Wide text is wchar_t.
#ifndef VELK_PLATFORM_BCRYPT_HOST_H
#define VELK_PLATFORM_BCRYPT_HOST_H

#include <windows.h>
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

#define WIDE(text) L##text

#endif
