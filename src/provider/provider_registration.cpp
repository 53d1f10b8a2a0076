// Registration and removal: fixed call sequences. Every call is made whatever
// the ones before it returned; each failure prints its own line.
#include "provider_identity.h"
#include "report_status.h"

void RegisterKeyStorageProvider() {
  NTSTATUS status = BCryptRegisterProvider(
      PROVIDER_NAME, 0, const_cast<PCRYPT_PROVIDER_REG>(&ProviderRegistration));
  ReportStatus(WIDE("BCryptRegisterProvider"), status);

  status = BCryptAddContextFunction(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE,
                                    NCRYPT_KEY_STORAGE_ALGORITHM, CRYPT_PRIORITY_BOTTOM);
  ReportStatus(WIDE("BCryptAddContextFunction"), status);

  status = BCryptAddContextFunctionProvider(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE,
                                            NCRYPT_KEY_STORAGE_ALGORITHM, PROVIDER_NAME,
                                            CRYPT_PRIORITY_BOTTOM);
  ReportStatus(WIDE("BCryptAddContextFunctionProvider"), status);
}

// Takes out the provider's place in the list and its registration; the
// KEY_STORAGE function itself stays, as other providers may serve it.
void UnregisterKeyStorageProvider() {
  NTSTATUS status = BCryptRemoveContextFunctionProvider(
      CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, NCRYPT_KEY_STORAGE_ALGORITHM,
      PROVIDER_NAME);
  ReportStatus(WIDE("BCryptRemoveContextFunctionProvider"), status);

  status = BCryptUnregisterProvider(PROVIDER_NAME);
  ReportStatus(WIDE("BCryptUnregisterProvider"), status);
}
