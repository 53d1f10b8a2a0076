// The Windows program run under Wine, all three commands, for one build
// (VELK_WINE_BITS). Where the kernel cannot run the build, or the build or
// Wine is not there, every test is skipped with one line that says why
// (scripts/test builds and installs everything, and fails on the latter);
// a Wine that fails to start fails.
#include <gtest/gtest.h>

#include "wine.h"

namespace {

class WineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string missing = wine::MissingBuildOutput();
    if (!missing.empty()) GTEST_SKIP() << missing;
    if (access(wine::WINE, X_OK) != 0) {
      GTEST_SKIP() << "missing build tool: " << wine::WINE << " (Debian's wine64; scripts/test installs it)";
    }
    const std::string reason = wine::CannotRun();
    if (!reason.empty()) GTEST_SKIP() << reason;
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new WineEnvironment);
  return RUN_ALL_TESTS();
}
