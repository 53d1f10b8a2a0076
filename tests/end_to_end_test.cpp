#include <gtest/gtest.h>

#include "support/case_name.h"
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cases/front_end_cases.h"
#include "store_generator.h"
#include "support/process_capture.h"

namespace {

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override { store = test_support::MakeTemporaryDirectory() + "/cng"; }

  test_support::ChildResult Run(const std::vector<std::string>& arguments) {
    return test_support::RunProgram(VELK_CLIENT_PATH, arguments, {"CNG_CONFIG_DIR=" + store});
  }

  // Runs the tool with standard output that cannot be written; returns its
  // exit status, or -1 when it did not exit normally (killed by SIGPIPE).
  int RunWithBrokenOutput(const std::string& argument, bool closedPipe) {
    int pipeEnds[2];
    if (closedPipe && pipe(pipeEnds) != 0) return -2;
    const pid_t child = fork();
    if (child == 0) {
      const int output = closedPipe ? pipeEnds[1] : open("/dev/full", O_WRONLY);
      if (closedPipe) close(pipeEnds[0]);
      dup2(output, STDOUT_FILENO);
      setenv("CNG_CONFIG_DIR", store.c_str(), 1);
      execl(VELK_CLIENT_PATH, VELK_CLIENT_PATH, argument.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (closedPipe) {
      close(pipeEnds[0]);
      close(pipeEnds[1]);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string store;
};

TEST_F(EndToEndTest, RegisterListUnregisterAgainstAFreshStore) {
  struct Step {
    std::string argument;
    std::string output;
  };
  const Step steps[] = {
      {"-enum", ""},
      {"-register", ""},
      {"-enum", "Velk Key Storage Provider\n"},
      {"-register", "BCryptRegisterProvider failed with error code 0xc0000035\n"},
      {"-enum", "Velk Key Storage Provider\n"},
      {"-unregister", ""},
      {"-enum", ""},
      {"-unregister", test_cases::NOT_FOUND_ON_REMOVAL},
      {"-REGISTER", ""},
      {"-Enum", "Velk Key Storage Provider\n"},
  };
  for (const Step& step : steps) {
    const test_support::ChildResult result = Run({step.argument});
    EXPECT_EQ(result.output, step.output) << step.argument;
    EXPECT_EQ(result.exitStatus, 1) << step.argument;
  }
}

TEST_F(EndToEndTest, TheStoreRecordsTheRegistrationAndRemovalKeepsTheFunction) {
  Run({"-register"});
  const std::string registered = test_support::ReadFile(store + "/cng.conf");
  EXPECT_NE(registered.find("provider \"Velk Key Storage Provider\"\n"
                            "  user-mode \"VelkKsp.dll\"\n"
                            "    interface 00010001 flags 00000001\n"
                            "      function \"KEY_STORAGE\"\n"),
            std::string::npos)
      << registered;
  Run({"-unregister"});
  EXPECT_EQ(test_support::ReadFile(store + "/cng.conf"),
            "CNG configuration store, version 1\n\n[Providers]\n\n[Configuration\\Local]\n"
            "context \"Default\"\n  interface 00010001\n    function \"KEY_STORAGE\"\n\nend\n");
}

TEST_F(EndToEndTest, ADamagedStoreGivesTheFailureLinesAndIsLeftAsItWas) {
  Run({"-register"});
  const std::string cut = test_support::ReadFile(store + "/cng.conf").substr(0, 60);
  { FILE* f = fopen((store + "/cng.conf").c_str(), "wb"); fwrite(cut.data(), 1, cut.size(), f); fclose(f); }
  EXPECT_EQ(Run({"-enum"}).output, "BCryptEnumRegisteredProviders failed with error code 0xc000014c\n");
  EXPECT_EQ(Run({"-unregister"}).output,
            "BCryptRemoveContextFunctionProvider failed with error code 0xc000014c\n"
            "BCryptUnregisterProvider failed with error code 0xc000014c\n");
  EXPECT_EQ(test_support::ReadFile(store + "/cng.conf"), cut);
}

// The front end's command lines against a fresh store, each procedure
// answering as the store does.
class CommandLineTest : public EndToEndTest, public ::testing::WithParamInterface<test_cases::CommandLineCase> {};

TEST_P(CommandLineTest, OutputIsExactBytesAndStatusIsOne) {
  const test_support::ChildResult result = Run(GetParam().arguments);
  EXPECT_EQ(result.output, test_cases::OutputAgainstAnEmptyConfiguration(GetParam()));
  EXPECT_EQ(result.exitStatus, 1);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, CommandLineTest, ::testing::ValuesIn(test_cases::CommandLineCases()),
                         [](const auto& test) { return test.param.name; });

// The command line is bytes here: what is not UTF-8 comes back as it came.
struct BytesCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string output;
  friend void PrintTo(const BytesCase& c, std::ostream* os) { *os << c.name; }
};

class CommandLineBytesTest : public EndToEndTest, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(CommandLineBytesTest, OutputIsExactBytesAndStatusIsOne) {
  const test_support::ChildResult result = Run(GetParam().arguments);
  EXPECT_EQ(result.output, GetParam().output);
  EXPECT_EQ(result.exitStatus, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineBytesTest,
    ::testing::Values(
        BytesCase{"LaterArgumentsAreNotRead", {"-enum", "\xff", "-register"}, ""},
        BytesCase{"InvalidUtf8EchoedByteForByte", {"\xff\xfe-enum\xc0\x80\xed\xa0\x80\xe2\x82"},
                  test_cases::Unrecognized("\xff\xfe-enum\xc0\x80\xed\xa0\x80\xe2\x82")}),
    test_support::CaseName());

TEST_F(EndToEndTest, OutputThatCannotBeWrittenChangesNeitherTheWorkNorTheStatus) {
  EXPECT_EQ(RunWithBrokenOutput("-register", /*closedPipe=*/false), 1) << "full disk";
  EXPECT_EQ(Run({"-enum"}).output, "Velk Key Storage Provider\n");
  EXPECT_EQ(RunWithBrokenOutput("-enum", /*closedPipe=*/true), 1) << "closed pipe";
  EXPECT_EQ(RunWithBrokenOutput("-register", /*closedPipe=*/true), 1) << "closed pipe";
  EXPECT_EQ(RunWithBrokenOutput("-bogus", /*closedPipe=*/true), 1) << "closed pipe";
  EXPECT_EQ(RunWithBrokenOutput("-unregister", /*closedPipe=*/true), 1) << "closed pipe";
  EXPECT_EQ(Run({"-enum"}).output, "");
}

}  // namespace

namespace {

// A reader that made the pipe non-blocking and reads slowly gets every byte:
// a full pipe is waited on, not taken for a failed write.
TEST_F(EndToEndTest, ANonBlockingPipeReadSlowlyGetsTheWholeListing) {
  std::filesystem::create_directories(store);
  std::ofstream(store + "/cng.conf", std::ios::binary) << cngstore::GenerateStore(10000);
  const std::string expected = Run({"-enum"}).output;
  ASSERT_GT(expected.size(), 4u * 65536u) << "more than a pipe holds";

  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(fcntl(ends[1], F_SETFL, fcntl(ends[1], F_GETFL) | O_NONBLOCK), 0);
  const pid_t child = fork();
  if (child == 0) {
    dup2(ends[1], STDOUT_FILENO);
    close(ends[0]);
    setenv("CNG_CONFIG_DIR", store.c_str(), 1);
    execl(VELK_CLIENT_PATH, VELK_CLIENT_PATH, "-enum", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(ends[1]);
  std::string received;
  char chunk[4096];
  for (ssize_t got; (got = read(ends[0], chunk, sizeof chunk)) > 0;) {
    received.append(chunk, static_cast<std::size_t>(got));
    usleep(200);  // slower than the writer
  }
  close(ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(received.size(), expected.size());
  EXPECT_TRUE(received == expected);
}

}  // namespace
