// What the store holds, as callers hand it over, and the rules for names.
#ifndef CNGSTORE_CONFIG_STORE_H
#define CNGSTORE_CONFIG_STORE_H

#include <optional>
#include <string>
#include <vector>

#include "cng_config.h"

namespace cngstore {

using Name = std::u16string;

inline constexpr char16_t DEFAULT_CONTEXT[] = u"Default";

// The longest name the store takes, in UTF-16 code units.
inline constexpr std::size_t MAX_NAME_LENGTH = 32767;

struct InterfaceRecord {
  ULONG id = 0;
  ULONG flags = 0;
  std::vector<Name> functions;
};

struct ImageRecord {
  Name image;
  std::vector<InterfaceRecord> interfaces;
};

// A provider's registration, copied from the caller's record.
struct ProviderRecord {
  Name name;
  std::vector<Name> aliases;
  std::optional<ImageRecord> userMode;
  std::optional<ImageRecord> kernelMode;
};

// Names are compared without regard to ASCII case and kept as given:
// negative, zero or positive as a sorts before, with or after b.
int CompareNames(const Name& a, const Name& b);
bool NamesEqual(const Name& a, const Name& b);
// The order of providers: by name without regard to ASCII case. No two
// providers have names that are equal so (a store holds each name once), so
// the order is total.
bool SortsBefore(const Name& a, const Name& b);

bool IsKnownInterface(ULONG id);

// Puts a name at a position of a priority list: 0 first, n before the n-th
// name, last when the list is shorter (CRYPT_PRIORITY_BOTTOM included). A
// name that is already in the list moves there.
void PlaceInList(std::vector<Name>& list, const Name& name, ULONG position);

}  // namespace cngstore

#endif
