// The seven platform functions for the front-end fuzzer: each succeeds, and
// the listing hands back a small buffer that must be released.
#include <cstdlib>
#include <cstring>

#include "platform/bcrypt_binding.h"

extern "C" NTSTATUS WINAPI BCryptRegisterProvider(LPCWSTR, ULONG, PCRYPT_PROVIDER_REG) { return 0; }
extern "C" NTSTATUS WINAPI BCryptUnregisterProvider(LPCWSTR) { return 0; }
extern "C" NTSTATUS WINAPI BCryptAddContextFunction(ULONG, LPCWSTR, ULONG, LPCWSTR, ULONG) { return 0; }
extern "C" NTSTATUS WINAPI BCryptAddContextFunctionProvider(ULONG, LPCWSTR, ULONG, LPCWSTR, LPCWSTR, ULONG) {
  return 0;
}
extern "C" NTSTATUS WINAPI BCryptRemoveContextFunctionProvider(ULONG, LPCWSTR, ULONG, LPCWSTR, LPCWSTR) {
  return 0;
}

extern "C" NTSTATUS WINAPI BCryptEnumRegisteredProviders(ULONG* size, PCRYPT_PROVIDERS* buffer) {
  static const WCHAR NAME[] = u"Velk Key Storage Provider";
  struct Block {
    CRYPT_PROVIDERS record;
    PWSTR names[1];
    WCHAR name[sizeof NAME / sizeof NAME[0]];
  };
  auto* block = static_cast<Block*>(std::malloc(sizeof(Block)));
  if (block == nullptr) return static_cast<NTSTATUS>(0xC0000017);
  std::memcpy(block->name, NAME, sizeof NAME);
  block->names[0] = block->name;
  block->record = {1, block->names};
  *size = sizeof(Block);
  *buffer = &block->record;
  return 0;
}

extern "C" void WINAPI BCryptFreeBuffer(PVOID buffer) { std::free(buffer); }
