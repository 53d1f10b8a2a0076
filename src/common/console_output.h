// Standard output for wide text: wide to a console that takes it (Windows),
// UTF-8 everywhere else (console_host_*.cpp say which). UTF-8 output is
// buffered and flushed when the process ends, however it ends normally. A
// failed write is dropped: it never stops the caller nor changes the exit
// status.
#ifndef VELK_COMMON_CONSOLE_OUTPUT_H
#define VELK_COMMON_CONSOLE_OUTPUT_H

#include <cstddef>

#include "platform/bcrypt_binding.h"

// Writes the text; the part [bytesFrom, bytesTo) of it, when there is one, is
// text decoded from the command line and is given back as the bytes it came
// from (see utf8.h).
void WriteConsoleText(const WideChar* text, std::size_t length, std::size_t bytesFrom = 0,
                      std::size_t bytesTo = 0);

// The argument decoded from the command line's bytes, which is the one text
// that the output gives back byte for byte; other hosts mark none.
void MarkCommandLineText(const WideChar* text);
bool IsCommandLineText(const WideChar* text);

// Writes out what is buffered now rather than at exit.
void FlushConsoleOutput();

#endif
