// The seven CNG configuration functions of bcrypt.dll with the platform's
// types, records, constants and NTSTATUS, and the tool's wide text, which is
// the platform's WCHAR. The build picks the host's declarations
// (platform/<host>/bcrypt_host.h); what implements the functions is chosen
// where the program is linked: bcrypt.dll, the stand-in store, or a test's
// fake.
#ifndef VELK_PLATFORM_BCRYPT_BINDING_H
#define VELK_PLATFORM_BCRYPT_BINDING_H

#include <type_traits>

#include "bcrypt_host.h"
#include "record_layout.h"

// Wide text: UTF-16 code units.
using WideChar = WCHAR;
static_assert(sizeof(WideChar) == 2, "wide text is UTF-16");

// Negative means failure; zero and positive mean success.
static_assert(sizeof(NTSTATUS) == 4 && std::is_signed_v<NTSTATUS>, "NTSTATUS is signed 32-bit");

#endif
