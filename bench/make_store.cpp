// Writes a store holding N providers, each registered as the tool registers
// its own and listed under KEY_STORAGE: make_store DIRECTORY N
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "config_store.h"
#include "store_file.h"
#include "store_text.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_store DIRECTORY N\n");
    return 2;
  }
  const long count = std::strtol(argv[2], nullptr, 10);
  cngstore::ConfigStore store = cngstore::NewConfigStore();
  cngstore::AddContextFunction(store, cngstore::DEFAULT_CONTEXT, NCRYPT_KEY_STORAGE_INTERFACE,
                               u"KEY_STORAGE", CRYPT_PRIORITY_BOTTOM);
  for (long i = 0; i < count; ++i) {
    const std::string digits = std::to_string(100000 + i).substr(1);
    const cngstore::Name name = u"Benchmark Key Storage Provider " + cngstore::Name(digits.begin(), digits.end());
    cngstore::ImageRecord image{name + u".dll", {{NCRYPT_KEY_STORAGE_INTERFACE, 1, {u"KEY_STORAGE"}}}};
    cngstore::RegisterProvider(store, cngstore::ProviderRecord{name, {}, image, {}}, false);
    cngstore::AddContextFunctionProvider(store, cngstore::DEFAULT_CONTEXT, NCRYPT_KEY_STORAGE_INTERFACE,
                                         u"KEY_STORAGE", name, CRYPT_PRIORITY_BOTTOM);
  }
  std::filesystem::create_directories(argv[1]);
  std::ofstream(std::string(argv[1]) + "/" + cngstore::STORE_FILE, std::ios::binary)
      << cngstore::FormatStore(store);
  return 0;
}
