// Any bytes as a store file: the scanner never crashes, and a store it
// accepts takes a registration and its removal and comes back byte for byte,
// readable as a store in between.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store_edit.h"
#include "store_text.h"

namespace {

bool Scans(std::string_view text) { return cngstore::ScanStore(text, [](const cngstore::Entry&) {}); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!Scans(text)) return 0;
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
