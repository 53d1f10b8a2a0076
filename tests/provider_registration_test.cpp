#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_bcrypt.h"
#include "provider/provider_identity.h"
#include "support/process_capture.h"

namespace {

using fake_bcrypt::Call;
using test_support::CaptureStdout;

class ProviderRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { fake_bcrypt::Reset(); }
};

const fake_bcrypt::RegistrationCopy EXPECTED_RECORD{
    {},
    fake_bcrypt::ImageCopy{WIDE("VelkKsp.dll"), {{0x00010001, 0x00000001, {WIDE("KEY_STORAGE")}}}},
    std::nullopt};

TEST_F(ProviderRegistrationTest, RegistrationMakesTheThreeCallsWithTheirExactArguments) {
  EXPECT_EQ(CaptureStdout(RegisterKeyStorageProvider), "");

  const std::vector<Call> expected{
      {.function = "BCryptRegisterProvider",
       .provider = WIDE("Velk Key Storage Provider"),
       .flags = 0,
       .registration = EXPECTED_RECORD},
      {.function = "BCryptAddContextFunction",
       .table = 1,
       .context = std::nullopt,
       .interfaceId = 0x00010001,
       .functionName = WIDE("KEY_STORAGE"),
       .position = 0xFFFFFFFF},
      {.function = "BCryptAddContextFunctionProvider",
       .table = 1,
       .context = std::nullopt,
       .interfaceId = 0x00010001,
       .functionName = WIDE("KEY_STORAGE"),
       .provider = WIDE("Velk Key Storage Provider"),
       .position = 0xFFFFFFFF},
  };
  EXPECT_EQ(fake_bcrypt::Calls(), expected);
}

TEST_F(ProviderRegistrationTest, RemovalMakesTheTwoCallsAndNeverRemovesTheFunction) {
  EXPECT_EQ(CaptureStdout(UnregisterKeyStorageProvider), "");

  const std::vector<Call> expected{
      {.function = "BCryptRemoveContextFunctionProvider",
       .table = 1,
       .context = std::nullopt,
       .interfaceId = 0x00010001,
       .functionName = WIDE("KEY_STORAGE"),
       .provider = WIDE("Velk Key Storage Provider")},
      {.function = "BCryptUnregisterProvider", .provider = WIDE("Velk Key Storage Provider")},
  };
  EXPECT_EQ(fake_bcrypt::Calls(), expected);
}

// Each combination of failing calls: a bit per call, in call order.
struct FailureCase {
  void (*procedure)();
  std::vector<std::string> calls;
  std::vector<NTSTATUS> failures;  // the status each call returns when its bit is set
  unsigned failing = 0;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << "mask " << c.failing; }
};

std::string PrintToString(const FailureCase& c) { return std::to_string(c.calls.size()) + "_calls_mask_" + std::to_string(c.failing); }

class FailingCallsTest : public ::testing::TestWithParam<FailureCase> {
 protected:
  void SetUp() override { fake_bcrypt::Reset(); }
};

TEST_P(FailingCallsTest, EachFailurePrintsItsOwnLineInCallOrderAndLaterCallsStillHappen) {
  const FailureCase& c = GetParam();
  std::string expected;
  for (std::size_t i = 0; i < c.calls.size(); ++i) {
    if ((c.failing & (1u << i)) == 0) continue;
    fake_bcrypt::ScriptStatus(c.calls[i], c.failures[i]);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(c.failures[i]));
    expected += c.calls[i] + " failed with error code 0x" + hex + "\n";
  }
  EXPECT_EQ(CaptureStdout(c.procedure), expected);
  EXPECT_EQ(fake_bcrypt::CallNames(), c.calls);
}

std::vector<FailureCase> AllCombinations(void (*procedure)(), std::vector<std::string> calls,
                                         std::vector<NTSTATUS> failures) {
  std::vector<FailureCase> cases;
  for (unsigned mask = 0; mask < (1u << calls.size()); ++mask) {
    cases.push_back({procedure, calls, failures, mask});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(
    Registration, FailingCallsTest,
    ::testing::ValuesIn(AllCombinations(
        RegisterKeyStorageProvider,
        {"BCryptRegisterProvider", "BCryptAddContextFunction", "BCryptAddContextFunctionProvider"},
        {static_cast<NTSTATUS>(0xC0000035), static_cast<NTSTATUS>(0xC0000022),
         static_cast<NTSTATUS>(0x80000001)})),
    [](const auto& test) { return PrintToString(test.param); });

INSTANTIATE_TEST_SUITE_P(
    Removal, FailingCallsTest,
    ::testing::ValuesIn(AllCombinations(
        UnregisterKeyStorageProvider,
        {"BCryptRemoveContextFunctionProvider", "BCryptUnregisterProvider"},
        {static_cast<NTSTATUS>(0xC0000225), static_cast<NTSTATUS>(0xFFFFFFFF)})),
    [](const auto& test) { return PrintToString(test.param); });

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
  EXPECT_EQ(CaptureStdout(UnregisterKeyStorageProvider), expected);
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
