// Writes a store holding N providers, each registered as the tool registers
// its own and listed under KEY_STORAGE: make_store DIRECTORY N
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "store_file.h"
#include "store_text.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_store DIRECTORY N\n");
    return 2;
  }
  const long count = std::strtol(argv[2], nullptr, 10);
  std::string providers;
  std::string listed;
  for (long i = 0; i < count; ++i) {
    // Zero-padded, so that the names are written in their sorted order.
    const std::string digits = std::to_string(100000 + i).substr(1);
    const cngstore::Name name =
        u"Benchmark Key Storage Provider " + cngstore::Name(digits.begin(), digits.end());
    providers += cngstore::FormatProvider(cngstore::ProviderRecord{
        name, {}, cngstore::ImageRecord{name + u".dll", {{NCRYPT_KEY_STORAGE_INTERFACE, 1, {u"KEY_STORAGE"}}}}, {}});
    listed += cngstore::FormatEntry(cngstore::EntryKind::ListedProvider, &name);
  }
  const cngstore::Name function = u"KEY_STORAGE";
  std::filesystem::create_directories(argv[1]);
  std::ofstream(std::string(argv[1]) + "/" + cngstore::STORE_FILE, std::ios::binary)
      << "CNG configuration store, version 1\n\n[Providers]\n" << providers
      << "\n[Configuration\\Local]\ncontext \"Default\"\n"
      << cngstore::FormatEntry(cngstore::EntryKind::Interface, nullptr, NCRYPT_KEY_STORAGE_INTERFACE)
      << cngstore::FormatEntry(cngstore::EntryKind::Function, &function) << listed << "\nend\n";
  return 0;
}
