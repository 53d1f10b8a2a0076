// The store's file: plain text that an administrator can read, laid out like
// the platform's configuration tree. This is the one description of it.
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
// - The file is a tree of entries, one a line. Each entry kind (the table
//   GRAMMAR in store_text.cpp) has its keyword, the kinds it may stand under,
//   its operands and a rule for its siblings; its level, its depth in the
//   tree, follows from the kind. An entry stands under the last entry one
//   level up, so indentation is for the eye only.
// - The four lines of level 0 stand in this order, each once: the version
//   line, "[Providers]", "[Configuration\Local]" and "end". The final "end"
//   tells a whole file from a cut one; nothing but blank and comment lines
//   may follow it.
// - Names are quoted UTF-8. A backslash, a double quote, a control character
//   and a lone surrogate are written as \\, \" and \uXXXX (one UTF-16 code
//   unit), so every name round-trips and none can break a line. Numbers are
//   eight hexadecimal digits.
// - Siblings: providers stand in their listing order (SortsBefore), each once;
//   a context, a function of an interface and a provider of a function stand
//   once (ASCII case ignored); a context's interfaces ascend; an image is
//   given once per mode.
// - Blank lines and lines that start with '#' are kept, byte for byte, with
//   the entry that follows them. Spaces and tabs at either end of a line are
//   allowed and kept. Lines end in LF or CRLF; the lines a change writes
//   anew end as the version line does, and lines already there keep theirs.
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

// An entry with its block: its own line, the blank and comment lines before
// it, and every entry under it.
struct Entry {
  EntryKind kind;
  std::size_t start;     // the first of the blank and comment lines before it
  std::size_t line;      // its own line
  std::size_t end;       // just past its own line
  std::size_t blockEnd;  // just past its block: the start of the next entry not under it
  const Name* name;      // decoded, for the kinds that carry one
  ULONG id;              // for the interface kinds
  const Entry* parent;   // the entry it stands under; null at level 0
};

// Reads the whole text and hands each entry over when its block is read to
// the end: an entry after everything under it, siblings in file order. What
// it points to is valid during the call. False when the text is not a whole,
// well-formed store of this version.
bool ScanStore(std::string_view text, const std::function<void(const Entry&)>& closed);

// The start of the first line from `from` on that is neither blank nor a comment.
std::size_t SkipKeptLines(std::string_view text, std::size_t from);

// The blank and comment lines among the lines in [from, to), as they stand.
std::string KeptLines(std::string_view text, std::size_t from, std::size_t to);

// Whether the store's lines end in CRLF (as its version line does).
bool UsesCrlf(std::string_view text);

// The line of one entry, indented for its level, ending in LF: its keyword
// and its operands (a name, or an interface id with, for an image's
// interface, its flags).
std::string FormatEntry(EntryKind kind, const Name* name, ULONG id = 0, ULONG flags = 0);

// The lines of a whole registration.
std::string FormatProvider(const ProviderRecord& record);

}  // namespace cngstore

#endif
