// The entry on hosts whose command line is bytes: the first argument is
// decoded from UTF-8 (any byte string survives, see utf8.h); the arguments
// after it are never read, so they are not decoded.
#include <csignal>
#include <string>
#include <vector>

#include "common/console_output.h"
#include "common/utf8.h"
#include "entry.h"

int main(int argc, char* argv[]) {
  // A closed pipe or a file-size limit must not kill the process: the write
  // fails, the output is dropped, and the procedures run to their end.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);

  static const WideChar NOT_READ[] = {0};
  std::basic_string<WideChar> command;
  std::vector<const WideChar*> wideArgv(argc > 0 ? static_cast<std::size_t>(argc) : 0, NOT_READ);
  if (argc > 1) {
    command = WideFromUtf8(argv[1]);
    wideArgv[1] = command.c_str();
    MarkCommandLineText(wideArgv[1]);
  }
  return RunVelkKspClient(argc, wideArgv.data());
}
