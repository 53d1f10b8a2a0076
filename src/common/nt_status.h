// NTSTATUS, the signed 32-bit status of every CNG configuration call:
// negative means failure, zero and positive mean success.
#ifndef VELK_COMMON_NT_STATUS_H
#define VELK_COMMON_NT_STATUS_H

#include <type_traits>

#include "wide_text.h"

#if defined(_WIN32)
#include <windows.h>
#include <bcrypt.h>
#else
#include <cstdint>
typedef std::int32_t NTSTATUS;
#endif

static_assert(sizeof(NTSTATUS) == 4 && std::is_signed_v<NTSTATUS>, "NTSTATUS is signed 32-bit");

constexpr bool StatusFailed(NTSTATUS status) { return status < 0; }

// Prints "<functionName> failed with error code 0x%08x" when the status is
// negative; prints nothing otherwise.
void ReportStatus(const WideChar* functionName, NTSTATUS status);

#endif
