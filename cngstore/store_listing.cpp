#include "store_listing.h"

#include <cstdlib>
#include <cstring>

#include "store_text.h"

namespace cngstore {

// The block is sized for the most names the text could hold and filled in
// one pass; the memory beyond what the names take is never touched. The
// shortest provider line is 'provider"x"' and its newline, 12 bytes, and no
// name has more UTF-16 units than its line has bytes; the checks below hold
// the block to those bounds all the same.
NTSTATUS ListProviders(std::string_view store, PCRYPT_PROVIDERS* listing, std::size_t* size) {
  const std::size_t most = store.size() / 12 + 1;
  const std::size_t namesOffset = sizeof(CRYPT_PROVIDERS) + most * sizeof(PWSTR);
  const std::size_t capacity = namesOffset + (store.size() + 1) * sizeof(WCHAR);
  auto* block = static_cast<CRYPT_PROVIDERS*>(std::malloc(capacity));
  if (block == nullptr) return STATUS_NO_MEMORY;
  block->cProviders = 0;
  block->rgpszProviders = reinterpret_cast<PWSTR*>(block + 1);
  std::size_t used = namesOffset;
  bool fits = true;
  const bool whole = ScanStore(store, [&](const Entry& entry) {
    if (entry.kind != EntryKind::Provider || !fits) return;
    const std::size_t bytes = (entry.name->size() + 1) * sizeof(WCHAR);
    fits = block->cProviders < most && used + bytes <= capacity;
    if (!fits) return;
    auto* at = reinterpret_cast<WCHAR*>(reinterpret_cast<char*>(block) + used);
    std::memcpy(at, entry.name->c_str(), bytes);
    block->rgpszProviders[block->cProviders++] = at;
    used += bytes;
  });
  if (!whole || !fits || used > ULONG{0xFFFFFFFF}) {
    std::free(block);
    return whole && fits ? STATUS_NO_MEMORY : STATUS_REGISTRY_CORRUPT;
  }
  *listing = block;
  *size = used;
  return STATUS_SUCCESS;
}

}  // namespace cngstore
