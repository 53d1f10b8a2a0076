// Writes a large store (see store_generator.h): make_store DIRECTORY PROVIDERS [CONTEXTS]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "store_file.h"
#include "store_generator.h"

int main(int argc, char* argv[]) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: make_store DIRECTORY PROVIDERS [CONTEXTS]\n");
    return 2;
  }
  const long providers = std::strtol(argv[2], nullptr, 10);
  const long contexts = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 0;
  std::filesystem::create_directories(argv[1]);
  std::ofstream(std::string(argv[1]) + "/" + cngstore::STORE_FILE, std::ios::binary)
      << cngstore::GenerateStore(providers, contexts);
  return 0;
}
