#include "common/console_print.h"
#include "provider_identity.h"
#include "report_status.h"

// Prints every registered provider's name, one per line, in the platform's
// order. The platform allocates the listing; it is released here, once.
void ListRegisteredProviders() {
  ULONG size = 0;
  PCRYPT_PROVIDERS providers = nullptr;
  const NTSTATUS status = BCryptEnumRegisteredProviders(&size, &providers);
  if (status < 0) {
    ReportStatus(WIDE("BCryptEnumRegisteredProviders"), status);
  } else if (providers == nullptr) {
    ConsolePrint(WIDE("BCryptEnumRegisteredProviders returned a NULL ptr\n"));
  } else {
    for (ULONG i = 0; i < providers->cProviders; ++i) {
      ConsolePrint(WIDE("%s\n"), providers->rgpszProviders[i]);
    }
  }
  if (providers != nullptr) BCryptFreeBuffer(providers);
}
