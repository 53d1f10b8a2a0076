// Where the store lives and how it changes. All state is one file in the
// directory named by CNG_CONFIG_DIR (default /var/lib/cng):
//
//   cng.conf             the store (see store_text.h); missing = empty store
//   cng.lock             never replaced; writers hold an exclusive lock on it
//   cng.conf.tmp-<pid>   a change being written; a left-over one is removed
//
// A change is read, made and written under the lock; it is written to a new
// file, flushed and renamed over the store, so that a reader (who takes no
// lock) and a crash see the old store or the new one, never a mix. A store
// that cannot be read as one is reported and left exactly as it is.
//
// The store is mapped, not copied, and a change is written as the old text
// with a few splices: the cost of a call grows with the store's size, but
// the memory it takes hardly does.
#ifndef CNGSTORE_STORE_FILE_H
#define CNGSTORE_STORE_FILE_H

#include <functional>
#include <string>

#include "config_store.h"
#include "store_edit.h"

namespace cngstore {

inline constexpr char DEFAULT_STORE_DIRECTORY[] = "/var/lib/cng";
inline constexpr char STORE_FILE[] = "cng.conf";
inline constexpr char LOCK_FILE[] = "cng.lock";
inline constexpr char TEMPORARY_PREFIX[] = "cng.conf.tmp-";

std::string StoreDirectory();

// Hands the store's text (the new store's when there is none) to the reader.
NTSTATUS ReadStore(const std::function<NTSTATUS(std::string_view)>& reader);

// Works out the change from the current text under the lock and commits its
// splices when the change succeeds; a change without splices writes nothing.
NTSTATUS UpdateStore(const std::function<NTSTATUS(std::string_view, Splices&)>& change);

}  // namespace cngstore

#endif
