#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cng_config.h"
#include "store_file.h"
#include "store_generator.h"
#include "support/process_capture.h"

namespace {

using test_support::ReadFile;
using Name = std::u16string;

// Holds a registration record built from strings the test may change later.
struct Registration {
  std::vector<Name> texts;  // image, function, alias
  std::vector<PWSTR> functions;
  std::vector<PWSTR> aliases;
  CRYPT_INTERFACE_REG reg{};
  PCRYPT_INTERFACE_REG regs[1]{};
  CRYPT_IMAGE_REG image{};
  CRYPT_PROVIDER_REG provider{};

  explicit Registration(Name imageName = u"VelkKsp.dll", Name alias = u"")
      : texts{std::move(imageName), u"KEY_STORAGE", std::move(alias)} {
    functions.push_back(texts[1].data());
    if (!texts[2].empty()) aliases.push_back(texts[2].data());
    reg = {NCRYPT_KEY_STORAGE_INTERFACE, CRYPT_LOCAL, 1, functions.data()};
    regs[0] = &reg;
    image = {texts[0].data(), 1, regs};
    provider = {static_cast<ULONG>(aliases.size()), aliases.empty() ? nullptr : aliases.data(), &image, nullptr};
  }
};

std::vector<Name> ListProviders(NTSTATUS* status = nullptr) {
  ULONG size = 0;
  PCRYPT_PROVIDERS listing = nullptr;
  const NTSTATUS result = BCryptEnumRegisteredProviders(&size, &listing);
  if (status != nullptr) *status = result;
  std::vector<Name> names;
  if (listing == nullptr) return names;
  for (ULONG i = 0; i < listing->cProviders; ++i) names.emplace_back(listing->rgpszProviders[i]);
  BCryptFreeBuffer(listing);
  return names;
}

class CngConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = test_support::MakeTemporaryDirectory() + "/cng";
    setenv("CNG_CONFIG_DIR", directory.c_str(), 1);
  }
  std::string StorePath() const { return directory + "/cng.conf"; }

  NTSTATUS Register(const char16_t* name, ULONG flags = 0) {
    Registration record;
    return BCryptRegisterProvider(name, flags, &record.provider);
  }
  NTSTATUS AddFunction(const char16_t* function, ULONG position = CRYPT_PRIORITY_BOTTOM) {
    return BCryptAddContextFunction(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, function, position);
  }
  NTSTATUS AddProvider(const char16_t* provider, ULONG position = CRYPT_PRIORITY_BOTTOM) {
    return BCryptAddContextFunctionProvider(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE,
                                            u"KEY_STORAGE", provider, position);
  }
  NTSTATUS RemoveProvider(const char16_t* provider) {
    return BCryptRemoveContextFunctionProvider(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE,
                                               u"KEY_STORAGE", provider);
  }

  std::string directory;
};

TEST_F(CngConfigTest, AStoreThatDoesNotExistListsNothingAndIsNotCreatedByReading) {
  NTSTATUS status = -1;
  EXPECT_TRUE(ListProviders(&status).empty());
  EXPECT_EQ(status, STATUS_SUCCESS);
  EXPECT_FALSE(std::filesystem::exists(directory));
}

