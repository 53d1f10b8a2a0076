// Edits applied to store texts in memory, and what a text lists.
#ifndef CNGSTORE_TESTS_STORE_TEST_SUPPORT_H
#define CNGSTORE_TESTS_STORE_TEST_SUPPORT_H

#include <string>
#include <vector>

#include "store_edit.h"
#include "store_text.h"

namespace cngstore {

// Runs the edit on the text and, when it succeeds, applies its splices.
template <typename Edit>
NTSTATUS Apply(std::string& text, Edit edit) {
  Splices splices;
  const NTSTATUS status = edit(std::string_view(text), splices);
  if (status >= 0) text = ApplySplices(text, splices);
  return status;
}

// The names of the entries of one kind, in file order; empty and marked
// when the text does not scan.
inline std::vector<Name> Collect(std::string_view text, EntryKind kind, bool* whole = nullptr) {
  std::vector<Name> names;
  const bool scanned = ScanStore(text, [&](const Entry& entry) {
    if (entry.kind == kind && entry.name != nullptr) names.push_back(*entry.name);
  });
  if (whole != nullptr) *whole = scanned;
  return scanned ? names : std::vector<Name>{};
}

inline ProviderRecord Record(const Name& name) {
  return ProviderRecord{name, {}, ImageRecord{name + u".dll", {{NCRYPT_KEY_STORAGE_INTERFACE, 1, {u"KEY_STORAGE"}}}}, {}};
}

}  // namespace cngstore

#endif
