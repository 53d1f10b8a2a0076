#include "front_end_cases.h"

#include <ostream>

namespace test_cases {

std::string Unrecognized(const std::string& argument) {
  return "Unrecognized command \"" + argument + "\"\n" + USAGE;
}

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }

std::string OutputAgainstAnEmptyConfiguration(const CommandLineCase& c) {
  return c.output + (c.selected == Selected::Unregister ? NOT_FOUND_ON_REMOVAL : "");
}

const std::vector<CommandLineCase>& CommandLineCases() {
  using S = Selected;
  static const std::vector<CommandLineCase> cases{
      {"NoArgument", {}, S::None, USAGE},
      {"Register", {"-register"}, S::Register, ""},
      {"Unregister", {"-unregister"}, S::Unregister, ""},
      {"Enum", {"-enum"}, S::Enum, ""},
      {"UpperCase", {"-REGISTER"}, S::Register, ""},
      {"MixedCase", {"-UnReGiStEr"}, S::Unregister, ""},
      {"MixedCaseEnum", {"-eNUm"}, S::Enum, ""},
      {"FurtherArgumentsIgnored", {"-enum", "-register", "%s%s%s"}, S::Enum, ""},
      {"UnknownSecondWordIgnored", {"-register", "bogus"}, S::Register, ""},
      {"EmptyArgument", {""}, S::None, Unrecognized("")},
      {"Unknown", {"-list"}, S::None, Unrecognized("-list")},
      {"WithoutHyphen", {"enum"}, S::None, Unrecognized("enum")},
      {"TwoHyphens", {"--enum"}, S::None, Unrecognized("--enum")},
      {"Prefix", {"-reg"}, S::None, Unrecognized("-reg")},
      {"Longer", {"-enumerate"}, S::None, Unrecognized("-enumerate")},
      {"TrailingBlank", {"-enum "}, S::None, Unrecognized("-enum ")},
      {"LeadingBlank", {" -enum"}, S::None, Unrecognized(" -enum")},
      {"SlashInsteadOfHyphen", {"/enum"}, S::None, Unrecognized("/enum")},
      {"NewlineInside", {"-enum\n"}, S::None, Unrecognized("-enum\n")},
      // Only ASCII letters fold: a dotted capital I (U+0130) is not 'i'.
      {"NonAsciiLookalike", {"-REG\xc4\xb0STER"}, S::None, Unrecognized("-REG\xc4\xb0STER")},
      {"FormatTextIsEchoedAsIs", {"%s%08x%n%%"}, S::None, Unrecognized("%s%08x%n%%")},
      {"NonAscii", {"-\xc3\xa9num \xe2\x98\x83 \xf0\x9f\x94\x91"}, S::None,
       Unrecognized("-\xc3\xa9num \xe2\x98\x83 \xf0\x9f\x94\x91")},
  };
  return cases;
}

}  // namespace test_cases
