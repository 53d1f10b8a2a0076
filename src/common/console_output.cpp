#include "console_output.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "console_host.h"
#include "utf8.h"

namespace {

// Plain storage with no destructor, so that the flush at exit never meets a
// buffer that is already gone.
constexpr std::size_t BUFFER_SIZE = 64 * 1024;
char buffer[BUFFER_SIZE];
std::size_t buffered = 0;
bool outputFailed = false;  // a closed pipe, a full disk: the rest is dropped
const WideChar* commandLineText = nullptr;

void Write(const char* data, std::size_t size) {
  if (!outputFailed && size > 0) outputFailed = !WriteStandardOutput(data, size);
}

}  // namespace

void FlushConsoleOutput() {
  Write(buffer, buffered);
  buffered = 0;
}

void MarkCommandLineText(const WideChar* text) { commandLineText = text; }

bool IsCommandLineText(const WideChar* text) { return text != nullptr && text == commandLineText; }

void WriteConsoleText(const WideChar* text, std::size_t length, std::size_t bytesFrom, std::size_t bytesTo) {
  if (WriteToWideConsole(text, length)) return;
  static const bool flushAtExit = std::atexit(FlushConsoleOutput) == 0;
  static std::string bytes;  // reused: one thread
  bytes.clear();
  AppendUtf8(bytes, text, bytesFrom);
  AppendUtf8Bytes(bytes, text + bytesFrom, bytesTo - bytesFrom);
  AppendUtf8(bytes, text + bytesTo, length - bytesTo);
  if (!flushAtExit || bytes.size() > BUFFER_SIZE - buffered) FlushConsoleOutput();
  if (!flushAtExit || bytes.size() > BUFFER_SIZE) {
    Write(bytes.data(), bytes.size());
    return;
  }
  std::memcpy(buffer + buffered, bytes.data(), bytes.size());
  buffered += bytes.size();
}
