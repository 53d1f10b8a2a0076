// The listing that BCryptEnumRegisteredProviders hands back: one block that
// holds the CRYPT_PROVIDERS record, its pointer list and every name.
#ifndef CNGSTORE_STORE_LISTING_H
#define CNGSTORE_STORE_LISTING_H

#include <string_view>

#include "cng_config.h"

namespace cngstore {

// Lists the providers of a store's text into a block allocated with malloc
// (release it with free). The block's size counts room that no name uses.
NTSTATUS ListProviders(std::string_view store, PCRYPT_PROVIDERS* listing, std::size_t* size);

// The size of the listing laid out with no unused room.
std::size_t CompactSize(const CRYPT_PROVIDERS& listing);

// Copies the listing into a buffer of at least CompactSize bytes.
void CopyCompact(const CRYPT_PROVIDERS& listing, void* buffer);

}  // namespace cngstore

#endif
