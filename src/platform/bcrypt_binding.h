// The seven CNG configuration functions of bcrypt.dll with the platform's
// types, records and constants. On Windows they come from the platform's own
// headers and import library; elsewhere from the configuration store that
// stands in for the platform (or from a test's fake), with the same names,
// signatures and layouts.
#ifndef VELK_PLATFORM_BCRYPT_BINDING_H
#define VELK_PLATFORM_BCRYPT_BINDING_H

#include <type_traits>

#include "common/nt_status.h"
#include "common/wide_text.h"

#if defined(_WIN32)
#include "bcrypt_windows.h"
#else
#include <cng_config.h>
#endif

#include "record_layout.h"

static_assert(std::is_same_v<WCHAR, WideChar>, "the platform's WCHAR is the tool's wide character");

#endif
