// The changes that the configuration functions make, each worked out from a
// store's text as a few splices of that text: the new store is the old one
// with these ranges replaced. Each returns the status that the function
// reports; the splices are to be written only when it succeeds. A change
// keeps every blank and comment line of the store, byte for byte.
#ifndef CNGSTORE_STORE_EDIT_H
#define CNGSTORE_STORE_EDIT_H

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config_store.h"

namespace cngstore {

struct Splice {
  std::size_t from;  // the range of the old text that goes...
  std::size_t to;
  std::string text;  // ...and what stands there instead, byte for byte
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

// Hands the new text to write, piece by piece and in order: the old text
// with the splices applied. Stops at the first piece that write refuses and returns false.
bool WalkSplices(std::string_view store, Splices& splices, const std::function<bool(std::string_view)>& write);

// The new text whole, for callers that want it rather than streamed.
std::string ApplySplices(std::string_view store, Splices splices);

}  // namespace cngstore

#endif
