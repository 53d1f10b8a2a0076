// The Windows program run under Wine, all three commands, for one build
// (VELK_WINE_BITS). Where the kernel cannot run the build, every test is
// skipped with one line that says why; a Wine that fails to start fails.
#include <gtest/gtest.h>

#include "wine.h"

namespace {

class WineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string reason = wine::CannotRun();
    if (!reason.empty()) GTEST_SKIP() << reason;
    ASSERT_EQ(access(wine::WINE, X_OK), 0) << wine::WINE << " is missing: install Debian's wine64";
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new WineEnvironment);
  return RUN_ALL_TESTS();
}
