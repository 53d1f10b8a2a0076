#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_bcrypt.h"
#include "provider/provider_identity.h"
#include "support/process_capture.h"

namespace {

// The calls and lines of every combination of failing calls are in the
// procedures' table of cases (procedure_cases_test.cpp).

// Only the sign counts: positive statuses (informational, warnings are
// negative) print nothing; every negative one prints as unsigned hex.
struct StatusCase {
  NTSTATUS status;
  const char* printed;  // null: nothing printed
  friend void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.status; }
};

class StatusSignTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusSignTest, OnlyANegativeStatusPrintsAndAlwaysAsEightLowerCaseDigits) {
  fake_bcrypt::Reset();
  fake_bcrypt::ScriptStatus("BCryptUnregisterProvider", GetParam().status);
  const std::string expected =
      GetParam().printed == nullptr
          ? ""
          : std::string("BCryptUnregisterProvider failed with error code 0x") + GetParam().printed + "\n";
  EXPECT_EQ(test_support::CaptureStdout(UnregisterKeyStorageProvider), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusSignTest,
    ::testing::Values(StatusCase{0, nullptr}, StatusCase{0x00000103, nullptr},
                      StatusCase{0x7FFFFFFF, nullptr},
                      StatusCase{static_cast<NTSTATUS>(0x80000000), "80000000"},
                      StatusCase{static_cast<NTSTATUS>(0x8000000A), "8000000a"},
                      StatusCase{static_cast<NTSTATUS>(0xC000014C), "c000014c"},
                      StatusCase{-1, "ffffffff"}));

}  // namespace
