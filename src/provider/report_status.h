// The failure line of a configuration call.
#ifndef VELK_PROVIDER_REPORT_STATUS_H
#define VELK_PROVIDER_REPORT_STATUS_H

#include "platform/bcrypt_binding.h"

// Prints "<functionName> failed with error code 0x%08x" when the status is
// negative; prints nothing otherwise.
void ReportStatus(const WideChar* functionName, NTSTATUS status);

#endif
