// Compiled once per case by the test suite: CASE_VALID must compile, every
// other case must be rejected by the compiler.
#include <cstdint>

#include "common/console_print.h"

void Misuse(const WideChar* text, std::uint32_t number) {
#if defined(CASE_VALID)
  ConsolePrint(WIDE("%s 0x%08x\n"), text, number);
#elif defined(CASE_UNKNOWN_PLACEHOLDER)
  ConsolePrint(WIDE("%d\n"), number);
#elif defined(CASE_NUMBER_FOR_TEXT)
  ConsolePrint(WIDE("%s\n"), number);
#elif defined(CASE_TEXT_FOR_NUMBER)
  ConsolePrint(WIDE("%08x\n"), text);
#elif defined(CASE_TOO_FEW_VALUES)
  ConsolePrint(WIDE("%s %s\n"), text);
#elif defined(CASE_TOO_MANY_VALUES)
  ConsolePrint(WIDE("%s\n"), text, text);
#elif defined(CASE_RUNTIME_FORMAT)
  ConsolePrint(text);
#elif defined(CASE_WIDE_NUMBER)
  ConsolePrint(WIDE("%08x\n"), static_cast<std::uint64_t>(number));
#endif
}
