#include <gtest/gtest.h>

#include <algorithm>

#include "store_test_support.h"

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

// A store text that holds every kind of entry once for each name.
std::string StoreWithEveryPart(const std::vector<Name>& names) {
  std::string text(NEW_STORE_TEXT);
  for (const Name& name : names) {
    ImageRecord image{name + u".dll", {{NCRYPT_KEY_STORAGE_INTERFACE, 1, {u"KEY_STORAGE", name}},
                                       {BCRYPT_HASH_INTERFACE, 0, {}}}};
    const ProviderRecord record{name, {name, u"alias"}, image, ImageRecord{name + u".sys", {}}};
    EXPECT_EQ(Apply(text, [&](std::string_view t, Splices& s) { return EditRegisterProvider(t, record, false, s); }), 0);
    EXPECT_EQ(Apply(text, [&](std::string_view t, Splices& s) {
                return EditAddContextFunction(t, u"Default", NCRYPT_KEY_STORAGE_INTERFACE, name, 0, s);
              }), 0);
    EXPECT_EQ(Apply(text, [&](std::string_view t, Splices& s) {
                return EditAddContextFunctionProvider(t, u"Default", NCRYPT_KEY_STORAGE_INTERFACE, name, name, 0, s);
              }), 0);
  }
  return text;
}

std::vector<Name> Sorted(std::vector<Name> names) {
  std::sort(names.begin(), names.end(), SortsBefore);
  return names;
}

TEST(StoreTextTest, EveryNameRoundTripsExactly) {
  const std::string text = StoreWithEveryPart(HOSTILE_NAMES);
  const std::vector<Name> sorted = Sorted(HOSTILE_NAMES);
  EXPECT_EQ(Collect(text, EntryKind::Provider), sorted) << text;
  std::vector<Name> aliases;
  for (const Name& name : sorted) {
    aliases.push_back(name);
    aliases.push_back(u"alias");
  }
  EXPECT_EQ(Collect(text, EntryKind::Alias), aliases);
  EXPECT_EQ(Sorted(Collect(text, EntryKind::Function)), sorted);
  EXPECT_EQ(Sorted(Collect(text, EntryKind::ListedProvider)), sorted);
}

TEST(StoreTextTest, NoNameCanAddALineOrAnUnescapedQuote) {
  const std::string text = StoreWithEveryPart(HOSTILE_NAMES);
  const std::string plain = StoreWithEveryPart({u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h",
                                                u"i", u"j", u"k", u"l", u"m", u"n", u"o"});
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(plain.begin(), plain.end(), '\n'));
}

// A store cut anywhere is never taken for a whole one.
TEST(StoreTextTest, EveryProperPrefixIsRejected) {
  const std::string text = StoreWithEveryPart({u"Velk Key Storage Provider", u"\u00e9\U0001F511"});
  bool whole = false;
  Collect(text, EntryKind::Provider, &whole);
  ASSERT_TRUE(whole);
  for (std::size_t length = 0; length < text.size(); ++length) {
    ASSERT_FALSE(ScanStore(text.substr(0, length), [](const Entry&) {})) << "accepted a cut at byte " << length;
  }
}

class DamagedTextTest : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedTextTest, IsRejected) { EXPECT_FALSE(ScanStore(GetParam(), [](const Entry&) {})); }

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
        HEAD + "provider \"B\"\nprovider \"A\"\n" + TAIL,     // out of order
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
        HEAD + "context \"Default\"\n" + TAIL,                // a context among the providers
        HEAD + "provider \"P\"\n  user-mode \"P.dll\"\n  alias \"A\"\n"
               "    interface 00010001 flags 00000001\n" + TAIL,  // an interface under an alias
        HEAD + "[Configuration\\Local]\n[Configuration\\Local]\nend\n",  // a section twice
        HEAD + "[Configuration\\Local]\ncontext \"Default\"\n  interface 00000002\n"
               "  interface 00000001\nend\n",                 // interfaces out of order
        HEAD + TAIL.substr(0, TAIL.size() - 1),                // no final newline
        HEAD + "provider \"" + std::string(MAX_NAME_LENGTH + 1, 'x') + "\"\n" + TAIL));

TEST(StoreTextTest, CommentsBlankLinesAndCrLfAreTolerated) {
  const std::string text =
      "CNG configuration store, version 1\r\n# hand-edited\r\n\r\n[Providers]\r\n"
      "provider \"P\"\r\n\r\n[Configuration\\Local]\r\ncontext \"Default\"\r\nend\r\n# after\n";
  EXPECT_EQ(Collect(text, EntryKind::Provider), std::vector<Name>{u"P"});
}

// Spaces and tabs at either end of any line are allowed, and a change keeps
// them byte for byte.
TEST(StoreTextTest, BlanksAroundEveryLineAreAllowedAndKept) {
  const std::string plain = StoreWithEveryPart({u"Velk Key Storage Provider", u"x"});
  std::string padded;
  for (std::size_t at = 0, end; (end = plain.find('\n', at)) != std::string::npos; at = end + 1) {
    padded += " \t" + plain.substr(at, end - at) + "\t \n";
  }
  EXPECT_EQ(Collect(padded, EntryKind::Provider), Collect(plain, EntryKind::Provider));
  EXPECT_EQ(Collect(padded, EntryKind::ListedProvider), Collect(plain, EntryKind::ListedProvider));
  std::string changed = padded;
  ASSERT_EQ(Apply(changed, [](std::string_view t, Splices& s) { return EditRegisterProvider(t, Record(u"New"), false, s); }), 0);
  for (std::size_t at = 0, end; (end = padded.find('\n', at)) != std::string::npos; at = end + 1) {
    EXPECT_NE(changed.find(padded.substr(at, end + 1 - at)), std::string::npos) << padded.substr(at, end - at);
  }
}

// Siblings are checked under their own parent in one pass over the names:
// many contexts are read, and two alike far apart are found.
TEST(StoreTextTest, ManyContextsAreReadAndADuplicateAmongThemIsFound) {
  std::string text = HEAD + "[Configuration\\Local]\n";
  for (int i = 0; i < 40000; ++i) text += "context \"Context " + std::to_string(i) + "\"\n";
  EXPECT_EQ(Collect(text + "end\n", EntryKind::Context).size(), 40000u);
  bool whole = true;
  Collect(text + "context \"CONTEXT 7\"\nend\n", EntryKind::Context, &whole);
  EXPECT_FALSE(whole);
}

TEST(StoreTextTest, EachEntryStartsWithTheCommentsBeforeIt) {
  const std::string text =
      "CNG configuration store, version 1\n[Providers]\n\n# about P\nprovider \"P\"\n"
      "[Configuration\\Local]\ncontext \"Default\"\nend\n";
  std::string provider;
  ASSERT_TRUE(ScanStore(text, [&](const Entry& entry) {
    if (entry.kind == EntryKind::Provider) provider = text.substr(entry.start, entry.end - entry.start);
  }));
  EXPECT_EQ(provider, "\n# about P\nprovider \"P\"\n");
}

}  // namespace
}  // namespace cngstore
