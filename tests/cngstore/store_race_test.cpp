// Races against the store's file layer, made to happen every time: this
// program stands in for two C library calls, so that an attacker's move
// lands exactly in the gap between two of the store's steps.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cng_config.h"
#include "support/process_capture.h"

namespace {

// Armed by a test: what to do right after the store's next call.
std::string plantLinkAt;      // after the clean-up's closedir: a link here...
std::string swapDirectoryAt;  // after mkdir of this path: the directory becomes a link...
std::string linkTarget;       // ...to this file

}  // namespace

extern "C" int closedir(DIR* directory) {
  static const auto real = reinterpret_cast<int (*)(DIR*)>(dlsym(RTLD_NEXT, "closedir"));
  const int result = real(directory);
  if (!plantLinkAt.empty()) {
    symlink(linkTarget.c_str(), plantLinkAt.c_str());
    plantLinkAt.clear();
  }
  return result;
}

extern "C" int mkdir(const char* path, mode_t mode) {
  static const auto real = reinterpret_cast<int (*)(const char*, mode_t)>(dlsym(RTLD_NEXT, "mkdir"));
  const int result = real(path, mode);
  if (result == 0 && swapDirectoryAt == path) {
    rmdir(path);
    symlink(linkTarget.c_str(), path);
    swapDirectoryAt.clear();
  }
  return result;
}

namespace {

class StoreRaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work = test_support::MakeTemporaryDirectory();
    directory = work + "/cng";
    setenv("CNG_CONFIG_DIR", directory.c_str(), 1);
    linkTarget = work + "/victim";
    std::ofstream(linkTarget) << "precious";
    chmod(linkTarget.c_str(), 0600);
  }

  static NTSTATUS Register(const char16_t* name) {
    WCHAR image[] = u"VelkKsp.dll";
    CRYPT_IMAGE_REG user{image, 0, nullptr};
    CRYPT_PROVIDER_REG record{0, nullptr, &user, nullptr};
    return BCryptRegisterProvider(name, 0, &record);
  }

  std::string work;
  std::string directory;
};

// A link planted at the temporary file's name after the clean-up of left-over
// files, just before the writer creates it, is never followed.
TEST_F(StoreRaceTest, ALinkPlantedAtTheTemporaryNameAfterTheCleanUpIsNotFollowed) {
  ASSERT_EQ(Register(u"P"), 0);
  plantLinkAt = directory + "/cng.conf.tmp-" + std::to_string(getpid());
  EXPECT_EQ(Register(u"Q"), STATUS_UNSUCCESSFUL);
  EXPECT_TRUE(plantLinkAt.empty()) << "the race was not run";
  EXPECT_EQ(test_support::ReadFile(linkTarget), "precious");
  EXPECT_EQ(Register(u"Q"), 0) << "the next change cleans up";
}

// The store's directory, swapped for a link between its making and the
// setting of its mode, does not pass the mode on to what the link names.
TEST_F(StoreRaceTest, ADirectorySwappedForALinkAfterItIsMadeDoesNotPassOnItsMode) {
  swapDirectoryAt = directory;
  EXPECT_LT(Register(u"P"), 0);
  EXPECT_TRUE(swapDirectoryAt.empty()) << "the race was not run";
  struct stat info {};
  ASSERT_EQ(stat(linkTarget.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}

}  // namespace
