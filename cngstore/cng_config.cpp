// The seven configuration functions, the same on every host. Each checks its
// arguments, copies what it is given, and hands the change to the store that
// the build chose (store_backend.h); no exception leaves them.
#include <cstdlib>
#include <new>
#include <optional>

#include "cng_config.h"
#include "config_store.h"
#include "listing_block.h"
#include "store_backend.h"

namespace cngstore {
namespace {

constexpr ULONG KNOWN_INTERFACE_FLAGS = CRYPT_LOCAL | CRYPT_DOMAIN;

// A copy of a caller's name; empty when the name is null, empty or too long.
std::optional<Name> CopyName(LPCWSTR text) {
  if (text == nullptr || *text == 0) return std::nullopt;
  const auto* units = reinterpret_cast<const char16_t*>(text);
  std::size_t length = 0;
  while (units[length] != 0) {
    if (++length > MAX_NAME_LENGTH) return std::nullopt;
  }
  return Name(units, length);
}

std::optional<std::vector<Name>> CopyNames(ULONG count, const PWSTR* list) {
  if (count != 0 && list == nullptr) return std::nullopt;
  std::vector<Name> names;
  names.reserve(count);
  for (ULONG i = 0; i < count; ++i) {
    std::optional<Name> name = CopyName(list[i]);
    if (!name) return std::nullopt;
    names.push_back(std::move(*name));
  }
  return names;
}

bool CopyImage(const CRYPT_IMAGE_REG* image, std::optional<ImageRecord>& copy) {
  if (image == nullptr) return true;
  std::optional<Name> name = CopyName(image->pszImage);
  if (!name || (image->cInterfaces != 0 && image->rgpInterfaces == nullptr)) return false;
  ImageRecord record{std::move(*name), {}};
  for (ULONG i = 0; i < image->cInterfaces; ++i) {
    const CRYPT_INTERFACE_REG* reg = image->rgpInterfaces[i];
    if (reg == nullptr || !IsKnownInterface(reg->dwInterface) ||
        (reg->dwFlags & ~KNOWN_INTERFACE_FLAGS) != 0) {
      return false;
    }
    std::optional<std::vector<Name>> functions = CopyNames(reg->cFunctions, reg->rgpszFunctions);
    if (!functions) return false;
    record.interfaces.push_back(InterfaceRecord{reg->dwInterface, reg->dwFlags, std::move(*functions)});
  }
  copy = std::move(record);
  return true;
}

std::optional<ProviderRecord> CopyRegistration(const Name& provider, const CRYPT_PROVIDER_REG* reg) {
  if (reg == nullptr) return std::nullopt;
  std::optional<std::vector<Name>> aliases = CopyNames(reg->cAliases, reg->rgpszAliases);
  if (!aliases) return std::nullopt;
  ProviderRecord record{provider, std::move(*aliases), {}, {}};
  if (!CopyImage(reg->pUM, record.userMode) || !CopyImage(reg->pKM, record.kernelMode)) {
    return std::nullopt;
  }
  return record;
}

// The context of a call, a null name meaning Default; empty when the table,
// the context name or the interface is not one the store knows.
std::optional<Name> CheckContext(ULONG table, LPCWSTR context, ULONG interfaceId) {
  if (table != CRYPT_LOCAL || !IsKnownInterface(interfaceId)) return std::nullopt;
  return context == nullptr ? Name(DEFAULT_CONTEXT) : CopyName(context);
}

template <typename Body>
NTSTATUS Guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return STATUS_NO_MEMORY;
  } catch (...) {
    return STATUS_UNSUCCESSFUL;
  }
}

}  // namespace
}  // namespace cngstore

using namespace cngstore;

extern "C" NTSTATUS WINAPI BCryptRegisterProvider(LPCWSTR pszProvider, ULONG dwFlags,
                                           PCRYPT_PROVIDER_REG pReg) {
  return Guarded([&] {
    const std::optional<Name> provider = CopyName(pszProvider);
    if (!provider || (dwFlags & ~ULONG{CRYPT_OVERWRITE}) != 0) return STATUS_INVALID_PARAMETER;
    std::optional<ProviderRecord> record = CopyRegistration(*provider, pReg);
    if (!record) return STATUS_INVALID_PARAMETER;
    return StoreRegisterProvider(*record, (dwFlags & CRYPT_OVERWRITE) != 0);
  });
}

