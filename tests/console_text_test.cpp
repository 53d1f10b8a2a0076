#include <gtest/gtest.h>

#include <string>

#include "common/console_print.h"
#include "common/console_output.h"
#include "common/utf8.h"
#include "support/process_capture.h"

namespace {

using Text = std::basic_string<WideChar>;

// Any byte string taken from the command line comes back out byte for byte.
class ByteRoundTripTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ByteRoundTripTest, DecodingThenEncodingGivesBackTheSameBytes) {
  const Text wide = WideFromUtf8(GetParam().c_str());
  std::string bytes;
  AppendUtf8Bytes(bytes, wide.data(), wide.size());
  EXPECT_EQ(bytes, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, ByteRoundTripTest,
    ::testing::Values("plain", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x94\x91", "\xff\xfe", "\x80",
                      "\xc0\x80",           // overlong NUL
                      "\xe0\x80\xaf",       // overlong '/'
                      "\xed\xa0\x80",       // an encoded surrogate
                      "\xed\xb2\x80",       // an encoded U+DC80, the escape range itself
                      "\xf4\x90\x80\x80",   // above U+10FFFF
                      "\xf4\x8f\xbf\xbf",   // U+10FFFF
                      "\xe2\x82",           // cut short
                      "a\xe2\x82" "b\xf0\x9f\x94", "\xf8\x88\x80\x80\x80"));

struct DecodeCase {
  std::string bytes;
  Text wide;
  friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.bytes); }
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, ValidTextDecodesToItsCodePointsAndEachInvalidByteToItsEscape) {
  EXPECT_EQ(WideFromUtf8(GetParam().bytes.c_str()), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeTest,
    ::testing::Values(DecodeCase{"-enum", WIDE("-enum")},
                      DecodeCase{"\xc3\xa9", WIDE("\u00e9")},
                      DecodeCase{"\xf0\x9f\x94\x91", WIDE("\U0001F511")},
                      DecodeCase{"\xff", Text{static_cast<WideChar>(0xDCFF)}},
                      DecodeCase{"\xe2\x82" "a", Text{static_cast<WideChar>(0xDCE2),
                                                      static_cast<WideChar>(0xDC82), 'a'}}));

TEST(Utf8Test, LoneSurrogatesOutsideTheEscapeRangeEncodeAsReplacementCharacter) {
  const Text text{static_cast<WideChar>(0xD800), 'x', static_cast<WideChar>(0xDFFF)};
  std::string bytes;
  AppendUtf8(bytes, text.data(), text.size());
  EXPECT_EQ(bytes, "\xef\xbf\xbdx\xef\xbf\xbd");
}

// Only the command line's own text gives back bytes: any other text with
// lone surrogates of the escape range, such as a name a store lists, comes
// out as valid UTF-8, never as bytes that could pass for other characters.
TEST(Utf8Test, EscapeRangeSurrogatesOutsideTheCommandLineEncodeAsReplacementCharacter) {
  const Text name{0xDCC3, 0xDCA9, 't', 0xDCC3, 0xDCA9};  // would be "\xc3\xa9t\xc3\xa9": "été"
  std::string bytes;
  AppendUtf8(bytes, name.data(), name.size());
  EXPECT_EQ(bytes, "\xef\xbf\xbd\xef\xbf\xbdt\xef\xbf\xbd\xef\xbf\xbd");
}

TEST(ConsolePrintTest, GivesBackBytesForTheMarkedCommandLineTextAlone) {
  const Text argument = WideFromUtf8("\xff-x");
  const Text sameText = argument;
  const std::string out = test_support::CaptureStdout([&] {
    MarkCommandLineText(argument.c_str());
    ConsolePrint(WIDE("[%s] [%s]\n"), argument.c_str(), sameText.c_str());
    MarkCommandLineText(nullptr);
  });
  EXPECT_EQ(out, "[\xff-x] [\xef\xbf\xbd-x]\n");
}

TEST(ConsolePrintTest, FillsBothPlaceholdersInOrder) {
  const WideChar* name = WIDE("BCryptX");
  const std::string out = test_support::CaptureStdout([&] {
    ConsolePrint(WIDE("%s failed with error code 0x%08x\n"), name, static_cast<std::int32_t>(-5));
    ConsolePrint(WIDE("[%s][%s] 0x%08x\n"), WIDE(""), static_cast<const WideChar*>(nullptr), 0x1Au);
  });
  EXPECT_EQ(out, "BCryptX failed with error code 0xfffffffb\n[][(null)] 0x0000001a\n");
}

TEST(ConsolePrintTest, OutputLargerThanTheBufferIsWrittenWholeAndInOrder) {
  std::string expected;
  const std::string out = test_support::CaptureStdout([&] {
    for (int i = 0; i < 300; ++i) {
      const Text line = Text(static_cast<std::size_t>(i), WIDE('x')) + WIDE("\u00e9");
      ConsolePrint(WIDE("%s\n"), line.c_str());
      expected += std::string(static_cast<std::size_t>(i), 'x') + "\xc3\xa9\n";
    }
  });
  EXPECT_EQ(out, expected);
}

}  // namespace
