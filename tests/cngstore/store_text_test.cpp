#include <gtest/gtest.h>

#include <algorithm>

#include "store_text.h"

namespace cngstore {
namespace {

// Names that a careless format would break on.
const std::vector<Name> HOSTILE_NAMES{
    u"Velk Key Storage Provider",
    u"line\nbreak",
    u"carriage\rreturn\ttab",
    u"equals=sign",
    u"[Providers]",
    u"end",
    u"back\\slash \\u0041",
    u"\"quoted\"",
    u"# not a comment",
    u"\u041a\u043b\u044e\u0447 \u00e9\u00e8 \u4e2d\u6587",
    u"pair \U0001F511",
    Name{u'x', static_cast<char16_t>(0xD800), u'y'},
    Name{static_cast<char16_t>(0xDFFF)},
    Name{static_cast<char16_t>(0xDBFF), static_cast<char16_t>(0xDBFF)},
    Name{static_cast<char16_t>(0x7F), static_cast<char16_t>(1), u' '},
};

ConfigStore StoreWithEveryPart(const std::vector<Name>& names) {
  ConfigStore store = NewConfigStore();
  for (const Name& name : names) {
    ImageRecord image{name + u".dll", {{NCRYPT_KEY_STORAGE_INTERFACE, 1, {u"KEY_STORAGE", name}},
                                       {BCRYPT_HASH_INTERFACE, 0, {}}}};
    ProviderRecord record{name, {name, u"alias"}, image, ImageRecord{name + u".sys", {}}};
    EXPECT_EQ(RegisterProvider(store, record, false), 0);
    EXPECT_EQ(AddContextFunction(store, u"Default", NCRYPT_KEY_STORAGE_INTERFACE, name, 0), 0);
    EXPECT_EQ(AddContextFunctionProvider(store, u"Default", NCRYPT_KEY_STORAGE_INTERFACE, name,
                                         name, 0), 0);
  }
  return store;
}

bool SameStore(const ConfigStore& a, const ConfigStore& b) { return FormatStore(a) == FormatStore(b); }

TEST(StoreTextTest, EveryNameRoundTripsExactly) {
  const ConfigStore store = StoreWithEveryPart(HOSTILE_NAMES);
  ConfigStore parsed;
  ASSERT_TRUE(ParseStore(FormatStore(store), parsed)) << FormatStore(store);
  ASSERT_EQ(parsed.providers.size(), HOSTILE_NAMES.size());
  for (std::size_t i = 0; i < store.providers.size(); ++i) {
    EXPECT_EQ(parsed.providers[i].name, store.providers[i].name);
    EXPECT_EQ(parsed.providers[i].aliases, store.providers[i].aliases);
    EXPECT_EQ(parsed.providers[i].userMode->interfaces[0].functions,
              store.providers[i].userMode->interfaces[0].functions);
  }
  const auto& functions = parsed.contexts[0].interfaces[0].functions;
  ASSERT_EQ(functions.size(), HOSTILE_NAMES.size());
  EXPECT_TRUE(SameStore(parsed, store));
}

TEST(StoreTextTest, NoNameCanAddALineOrAnUnescapedQuote) {
  const std::string text = FormatStore(StoreWithEveryPart(HOSTILE_NAMES));
  const std::string plain = FormatStore(StoreWithEveryPart({u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h",
                                                            u"i", u"j", u"k", u"l", u"m", u"n", u"o"}));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(plain.begin(), plain.end(), '\n'));
}

TEST(StoreTextTest, TheNewStoreIsReadableText) {
  EXPECT_EQ(FormatStore(NewConfigStore()),
            "CNG configuration store, version 1\n\n[Providers]\n\n[Configuration\\Local]\n"
            "context \"Default\"\n\nend\n");
}

// A store cut anywhere is never taken for a whole one.
TEST(StoreTextTest, EveryProperPrefixIsRejected) {
  const std::string text = FormatStore(StoreWithEveryPart({u"Velk Key Storage Provider", u"\u00e9\U0001F511"}));
  ConfigStore parsed;
  ASSERT_TRUE(ParseStore(text, parsed));
  for (std::size_t length = 0; length < text.size(); ++length) {
    ASSERT_FALSE(ParseStore(text.substr(0, length), parsed)) << "accepted a cut at byte " << length;
  }
}

class DamagedTextTest : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedTextTest, IsRejected) {
  ConfigStore parsed;
  EXPECT_FALSE(ParseStore(GetParam(), parsed));
}

