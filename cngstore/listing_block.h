// The listing that BCryptEnumRegisteredProviders hands back: one block that
// holds the CRYPT_PROVIDERS record, its pointer list and every name, so that
// one BCryptFreeBuffer releases all of it.
#ifndef CNGSTORE_LISTING_BLOCK_H
#define CNGSTORE_LISTING_BLOCK_H

#include <cstddef>
#include <vector>

#include "config_store.h"

namespace cngstore {

// Lays the names out, in the order given, in a block allocated with malloc.
NTSTATUS MakeListing(const std::vector<Name>& names, PCRYPT_PROVIDERS* listing, std::size_t* size);

// The size of the listing laid out with no unused room.
std::size_t CompactSize(const CRYPT_PROVIDERS& listing);

// Copies the listing into a buffer of at least CompactSize bytes.
void CopyCompact(const CRYPT_PROVIDERS& listing, void* buffer);

}  // namespace cngstore

#endif
