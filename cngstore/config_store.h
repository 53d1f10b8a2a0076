// The machine's CNG configuration as the store holds it in memory, and the
// edits that the configuration functions make to it. Nothing here touches a
// file; each edit returns the status that the function reports.
#ifndef CNGSTORE_CONFIG_STORE_H
#define CNGSTORE_CONFIG_STORE_H

#include <optional>
#include <string>
#include <vector>

#include "cng_config.h"

namespace cngstore {

using Name = std::u16string;

inline constexpr char16_t DEFAULT_CONTEXT[] = u"Default";

struct InterfaceRecord {
  ULONG id = 0;
  ULONG flags = 0;
  std::vector<Name> functions;
};

struct ImageRecord {
  Name image;
  std::vector<InterfaceRecord> interfaces;
};

struct ProviderRecord {
  Name name;
  std::vector<Name> aliases;
  std::optional<ImageRecord> userMode;
  std::optional<ImageRecord> kernelMode;
};

struct FunctionEntry {
  Name name;
  std::vector<Name> providers;  // in priority order
};

struct ContextInterface {
  ULONG id = 0;
  std::vector<FunctionEntry> functions;  // in priority order
};

struct Context {
  Name name;
  std::vector<ContextInterface> interfaces;  // by interface identifier
};

struct ConfigStore {
  std::vector<ProviderRecord> providers;  // sorted by SortsBefore
  std::vector<Context> contexts;          // the local machine table
};

// A store as a machine starts: no providers, the Default context.
ConfigStore NewConfigStore();

// Names are compared without regard to ASCII case and kept as given.
bool NamesEqual(const Name& a, const Name& b);
// The order of providers: by name without regard to ASCII case, then by code
// unit, so that it is total and stable.
bool SortsBefore(const Name& a, const Name& b);

bool IsKnownInterface(ULONG id);

NTSTATUS RegisterProvider(ConfigStore& store, ProviderRecord record, bool overwrite);
NTSTATUS UnregisterProvider(ConfigStore& store, const Name& provider);
NTSTATUS AddContextFunction(ConfigStore& store, const Name& context, ULONG interfaceId,
                            const Name& function, ULONG position);
NTSTATUS AddContextFunctionProvider(ConfigStore& store, const Name& context, ULONG interfaceId,
                                    const Name& function, const Name& provider, ULONG position);
NTSTATUS RemoveContextFunctionProvider(ConfigStore& store, const Name& context,
                                       ULONG interfaceId, const Name& function,
                                       const Name& provider);

}  // namespace cngstore

#endif
