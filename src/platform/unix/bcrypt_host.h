// The binding on hosts without bcrypt.dll: the declarations of the
// configuration store that stands in for the platform (or of a test's fake),
// with the platform's names, signatures, layouts and NTSTATUS. Wide text is
// char16_t, since wchar_t is wider here.
#ifndef VELK_PLATFORM_BCRYPT_HOST_H
#define VELK_PLATFORM_BCRYPT_HOST_H

#include <cng_config.h>

#define WIDE(text) u##text

#endif
