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

NTSTATUS MakeListing(const std::vector<Name>& names, PCRYPT_PROVIDERS* listing, std::size_t* size) {
  std::size_t bytes = sizeof(CRYPT_PROVIDERS) + names.size() * sizeof(PWSTR);
  for (const Name& name : names) bytes += (name.size() + 1) * sizeof(WCHAR);
  if (names.size() > ULONG{0xFFFFFFFF} || bytes > ULONG{0xFFFFFFFF}) return STATUS_NO_MEMORY;
  auto* block = static_cast<CRYPT_PROVIDERS*>(std::malloc(bytes));
  if (block == nullptr) return STATUS_NO_MEMORY;
  block->cProviders = static_cast<ULONG>(names.size());
  block->rgpszProviders = reinterpret_cast<PWSTR*>(block + 1);
  auto* text = reinterpret_cast<WCHAR*>(block->rgpszProviders + names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::memcpy(text, names[i].c_str(), (names[i].size() + 1) * sizeof(WCHAR));
    block->rgpszProviders[i] = text;
    text += names[i].size() + 1;
  }
  *listing = block;
  *size = bytes;
  return STATUS_SUCCESS;
}

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

}  // namespace cngstore
