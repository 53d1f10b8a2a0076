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
// that cannot be parsed is reported and left exactly as it is.
#ifndef CNGSTORE_STORE_FILE_H
#define CNGSTORE_STORE_FILE_H

#include <functional>
#include <string>

#include "config_store.h"

namespace cngstore {

inline constexpr char DEFAULT_STORE_DIRECTORY[] = "/var/lib/cng";
inline constexpr char STORE_FILE[] = "cng.conf";
inline constexpr char LOCK_FILE[] = "cng.lock";
inline constexpr char TEMPORARY_PREFIX[] = "cng.conf.tmp-";

std::string StoreDirectory();

NTSTATUS ReadStore(ConfigStore& store);

// Runs the change on the current store under the lock and commits the result
// when the change succeeds.
NTSTATUS UpdateStore(const std::function<NTSTATUS(ConfigStore&)>& change);

}  // namespace cngstore

#endif
