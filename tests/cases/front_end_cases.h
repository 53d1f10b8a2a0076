// The command lines that every layer runs (in process, the native program,
// the Windows program under Wine): what the front end prints of its own and
// which procedure the first argument selects. Each layer adds what it checks
// beyond that: the calls made, or what a real store answers.
#ifndef VELK_TESTS_FRONT_END_CASES_H
#define VELK_TESTS_FRONT_END_CASES_H

#include <iosfwd>
#include <string>
#include <vector>

namespace test_cases {

inline constexpr char USAGE[] = "Usage: VelkKspClient -enum | -register | -unregister\n";

// The unrecognised-command line for an argument, then the usage text.
std::string Unrecognized(const std::string& argument);

enum class Selected { None, Register, Unregister, Enum };

struct CommandLineCase {
  std::string name;
  std::vector<std::string> arguments;  // after the program's name; UTF-8
  Selected selected;                   // the procedure that runs, if any
  std::string output;                  // the front end's own output
  friend void PrintTo(const CommandLineCase& c, std::ostream* os);
};

const std::vector<CommandLineCase>& CommandLineCases();

// What a removal prints when the provider is not there.
inline constexpr char NOT_FOUND_ON_REMOVAL[] =
    "BCryptRemoveContextFunctionProvider failed with error code 0xc0000225\n"
    "BCryptUnregisterProvider failed with error code 0xc0000225\n";

// The whole output of a case against a configuration that holds nothing.
std::string OutputAgainstAnEmptyConfiguration(const CommandLineCase& c);

}  // namespace test_cases

#endif