TEST_F(CngConfigTest, TheFirstChangeCreatesTheDirectoryOpenToReadersWhateverTheUmask) {
  const mode_t old = umask(077);
  EXPECT_EQ(Register(u"P"), STATUS_SUCCESS);
  umask(old);
  struct stat info {};
  ASSERT_EQ(stat(directory.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u);
  ASSERT_EQ(stat(StorePath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(CngConfigTest, RegistrationStatusesFollowThePlatform) {
  EXPECT_EQ(Register(u"Velk Key Storage Provider"), STATUS_SUCCESS);
  EXPECT_EQ(Register(u"Velk Key Storage Provider"), STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(Register(u"VELK KEY STORAGE PROVIDER"), STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(Register(u"velk key storage provider", CRYPT_OVERWRITE), STATUS_SUCCESS);
  EXPECT_EQ(ListProviders().size(), 1u);
  EXPECT_EQ(BCryptUnregisterProvider(u"Velk Key Storage Provider"), STATUS_SUCCESS);
  EXPECT_EQ(BCryptUnregisterProvider(u"Velk Key Storage Provider"), STATUS_NOT_FOUND);
  EXPECT_TRUE(ListProviders().empty());
}

TEST_F(CngConfigTest, ContextFunctionStatusesFollowThePlatform) {
  EXPECT_EQ(AddProvider(u"P"), STATUS_NOT_FOUND) << "the function is not there yet";
  EXPECT_EQ(AddFunction(u"KEY_STORAGE"), STATUS_SUCCESS);
  EXPECT_EQ(AddFunction(u"key_storage"), STATUS_SUCCESS) << "already there: moved";
  EXPECT_EQ(AddProvider(u"P"), STATUS_SUCCESS);
  EXPECT_EQ(AddProvider(u"P"), STATUS_SUCCESS);
  EXPECT_EQ(RemoveProvider(u"p"), STATUS_SUCCESS);
  EXPECT_EQ(RemoveProvider(u"P"), STATUS_NOT_FOUND);
  EXPECT_EQ(BCryptAddContextFunction(CRYPT_LOCAL, u"Other", NCRYPT_KEY_STORAGE_INTERFACE, u"F", 0),
            STATUS_NOT_FOUND);
  EXPECT_EQ(BCryptAddContextFunction(CRYPT_LOCAL, u"default", NCRYPT_KEY_STORAGE_INTERFACE, u"F", 0),
            STATUS_SUCCESS)
      << "a null context and Default are the same";
  EXPECT_NE(ReadFile(StorePath()).find("context \"Default\"\n  interface 00010001\n"
                                       "    function \"F\"\n    function \"KEY_STORAGE\"\n"),
            std::string::npos)
      << ReadFile(StorePath());
}

TEST_F(CngConfigTest, TheRecordIsCopiedWholeNotBorrowed) {
  {
    Registration record(u"Image.dll", u"Alias");
    CRYPT_IMAGE_REG kernel{record.texts[0].data(), 0, nullptr};
    record.provider.pKM = &kernel;
    ASSERT_EQ(BCryptRegisterProvider(u"P", 0, &record.provider), STATUS_SUCCESS);
    record.texts[0][0] = u'X';  // the caller's memory changes after the call
  }
  EXPECT_EQ(ReadFile(StorePath()),
            "CNG configuration store, version 1\n\n[Providers]\n"
            "provider \"P\"\n  alias \"Alias\"\n  user-mode \"Image.dll\"\n"
            "    interface 00010001 flags 00000001\n      function \"KEY_STORAGE\"\n"
            "  kernel-mode \"Image.dll\"\n"
            "\n[Configuration\\Local]\ncontext \"Default\"\n\nend\n");
}

TEST_F(CngConfigTest, InvalidArgumentsAreRefusedAndChangeNothing) {
  Registration good;
  Registration nullImage;
  nullImage.image.pszImage = nullptr;
  Registration countWithoutList;
  countWithoutList.reg.rgpszFunctions = nullptr;
  Registration nullFunction;
  nullFunction.functions[0] = nullptr;
  Registration unknownInterface;
  unknownInterface.reg.dwInterface = 0x00020000;
  Registration unknownInterfaceFlags;
  unknownInterfaceFlags.reg.dwFlags = 0x100;
  Registration aliasCountWithoutList;
  aliasCountWithoutList.provider.cAliases = 2;
  Registration nullInterface;
  nullInterface.regs[0] = nullptr;
  const std::u16string tooLong(32768, u'x');

  struct Row {
    const char* name;
    NTSTATUS status;
  };
  const Row rows[] = {
      {"NullProviderName", BCryptRegisterProvider(nullptr, 0, &good.provider)},
      {"EmptyProviderName", BCryptRegisterProvider(u"", 0, &good.provider)},
      {"ProviderNameTooLong", BCryptRegisterProvider(tooLong.c_str(), 0, &good.provider)},
      {"NullRecord", BCryptRegisterProvider(u"P", 0, nullptr)},
      {"UnknownRegistrationFlags", BCryptRegisterProvider(u"P", 2, &good.provider)},
      {"NullImageName", BCryptRegisterProvider(u"P", 0, &nullImage.provider)},
      {"FunctionCountWithoutList", BCryptRegisterProvider(u"P", 0, &countWithoutList.provider)},
      {"NullFunctionName", BCryptRegisterProvider(u"P", 0, &nullFunction.provider)},
      {"UnknownInterface", BCryptRegisterProvider(u"P", 0, &unknownInterface.provider)},
      {"UnknownInterfaceFlags", BCryptRegisterProvider(u"P", 0, &unknownInterfaceFlags.provider)},
      {"AliasCountWithoutList", BCryptRegisterProvider(u"P", 0, &aliasCountWithoutList.provider)},
      {"NullInterface", BCryptRegisterProvider(u"P", 0, &nullInterface.provider)},
      {"UnregisterNullName", BCryptUnregisterProvider(nullptr)},
      {"UnregisterEmptyName", BCryptUnregisterProvider(u"")},
      {"DomainTable", BCryptAddContextFunction(CRYPT_DOMAIN, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, u"F", 0)},
      {"AddFunctionUnknownInterface", BCryptAddContextFunction(CRYPT_LOCAL, nullptr, 0x00010009, u"F", 0)},
      {"EmptyContextName", BCryptAddContextFunction(CRYPT_LOCAL, u"", NCRYPT_KEY_STORAGE_INTERFACE, u"F", 0)},
      {"NullFunctionToAdd", BCryptAddContextFunction(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, nullptr, 0)},
      {"EmptyProviderToAdd", BCryptAddContextFunctionProvider(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, u"F", u"", 0)},
      {"NoTable", BCryptAddContextFunctionProvider(0, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, u"F", u"P", 0)},
      {"NullProviderToRemove", BCryptRemoveContextFunctionProvider(CRYPT_LOCAL, nullptr, NCRYPT_KEY_STORAGE_INTERFACE, u"F", nullptr)},
      {"RemoveFromNoInterface", BCryptRemoveContextFunctionProvider(CRYPT_LOCAL, nullptr, 0, u"F", u"P")},
      {"ListingWithoutItsArguments", BCryptEnumRegisteredProviders(nullptr, nullptr)},
  };
  for (const Row& row : rows) EXPECT_EQ(row.status, STATUS_INVALID_PARAMETER) << row.name;
  EXPECT_FALSE(std::filesystem::exists(directory));
}

TEST_F(CngConfigTest, ListingIsOneBlockInCaseInsensitiveNameOrder) {
  for (const char16_t* name : {u"beta", u"Alpha", u"Gamma", u"\u00e9t\u00e9"}) ASSERT_EQ(Register(name), 0);
  EXPECT_EQ(ListProviders(), (std::vector<Name>{u"Alpha", u"beta", u"Gamma", u"\u00e9t\u00e9"}));

  ULONG size = 0;
  PCRYPT_PROVIDERS listing = nullptr;
  ASSERT_EQ(BCryptEnumRegisteredProviders(&size, &listing), STATUS_SUCCESS);
  const auto* begin = reinterpret_cast<const char*>(listing);
  EXPECT_GE(size, sizeof(CRYPT_PROVIDERS) + 4 * sizeof(PWSTR) + (6 + 5 + 6 + 4) * sizeof(WCHAR));
  for (ULONG i = 0; i < listing->cProviders; ++i) {
    const auto* name = reinterpret_cast<const char*>(listing->rgpszProviders[i]);
    EXPECT_TRUE(name >= begin && name < begin + size) << "name " << i << " lies outside the block";
  }
  BCryptFreeBuffer(listing);
}

// The listing's block is sized from the store's length: the densest store
// there can be, with every provider on the shortest line, still fits.
TEST_F(CngConfigTest, TheDensestStoreIsListedWhole) {
  std::vector<Name> names;
  Name singles;
  for (char16_t c = 0x20; c < 0x7F; ++c) {
    if (c != u'"' && c != u'\\' && !(c >= u'A' && c <= u'Z')) singles.push_back(c);
  }
  for (const char16_t first : singles) {
    names.push_back(Name(1, first));
    for (const char16_t second : singles) names.push_back(Name{first, second});
  }
  std::sort(names.begin(), names.end());
  std::string text = "CNG configuration store, version 1\n[Providers]\n";
  for (const Name& name : names) text += "provider\"" + std::string(name.begin(), name.end()) + "\"\n";
  text += "[Configuration\\Local]\nend\n";
  std::filesystem::create_directories(directory);
  std::ofstream(StorePath(), std::ios::binary) << text;
  NTSTATUS status = 0;
  EXPECT_EQ(ListProviders(&status), names);
  EXPECT_EQ(status, STATUS_SUCCESS);
}

TEST_F(CngConfigTest, ListingIntoTheCallersBufferSaysHowMuchItNeeds) {
  ASSERT_EQ(Register(u"Provider"), 0);
  alignas(8) char space[256];
  ULONG size = 8;
  auto* listing = reinterpret_cast<PCRYPT_PROVIDERS>(space);
  EXPECT_EQ(BCryptEnumRegisteredProviders(&size, &listing), STATUS_BUFFER_TOO_SMALL);
  const ULONG needed = sizeof(CRYPT_PROVIDERS) + sizeof(PWSTR) + 9 * sizeof(WCHAR);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(BCryptEnumRegisteredProviders(&size, &listing), STATUS_SUCCESS);
  ASSERT_EQ(listing->cProviders, 1u);
  EXPECT_EQ(Name(listing->rgpszProviders[0]), u"Provider");
}

TEST_F(CngConfigTest, ChangesPersistAcrossProcesses) {
  const test_support::ChildResult child = test_support::RunInChild([this] {
    return Register(u"From a child") == 0 && AddFunction(u"KEY_STORAGE") == 0 &&
                   AddProvider(u"From a child") == 0
               ? 0
               : 1;
  });
  ASSERT_EQ(child.exitStatus, 0);
  EXPECT_EQ(ListProviders(), std::vector<Name>{u"From a child"});
  EXPECT_EQ(RemoveProvider(u"FROM A CHILD"), STATUS_SUCCESS);
}

// A damaged store is reported by every function and never rewritten.
TEST_F(CngConfigTest, ADamagedStoreIsReportedAndLeftByteForByte) {
  ASSERT_EQ(Register(u"P"), 0);
  const std::string whole = ReadFile(StorePath());
  for (const std::string& damaged : {whole.substr(0, whole.size() / 2), std::string("\x7f" "ELF\0\1", 6),
                                     std::string("CNG configuration store, version 9\n")}) {
    std::ofstream(StorePath(), std::ios::binary | std::ios::trunc) << damaged;
    NTSTATUS listed = 0;
    EXPECT_TRUE(ListProviders(&listed).empty());
    EXPECT_EQ(listed, STATUS_REGISTRY_CORRUPT);
    EXPECT_EQ(Register(u"Q"), STATUS_REGISTRY_CORRUPT);
    EXPECT_EQ(Register(u"P", CRYPT_OVERWRITE), STATUS_REGISTRY_CORRUPT);
    EXPECT_EQ(BCryptUnregisterProvider(u"P"), STATUS_REGISTRY_CORRUPT);
    EXPECT_EQ(AddFunction(u"KEY_STORAGE"), STATUS_REGISTRY_CORRUPT);
    EXPECT_EQ(AddProvider(u"P"), STATUS_REGISTRY_CORRUPT);
    EXPECT_EQ(RemoveProvider(u"P"), STATUS_REGISTRY_CORRUPT);
    EXPECT_EQ(ReadFile(StorePath()), damaged);
  }
}

TEST_F(CngConfigTest, AStoreThatIsADirectoryIsReportedAsDamaged) {
  std::filesystem::create_directories(StorePath());
  NTSTATUS listed = 0;
  ListProviders(&listed);
  EXPECT_EQ(listed, STATUS_REGISTRY_CORRUPT);
  EXPECT_EQ(Register(u"P"), STATUS_REGISTRY_CORRUPT);
  EXPECT_TRUE(std::filesystem::is_directory(StorePath()));
}

TEST_F(CngConfigTest, ALeftOverTemporaryFileIsNeverReadAndIsRemoved) {
  ASSERT_EQ(Register(u"P"), 0);
  const std::string leftover = directory + "/cng.conf.tmp-99999";
  std::ofstream(leftover) << "CNG configuration store, version 1\n[Providers]\nprovider \"Ghost\"\n";
  EXPECT_EQ(ListProviders(), std::vector<Name>{u"P"});
  EXPECT_EQ(Register(u"Q"), 0);
  EXPECT_FALSE(std::filesystem::exists(leftover));
  EXPECT_EQ(ListProviders(), (std::vector<Name>{u"P", u"Q"}));
}

// Reading needs no write permission; writing without it is access denied.
TEST_F(CngConfigTest, AUserWhoMayNotWriteCanListButNotChange) {
  ASSERT_EQ(Register(u"Written by its owner"), 0);
  const std::string before = ReadFile(StorePath());
  const test_support::ChildResult child = test_support::RunInChild([this] {
    if (geteuid() == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) return 10;  // nobody
    } else {
      chmod(directory.c_str(), 0555);
    }
    if (ListProviders() != std::vector<Name>{u"Written by its owner"}) return 11;
    if (Register(u"Q") != STATUS_ACCESS_DENIED) return 12;
    if (BCryptUnregisterProvider(u"Written by its owner") != STATUS_ACCESS_DENIED) return 13;
    if (AddFunction(u"F") != STATUS_ACCESS_DENIED) return 14;
    return 0;
  });
  chmod(directory.c_str(), 0755);
  EXPECT_EQ(child.exitStatus, 0);
  EXPECT_EQ(ReadFile(StorePath()), before);
}

TEST_F(CngConfigTest, ConcurrentWritersLoseNoUpdate) {
  constexpr int WRITERS = 12;
  constexpr int EACH = 20;
  std::vector<pid_t> children;
  for (int w = 0; w < WRITERS; ++w) {
    const pid_t child = fork();
    if (child == 0) {
      for (int i = 0; i < EACH; ++i) {
        const std::string name = "Provider " + std::to_string(w) + "-" + std::to_string(i);
        if (Register(Name(name.begin(), name.end()).c_str()) != 0) _exit(1);
      }
      _exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(ListProviders().size(), static_cast<std::size_t>(WRITERS * EACH));
}

}  // namespace

namespace {

// Only a regular file is a store: a FIFO in its place is reported as a damaged
// store at once, by readers and writers, instead of waiting for a writer.
TEST_F(CngConfigTest, AFifoInPlaceOfTheStoreIsReportedWithoutWaiting) {
  std::filesystem::create_directories(directory);
  ASSERT_EQ(mkfifo(StorePath().c_str(), 0644), 0);
  const test_support::ChildResult child = test_support::RunInChild([this] {
    alarm(20);  // waiting forever fails the test instead of hanging it
    NTSTATUS listed = 0;
    ListProviders(&listed);
    if (listed != STATUS_REGISTRY_CORRUPT) return 1;
    return Register(u"P") == STATUS_REGISTRY_CORRUPT ? 0 : 2;
  });
  EXPECT_EQ(child.exitStatus, 0) << "-1: killed by a signal";
}

// The store is mapped: someone who truncates it while it is read takes the
// pages away under the reader. The read is reported as a damaged store,
// never a crash, and a change worked out from it is never written.
class CutWhileReadTest : public CngConfigTest {
 protected:
  void SetUp() override {
    CngConfigTest::SetUp();
    std::filesystem::create_directories(directory);
    std::ofstream(StorePath(), std::ios::binary) << cngstore::GenerateStore(3000);
  }
  // Cuts the store to nothing, then reads every byte of the text it was given.
  NTSTATUS CutAndRead(std::string_view text) const {
    if (truncate(StorePath().c_str(), 0) != 0) return STATUS_UNSUCCESSFUL;
    volatile unsigned sum = 0;
    for (const char c : text) sum = sum + static_cast<unsigned char>(c);
    return STATUS_SUCCESS;
  }
};

TEST_F(CutWhileReadTest, AReaderIsToldTheStoreIsDamaged) {
  const test_support::ChildResult child = test_support::RunInChild([this] {
    const NTSTATUS status = cngstore::ReadStore([this](std::string_view text) { return CutAndRead(text); });
    return status == STATUS_REGISTRY_CORRUPT ? 0 : 1;
  });
  EXPECT_EQ(child.exitStatus, 0) << "-1: killed by a signal";
}

TEST_F(CutWhileReadTest, AWriterWritesNothingOfIt) {
  const test_support::ChildResult child = test_support::RunInChild([this] {
    const NTSTATUS status = cngstore::UpdateStore([this](std::string_view text, cngstore::Splices& splices) {
      splices.push_back({0, 0, "# a change\n"});
      return CutAndRead(text);
    });
    return status == STATUS_REGISTRY_CORRUPT ? 0 : 1;
  });
  EXPECT_EQ(child.exitStatus, 0) << "-1: killed by a signal";
  EXPECT_EQ(std::filesystem::file_size(StorePath()), 0u) << "the store was rewritten from a damaged read";
}

}  // namespace
