#include <windows.h>

#include "console_host.h"
#include "console_output.h"

namespace {

HANDLE StandardOutput() { return GetStdHandle(STD_OUTPUT_HANDLE); }

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

// A console shows any name as it is when it is given wide text; a file or a
// pipe gets UTF-8 without a byte-order mark.
bool WriteToWideConsole(const WideChar* text, std::size_t length) {
  static const bool console = IsConsole(StandardOutput());
  if (!console) return false;
  FlushConsoleOutput();
  while (length > 0) {
    DWORD written = 0;
    const DWORD chunk = length > 8192 ? 8192 : static_cast<DWORD>(length);
    if (!WriteConsoleW(StandardOutput(), text, chunk, &written, nullptr) || written == 0) break;
    text += written;
    length -= written;
  }
  return true;
}

bool WriteStandardOutput(const char* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 65536 ? 65536 : static_cast<DWORD>(size);
    if (!WriteFile(StandardOutput(), data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}
