// The key storage provider that this tool installs: its fixed identity, its
// registration record, and the procedures that write, remove and list the
// platform's provider configuration. Each procedure prints its own failure
// lines and tells its caller nothing.
#ifndef VELK_PROVIDER_PROVIDER_IDENTITY_H
#define VELK_PROVIDER_PROVIDER_IDENTITY_H

#include "common/wide_text.h"
#include "platform/bcrypt_binding.h"

inline constexpr WideChar PROVIDER_NAME[] = WIDE("Velk Key Storage Provider");

// The provider's user-mode module: named in the record, never loaded here.
inline constexpr WideChar PROVIDER_IMAGE[] = WIDE("VelkKsp.dll");

// The registration record, constant for the whole process:
// ProviderRegistration -> ProviderImage (user mode) -> KeyStorageInterface.
extern const CRYPT_PROVIDER_REG ProviderRegistration;
extern const CRYPT_IMAGE_REG ProviderImage;
extern const CRYPT_INTERFACE_REG KeyStorageInterface;

void RegisterKeyStorageProvider();
void UnregisterKeyStorageProvider();
void ListRegisteredProviders();

#endif
