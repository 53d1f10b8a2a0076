// Many tool processes at once against one store, writers killed at random
// moments, and hostile stores: the store must always read cleanly, lose no
// update, and a damaged one must stay exactly as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "store_generator.h"
#include "support/case_name.h"
#include "support/process_capture.h"

namespace {

constexpr char PROVIDER_ENTRY[] = "      provider \"Velk Key Storage Provider\"\n";
constexpr char REGISTERED[] = "Velk Key Storage Provider\n";

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++count;
  return count;
}

class LoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store = test_support::MakeTemporaryDirectory() + "/cng";
    setenv("CNG_CONFIG_DIR", store.c_str(), 1);
  }

  test_support::ChildResult Run(const std::string& argument) {
    return test_support::RunProgram(VELK_CLIENT_PATH, {argument});
  }

  // Starts the tool with its output in a file of its own; the children of
  // one call wait on a pipe so that they start together.
  std::vector<pid_t> StartTogether(const std::vector<std::string>& arguments) {
    int gate[2];
    EXPECT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      const std::string output = store + ".out." + std::to_string(i);
      const pid_t child = fork();
      if (child == 0) {
        close(gate[1]);
        char ignored;
        if (read(gate[0], &ignored, 1) < 0) _exit(120);
        freopen(output.c_str(), "w", stdout);
        execl(VELK_CLIENT_PATH, VELK_CLIENT_PATH, arguments[i].c_str(), static_cast<char*>(nullptr));
        _exit(127);
      }
      children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);  // opens the gate: every child's read returns
    return children;
  }

  // Waits for the children; returns their outputs, in start order.
  std::vector<std::string> Finish(const std::vector<pid_t>& children) {
    std::vector<std::string> outputs;
    for (std::size_t i = 0; i < children.size(); ++i) {
      int status = 0;
      waitpid(children[i], &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status;
      if (WIFEXITED(status) && WEXITSTATUS(status) == 1) ++finished;
      const std::string output = store + ".out." + std::to_string(i);
      outputs.push_back(test_support::ReadFile(output));
      std::filesystem::remove(output);
    }
    return outputs;
  }

  // The store reads cleanly and lists the provider at most once.
  void ExpectSound() {
    const test_support::ChildResult listing = Run("-enum");
    EXPECT_TRUE(listing.output.empty() || listing.output == REGISTERED) << listing.output;
    EXPECT_LE(Count(test_support::ReadFile(store + "/cng.conf"), PROVIDER_ENTRY), 1u);
  }

  std::string store;
  std::size_t finished = 0;  // tool processes that ran to their end
};

TEST_F(LoadTest, FiftyRegistrationsStartedTogetherRegisterOnce) {
  const std::vector<std::string> outputs = Finish(StartTogether(std::vector<std::string>(50, "-register")));
  std::size_t collisions = 0;
  for (const std::string& output : outputs) {
    EXPECT_TRUE(output.empty() || output == "BCryptRegisterProvider failed with error code 0xc0000035\n")
        << output;
    collisions += Count(output, "0xc0000035");
  }
  EXPECT_EQ(collisions, 49u);
  EXPECT_EQ(Run("-enum").output, REGISTERED);
  const std::string text = test_support::ReadFile(store + "/cng.conf");
  EXPECT_EQ(Count(text, "provider \"Velk Key Storage Provider\"\n"), 2u) << "one record, one list entry";
  EXPECT_EQ(Count(text, PROVIDER_ENTRY), 1u);
}

// Each wave runs eight writers and a reader together: the reader sees the
// store before or after each change, never a torn or half-made one.
TEST_F(LoadTest, RegistrationsAndRemovalsInterleavedLeaveASoundStore) {
  std::mt19937 random(20261211);
  for (int wave = 0; wave < 25; ++wave) {
    std::vector<std::string> arguments;
    for (int i = 0; i < 8; ++i) arguments.push_back(random() % 2 == 0 ? "-register" : "-unregister");
    arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(random() % 9), "-enum");
    const std::vector<std::string> outputs = Finish(StartTogether(arguments));
    for (std::size_t i = 0; i < outputs.size(); ++i) {
      EXPECT_EQ(outputs[i].find("0xc000014c"), std::string::npos) << "the store was damaged: " << outputs[i];
      if (arguments[i] == "-enum") {
        EXPECT_TRUE(outputs[i].empty() || outputs[i] == REGISTERED) << outputs[i];
      }
    }
    ExpectSound();
  }
  EXPECT_EQ(finished, 25u * 9u) << "tool processes that ran to their end";
  // The last operation decides.
  Run("-register");
  EXPECT_EQ(Run("-enum").output, REGISTERED);
  EXPECT_EQ(Count(test_support::ReadFile(store + "/cng.conf"), PROVIDER_ENTRY), 1u);
  Run("-unregister");
  EXPECT_EQ(Run("-enum").output, "");
  EXPECT_EQ(Count(test_support::ReadFile(store + "/cng.conf"), PROVIDER_ENTRY), 0u);
}

