// The configuration kept in a file: each change is worked out from the
// store's text as splices and committed under the store's lock.
#include <cstdlib>

#include "store_backend.h"
#include "store_edit.h"
#include "store_file.h"
#include "store_listing.h"

namespace cngstore {

NTSTATUS StoreRegisterProvider(const ProviderRecord& record, bool overwrite) {
  return UpdateStore([&](std::string_view store, Splices& splices) {
    return EditRegisterProvider(store, record, overwrite, splices);
  });
}

NTSTATUS StoreUnregisterProvider(const Name& provider) {
  return UpdateStore([&](std::string_view store, Splices& splices) {
    return EditUnregisterProvider(store, provider, splices);
  });
}

NTSTATUS StoreAddContextFunction(const Name& context, ULONG interfaceId, const Name& function,
                                 ULONG position) {
  return UpdateStore([&](std::string_view store, Splices& splices) {
    return EditAddContextFunction(store, context, interfaceId, function, position, splices);
  });
}

NTSTATUS StoreAddContextFunctionProvider(const Name& context, ULONG interfaceId, const Name& function,
                                         const Name& provider, ULONG position) {
  return UpdateStore([&](std::string_view store, Splices& splices) {
    return EditAddContextFunctionProvider(store, context, interfaceId, function, provider, position,
                                          splices);
  });
}

NTSTATUS StoreRemoveContextFunctionProvider(const Name& context, ULONG interfaceId,
                                            const Name& function, const Name& provider) {
  return UpdateStore([&](std::string_view store, Splices& splices) {
    return EditRemoveContextFunctionProvider(store, context, interfaceId, function, provider, splices);
  });
}

NTSTATUS StoreListProviders(PCRYPT_PROVIDERS* listing, std::size_t* size) {
  PCRYPT_PROVIDERS listed = nullptr;
  const NTSTATUS status = ReadStore([&](std::string_view store) { return ListProviders(store, &listed, size); });
  // A store damaged while it was read lists nothing, whatever was listed of it.
  if (status < 0) {
    std::free(listed);
    return status;
  }
  *listing = listed;
  return status;
}

}  // namespace cngstore
