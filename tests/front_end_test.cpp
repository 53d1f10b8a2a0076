#include <gtest/gtest.h>

#include "support/case_name.h"

#include <string>
#include <vector>

#include "cli/command_table.h"
#include "cli/entry.h"
#include "fake/fake_bcrypt.h"
#include "support/process_capture.h"

namespace {

using Text = fake_bcrypt::Text;

constexpr char USAGE[] = "Usage: VelkKspClient -enum | -register | -unregister\n";
constexpr char LISTED[] = "Alpha\nVelk Key Storage Provider\n";

const std::vector<std::string> NO_CALLS;
const std::vector<std::string> REGISTER_CALLS{"BCryptRegisterProvider", "BCryptAddContextFunction",
                                              "BCryptAddContextFunctionProvider"};
const std::vector<std::string> UNREGISTER_CALLS{"BCryptRemoveContextFunctionProvider",
                                                "BCryptUnregisterProvider"};
const std::vector<std::string> ENUM_CALLS{"BCryptEnumRegisteredProviders", "BCryptFreeBuffer"};

struct CommandLineCase {
  const char* name;
  std::vector<Text> arguments;  // after the program's name
  std::string output;
  const std::vector<std::string>& calls;
  friend void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << c.name; }
};

std::string Unrecognized(const std::string& word) {
  return "Unrecognized command \"" + word + "\"\n" + USAGE;
}

std::string ReportCalls() {
  std::string names;
  for (const std::string& name : fake_bcrypt::CallNames()) names += name + "\n";
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

class FrontEndTest : public ::testing::TestWithParam<CommandLineCase> {};

// Each case runs in a child process, since the usage text ends the process.
TEST_P(FrontEndTest, PrintsExactlyItsOutputMakesItsCallsAndExitsWithOne) {
  const CommandLineCase& c = GetParam();
  const test_support::ChildResult result = test_support::RunInChild(
      [&] {
        fake_bcrypt::Reset();
        fake_bcrypt::ScriptListing({WIDE("Alpha"), WIDE("Velk Key Storage Provider")});
        std::vector<const WideChar*> argv{WIDE("VelkKspClient")};
        for (const Text& argument : c.arguments) argv.push_back(argument.c_str());
        return RunVelkKspClient(static_cast<int>(argv.size()), argv.data());
      },
      ReportCalls);
  EXPECT_EQ(result.output, c.output);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(Lines(result.report), c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, FrontEndTest,
    ::testing::Values(
        CommandLineCase{"NoArgument", {}, USAGE, NO_CALLS},
        CommandLineCase{"Register", {WIDE("-register")}, "", REGISTER_CALLS},
        CommandLineCase{"Unregister", {WIDE("-unregister")}, "", UNREGISTER_CALLS},
        CommandLineCase{"Enum", {WIDE("-enum")}, LISTED, ENUM_CALLS},
        CommandLineCase{"UpperCase", {WIDE("-REGISTER")}, "", REGISTER_CALLS},
        CommandLineCase{"MixedCase", {WIDE("-UnReGiStEr")}, "", UNREGISTER_CALLS},
        CommandLineCase{"MixedCaseEnum", {WIDE("-eNUm")}, LISTED, ENUM_CALLS},
        CommandLineCase{"FurtherArgumentsIgnored",
                        {WIDE("-enum"), WIDE("-register"), WIDE("%s%s%s")}, LISTED, ENUM_CALLS},
        CommandLineCase{"UnknownSecondWordIgnored", {WIDE("-register"), WIDE("bogus")}, "",
                        REGISTER_CALLS},
        CommandLineCase{"EmptyArgument", {WIDE("")}, Unrecognized(""), NO_CALLS},
        CommandLineCase{"WithoutHyphen", {WIDE("enum")}, Unrecognized("enum"), NO_CALLS},
        CommandLineCase{"TwoHyphens", {WIDE("--enum")}, Unrecognized("--enum"), NO_CALLS},
        CommandLineCase{"Prefix", {WIDE("-reg")}, Unrecognized("-reg"), NO_CALLS},
        CommandLineCase{"Longer", {WIDE("-enumerate")}, Unrecognized("-enumerate"), NO_CALLS},
        CommandLineCase{"TrailingBlank", {WIDE("-enum ")}, Unrecognized("-enum "), NO_CALLS},
        CommandLineCase{"LeadingBlank", {WIDE(" -enum")}, Unrecognized(" -enum"), NO_CALLS},
        CommandLineCase{"SlashInsteadOfHyphen", {WIDE("/enum")}, Unrecognized("/enum"), NO_CALLS},
        // Only ASCII letters fold: a dotless capital I (U+0130) is not 'i'.
        CommandLineCase{"NonAsciiLookalike", {WIDE("-REG\u0130STER")},
                        Unrecognized("-REG\xc4\xb0STER"), NO_CALLS},
        CommandLineCase{"FormatTextIsEchoedAsIs", {WIDE("%s%08x%n%%")},
                        Unrecognized("%s%08x%n%%"), NO_CALLS},
        CommandLineCase{"NonAscii", {WIDE("-\u00e9num \u2603 \U0001F511")},
                        Unrecognized("-\xc3\xa9num \xe2\x98\x83 \xf0\x9f\x94\x91"), NO_CALLS}),
    test_support::CaseName());

TEST(CommandTableTest, ProceduresAreTriedInTheirFixedOrder) {
  const Text words[] = {WIDE("-register"), WIDE("-unregister"), WIDE("-enum")};
  ASSERT_EQ(COMMAND_TABLE.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(Text(COMMAND_TABLE[i].word), words[i]);
}

}  // namespace
