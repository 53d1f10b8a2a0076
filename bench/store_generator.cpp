#include "store_generator.h"

#include "store_text.h"

namespace cngstore {

Name GeneratedProviderName(long i) {
  // Zero-padded, so that the names are written in their sorted order.
  const std::string digits = std::to_string(100000 + i).substr(1);
  return u"Benchmark Key Storage Provider " + Name(digits.begin(), digits.end());
}

std::string GenerateStore(long providers, long contexts) {
  const Name function = u"KEY_STORAGE";
  const Name defaultContext = DEFAULT_CONTEXT;
  std::string registered;
  std::string listed;
  for (long i = 0; i < providers; ++i) {
    const Name name = GeneratedProviderName(i);
    registered += FormatProvider(ProviderRecord{
        name, {}, ImageRecord{name + u".dll", {{NCRYPT_KEY_STORAGE_INTERFACE, 1, {function}}}}, {}});
    listed += FormatEntry(EntryKind::ListedProvider, &name);
  }
  std::string others;
  for (long i = 0; i < contexts; ++i) {
    const std::string digits = std::to_string(1000000 + i).substr(1);
    const Name context = u"Context " + Name(digits.begin(), digits.end());
    others += FormatEntry(EntryKind::Context, &context);
  }
  return "CNG configuration store, version 1\n\n[Providers]\n" + registered + "\n[Configuration\\Local]\n" +
         FormatEntry(EntryKind::Context, &defaultContext) +
         FormatEntry(EntryKind::Interface, nullptr, NCRYPT_KEY_STORAGE_INTERFACE) +
         FormatEntry(EntryKind::Function, &function) + listed + others + "\nend\n";
}

}  // namespace cngstore
