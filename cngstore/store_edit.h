// The changes that the configuration functions make, each worked out from a
// store's text as a few splices of that text: the new store is the old one
// with these ranges replaced. Each returns the status that the function
// reports; the splices are to be written only when it succeeds.
#ifndef CNGSTORE_STORE_EDIT_H
#define CNGSTORE_STORE_EDIT_H

#include <string>
#include <string_view>
#include <vector>

#include "config_store.h"

namespace cngstore {

struct Splice {
  std::size_t from;  // the range of the old text that goes...
  std::size_t to;
  std::string text;  // ...and what stands there instead
};

using Splices = std::vector<Splice>;

NTSTATUS EditRegisterProvider(std::string_view store, const ProviderRecord& record, bool overwrite,
                              Splices& splices);
NTSTATUS EditUnregisterProvider(std::string_view store, const Name& provider, Splices& splices);
NTSTATUS EditAddContextFunction(std::string_view store, const Name& context, ULONG interfaceId,
                                const Name& function, ULONG position, Splices& splices);
NTSTATUS EditAddContextFunctionProvider(std::string_view store, const Name& context,
                                        ULONG interfaceId, const Name& function,
                                        const Name& provider, ULONG position, Splices& splices);
NTSTATUS EditRemoveContextFunctionProvider(std::string_view store, const Name& context,
                                           ULONG interfaceId, const Name& function,
                                           const Name& provider, Splices& splices);

// Sorts the splices into the order in which they apply to the text.
void OrderSplices(Splices& splices);

// The new text, for callers that want it whole rather than streamed.
std::string ApplySplices(std::string_view store, Splices splices);

}  // namespace cngstore

#endif
