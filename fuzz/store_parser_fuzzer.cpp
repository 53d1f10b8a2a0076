// Any bytes as a store file: the scanner never crashes; a store it accepts
// lists every provider it names, and takes a registration and its removal
// and comes back byte for byte, readable as a store in between.
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
  return 0;
}
