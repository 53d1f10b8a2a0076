// The registration and listing records cross into bcrypt.dll by address, so
// their layouts must be the platform's, byte for byte.
#ifndef VELK_PLATFORM_RECORD_LAYOUT_H
#define VELK_PLATFORM_RECORD_LAYOUT_H

#include <cstddef>

template <typename Record>
constexpr bool HasLayout(std::size_t size, std::size_t alignment) {
  return sizeof(Record) == size && alignof(Record) == alignment;
}

#define VELK_OFFSET_IS(record, field, offset) static_assert(offsetof(record, field) == (offset), #record "." #field)

#if defined(_WIN64) || (!defined(_WIN32) && defined(__LP64__))
static_assert(HasLayout<CRYPT_INTERFACE_REG>(24, 8));
VELK_OFFSET_IS(CRYPT_INTERFACE_REG, dwFlags, 4);
VELK_OFFSET_IS(CRYPT_INTERFACE_REG, cFunctions, 8);
VELK_OFFSET_IS(CRYPT_INTERFACE_REG, rgpszFunctions, 16);
static_assert(HasLayout<CRYPT_IMAGE_REG>(24, 8));
VELK_OFFSET_IS(CRYPT_IMAGE_REG, cInterfaces, 8);
VELK_OFFSET_IS(CRYPT_IMAGE_REG, rgpInterfaces, 16);
static_assert(HasLayout<CRYPT_PROVIDER_REG>(32, 8));
VELK_OFFSET_IS(CRYPT_PROVIDER_REG, rgpszAliases, 8);
VELK_OFFSET_IS(CRYPT_PROVIDER_REG, pUM, 16);
VELK_OFFSET_IS(CRYPT_PROVIDER_REG, pKM, 24);
static_assert(HasLayout<CRYPT_PROVIDERS>(16, 8));
VELK_OFFSET_IS(CRYPT_PROVIDERS, rgpszProviders, 8);
#elif defined(_WIN32)
static_assert(HasLayout<CRYPT_INTERFACE_REG>(16, 4));
VELK_OFFSET_IS(CRYPT_INTERFACE_REG, dwFlags, 4);
VELK_OFFSET_IS(CRYPT_INTERFACE_REG, cFunctions, 8);
VELK_OFFSET_IS(CRYPT_INTERFACE_REG, rgpszFunctions, 12);
static_assert(HasLayout<CRYPT_IMAGE_REG>(12, 4));
VELK_OFFSET_IS(CRYPT_IMAGE_REG, cInterfaces, 4);
VELK_OFFSET_IS(CRYPT_IMAGE_REG, rgpInterfaces, 8);
static_assert(HasLayout<CRYPT_PROVIDER_REG>(16, 4));
VELK_OFFSET_IS(CRYPT_PROVIDER_REG, rgpszAliases, 4);
VELK_OFFSET_IS(CRYPT_PROVIDER_REG, pUM, 8);
VELK_OFFSET_IS(CRYPT_PROVIDER_REG, pKM, 12);
static_assert(HasLayout<CRYPT_PROVIDERS>(8, 4));
VELK_OFFSET_IS(CRYPT_PROVIDERS, rgpszProviders, 4);
#endif

#undef VELK_OFFSET_IS

#endif
