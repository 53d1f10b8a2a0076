// Any bytes as the command word: decoding and echoing give back the same
// bytes, and the word selects a procedure or is echoed in full, never
// interpreted as a format.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/command_table.h"
#include "common/console_output.h"
#include "common/console_print.h"
#include "common/utf8.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The tool's output goes nowhere; libFuzzer reports on standard error.
  const int nowhere = open("/dev/null", O_WRONLY);
  dup2(nowhere, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A command-line argument holds no NUL.
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string argument = bytes.substr(0, bytes.find('\0'));
  const std::basic_string<WideChar> wide = WideFromUtf8(argument.c_str());
  std::string echoed;
  AppendUtf8(echoed, wide.data(), wide.size());
  if (echoed != argument) std::abort();

  const CommandProcedure procedure = FindCommand(wide.c_str());
  if (procedure != nullptr) {
    procedure();
  } else {
    ConsolePrint(WIDE("Unrecognized command \"%s\"\n"), wide.c_str());
  }
  FlushConsoleOutput();
  return 0;
}
