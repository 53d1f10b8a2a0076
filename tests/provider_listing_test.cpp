#include <gtest/gtest.h>

#include "support/case_name.h"

#include <optional>
#include <string>
#include <vector>

#include "fake/fake_bcrypt.h"
#include "provider/provider_identity.h"
#include "support/process_capture.h"

namespace {

using Text = fake_bcrypt::Text;

struct ListingCase {
  const char* name;
  NTSTATUS status;
  std::optional<std::vector<Text>> buffer;  // empty: the platform hands back null
  std::string output;
  friend void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.name; }
};

class ProviderListingTest : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ProviderListingTest, PrintsWhatThePlatformListsAndReleasesItsBufferOnce) {
  const ListingCase& c = GetParam();
  fake_bcrypt::Reset();
  fake_bcrypt::ScriptStatus("BCryptEnumRegisteredProviders", c.status);
  if (c.buffer) fake_bcrypt::ScriptListing(*c.buffer);

  EXPECT_EQ(test_support::CaptureStdout(ListRegisteredProviders), c.output);

  const std::vector<fake_bcrypt::Call>& calls = fake_bcrypt::Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].function, "BCryptEnumRegisteredProviders");
  EXPECT_EQ(calls[0].sizeOnEntry, 0u);
  EXPECT_TRUE(calls[0].bufferNullOnEntry);
  if (c.buffer) {
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].function, "BCryptFreeBuffer");
    EXPECT_EQ(calls[1].released, fake_bcrypt::ListingBuffer());
  } else {
    EXPECT_EQ(calls.size(), 1u) << "nothing to release";
  }
}

const NTSTATUS FAILED = static_cast<NTSTATUS>(0xC000014C);

INSTANTIATE_TEST_SUITE_P(
    Cases, ProviderListingTest,
    ::testing::Values(
        ListingCase{"FailureWithoutBuffer", FAILED, std::nullopt,
                    "BCryptEnumRegisteredProviders failed with error code 0xc000014c\n"},
        ListingCase{"FailureWithBufferPrintsNoNames", FAILED,
                    std::vector<Text>{WIDE("Ignored")},
                    "BCryptEnumRegisteredProviders failed with error code 0xc000014c\n"},
        ListingCase{"SuccessWithNullBuffer", 0, std::nullopt,
                    "BCryptEnumRegisteredProviders returned a NULL ptr\n"},
        ListingCase{"NoProviders", 0, std::vector<Text>{}, ""},
        ListingCase{"ThreeProvidersInThePlatformsOrder", 0,
                    std::vector<Text>{WIDE("Zeta Provider"), WIDE("Velk Key Storage Provider"),
                                      WIDE("Alpha Provider")},
                    "Zeta Provider\nVelk Key Storage Provider\nAlpha Provider\n"},
        ListingCase{"PositiveStatusIsSuccess", 0x00000103,
                    std::vector<Text>{WIDE("Microsoft Software Key Storage Provider")},
                    "Microsoft Software Key Storage Provider\n"},
        ListingCase{"NamesAreValuesNotFormats", 0,
                    std::vector<Text>{WIDE("100% %s %08x %n"), WIDE("Cl\u00e9 \u03ba\u03bb\u03b5\u03b9\u03b4\u03af")},
                    "100% %s %08x %n\nCl\xc3\xa9 \xce\xba\xce\xbb\xce\xb5\xce\xb9\xce\xb4\xce\xaf\n"}),
    test_support::CaseName());

}  // namespace
