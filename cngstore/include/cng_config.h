// The CNG configuration functions of bcrypt.dll, as this store provides them on
// hosts without the platform. Types, record layouts, constants and signatures
// follow the platform's documented API; the functions have C linkage.
#ifndef CNG_CONFIG_H
#define CNG_CONFIG_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

// The calling convention of the platform's functions; the host's own here.
#ifndef WINAPI
#define WINAPI
#endif

typedef char16_t WCHAR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef uint32_t ULONG;
typedef void* PVOID;
typedef int32_t NTSTATUS;

typedef struct _CRYPT_INTERFACE_REG {
  ULONG dwInterface;
  ULONG dwFlags;
  ULONG cFunctions;
  PWSTR* rgpszFunctions;
} CRYPT_INTERFACE_REG, *PCRYPT_INTERFACE_REG;

typedef struct _CRYPT_IMAGE_REG {
  PWSTR pszImage;
  ULONG cInterfaces;
  PCRYPT_INTERFACE_REG* rgpInterfaces;
} CRYPT_IMAGE_REG, *PCRYPT_IMAGE_REG;

typedef struct _CRYPT_PROVIDER_REG {
  ULONG cAliases;
  PWSTR* rgpszAliases;
  PCRYPT_IMAGE_REG pUM;
  PCRYPT_IMAGE_REG pKM;
} CRYPT_PROVIDER_REG, *PCRYPT_PROVIDER_REG;

typedef struct _CRYPT_PROVIDERS {
  ULONG cProviders;
  PWSTR* rgpszProviders;
} CRYPT_PROVIDERS, *PCRYPT_PROVIDERS;

// Configuration tables.
#define CRYPT_LOCAL 0x00000001
#define CRYPT_DOMAIN 0x00000002

// Flags of BCryptRegisterProvider.
#define CRYPT_OVERWRITE 0x00000001

// Positions in a priority list.
#define CRYPT_PRIORITY_TOP 0x00000000
#define CRYPT_PRIORITY_BOTTOM 0xFFFFFFFF

// Interfaces.
#define BCRYPT_CIPHER_INTERFACE 0x00000001
#define BCRYPT_HASH_INTERFACE 0x00000002
#define BCRYPT_ASYMMETRIC_ENCRYPTION_INTERFACE 0x00000003
#define BCRYPT_SECRET_AGREEMENT_INTERFACE 0x00000004
#define BCRYPT_SIGNATURE_INTERFACE 0x00000005
#define BCRYPT_RNG_INTERFACE 0x00000006
#define BCRYPT_KEY_DERIVATION_INTERFACE 0x00000007
#define NCRYPT_KEY_STORAGE_INTERFACE 0x00010001
#define NCRYPT_SCHANNEL_INTERFACE 0x00010002
#define NCRYPT_SCHANNEL_SIGNATURE_INTERFACE 0x00010003
#define NCRYPT_KEY_PROTECTION_INTERFACE 0x00010004

#define NCRYPT_KEY_STORAGE_ALGORITHM u"KEY_STORAGE"

// Statuses this store returns.
#define STATUS_SUCCESS ((NTSTATUS)0x00000000)
#define STATUS_UNSUCCESSFUL ((NTSTATUS)0xC0000001)
#define STATUS_INVALID_PARAMETER ((NTSTATUS)0xC000000D)
#define STATUS_NO_MEMORY ((NTSTATUS)0xC0000017)
#define STATUS_ACCESS_DENIED ((NTSTATUS)0xC0000022)
#define STATUS_BUFFER_TOO_SMALL ((NTSTATUS)0xC0000023)
#define STATUS_OBJECT_NAME_COLLISION ((NTSTATUS)0xC0000035)
#define STATUS_DISK_FULL ((NTSTATUS)0xC000007F)
#define STATUS_REGISTRY_CORRUPT ((NTSTATUS)0xC000014C)
#define STATUS_NOT_FOUND ((NTSTATUS)0xC0000225)

#ifdef __cplusplus
extern "C" {
#endif

NTSTATUS WINAPI BCryptRegisterProvider(LPCWSTR pszProvider, ULONG dwFlags, PCRYPT_PROVIDER_REG pReg);
NTSTATUS WINAPI BCryptUnregisterProvider(LPCWSTR pszProvider);
NTSTATUS WINAPI BCryptAddContextFunction(ULONG dwTable, LPCWSTR pszContext, ULONG dwInterface,
                                  LPCWSTR pszFunction, ULONG dwPosition);
NTSTATUS WINAPI BCryptAddContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext, ULONG dwInterface,
                                          LPCWSTR pszFunction, LPCWSTR pszProvider,
                                          ULONG dwPosition);
NTSTATUS WINAPI BCryptRemoveContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext,
                                             ULONG dwInterface, LPCWSTR pszFunction,
                                             LPCWSTR pszProvider);
NTSTATUS WINAPI BCryptEnumRegisteredProviders(ULONG* pcbBuffer, PCRYPT_PROVIDERS* ppBuffer);
void WINAPI BCryptFreeBuffer(PVOID pvBuffer);

#ifdef __cplusplus
}
#endif

#endif