const std::string HEAD = "CNG configuration store, version 1\n[Providers]\n";
const std::string TAIL = "[Configuration\\Local]\ncontext \"Default\"\nend\n";

INSTANTIATE_TEST_SUITE_P(
    Texts, DamagedTextTest,
    ::testing::Values(
        "", "\n", "garbage\n", std::string("\0\0\0\n", 4),
        "CNG configuration store, version 2\n[Providers]\n" + TAIL,
        HEAD + TAIL + "provider \"after the end\"\n",
        HEAD + "provider \"unterminated\n" + TAIL,
        HEAD + "provider \"\"\n" + TAIL,                       // empty name
        HEAD + "provider \"bad \\q escape\"\n" + TAIL,
        HEAD + "provider \"nul \\u0000\"\n" + TAIL,
        HEAD + "provider \"short \\u12\"\n" + TAIL,
        HEAD + "provider \"raw\ttab\"\n" + TAIL,
        HEAD + "provider \"bad utf-8 \xff\"\n" + TAIL,
        HEAD + "provider \"overlong \xc0\xaf\"\n" + TAIL,
        HEAD + "provider \"surrogate \xed\xa0\x80\"\n" + TAIL,
        HEAD + "provider \"P\" trailing\n" + TAIL,
        HEAD + "provider \"P\"\nprovider \"p\"\n" + TAIL,     // the same provider twice
        HEAD + "alias \"no provider\"\n" + TAIL,
        HEAD + "provider \"P\"\n  interface 00010001 flags 00000001\n" + TAIL,  // no image
        HEAD + "provider \"P\"\n  user-mode \"P.dll\"\n    interface 1 flags 0\n" + TAIL,
        HEAD + "provider \"P\"\n  user-mode \"P.dll\"\n    interface 0000FFFF flags 00000000\n" + TAIL,
        HEAD + "provider \"P\"\n  user-mode \"A\"\n  user-mode \"B\"\n" + TAIL,
        HEAD + "[Configuration\\Local]\ncontext \"Default\"\n  function \"F\"\nend\n",
        HEAD + "[Configuration\\Local]\ncontext \"Default\"\n  interface 00010001\n"
               "    function \"F\"\n    function \"f\"\nend\n",
        HEAD + "[Configuration\\Local]\ncontext \"Default\"\n  interface 00010001\n"
               "    function \"F\"\n      provider \"P\"\n      provider \"P\"\nend\n",
        HEAD + "[Configuration\\Local]\ncontext \"Default\"\ncontext \"DEFAULT\"\nend\n",
        HEAD + TAIL.substr(0, TAIL.size() - 1),                // no final newline
        HEAD + "provider \"" + std::string(MAX_NAME_LENGTH + 1, 'x') + "\"\n" + TAIL));

TEST(StoreTextTest, CommentsBlankLinesAndCrLfAreTolerated) {
  const std::string text =
      "CNG configuration store, version 1\r\n# hand-edited\r\n\r\n[Providers]\r\n"
      "provider \"P\"\r\n\r\n[Configuration\\Local]\r\ncontext \"Default\"\r\nend\r\n";
  ConfigStore parsed;
  ASSERT_TRUE(ParseStore(text, parsed));
  ASSERT_EQ(parsed.providers.size(), 1u);
  EXPECT_EQ(parsed.providers[0].name, u"P");
}

TEST(StoreTextTest, AStoreWithoutTheDefaultContextStillHasIt) {
  ConfigStore parsed;
  ASSERT_TRUE(ParseStore(HEAD + "[Configuration\\Local]\nend\n", parsed));
  EXPECT_EQ(AddContextFunction(parsed, u"Default", 1, u"F", 0), 0);
}

}  // namespace
}  // namespace cngstore
