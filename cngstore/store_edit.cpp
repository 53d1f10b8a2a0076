#include "store_edit.h"

#include <algorithm>
#include <optional>

#include "store_text.h"

namespace cngstore {
namespace {

constexpr std::size_t NONE = static_cast<std::size_t>(-1);

// Where an entry stands: its block, with the blank and comment lines before
// it. Lists of them can be long, so they keep no more.
struct Block {
  std::size_t start;
  std::size_t blockEnd;
};

Block BlockOf(const Entry& entry) { return {entry.start, entry.blockEnd}; }

// Takes an entry and everything under it out of the text, or puts the
// replacement in its place; the blank and comment lines stay.
void Replace(std::string_view store, const Block& block, const std::string& replacement, Splices& splices) {
  const std::size_t line = SkipKeptLines(store, block.start);
  const std::size_t end = store.find('\n', line) + 1;
  splices.push_back({line, block.blockEnd, KeptLines(store, end, block.blockEnd) + replacement});
}

// Puts an entry at a position of a priority list: 0 first, n before the n-th
// entry, last when the list is shorter (CRYPT_PRIORITY_BOTTOM included). An
// entry that is already in the list moves, with everything under it and the
// lines before it.
void PlaceInList(std::string_view store, std::vector<Block> list, std::optional<std::size_t> existing,
                 ULONG position, std::size_t listEnd, std::string fresh, Splices& splices) {
  std::string moved = std::move(fresh);
  if (existing) {
    const std::size_t remaining = list.size() - 1;
    if (std::min<std::size_t>(position, remaining) == *existing) return;  // already there
    const Block block = list[*existing];
    moved = std::string(store.substr(block.start, block.blockEnd - block.start));
    splices.push_back({block.start, block.blockEnd, {}});
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
  return ScanStore(store, [&](const Entry& entry) {
    if (entry.kind == EntryKind::Provider) {
      if (NamesEqual(*entry.name, name)) {
        place.found = BlockOf(entry);
      } else if (!place.found && place.insertAt == NONE && SortsBefore(name, *entry.name)) {
        place.insertAt = entry.start;
      }
    } else if (entry.kind == EntryKind::ProvidersSection && place.insertAt == NONE) {
      place.insertAt = entry.blockEnd;  // after the last provider
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
  const auto isContext = [&](const Entry* entry) {
    return entry->kind == EntryKind::Context && NamesEqual(*entry->name, context);
  };
  const auto isInterface = [&](const Entry* entry) {
    return entry->kind == EntryKind::Interface && entry->id == interfaceId && isContext(entry->parent);
  };
  // A function's providers close one after another under it: its match is
  // worked out once for all of them.
  std::size_t checkedFunction = NONE;
  bool functionMatches = false;
  const auto isFunction = [&](const Entry* entry) {
    if (entry->line != checkedFunction) {
      checkedFunction = entry->line;
      functionMatches = entry->kind == EntryKind::Function && NamesEqual(*entry->name, function) &&
                        isInterface(entry->parent);
    }
    return functionMatches;
  };
  return ScanStore(store, [&](const Entry& entry) {
    switch (entry.kind) {
      case EntryKind::ListedProvider:
        if (!isFunction(entry.parent)) break;
        place.providers.push_back(BlockOf(entry));
        if (provider != nullptr && NamesEqual(*entry.name, *provider)) place.provider = place.providers.size() - 1;
        break;
      case EntryKind::Function:
        if (!isInterface(entry.parent)) break;
        place.functions.push_back(BlockOf(entry));
        if (NamesEqual(*entry.name, function)) {
          place.function = place.functions.size() - 1;
          place.functionEnd = entry.blockEnd;
        }
        break;
      case EntryKind::Interface:
        if (!isContext(entry.parent)) break;
        if (entry.id == interfaceId) {
          place.interface = true;
          place.interfaceEnd = entry.blockEnd;
        } else if (!place.interface && place.interfaceAt == NONE && entry.id > interfaceId) {
          place.interfaceAt = entry.start;
        }
        break;
      case EntryKind::Context:
        if (place.firstContext == NONE) place.firstContext = entry.start;
        if (!isContext(&entry)) break;
        place.context = true;
        if (!place.interface && place.interfaceAt == NONE) place.interfaceAt = entry.blockEnd;
        break;
      case EntryKind::LocalSection:
        if (place.firstContext == NONE) place.firstContext = entry.blockEnd;
        break;
      default:
        break;
    }
  });
}

// Lines that a change writes anew end as the store's version line does;
// lines already in the store keep their own ends, wherever they move.
std::string Written(std::string_view store, std::string text) {
  if (!UsesCrlf(store)) return text;
  std::string crlf;
  crlf.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
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
  std::string entry = Written(store, FormatProvider(record));
  if (place.found) {
    Replace(store, *place.found, entry, splices);
  } else {
    splices.push_back({place.insertAt, place.insertAt, std::move(entry)});
  }
  return STATUS_SUCCESS;
}

NTSTATUS EditUnregisterProvider(std::string_view store, const Name& provider, Splices& splices) {
  ProviderPlace place;
  if (!FindProvider(store, provider, place)) return STATUS_REGISTRY_CORRUPT;
  if (!place.found) return STATUS_NOT_FOUND;
  Replace(store, *place.found, {}, splices);
  return STATUS_SUCCESS;
}

NTSTATUS EditAddContextFunction(std::string_view store, const Name& context, ULONG interfaceId,
                                const Name& function, ULONG position, Splices& splices) {
  LocalPlace place;
  if (!FindInLocalTable(store, context, interfaceId, function, nullptr, place)) {
    return STATUS_REGISTRY_CORRUPT;
  }
  const std::string fresh = Written(store, FormatEntry(EntryKind::Function, &function));
  const std::string interfaceLine = Written(store, FormatEntry(EntryKind::Interface, nullptr, interfaceId));
  if (!place.context) {
    // The Default context always exists, even where a hand-edited store left it out.
    if (!NamesEqual(context, DEFAULT_CONTEXT)) return STATUS_NOT_FOUND;
    const Name defaultContext = DEFAULT_CONTEXT;
    splices.push_back({place.firstContext, place.firstContext,
                       Written(store, FormatEntry(EntryKind::Context, &defaultContext)) + interfaceLine + fresh});
  } else if (!place.interface) {
    splices.push_back({place.interfaceAt, place.interfaceAt, interfaceLine + fresh});
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
              Written(store, FormatEntry(EntryKind::ListedProvider, &provider)), splices);
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
  Replace(store, place.providers[*place.provider], {}, splices);
  return STATUS_SUCCESS;
}

bool WalkSplices(std::string_view store, Splices& splices, const std::function<bool(std::string_view)>& write) {
  std::stable_sort(splices.begin(), splices.end(), ByPosition);
  std::size_t position = 0;
  for (const Splice& splice : splices) {
    if (!write(store.substr(position, splice.from - position)) || !write(splice.text)) return false;
    position = splice.to;
  }
  return write(store.substr(position));
}

std::string ApplySplices(std::string_view store, Splices splices) {
  std::string out;
  WalkSplices(store, splices, [&](std::string_view piece) {
    out += piece;
    return true;
  });
  return out;
}

}  // namespace cngstore