extern "C" NTSTATUS WINAPI BCryptUnregisterProvider(LPCWSTR pszProvider) {
  return Guarded([&] {
    const std::optional<Name> provider = CopyName(pszProvider);
    if (!provider) return STATUS_INVALID_PARAMETER;
    return StoreUnregisterProvider(*provider);
  });
}

extern "C" NTSTATUS WINAPI BCryptAddContextFunction(ULONG dwTable, LPCWSTR pszContext,
                                             ULONG dwInterface, LPCWSTR pszFunction,
                                             ULONG dwPosition) {
  return Guarded([&] {
    const std::optional<Name> context = CheckContext(dwTable, pszContext, dwInterface);
    const std::optional<Name> function = CopyName(pszFunction);
    if (!context || !function) return STATUS_INVALID_PARAMETER;
    return StoreAddContextFunction(*context, dwInterface, *function, dwPosition);
  });
}

extern "C" NTSTATUS WINAPI BCryptAddContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext,
                                                     ULONG dwInterface, LPCWSTR pszFunction,
                                                     LPCWSTR pszProvider, ULONG dwPosition) {
  return Guarded([&] {
    const std::optional<Name> context = CheckContext(dwTable, pszContext, dwInterface);
    const std::optional<Name> function = CopyName(pszFunction);
    const std::optional<Name> provider = CopyName(pszProvider);
    if (!context || !function || !provider) return STATUS_INVALID_PARAMETER;
    return StoreAddContextFunctionProvider(*context, dwInterface, *function, *provider, dwPosition);
  });
}

extern "C" NTSTATUS WINAPI BCryptRemoveContextFunctionProvider(ULONG dwTable, LPCWSTR pszContext,
                                                        ULONG dwInterface, LPCWSTR pszFunction,
                                                        LPCWSTR pszProvider) {
  return Guarded([&] {
    const std::optional<Name> context = CheckContext(dwTable, pszContext, dwInterface);
    const std::optional<Name> function = CopyName(pszFunction);
    const std::optional<Name> provider = CopyName(pszProvider);
    if (!context || !function || !provider) return STATUS_INVALID_PARAMETER;
    return StoreRemoveContextFunctionProvider(*context, dwInterface, *function, *provider);
  });
}

// With *ppBuffer null the store allocates the listing (release it with
// BCryptFreeBuffer); otherwise it fills the caller's buffer of *pcbBuffer
// bytes, or sets *pcbBuffer to the size needed and returns
// STATUS_BUFFER_TOO_SMALL.
extern "C" NTSTATUS WINAPI BCryptEnumRegisteredProviders(ULONG* pcbBuffer, PCRYPT_PROVIDERS* ppBuffer) {
  return Guarded([&] {
    if (pcbBuffer == nullptr || ppBuffer == nullptr) return STATUS_INVALID_PARAMETER;
    PCRYPT_PROVIDERS listing = nullptr;
    std::size_t size = 0;
    const NTSTATUS status = StoreListProviders(&listing, &size);
    if (status < 0) return status;
    if (*ppBuffer == nullptr) {
      *pcbBuffer = static_cast<ULONG>(size);
      *ppBuffer = listing;
      return STATUS_SUCCESS;
    }
    const auto needed = static_cast<ULONG>(CompactSize(*listing));
    const bool fits = *pcbBuffer >= needed;
    *pcbBuffer = needed;
    if (fits) CopyCompact(*listing, *ppBuffer);
    std::free(listing);
    return fits ? STATUS_SUCCESS : STATUS_BUFFER_TOO_SMALL;
  });
}

extern "C" void WINAPI BCryptFreeBuffer(PVOID pvBuffer) { std::free(pvBuffer); }