TEST_F(LoadTest, WritersKilledAtRandomMomentsLeaveTheOldStateOrTheNew) {
  std::filesystem::create_directories(store);
  // Many providers, so that a write takes long enough to be cut.
  std::ofstream(store + "/cng.conf", std::ios::binary) << cngstore::GenerateStore(3000);
  const std::string without = Run("-enum").output;
  Run("-register");
  const std::string with = Run("-enum").output;
  ASSERT_NE(with, without);
  ASSERT_EQ(Count(with, "\n"), 3001u);

  std::mt19937 random(7);
  int killed = 0;
  for (int round = 0; round < 60; ++round) {
    const std::vector<pid_t> children = StartTogether({round % 2 == 0 ? "-unregister" : "-register"});
    usleep(static_cast<useconds_t>(random() % 20000));
    kill(children[0], SIGKILL);
    int status = 0;
    waitpid(children[0], &status, 0);
    if (WIFSIGNALED(status)) ++killed;
    std::filesystem::remove(store + ".out.0");
    const std::string listing = Run("-enum").output;
    ASSERT_TRUE(listing == with || listing == without) << "round " << round << ": " << listing.substr(0, 200);
    EXPECT_LE(Count(test_support::ReadFile(store + "/cng.conf"), PROVIDER_ENTRY), 1u);
  }
  EXPECT_GT(killed, 0) << "no writer was killed before it finished";
  // Whatever a killed writer left behind is cleaned up by the next change.
  Run("-register");
  for (const auto& entry : std::filesystem::directory_iterator(store)) {
    EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(Run("-enum").output, with);
}

// ---- hostile stores ----

struct HostileCase {
  const char* name;
  std::string (*content)();
  friend void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }
};

std::string RandomBytes() {
  std::mt19937 random(42);
  std::string bytes(65536, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

class HostileStoreTest : public LoadTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileStoreTest, IsReportedAsCorruptEverywhereAndLeftByteForByte) {
  Run("-register");
  const std::string content = GetParam().content();
  std::ofstream(store + "/cng.conf", std::ios::binary | std::ios::trunc) << content;
  EXPECT_EQ(Run("-enum").output, "BCryptEnumRegisteredProviders failed with error code 0xc000014c\n");
  EXPECT_EQ(Run("-register").output,
            "BCryptRegisterProvider failed with error code 0xc000014c\n"
            "BCryptAddContextFunction failed with error code 0xc000014c\n"
            "BCryptAddContextFunctionProvider failed with error code 0xc000014c\n");
  EXPECT_EQ(Run("-unregister").output,
            "BCryptRemoveContextFunctionProvider failed with error code 0xc000014c\n"
            "BCryptUnregisterProvider failed with error code 0xc000014c\n");
  EXPECT_TRUE(test_support::ReadFile(store + "/cng.conf") == content);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, HostileStoreTest,
    ::testing::Values(
        HostileCase{"Empty", [] { return std::string(); }},
        HostileCase{"Truncated", [] { return std::string("CNG configuration store, version 1\n\n[Providers]\nprovider \"Velk"); }},
        HostileCase{"RandomBytes", RandomBytes},
        HostileCase{"UnknownVersion", [] { return std::string("CNG configuration store, version 2\n\n[Providers]\n\n[Configuration\\Local]\nend\n"); }},
        HostileCase{"LineOfSeveralMegabytes", [] {
          return "CNG configuration store, version 1\n[Providers]\nprovider \"" + std::string(8 << 20, 'A') +
                 "\"\n[Configuration\\Local]\ncontext \"Default\"\nend\n";
        }},
        HostileCase{"NulBytes", [] { return std::string(4096, '\0'); }}),
    test_support::CaseName());

// A file-size limit (ulimit -f) makes a change fail as a full disk: the tool
// reports it, makes its remaining calls, and the store stays as it was.
TEST_F(LoadTest, AFileSizeLimitIsAFullDiskAndLeavesTheStoreAsItWas) {
  std::filesystem::create_directories(store);
  std::ofstream(store + "/cng.conf", std::ios::binary) << cngstore::GenerateStore(200);
  const std::string before = test_support::ReadFile(store + "/cng.conf");
  ASSERT_GT(before.size(), 16384u);
  const test_support::ChildResult result = test_support::RunInChild([] {
    const rlimit limit{16384, 16384};
    setrlimit(RLIMIT_FSIZE, &limit);
    execl(VELK_CLIENT_PATH, VELK_CLIENT_PATH, "-register", static_cast<char*>(nullptr));
    return 127;
  });
  EXPECT_EQ(result.exitStatus, 1) << "-1: killed by a signal";
  EXPECT_EQ(result.output,
            "BCryptRegisterProvider failed with error code 0xc000007f\n"
            "BCryptAddContextFunctionProvider failed with error code 0xc000007f\n");
  EXPECT_TRUE(test_support::ReadFile(store + "/cng.conf") == before);
  for (const auto& entry : std::filesystem::directory_iterator(store)) {
    EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(LoadTest, AStoreDirectoryThatCannotBeCreatedIsAFailureNotACrash) {
  const std::string file = store + "-file";
  std::ofstream(file) << "not a directory";
  setenv("CNG_CONFIG_DIR", (file + "/cng").c_str(), 1);
  EXPECT_EQ(Run("-register").output,
            "BCryptRegisterProvider failed with error code 0xc0000001\n"
            "BCryptAddContextFunction failed with error code 0xc0000001\n"
            "BCryptAddContextFunctionProvider failed with error code 0xc0000001\n");
  EXPECT_EQ(Run("-enum").output, "BCryptEnumRegisteredProviders failed with error code 0xc0000001\n");
  EXPECT_EQ(test_support::ReadFile(file), "not a directory");
}

}  // namespace
