// The procedures' table of cases, run in the Windows program against the
// recording fake built as bcrypt.dll: the same output and the same calls,
// argument for argument and field for field of the registration record, as
// in process.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cases/procedure_cases.h"
#include "wine.h"

namespace {

using test_cases::ProcedureCase;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class RecordingTest : public ::testing::TestWithParam<ProcedureCase> {};

TEST_P(RecordingTest, PrintsItsLinesAndMakesItsCallsAsInProcess) {
  const ProcedureCase& c = GetParam();
  const std::string directory = test_support::MakeTemporaryDirectory();
  std::ofstream(directory + "/script", std::ios::binary) << fake_bcrypt::FormatScript(c.script);

  const test_support::ChildResult result =
      wine::Run("recording", {c.command},
                {"VELK_FAKE_SCRIPT=" + wine::WindowsPath(directory + "/script"),
                 "VELK_FAKE_RECORD=" + wine::WindowsPath(directory + "/record")});

  ASSERT_NE(result.exitStatus, 127) << "Wine could not start the program: " << result.errors;
  EXPECT_EQ(result.output, c.output) << result.errors;
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(Lines(test_support::ReadFile(directory + "/record")), test_cases::ExpectedCallLines(c));
}

INSTANTIATE_TEST_SUITE_P(Cases, RecordingTest, ::testing::ValuesIn(test_cases::ProcedureCases()),
                         [](const auto& test) { return test.param.name; });

}  // namespace
