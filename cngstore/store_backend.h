// Where the configuration is kept. The seven functions check and copy their
// arguments the same way on every host (cng_config.cpp); what keeps the
// configuration is chosen by the build: a file store on Linux
// (store_backend_file.cpp), the registry on Windows (store_backend_registry.cpp).
// Every function returns the status that the configuration function reports.
#ifndef CNGSTORE_STORE_BACKEND_H
#define CNGSTORE_STORE_BACKEND_H

#include <cstddef>

#include "config_store.h"

namespace cngstore {

NTSTATUS StoreRegisterProvider(const ProviderRecord& record, bool overwrite);
NTSTATUS StoreUnregisterProvider(const Name& provider);
NTSTATUS StoreAddContextFunction(const Name& context, ULONG interfaceId, const Name& function,
                                 ULONG position);
NTSTATUS StoreAddContextFunctionProvider(const Name& context, ULONG interfaceId, const Name& function,
                                         const Name& provider, ULONG position);
NTSTATUS StoreRemoveContextFunctionProvider(const Name& context, ULONG interfaceId,
                                            const Name& function, const Name& provider);

// The registered providers in their listing order, as one block allocated
// with malloc (see listing_block.h).
NTSTATUS StoreListProviders(PCRYPT_PROVIDERS* listing, std::size_t* size);

}  // namespace cngstore

#endif
