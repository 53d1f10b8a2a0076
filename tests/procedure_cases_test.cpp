// The procedures' table of cases, run in process through the front end
// against the recording fake, scripted through the same text that the
// Windows program's fake DLL reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cases/procedure_cases.h"
#include "cli/entry.h"
#include "common/utf8.h"
#include "support/process_capture.h"

namespace {

using test_cases::ProcedureCase;

class ProcedureCaseTest : public ::testing::TestWithParam<ProcedureCase> {};

TEST_P(ProcedureCaseTest, PrintsItsLinesAndMakesItsCallsInOrder) {
  const ProcedureCase& c = GetParam();
  fake_bcrypt::LoadScript(fake_bcrypt::FormatScript(c.script));
  const std::basic_string<WideChar> word = WideFromUtf8(c.command.c_str());
  const WideChar* const argv[] = {WIDE("VelkKspClient"), word.c_str()};
  int status = 0;
  EXPECT_EQ(test_support::CaptureStdout([&] { status = RunVelkKspClient(2, argv); }), c.output);
  EXPECT_EQ(status, 1);

  std::vector<std::string> made;
  for (const fake_bcrypt::Call& call : fake_bcrypt::Calls()) {
    made.push_back(fake_bcrypt::DescribeCall(call, fake_bcrypt::ListingBuffer()));
  }
  EXPECT_EQ(made, test_cases::ExpectedCallLines(c));
}

INSTANTIATE_TEST_SUITE_P(Cases, ProcedureCaseTest, ::testing::ValuesIn(test_cases::ProcedureCases()),
                         [](const auto& test) { return test.param.name; });

}  // namespace
