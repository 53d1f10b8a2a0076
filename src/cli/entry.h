// The tool's entry, the same on every host: the host's own main hands it the
// command line as wide strings.
#ifndef VELK_CLI_ENTRY_H
#define VELK_CLI_ENTRY_H

#include "platform/bcrypt_binding.h"

// Every path ends with this status, a complete success included: the output
// alone tells success from failure.
inline constexpr int EXIT_STATUS = 1;

// Writes the usage text and ends the process with EXIT_STATUS.
[[noreturn]] void PrintUsage();

// Reads argv[1] alone; returns the exit status, or ends the process through
// PrintUsage.
int RunVelkKspClient(int argc, const WideChar* const argv[]);

#endif
