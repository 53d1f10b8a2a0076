#include "report_status.h"

#include "common/console_print.h"

void ReportStatus(const WideChar* functionName, NTSTATUS status) {
  if (status < 0) ConsolePrint(WIDE("%s failed with error code 0x%08x\n"), functionName, status);
}
