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
// that start with '#' are skipped. The final "end" line tells a whole file
// from a cut one.
#ifndef CNGSTORE_STORE_TEXT_H
#define CNGSTORE_STORE_TEXT_H

#include <string>
#include <string_view>

#include "config_store.h"

namespace cngstore {

// The longest name the store takes, in UTF-16 code units.
inline constexpr std::size_t MAX_NAME_LENGTH = 32767;

std::string FormatStore(const ConfigStore& store);

// False when the text is not a whole, well-formed store of this version.
bool ParseStore(std::string_view text, ConfigStore& store);

}  // namespace cngstore

#endif
