#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "console_host.h"

// A terminal takes the same UTF-8 as a pipe.
bool WriteToWideConsole(const WideChar*, std::size_t) { return false; }

bool WriteStandardOutput(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(STDOUT_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      // A reader that made the descriptor non-blocking is slow, not gone:
      // wait until it takes more.
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        pollfd ready{STDOUT_FILENO, POLLOUT, 0};
        if (poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
      }
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}
