#include "listing_block.h"

#include <cstdlib>
#include <cstring>

namespace cngstore {
namespace {

std::size_t Length(const WCHAR* name) {
  std::size_t length = 0;
  while (name[length] != 0) ++length;
  return length;
}

}  // namespace

std::size_t CompactSize(const CRYPT_PROVIDERS& listing) {
  std::size_t size = sizeof(CRYPT_PROVIDERS) + listing.cProviders * sizeof(PWSTR);
  for (ULONG i = 0; i < listing.cProviders; ++i) size += (Length(listing.rgpszProviders[i]) + 1) * sizeof(WCHAR);
  return size;
}

void CopyCompact(const CRYPT_PROVIDERS& listing, void* buffer) {
  auto* copy = static_cast<CRYPT_PROVIDERS*>(buffer);
  copy->cProviders = listing.cProviders;
  copy->rgpszProviders = reinterpret_cast<PWSTR*>(copy + 1);
  auto* text = reinterpret_cast<WCHAR*>(copy->rgpszProviders + copy->cProviders);
  for (ULONG i = 0; i < listing.cProviders; ++i) {
    const std::size_t length = Length(listing.rgpszProviders[i]);
    std::memcpy(text, listing.rgpszProviders[i], (length + 1) * sizeof(WCHAR));
    copy->rgpszProviders[i] = text;
    text += length + 1;
  }
}

// The names seen as a listing of their own, then laid out as any listing is.
NTSTATUS MakeListing(const std::vector<Name>& names, PCRYPT_PROVIDERS* listing, std::size_t* size) {
  if (names.size() > ULONG{0xFFFFFFFF}) return STATUS_NO_MEMORY;
  std::vector<PWSTR> pointers;
  pointers.reserve(names.size());
  for (const Name& name : names) pointers.push_back(reinterpret_cast<PWSTR>(const_cast<char16_t*>(name.c_str())));
  const CRYPT_PROVIDERS view{static_cast<ULONG>(names.size()), pointers.data()};
  const std::size_t bytes = CompactSize(view);
  if (bytes > ULONG{0xFFFFFFFF}) return STATUS_NO_MEMORY;
  void* block = std::malloc(bytes);
  if (block == nullptr) return STATUS_NO_MEMORY;
  CopyCompact(view, block);
  *listing = static_cast<PCRYPT_PROVIDERS>(block);
  *size = bytes;
  return STATUS_SUCCESS;
}

}  // namespace cngstore
