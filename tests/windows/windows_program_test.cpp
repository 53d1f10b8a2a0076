// The Windows program: its structure checked with the cross toolchain's
// objdump, and its front end run under Wine (the 64-bit build, which every
// machine here can run; wine_tests runs both builds).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/case_name.h"
#include "support/process_capture.h"

namespace {

constexpr char WINE[] = "/usr/lib/wine/wine64";

std::string CommandOutput(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[4096];
    std::size_t got = 0;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
    pclose(pipe);
  }
  return text;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class WindowsProgramStructureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    headers = CommandOutput("i686-w64-mingw32-objdump -p '" VELK_WINDOWS_X86_PROGRAM "' 2>&1");
  }
  static std::string headers;
};
std::string WindowsProgramStructureTest::headers;

TEST_F(WindowsProgramStructureTest, IsA32BitConsoleProgram) {
  EXPECT_NE(headers.find("file format pei-i386"), std::string::npos) << headers.substr(0, 400);
  EXPECT_NE(headers.find("(Windows CUI)"), std::string::npos);
}

TEST_F(WindowsProgramStructureTest, ImportsExactlyTheSevenFunctionsFromBcryptAndOnlySystemDlls) {
  std::set<std::string> dlls;
  std::set<std::string> fromBcrypt;
  std::string current;
  const std::regex dllLine(R"(^\s*DLL Name: (\S+))");
  const std::regex functionLine(R"(^\s*[0-9a-f]+\s+[0-9]+\s+(\S+)\s*$)");
  std::size_t start = 0;
  for (std::size_t end; (end = headers.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = headers.substr(start, end - start);
    std::smatch match;
    if (std::regex_search(line, match, dllLine)) {
      current = Lower(match[1]);
      dlls.insert(current);
    } else if (current == "bcrypt.dll" && std::regex_match(line, match, functionLine)) {
      fromBcrypt.insert(match[1]);
    } else if (line.find("The Export Tables") != std::string::npos ||
               line.find("Resource Directory") != std::string::npos) {
      current.clear();
    }
  }
  EXPECT_EQ(fromBcrypt, (std::set<std::string>{
                            "BCryptAddContextFunction", "BCryptAddContextFunctionProvider",
                            "BCryptEnumRegisteredProviders", "BCryptFreeBuffer",
                            "BCryptRegisterProvider", "BCryptRemoveContextFunctionProvider",
                            "BCryptUnregisterProvider"}));
  // The C++ runtime is linked in: no libstdc++, libgcc or winpthread DLL.
  EXPECT_EQ(dlls, (std::set<std::string>{"bcrypt.dll", "kernel32.dll", "msvcrt.dll"}));
}

TEST_F(WindowsProgramStructureTest, CarriesItsManifestAskingForNoElevation) {
  // Resource type 24 (manifest), name 1: the process manifest.
  EXPECT_TRUE(std::regex_search(headers, std::regex(R"(Entry: ID: 0x000018[^\n]*\n[^\n]*\n[^\n]*Entry: ID: 0x000001,)")))
      << "no manifest resource";
  const std::string image = test_support::ReadFile(VELK_WINDOWS_X86_PROGRAM);
  EXPECT_NE(image.find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"), std::string::npos);
  std::size_t manifests = 0;
  for (std::size_t at = 0; (at = image.find("<assembly", at)) != std::string::npos; ++at) ++manifests;
  EXPECT_EQ(manifests, 1u) << "exactly one manifest";
  // Resource type 16: the version, which Windows shows in the program's properties.
  EXPECT_NE(headers.find("Entry: ID: 0x000010"), std::string::npos) << "no version resource";
}

// The version that Windows shows in the program's properties is the project's.
TEST_F(WindowsProgramStructureTest, ItsVersionResourceCarriesTheProjectVersion) {
  const auto utf16 = [](const std::string& text) {
    std::string bytes;
    for (const char c : text) bytes += std::string{c, '\0'};
    return bytes;
  };
  const std::string image = test_support::ReadFile(VELK_WINDOWS_X86_PROGRAM);
  for (const char* key : {"FileVersion", "ProductVersion"}) {
    const std::size_t at = image.find(utf16(key));
    ASSERT_NE(at, std::string::npos) << key;
    // The value follows its key, aligned to four bytes.
    EXPECT_NE(image.substr(at, 64).find(utf16(VELK_PROJECT_VERSION) + std::string(2, '\0')), std::string::npos)
        << key << " is not " << VELK_PROJECT_VERSION;
  }
}

// ---- run under Wine ----

class WineTest : public ::testing::Test {
 protected:
  static test_support::ChildResult Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{VELK_WINDOWS_X64_PROGRAM};
    command.insert(command.end(), arguments.begin(), arguments.end());
    // A throwaway prefix of the build's own, made by the first run.
    return test_support::RunProgram(
        WINE, command, {"WINEPREFIX=" VELK_WINE_PREFIX, "WINEDEBUG=-all", "LANG=C.UTF-8"});
  }

  // Fails, saying why, when Wine itself did not run the program.
  static void ExpectWineRan(const test_support::ChildResult& result) {
    ASSERT_EQ(access(WINE, X_OK), 0) << WINE << " is missing: install Debian's wine64";
    ASSERT_NE(result.exitStatus, 127) << "Wine could not start the program: " << result.errors;
  }
};

struct WineCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string output;
  friend void PrintTo(const WineCase& c, std::ostream* os) { *os << c.name; }
};

class WineCommandLineTest : public WineTest, public ::testing::WithParamInterface<WineCase> {};

TEST_P(WineCommandLineTest, PrintsTheExactBytesAndExitsWithOne) {
  const test_support::ChildResult result = Run(GetParam().arguments);
  ExpectWineRan(result);
  EXPECT_EQ(result.output, GetParam().output);
  EXPECT_EQ(result.exitStatus, 1) << result.errors;
}

const std::string USAGE_LF = "Usage: VelkKspClient -enum | -register | -unregister\n";

INSTANTIATE_TEST_SUITE_P(
    CommandLines, WineCommandLineTest,
    ::testing::Values(
        WineCase{"NoArgument", {}, USAGE_LF},
        WineCase{"Unknown", {"-list"}, "Unrecognized command \"-list\"\n" + USAGE_LF},
        WineCase{"Empty", {""}, "Unrecognized command \"\"\n" + USAGE_LF},
        WineCase{"NonAscii", {"-\xc3\xa9num \xe2\x98\x83"},
                 "Unrecognized command \"-\xc3\xa9num \xe2\x98\x83\"\n" + USAGE_LF},
        WineCase{"Prefix", {"-enu"}, "Unrecognized command \"-enu\"\n" + USAGE_LF}),
    test_support::CaseName());

// The procedures run under Wine against the stand-in bcrypt.dll files, with
// exact output: wine_recording_test.cpp and wine_registry_test.cpp.

}  // namespace
