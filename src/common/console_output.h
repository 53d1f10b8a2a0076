// Standard output for wide text: wide to a console that takes it (Windows),
// UTF-8 everywhere else (console_host_*.cpp say which). UTF-8 output is
// buffered and flushed when the process ends, however it ends normally. A
// failed write is dropped: it never stops the caller nor changes the exit
// status.
#ifndef VELK_COMMON_CONSOLE_OUTPUT_H
#define VELK_COMMON_CONSOLE_OUTPUT_H

#include <cstddef>

#include "wide_text.h"

void WriteConsoleText(const WideChar* text, std::size_t length);

// Writes out what is buffered now rather than at exit.
void FlushConsoleOutput();

#endif
