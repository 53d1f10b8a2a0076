// Any bytes as a store file: the parser never crashes, and what it accepts
// writes back to a text that parses to the same store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  cngstore::ConfigStore store;
  if (!cngstore::ParseStore(text, store)) return 0;
  const std::string written = cngstore::FormatStore(store);
  cngstore::ConfigStore again;
  if (!cngstore::ParseStore(written, again) || cngstore::FormatStore(again) != written) std::abort();
  return 0;
}
