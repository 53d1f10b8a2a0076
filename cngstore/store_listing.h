// The listing of a store's text, laid out as listing_block.h describes.
#ifndef CNGSTORE_STORE_LISTING_H
#define CNGSTORE_STORE_LISTING_H

#include <string_view>

#include "cng_config.h"

namespace cngstore {

// Lists the providers of a store's text into a block allocated with malloc
// (release it with free). The block's size counts room that no name uses.
NTSTATUS ListProviders(std::string_view store, PCRYPT_PROVIDERS* listing, std::size_t* size);

}  // namespace cngstore

#endif
