// The front end in process, against the recording fake: each command line
// prints its own output and makes the calls of the procedure it selects.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cases/front_end_cases.h"
#include "cli/entry.h"
#include "common/utf8.h"
#include "fake/fake_bcrypt.h"
#include "support/process_capture.h"

namespace {

using test_cases::CommandLineCase;
using test_cases::Selected;
using Text = fake_bcrypt::Text;

constexpr char LISTED[] = "Alpha\nVelk Key Storage Provider\n";

// What each procedure prints against the fake, and the calls it makes.
struct ProcedureRun {
  std::string output;
  std::vector<std::string> calls;
};

const std::map<Selected, ProcedureRun> RUNS{
    {Selected::None, {"", {}}},
    {Selected::Register,
     {"", {"BCryptRegisterProvider", "BCryptAddContextFunction", "BCryptAddContextFunctionProvider"}}},
    {Selected::Unregister, {"", {"BCryptRemoveContextFunctionProvider", "BCryptUnregisterProvider"}}},
    {Selected::Enum, {LISTED, {"BCryptEnumRegisteredProviders", "BCryptFreeBuffer"}}},
};

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
        std::vector<Text> arguments;
        for (const std::string& argument : c.arguments) arguments.push_back(WideFromUtf8(argument.c_str()));
        std::vector<const WideChar*> argv{WIDE("VelkKspClient")};
        for (const Text& argument : arguments) argv.push_back(argument.c_str());
        return RunVelkKspClient(static_cast<int>(argv.size()), argv.data());
      },
      ReportCalls);
  EXPECT_EQ(result.output, c.output + RUNS.at(c.selected).output);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(Lines(result.report), RUNS.at(c.selected).calls);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, FrontEndTest, ::testing::ValuesIn(test_cases::CommandLineCases()),
                         [](const auto& test) { return test.param.name; });

}  // namespace
