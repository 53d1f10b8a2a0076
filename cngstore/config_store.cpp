#include "config_store.h"

#include <algorithm>
#include <utility>

namespace cngstore {
namespace {

char16_t FoldAsciiCase(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

int CompareIgnoringCase(const Name& a, const Name& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t x = FoldAsciiCase(a[i]);
    const char16_t y = FoldAsciiCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

template <typename T, typename Key>
auto FindByName(std::vector<T>& list, const Name& name, Key key) {
  return std::find_if(list.begin(), list.end(),
                      [&](const T& entry) { return NamesEqual(key(entry), name); });
}

const Name& EntryName(const FunctionEntry& entry) { return entry.name; }
const Name& SameName(const Name& name) { return name; }

// Puts the entry at the position of a priority list: 0 first, n before the
// n-th entry, last when the list is shorter (CRYPT_PRIORITY_BOTTOM included).
// An entry that is already there moves, keeping what it holds.
template <typename T, typename Key>
void PlaceAt(std::vector<T>& list, const Name& name, ULONG position, Key key, T fresh) {
  auto found = FindByName(list, name, key);
  T entry = std::move(fresh);
  if (found != list.end()) {
    entry = std::move(*found);
    list.erase(found);
  }
  const std::size_t index = std::min<std::size_t>(position, list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), std::move(entry));
}

Context* FindContext(ConfigStore& store, const Name& name) {
  auto found = std::find_if(store.contexts.begin(), store.contexts.end(),
                            [&](const Context& c) { return NamesEqual(c.name, name); });
  return found == store.contexts.end() ? nullptr : &*found;
}

ContextInterface* FindInterface(Context& context, ULONG id) {
  auto found = std::find_if(context.interfaces.begin(), context.interfaces.end(),
                            [&](const ContextInterface& i) { return i.id == id; });
  return found == context.interfaces.end() ? nullptr : &*found;
}

FunctionEntry* FindFunction(ConfigStore& store, const Name& context, ULONG interfaceId,
                            const Name& function) {
  Context* found = FindContext(store, context);
  ContextInterface* table = found == nullptr ? nullptr : FindInterface(*found, interfaceId);
  if (table == nullptr) return nullptr;
  auto entry = FindByName(table->functions, function, EntryName);
  return entry == table->functions.end() ? nullptr : &*entry;
}

std::vector<ProviderRecord>::iterator LowerBound(ConfigStore& store, const Name& name) {
  return std::lower_bound(store.providers.begin(), store.providers.end(), name,
                          [](const ProviderRecord& p, const Name& n) {
                            return CompareIgnoringCase(p.name, n) < 0;
                          });
}

}  // namespace

ConfigStore NewConfigStore() {
  ConfigStore store;
  store.contexts.push_back(Context{DEFAULT_CONTEXT, {}});
  return store;
}

bool NamesEqual(const Name& a, const Name& b) { return CompareIgnoringCase(a, b) == 0; }

bool SortsBefore(const Name& a, const Name& b) {
  const int order = CompareIgnoringCase(a, b);
  return order != 0 ? order < 0 : a < b;
}

bool IsKnownInterface(ULONG id) {
  return (id >= BCRYPT_CIPHER_INTERFACE && id <= BCRYPT_KEY_DERIVATION_INTERFACE) ||
         (id >= NCRYPT_KEY_STORAGE_INTERFACE && id <= NCRYPT_KEY_PROTECTION_INTERFACE);
}

NTSTATUS RegisterProvider(ConfigStore& store, ProviderRecord record, bool overwrite) {
  auto place = LowerBound(store, record.name);
  if (place != store.providers.end() && NamesEqual(place->name, record.name)) {
    if (!overwrite) return STATUS_OBJECT_NAME_COLLISION;
    *place = std::move(record);
    return STATUS_SUCCESS;
  }
  store.providers.insert(place, std::move(record));
  return STATUS_SUCCESS;
}

NTSTATUS UnregisterProvider(ConfigStore& store, const Name& provider) {
  auto place = LowerBound(store, provider);
  if (place == store.providers.end() || !NamesEqual(place->name, provider)) {
    return STATUS_NOT_FOUND;
  }
  store.providers.erase(place);
  return STATUS_SUCCESS;
}

NTSTATUS AddContextFunction(ConfigStore& store, const Name& context, ULONG interfaceId,
                            const Name& function, ULONG position) {
  Context* found = FindContext(store, context);
  if (found == nullptr) return STATUS_NOT_FOUND;
  ContextInterface* table = FindInterface(*found, interfaceId);
  if (table == nullptr) {
    auto place = std::find_if(found->interfaces.begin(), found->interfaces.end(),
                              [&](const ContextInterface& i) { return i.id > interfaceId; });
    table = &*found->interfaces.insert(place, ContextInterface{interfaceId, {}});
  }
  PlaceAt(table->functions, function, position, EntryName, FunctionEntry{function, {}});
  return STATUS_SUCCESS;
}

NTSTATUS AddContextFunctionProvider(ConfigStore& store, const Name& context, ULONG interfaceId,
                                    const Name& function, const Name& provider,
                                    ULONG position) {
  FunctionEntry* entry = FindFunction(store, context, interfaceId, function);
  if (entry == nullptr) return STATUS_NOT_FOUND;
  PlaceAt(entry->providers, provider, position, SameName, provider);
  return STATUS_SUCCESS;
}

NTSTATUS RemoveContextFunctionProvider(ConfigStore& store, const Name& context,
                                       ULONG interfaceId, const Name& function,
                                       const Name& provider) {
  FunctionEntry* entry = FindFunction(store, context, interfaceId, function);
  if (entry == nullptr) return STATUS_NOT_FOUND;
  auto found = FindByName(entry->providers, provider, SameName);
  if (found == entry->providers.end()) return STATUS_NOT_FOUND;
  entry->providers.erase(found);
  return STATUS_SUCCESS;
}

}  // namespace cngstore
