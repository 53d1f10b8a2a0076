// Runs a Windows build of the program under Wine, beside one of the stand-in
// bcrypt.dll files that the build made (registry/ or recording/). The build
// is chosen by the environment: VELK_WINE_BITS=32 or 64.
#ifndef VELK_TESTS_WINE_H
#define VELK_TESTS_WINE_H

#include <string>
#include <vector>

#include "support/process_capture.h"

namespace wine {

inline constexpr char WINE[] = "/usr/lib/wine/wine64";

bool Is32Bit();

// What the chosen build lacks of what the tests run, or empty.
std::string MissingBuildOutput();

// Why this machine cannot run the chosen build, or empty when it can. Only a
// kernel that cannot run 32-bit code is a reason; a missing Wine is a failure.
std::string CannotRun();

// The program in the folder, run with the arguments and extra environment.
test_support::ChildResult Run(const std::string& folder, const std::vector<std::string>& arguments,
                              const std::vector<std::string>& environment = {});

// The program run `count` times at once, each with the same arguments; the
// outputs, in no particular order.
std::vector<std::string> RunTogether(const std::string& folder, const std::string& argument, int count);

// Wine's reg.exe, on the registry of the tests' prefix.
test_support::ChildResult Reg(const std::vector<std::string>& arguments);

// A path as the Windows program sees it.
std::string WindowsPath(const std::string& path);

}  // namespace wine

#endif
