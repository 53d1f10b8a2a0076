#include "config_store.h"

#include <algorithm>

namespace cngstore {
namespace {

char16_t FoldAsciiCase(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

int CompareNames(const Name& a, const Name& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;
    const char16_t x = FoldAsciiCase(a[i]);
    const char16_t y = FoldAsciiCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool NamesEqual(const Name& a, const Name& b) {
  return a.size() == b.size() && CompareNames(a, b) == 0;
}

bool SortsBefore(const Name& a, const Name& b) { return CompareNames(a, b) < 0; }

bool IsKnownInterface(ULONG id) {
  return (id >= BCRYPT_CIPHER_INTERFACE && id <= BCRYPT_KEY_DERIVATION_INTERFACE) ||
         (id >= NCRYPT_KEY_STORAGE_INTERFACE && id <= NCRYPT_KEY_PROTECTION_INTERFACE);
}

void PlaceInList(std::vector<Name>& list, const Name& name, ULONG position) {
  const auto existing = std::find_if(list.begin(), list.end(), [&](const Name& listed) { return NamesEqual(listed, name); });
  if (existing != list.end()) list.erase(existing);
  const std::size_t index = std::min<std::size_t>(position, list.size());
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), name);
}

}  // namespace cngstore
