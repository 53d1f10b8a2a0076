// The platform's record types hold non-const pointers, but it only reads
// them: the const_casts below never lead to a write.
#include "provider_identity.h"

namespace {

// CRYPT_INTERFACE_REG flags: the functions are available on the local machine.
constexpr ULONG INTERFACE_FLAGS = 0x00000001;

constinit PWSTR const KEY_STORAGE_FUNCTIONS[] = {
    const_cast<PWSTR>(NCRYPT_KEY_STORAGE_ALGORITHM)};

constinit const CRYPT_INTERFACE_REG KeyStorageInterface = {
    NCRYPT_KEY_STORAGE_INTERFACE,
    INTERFACE_FLAGS,
    1,
    const_cast<PWSTR*>(KEY_STORAGE_FUNCTIONS),
};

constinit PCRYPT_INTERFACE_REG const PROVIDER_INTERFACES[] = {
    const_cast<PCRYPT_INTERFACE_REG>(&KeyStorageInterface)};

constinit const CRYPT_IMAGE_REG ProviderImage = {
    const_cast<PWSTR>(PROVIDER_IMAGE),
    1,
    const_cast<PCRYPT_INTERFACE_REG*>(PROVIDER_INTERFACES),
};

}  // namespace

constinit const CRYPT_PROVIDER_REG ProviderRegistration = {
    0,
    nullptr,
    const_cast<PCRYPT_IMAGE_REG>(&ProviderImage),
    nullptr,
};
