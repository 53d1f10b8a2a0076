// What each host provides to the console output (console_output.cpp).
#ifndef VELK_COMMON_CONSOLE_HOST_H
#define VELK_COMMON_CONSOLE_HOST_H

#include <cstddef>

#include "platform/bcrypt_binding.h"

// Writes the wide text straight to a console and returns true when standard
// output is one that takes wide text; returns false to have it encoded.
bool WriteToWideConsole(const WideChar* text, std::size_t length);

// Writes bytes to standard output; false when the write failed.
bool WriteStandardOutput(const char* data, std::size_t size);

#endif
