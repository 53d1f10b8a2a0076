// The Windows program's structure, checked with the cross toolchain's objdump.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/case_name.h"
#include "support/process_capture.h"

namespace {

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
  void SetUp() override {
    if (access(VELK_WINDOWS_X86_PROGRAM, R_OK) != 0) {
      GTEST_SKIP() << "missing build output: " VELK_WINDOWS_X86_PROGRAM " (cmake --build --preset windows-x86)";
    }
  }
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

// The 32-bit stand-in DLLs export the seven functions by the names the
// program imports: stdcall's @N decorations are gone.
TEST_F(WindowsProgramStructureTest, TheStandInDllsExportTheSevenFunctionsUndecorated) {
  const std::string folder = std::filesystem::path(VELK_WINDOWS_X86_PROGRAM).parent_path().parent_path();
  for (const char* dll : {"registry", "recording"}) {
    const std::string path = folder + "/" + dll + "/bcrypt.dll";
    ASSERT_EQ(access(path.c_str(), R_OK), 0) << "missing build output: " << path;
    const std::string table = CommandOutput("i686-w64-mingw32-objdump -p '" + path + "' 2>&1");
    std::set<std::string> exported;
    const std::regex exportLine(R"(\[\s*\d+\] (\S+)\n)");
    const std::size_t start = table.find("[Ordinal/Name Pointer] Table");
    ASSERT_NE(start, std::string::npos) << dll << ": no export table";
    const std::string names = table.substr(start, table.find("\n\n", start) - start + 1);
    for (std::sregex_iterator at(names.begin(), names.end(), exportLine), end; at != end; ++at) {
      exported.insert((*at)[1]);
    }
    EXPECT_EQ(exported, (std::set<std::string>{"BCryptAddContextFunction", "BCryptAddContextFunctionProvider",
                                               "BCryptEnumRegisteredProviders", "BCryptFreeBuffer",
                                               "BCryptRegisterProvider", "BCryptRemoveContextFunctionProvider",
                                               "BCryptUnregisterProvider"}))
        << dll;
  }
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

// The program's runs under Wine, both builds, are in wine_tests.

}  // namespace
