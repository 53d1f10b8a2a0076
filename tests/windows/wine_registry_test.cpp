// The Windows program against the registry-backed configuration: the whole
// cycle, providers that other processes registered, the record as the
// registry holds it, and many registrations at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "cases/front_end_cases.h"
#include "wine.h"

namespace {

const std::string CRYPTOGRAPHY = R"(HKLM\SYSTEM\CurrentControlSet\Control\Cryptography)";
const std::string PROVIDERS = CRYPTOGRAPHY + R"(\Providers)";

const std::string COLLISION = "BCryptRegisterProvider failed with error code 0xc0000035\n";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wine::Reg({"delete", PROVIDERS, "/f"});
    wine::Reg({"delete", CRYPTOGRAPHY + R"(\Configuration)", "/f"});
  }

  // Runs a command and checks its exact output and exit status.
  static void Expect(const std::string& command, const std::string& output) {
    const test_support::ChildResult result = wine::Run("registry", {command});
    ASSERT_NE(result.exitStatus, 127) << "Wine could not start the program: " << result.errors;
    EXPECT_EQ(result.output, output) << command << "\n" << result.errors;
    EXPECT_EQ(result.exitStatus, 1) << command;
  }
};

TEST_F(RegistryTest, RegistersListsCollidesUnregistersAndReportsWhatIsGone) {
  Expect("-enum", "");
  Expect("-register", "");
  Expect("-enum", "Velk Key Storage Provider\n");
  Expect("-register", COLLISION);
  Expect("-enum", "Velk Key Storage Provider\n");
  Expect("-unregister", "");
  Expect("-unregister", test_cases::NOT_FOUND_ON_REMOVAL);
  Expect("-enum", "");
}

TEST_F(RegistryTest, TheRegistryHoldsTheRecordFieldForField) {
  Expect("-register", "");
  const std::string tree = wine::Reg({"query", CRYPTOGRAPHY, "/s"}).output;
  const std::string provider = R"(\Providers\Velk Key Storage Provider)";
  for (const std::string& expected : {
           provider + R"(\UM\r\n    Image    REG_SZ    VelkKsp.dll\r\n)",
           provider + R"(\UM\00010001\r\n    Flags    REG_DWORD    0x1\r\n    Functions    REG_MULTI_SZ    KEY_STORAGE\r\n)",
           std::string(R"(\Configuration\Local\Default\00010001\r\n    Functions    REG_MULTI_SZ    KEY_STORAGE\r\n)"),
           std::string(R"(\Local\Default\00010001\KEY_STORAGE\r\n    Providers    REG_MULTI_SZ    Velk Key Storage Provider\r\n)"),
       }) {
    std::string text = expected;
    for (std::size_t at; (at = text.find(R"(\r\n)")) != std::string::npos;) text.replace(at, 4, "\r\n");
    EXPECT_NE(tree.find(text), std::string::npos) << "missing:\n" << text << "\nin:\n" << tree;
  }
  // No aliases and no kernel-mode image were registered.
  EXPECT_EQ(tree.find("Aliases"), std::string::npos) << tree;
  EXPECT_EQ(tree.find(provider + R"(\KM)"), std::string::npos) << tree;
}

TEST_F(RegistryTest, ListsProvidersThatOtherProcessesRegisteredInTheirOrder) {
  ASSERT_EQ(wine::Reg({"add", PROVIDERS + R"(\zeta provider\UM)", "/v", "Image", "/d", "zeta.dll", "/f"}).exitStatus, 0);
  ASSERT_EQ(wine::Reg({"add", PROVIDERS + R"(\Alpha Provider\UM)", "/v", "Image", "/d", "alpha.dll", "/f"}).exitStatus, 0);
  Expect("-register", "");
  Expect("-enum", "Alpha Provider\nVelk Key Storage Provider\nzeta provider\n");
  Expect("-unregister", "");
  Expect("-enum", "Alpha Provider\nzeta provider\n");
}

TEST_F(RegistryTest, OfTwentyRegistrationsAtOnceOneWinsAndNineteenCollide) {
  const std::vector<std::string> outputs = wine::RunTogether("registry", "-register", 20);
  EXPECT_EQ(std::count(outputs.begin(), outputs.end(), ""), 1);
  EXPECT_EQ(std::count(outputs.begin(), outputs.end(), COLLISION), 19);
  Expect("-enum", "Velk Key Storage Provider\n");
  const std::string list = wine::Reg({"query", CRYPTOGRAPHY + R"(\Configuration\Local\Default\00010001\KEY_STORAGE)",
                                      "/v", "Providers"}).output;
  EXPECT_NE(list.find("REG_MULTI_SZ    Velk Key Storage Provider\r\n"), std::string::npos) << list;
}

}  // namespace

namespace {

// The front end's command lines, as the Windows program takes them, against
// a configuration that holds nothing.
class CommandLineTest : public RegistryTest, public ::testing::WithParamInterface<test_cases::CommandLineCase> {};

TEST_P(CommandLineTest, PrintsTheExactBytesAndExitsWithOne) {
  const test_support::ChildResult result = wine::Run("registry", GetParam().arguments);
  ASSERT_NE(result.exitStatus, 127) << "Wine could not start the program: " << result.errors;
  EXPECT_EQ(result.output, test_cases::OutputAgainstAnEmptyConfiguration(GetParam()));
  EXPECT_EQ(result.exitStatus, 1);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, CommandLineTest, ::testing::ValuesIn(test_cases::CommandLineCases()),
                         [](const auto& test) { return test.param.name; });

}  // namespace
