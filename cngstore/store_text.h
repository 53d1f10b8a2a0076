// The store's file: plain text that an administrator can read, laid out like
// the platform's configuration tree. Example:
//
//   CNG configuration store, version 1
//
//   [Providers]
//   provider "Velk Key Storage Provider"
//     user-mode "VelkKsp.dll"
//       interface 00010001 flags 00000001
//         function "KEY_STORAGE"
//
//   [Configuration\Local]
//   context "Default"
//     interface 00010001
//       function "KEY_STORAGE"
//         provider "Velk Key Storage Provider"
//
//   end
//
// Names are quoted UTF-8. A backslash, a double quote, a control character
// and a lone surrogate are written as \\, \" and \uXXXX (one UTF-16 code
// unit), so every name round-trips and none can break a line. Numbers are
// eight hexadecimal digits. Indentation is for the eye; blank lines and lines
// that start with '#' are kept with the entry that follows them. Providers
// stand in the order of SortsBefore. The final "end" line tells a whole file
// from a cut one.
#ifndef CNGSTORE_STORE_TEXT_H
#define CNGSTORE_STORE_TEXT_H

#include <functional>
#include <string>
#include <string_view>

#include "config_store.h"

namespace cngstore {

// The text of a store that holds nothing: a machine as it starts.
extern const std::string_view NEW_STORE_TEXT;

enum class EntryKind {
  Version,
  ProvidersSection,
  Provider,         // a registration...
  Alias,            // ...and its parts
  UserMode,
  KernelMode,
  ImageInterface,
  ImageFunction,
  LocalSection,
  Context,          // the local table...
  Interface,        // ...a context's interfaces
  Function,         // ...an interface's functions, in priority order
  ListedProvider,   // ...a function's providers, in priority order
  End,
};

// One line of the store with the blank and comment lines before it. An
// entry's block (the entry and everything under it) runs to the start of the
// next entry whose level is not greater.
struct Entry {
  EntryKind kind;
  int level;
  std::size_t start;  // the first of the blank and comment lines before it
  std::size_t end;    // just past its own line
  const Name* name;   // decoded, for the kinds that carry one; valid during the call
  ULONG id;
  ULONG flags;
};

// Reads the whole text, calling visit for each entry in file order; false
// when the text is not a whole, well-formed store of this version.
bool ScanStore(std::string_view text, const std::function<void(const Entry&)>& visit);

// The lines that a new entry is written as.
std::string FormatProvider(const ProviderRecord& record);
std::string FormatLine(EntryKind kind, const Name& name);  // Context, Function, ListedProvider
std::string FormatInterfaceLine(ULONG id);                  // of the local table

}  // namespace cngstore

#endif
