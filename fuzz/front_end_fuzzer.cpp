// Any bytes as the command word, through the tool's own entry: decoding and
// echoing give back the same bytes, and the word selects a procedure or is
// echoed in full and followed by the usage text, never interpreted as a
// format. The entry ends the process through EndProcess, which this fuzzer
// provides: it comes back here, so that the next input can run.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/entry.h"
#include "cli/process_exit.h"
#include "common/console_output.h"
#include "common/utf8.h"

namespace {

struct Ended {
  int status;
};

}  // namespace

void EndProcess(int status) { throw Ended{status}; }

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
  AppendUtf8Bytes(echoed, wide.data(), wide.size());
  if (echoed != argument) std::abort();

  MarkCommandLineText(wide.c_str());
  const WideChar* const argv[] = {WIDE("VelkKspClient"), wide.c_str()};
  int status = 0;
  try {
    status = RunVelkKspClient(2, argv);
  } catch (const Ended& ended) {
    status = ended.status;
  }
  if (status != EXIT_STATUS) std::abort();
  MarkCommandLineText(nullptr);
  FlushConsoleOutput();
  return 0;
}
