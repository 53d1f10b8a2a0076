// Standard output for wide text. Each host has its own implementation:
// console_output_unix.cpp writes UTF-8, console_output_windows.cpp writes wide
// text to a console and UTF-8 elsewhere. Output is buffered and flushed when
// the process ends, however it ends normally. A failed write is dropped: it
// never stops the caller nor changes the exit status.
#ifndef VELK_COMMON_CONSOLE_OUTPUT_H
#define VELK_COMMON_CONSOLE_OUTPUT_H

#include <cstddef>

#include "wide_text.h"

void WriteConsoleText(const WideChar* text, std::size_t length);

// Writes out what is buffered now rather than at exit.
void FlushConsoleOutput();

#endif
