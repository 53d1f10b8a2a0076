#include "console_print.h"
#include "nt_status.h"

void ReportStatus(const WideChar* functionName, NTSTATUS status) {
  if (StatusFailed(status)) {
    ConsolePrint(WIDE("%s failed with error code 0x%08x\n"), functionName, status);
  }
}
