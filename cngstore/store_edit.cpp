#include "store_edit.h"

#include <algorithm>
#include <optional>

#include "store_text.h"

namespace cngstore {
namespace {

constexpr std::size_t NONE = static_cast<std::size_t>(-1);

struct Block {
  std::size_t start;
  std::size_t end;
};

// Puts an entry at a position of a priority list: 0 first, n before the n-th
// entry, last when the list is shorter (CRYPT_PRIORITY_BOTTOM included). An
// entry that is already in the list moves, with everything under it.
void PlaceInList(std::string_view store, std::vector<Block> list, std::optional<std::size_t> existing,
                 ULONG position, std::size_t listEnd, std::string fresh, Splices& splices) {
  std::string moved = std::move(fresh);
  if (existing) {
    const std::size_t remaining = list.size() - 1;
    if (std::min<std::size_t>(position, remaining) == *existing) return;  // already there
    const Block block = list[*existing];
    moved = std::string(store.substr(block.start, block.end - block.start));
    splices.push_back({block.start, block.end, {}});
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(*existing));
  }
  const std::size_t index = std::min<std::size_t>(position, list.size());
  const std::size_t at = index < list.size() ? list[index].start : listEnd;
  splices.push_back({at, at, std::move(moved)});
}

// Where a provider's registration stands, or where a new one goes.
struct ProviderPlace {
  std::optional<Block> found;
  std::size_t insertAt = NONE;
};

bool FindProvider(std::string_view store, const Name& name, ProviderPlace& place) {
  bool open = false;
  return ScanStore(store, [&](const Entry& entry) {
    const bool next = entry.kind == EntryKind::Provider || entry.kind == EntryKind::LocalSection;
    if (!next) return;
    if (open) {
      place.found->end = entry.start;
      open = false;
    }
    if (place.found || place.insertAt != NONE) return;
    if (entry.kind == EntryKind::Provider && NamesEqual(*entry.name, name)) {
      place.found = Block{entry.start, NONE};
      open = true;
    } else if (entry.kind == EntryKind::LocalSection || SortsBefore(name, *entry.name)) {
      place.insertAt = entry.start;
    }
  });
}

// What a change of the local table needs to know of it.
struct LocalPlace {
  std::size_t firstContext = NONE;  // where a missing Default context goes
  bool context = false;
  bool interface = false;
  std::size_t interfaceAt = NONE;   // where a missing interface goes
  std::size_t interfaceEnd = NONE;
  std::vector<Block> functions;
  std::optional<std::size_t> function;
  std::size_t functionEnd = NONE;
  std::vector<Block> providers;
  std::optional<std::size_t> provider;
};

bool FindInLocalTable(std::string_view store, const Name& context, ULONG interfaceId,
                      const Name& function, const Name* provider, LocalPlace& place) {
  bool inContext = false;
  bool inInterface = false;
  bool inFunction = false;
  return ScanStore(store, [&](const Entry& entry) {
    const bool local = entry.kind == EntryKind::Context || entry.kind == EntryKind::Interface ||
                       entry.kind == EntryKind::Function || entry.kind == EntryKind::ListedProvider ||
                       entry.kind == EntryKind::End;
    if (!local) return;
    // Close the blocks that this entry ends.
    if (inFunction && !place.providers.empty() && place.providers.back().end == NONE) {
      place.providers.back().end = entry.start;
    }
    if (inFunction && entry.level <= 3) {
      place.functionEnd = entry.start;
      inFunction = false;
    }
    if (inInterface && entry.level <= 3 && !place.functions.empty() && place.functions.back().end == NONE) {
      place.functions.back().end = entry.start;
    }
    if (inInterface && entry.level <= 2) {
      place.interfaceEnd = entry.start;
      inInterface = false;
    }
    if (inContext && entry.level <= 1) {
      if (!place.interface && place.interfaceAt == NONE) place.interfaceAt = entry.start;
      inContext = false;
    }

    switch (entry.kind) {
      case EntryKind::Context:
      case EntryKind::End:
        if (place.firstContext == NONE) place.firstContext = entry.start;
        if (entry.kind == EntryKind::Context && !place.context && NamesEqual(*entry.name, context)) {
          place.context = inContext = true;
        }
        break;
      case EntryKind::Interface:
        if (!inContext) break;
        if (entry.id == interfaceId) {
          place.interface = inInterface = true;
        } else if (!place.interface && place.interfaceAt == NONE && entry.id > interfaceId) {
          place.interfaceAt = entry.start;
        }
        break;
      case EntryKind::Function:
        if (!inInterface) break;
        place.functions.push_back({entry.start, NONE});
        if (NamesEqual(*entry.name, function)) {
          place.function = place.functions.size() - 1;
          inFunction = true;
        }
        break;
      case EntryKind::ListedProvider:
        if (!inFunction) break;
        place.providers.push_back({entry.start, NONE});
        if (provider != nullptr && NamesEqual(*entry.name, *provider)) {
          place.provider = place.providers.size() - 1;
        }
        break;
      default:
        break;
    }
  });
}

bool ByPosition(const Splice& a, const Splice& b) {
  return a.from != b.from ? a.from < b.from : a.to < b.to;  // an insertion before a removal
}

}  // namespace

