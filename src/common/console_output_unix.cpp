#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console_output.h"
#include "utf8.h"

namespace {

// Plain storage with no destructor, so that the flush at exit never meets a
// buffer that is already gone.
constexpr std::size_t BUFFER_SIZE = 64 * 1024;
char buffer[BUFFER_SIZE];
std::size_t buffered = 0;
bool outputFailed = false;

void WriteAll(const char* data, std::size_t size) {
  while (size > 0 && !outputFailed) {
    const ssize_t written = write(STDOUT_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      outputFailed = true;  // a closed pipe, a full disk: the rest is dropped
      return;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void FlushConsoleOutput() {
  WriteAll(buffer, buffered);
  buffered = 0;
}

void WriteConsoleText(const WideChar* text, std::size_t length) {
  static const bool flushAtExit = std::atexit(FlushConsoleOutput) == 0;
  std::string bytes;
  AppendUtf8(bytes, text, length);
  if (!flushAtExit || bytes.size() > BUFFER_SIZE - buffered) FlushConsoleOutput();
  if (!flushAtExit || bytes.size() > BUFFER_SIZE) {
    WriteAll(bytes.data(), bytes.size());
    return;
  }
  std::memcpy(buffer + buffered, bytes.data(), bytes.size());
  buffered += bytes.size();
}
