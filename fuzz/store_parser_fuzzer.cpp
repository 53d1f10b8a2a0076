// Any bytes as a store file: the scanner never crashes; a store it accepts
// lists every provider it names, and takes a registration and its removal
// and comes back byte for byte, readable as a store in between. The same
// holds in its local table: a provider added to the first function's list at
// a position the input chooses, then removed; a listed provider moved away
// and back. A function added to that function's context keeps it a store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "store_edit.h"
#include "store_listing.h"
#include "store_text.h"

namespace {

bool Scans(std::string_view text) { return cngstore::ScanStore(text, [](const cngstore::Entry&) {}); }

// The first function of the local table, and the providers in its list.
struct ListedFunction {
  bool found = false;
  cngstore::Name context;
  ULONG interfaceId = 0;
  cngstore::Name function;
  std::vector<cngstore::Name> providers;
};

ListedFunction FirstFunction(std::string_view text) {
  ListedFunction first;
  cngstore::ScanStore(text, [&](const cngstore::Entry& entry) {
    if (entry.kind == cngstore::EntryKind::ListedProvider && !first.found) {
      first.providers.push_back(*entry.name);
    } else if (entry.kind == cngstore::EntryKind::Function && !first.found) {
      first = {true, *entry.parent->parent->name, entry.parent->id, *entry.name, std::move(first.providers)};
    } else if (entry.kind == cngstore::EntryKind::Function) {
      return;
    }
  });
  return first;
}

// Applies an edit that must succeed and leave a store.
template <typename Edit>
std::string Changed(std::string_view text, Edit edit) {
  cngstore::Splices splices;
  if (edit(text, splices) < 0) std::abort();
  std::string changed = cngstore::ApplySplices(text, splices);
  if (!Scans(changed)) std::abort();
  return changed;
}

void RoundTripTheLocalTable(std::string_view text, ULONG position) {
  ListedFunction first = FirstFunction(text);
  if (!first.found) return;
  // A provider's first listed function is the one whose list was collected:
  // providers of earlier functions would have closed before it.
  const cngstore::Name fresh = u"Fuzz \u00e9 Listed";
  for (const cngstore::Name& listed : first.providers) {
    if (cngstore::NamesEqual(listed, fresh)) return;
  }
  const auto add = [&](const cngstore::Name& provider, ULONG at) {
    return [&, at](std::string_view t, cngstore::Splices& s) {
      return cngstore::EditAddContextFunctionProvider(t, first.context, first.interfaceId, first.function,
                                                      provider, at, s);
    };
  };
  const std::string added = Changed(text, add(fresh, position));
  const std::string removed = Changed(added, [&](std::string_view t, cngstore::Splices& s) {
    return cngstore::EditRemoveContextFunctionProvider(t, first.context, first.interfaceId, first.function, fresh, s);
  });
  if (removed != text) std::abort();
  if (!first.providers.empty()) {
    const std::size_t from = position % first.providers.size();
    const std::string moved = Changed(text, add(first.providers[from], position / 2));
    if (Changed(moved, add(first.providers[from], static_cast<ULONG>(from))) != text) std::abort();
  }
  Changed(text, [&](std::string_view t, cngstore::Splices& s) {
    return cngstore::EditAddContextFunction(t, first.context, first.interfaceId, u"Fuzz Function", position, s);
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<cngstore::Name> providers;
  const bool whole = cngstore::ScanStore(text, [&](const cngstore::Entry& entry) {
    if (entry.kind == cngstore::EntryKind::Provider) providers.push_back(*entry.name);
  });
  if (!whole) return 0;

  PCRYPT_PROVIDERS listing = nullptr;
  std::size_t listingSize = 0;
  if (cngstore::ListProviders(text, &listing, &listingSize) != STATUS_SUCCESS) std::abort();
  if (listing->cProviders != providers.size()) std::abort();
  for (ULONG i = 0; i < listing->cProviders; ++i) {
    if (cngstore::Name(listing->rgpszProviders[i]) != providers[i]) std::abort();
  }
  std::free(listing);

  const cngstore::ProviderRecord record{u"Fuzz \u00e9 \"Provider\"", {u"alias"},
                                        cngstore::ImageRecord{u"fuzz.dll", {{0x00010001, 1, {u"KEY_STORAGE"}}}},
                                        {}};
  cngstore::Splices splices;
  if (cngstore::EditRegisterProvider(text, record, false, splices) != STATUS_SUCCESS) return 0;
  const std::string registered = cngstore::ApplySplices(text, splices);
  if (!Scans(registered)) std::abort();
  splices.clear();
  if (cngstore::EditUnregisterProvider(registered, record.name, splices) != STATUS_SUCCESS) std::abort();
  if (cngstore::ApplySplices(registered, splices) != text) std::abort();

  RoundTripTheLocalTable(text, size > 0 ? data[0] % 5 : 0);
  return 0;
}