NTSTATUS EditRegisterProvider(std::string_view store, const ProviderRecord& record, bool overwrite,
                              Splices& splices) {
  ProviderPlace place;
  if (!FindProvider(store, record.name, place)) return STATUS_REGISTRY_CORRUPT;
  if (place.found && !overwrite) return STATUS_OBJECT_NAME_COLLISION;
  const Block at = place.found ? *place.found : Block{place.insertAt, place.insertAt};
  splices.push_back({at.start, at.end, FormatProvider(record)});
  return STATUS_SUCCESS;
}

NTSTATUS EditUnregisterProvider(std::string_view store, const Name& provider, Splices& splices) {
  ProviderPlace place;
  if (!FindProvider(store, provider, place)) return STATUS_REGISTRY_CORRUPT;
  if (!place.found) return STATUS_NOT_FOUND;
  splices.push_back({place.found->start, place.found->end, {}});
  return STATUS_SUCCESS;
}

NTSTATUS EditAddContextFunction(std::string_view store, const Name& context, ULONG interfaceId,
                                const Name& function, ULONG position, Splices& splices) {
  LocalPlace place;
  if (!FindInLocalTable(store, context, interfaceId, function, nullptr, place)) {
    return STATUS_REGISTRY_CORRUPT;
  }
  const std::string fresh = FormatLine(EntryKind::Function, function);
  if (!place.context) {
    // The Default context always exists, even where a hand-edited store left it out.
    if (!NamesEqual(context, DEFAULT_CONTEXT)) return STATUS_NOT_FOUND;
    splices.push_back({place.firstContext, place.firstContext,
                       FormatLine(EntryKind::Context, DEFAULT_CONTEXT) + FormatInterfaceLine(interfaceId) + fresh});
  } else if (!place.interface) {
    splices.push_back({place.interfaceAt, place.interfaceAt, FormatInterfaceLine(interfaceId) + fresh});
  } else {
    PlaceInList(store, place.functions, place.function, position, place.interfaceEnd, fresh, splices);
  }
  return STATUS_SUCCESS;
}

NTSTATUS EditAddContextFunctionProvider(std::string_view store, const Name& context,
                                        ULONG interfaceId, const Name& function,
                                        const Name& provider, ULONG position, Splices& splices) {
  LocalPlace place;
  if (!FindInLocalTable(store, context, interfaceId, function, &provider, place)) {
    return STATUS_REGISTRY_CORRUPT;
  }
  if (!place.function) return STATUS_NOT_FOUND;
  PlaceInList(store, place.providers, place.provider, position, place.functionEnd,
              FormatLine(EntryKind::ListedProvider, provider), splices);
  return STATUS_SUCCESS;
}

NTSTATUS EditRemoveContextFunctionProvider(std::string_view store, const Name& context,
                                           ULONG interfaceId, const Name& function,
                                           const Name& provider, Splices& splices) {
  LocalPlace place;
  if (!FindInLocalTable(store, context, interfaceId, function, &provider, place)) {
    return STATUS_REGISTRY_CORRUPT;
  }
  if (!place.provider) return STATUS_NOT_FOUND;
  const Block block = place.providers[*place.provider];
  splices.push_back({block.start, block.end, {}});
  return STATUS_SUCCESS;
}

void OrderSplices(Splices& splices) { std::stable_sort(splices.begin(), splices.end(), ByPosition); }

std::string ApplySplices(std::string_view store, Splices splices) {
  OrderSplices(splices);
  std::string out;
  std::size_t position = 0;
  for (const Splice& splice : splices) {
    out += store.substr(position, splice.from - position);
    out += splice.text;
    position = splice.to;
  }
  out += store.substr(position);
  return out;
}

}  // namespace cngstore
