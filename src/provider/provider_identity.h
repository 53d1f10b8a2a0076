// The key storage provider that this tool installs: its fixed identity, its
// registration record, and the procedures that write, remove and list the
// platform's provider configuration. Each procedure prints its own failure
// lines and tells its caller nothing.
#ifndef VELK_PROVIDER_PROVIDER_IDENTITY_H
#define VELK_PROVIDER_PROVIDER_IDENTITY_H

#include "platform/bcrypt_binding.h"

inline constexpr WideChar PROVIDER_NAME[] = WIDE("Velk Key Storage Provider");

// The provider's user-mode module: named in the record, never loaded here.
inline constexpr WideChar PROVIDER_IMAGE[] = WIDE("VelkKsp.dll");

// The registration record, constant for the whole process:
// ProviderRegistration -> ProviderImage (user mode) -> KeyStorageInterface.
extern const CRYPT_PROVIDER_REG ProviderRegistration;

void RegisterKeyStorageProvider();
void UnregisterKeyStorageProvider();
void ListRegisteredProviders();

#endif
