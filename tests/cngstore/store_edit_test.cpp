#include <gtest/gtest.h>

#include "store_test_support.h"
#include "support/case_name.h"

namespace cngstore {
namespace {

struct PositionCase {
  const char* name;
  std::vector<Name> before;
  Name added;
  ULONG position;
  std::vector<Name> after;
  friend void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }
};

class PriorityPositionTest : public ::testing::TestWithParam<PositionCase> {};

// Functions of an interface and providers of a function follow the same rule.
TEST_P(PriorityPositionTest, PlacesOrMovesTheFunction) {
  const PositionCase& c = GetParam();
  std::string text(NEW_STORE_TEXT);
  for (const Name& name : c.before) {
    ASSERT_EQ(Apply(text, [&](std::string_view t, Splices& s) {
                return EditAddContextFunction(t, u"Default", 1, name, CRYPT_PRIORITY_BOTTOM, s);
              }), 0);
  }
  ASSERT_EQ(Apply(text, [&](std::string_view t, Splices& s) {
              return EditAddContextFunction(t, u"default", 1, c.added, c.position, s);
            }), 0);
  EXPECT_EQ(Collect(text, EntryKind::Function), c.after) << text;
}

TEST_P(PriorityPositionTest, PlacesOrMovesTheProvider) {
  const PositionCase& c = GetParam();
  std::string text(NEW_STORE_TEXT);
  const auto add = [&](const Name& name, ULONG position) {
    return Apply(text, [&](std::string_view t, Splices& s) {
      return EditAddContextFunctionProvider(t, u"Default", NCRYPT_KEY_STORAGE_INTERFACE, u"KEY_STORAGE",
                                            name, position, s);
    });
  };
  ASSERT_EQ(Apply(text, [&](std::string_view t, Splices& s) {
              return EditAddContextFunction(t, u"Default", NCRYPT_KEY_STORAGE_INTERFACE, u"KEY_STORAGE", 0, s);
            }), 0);
  for (const Name& name : c.before) ASSERT_EQ(add(name, CRYPT_PRIORITY_BOTTOM), 0);
  ASSERT_EQ(add(c.added, c.position), 0);
  EXPECT_EQ(Collect(text, EntryKind::ListedProvider), c.after) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PriorityPositionTest,
    ::testing::Values(
        PositionCase{"IntoEmpty", {}, u"A", CRYPT_PRIORITY_BOTTOM, {u"A"}},
        PositionCase{"Top", {u"A", u"B"}, u"C", CRYPT_PRIORITY_TOP, {u"C", u"A", u"B"}},
        PositionCase{"Bottom", {u"A", u"B"}, u"C", CRYPT_PRIORITY_BOTTOM, {u"A", u"B", u"C"}},
        PositionCase{"BeforeTheNth", {u"A", u"B", u"C"}, u"D", 1, {u"A", u"D", u"B", u"C"}},
        PositionCase{"PastTheEnd", {u"A", u"B"}, u"C", 7, {u"A", u"B", u"C"}},
        PositionCase{"ExistingMovesToTop", {u"A", u"B", u"C"}, u"C", 0, {u"C", u"A", u"B"}},
        PositionCase{"ExistingMovesDownOne", {u"A", u"B", u"C"}, u"A", 1, {u"B", u"A", u"C"}},
        PositionCase{"ExistingMovesUpOne", {u"A", u"B", u"C"}, u"C", 1, {u"A", u"C", u"B"}},
        PositionCase{"ExistingMovesToBottom", {u"A", u"B", u"C"}, u"A", CRYPT_PRIORITY_BOTTOM,
                     {u"B", u"C", u"A"}},
        PositionCase{"ExistingStaysWhereItIs", {u"A", u"B", u"C"}, u"B", 1, {u"A", u"B", u"C"}},
        PositionCase{"ExistingIgnoringCaseKeepsItsName", {u"Key_Storage", u"B"}, u"KEY_STORAGE",
                     CRYPT_PRIORITY_BOTTOM, {u"B", u"Key_Storage"}}),
    test_support::CaseName());

TEST(StoreEditTest, AMovedFunctionKeepsItsProvidersAndComments) {
  std::string text(NEW_STORE_TEXT);
  const auto addFunction = [&](const Name& f, ULONG position) {
    return Apply(text, [&](std::string_view t, Splices& s) { return EditAddContextFunction(t, u"Default", 1, f, position, s); });
  };
  const auto addProvider = [&](const Name& p) {
    return Apply(text, [&](std::string_view t, Splices& s) {
      return EditAddContextFunctionProvider(t, u"Default", 1, u"F", p, CRYPT_PRIORITY_BOTTOM, s);
    });
  };
  ASSERT_EQ(addFunction(u"F", 0), 0);
  ASSERT_EQ(addFunction(u"G", CRYPT_PRIORITY_BOTTOM), 0);
  ASSERT_EQ(addProvider(u"P1"), 0);
  ASSERT_EQ(addProvider(u"P2"), 0);
  text.insert(text.find("    function \"F\""), "    # F comes first for a reason\n");
  ASSERT_EQ(addFunction(u"f", CRYPT_PRIORITY_BOTTOM), 0);
  EXPECT_NE(text.find("    function \"G\"\n    # F comes first for a reason\n    function \"F\"\n"
                      "      provider \"P1\"\n      provider \"P2\"\n\nend\n"),
            std::string::npos)
      << text;
}

TEST(StoreEditTest, ProvidersStaySortedIgnoringCaseAndCollideIgnoringCase) {
  std::string text(NEW_STORE_TEXT);
  const auto registerProvider = [&](const ProviderRecord& record, bool overwrite) {
    return Apply(text, [&](std::string_view t, Splices& s) { return EditRegisterProvider(t, record, overwrite, s); });
  };
  for (const char16_t* name : {u"beta", u"Alpha", u"gamma", u"ALPHB"}) ASSERT_EQ(registerProvider(Record(name), false), 0);
  EXPECT_EQ(Collect(text, EntryKind::Provider), (std::vector<Name>{u"Alpha", u"ALPHB", u"beta", u"gamma"}));
  EXPECT_EQ(registerProvider(Record(u"BETA"), false), STATUS_OBJECT_NAME_COLLISION);
  ProviderRecord replacement = Record(u"BETA");
  replacement.aliases = {u"alias"};
  EXPECT_EQ(registerProvider(replacement, true), 0);
  EXPECT_EQ(Collect(text, EntryKind::Provider), (std::vector<Name>{u"Alpha", u"ALPHB", u"BETA", u"gamma"}));
  EXPECT_EQ(Collect(text, EntryKind::Alias), std::vector<Name>{u"alias"});
}

TEST(StoreEditTest, RegisteringThenUnregisteringGivesBackTheSameText) {
  std::string text(NEW_STORE_TEXT);
  for (const char16_t* name : {u"B", u"D"}) {
    ASSERT_EQ(Apply(text, [&](std::string_view t, Splices& s) { return EditRegisterProvider(t, Record(name), false, s); }), 0);
  }
  const std::string before = text;
  for (const char16_t* name : {u"A", u"C", u"E"}) {
    ASSERT_EQ(Apply(text, [&](std::string_view t, Splices& s) { return EditRegisterProvider(t, Record(name), false, s); }), 0);
    ASSERT_EQ(Apply(text, [&](std::string_view t, Splices& s) { return EditUnregisterProvider(t, name, s); }), 0);
    EXPECT_EQ(text, before);
  }
}

TEST(StoreEditTest, LookupsThatFindNothingReportNotFoundAndChangeNothing) {
  std::string text(NEW_STORE_TEXT);
  const std::string before = text;
  EXPECT_EQ(Apply(text, [](std::string_view t, Splices& s) { return EditUnregisterProvider(t, u"P", s); }), STATUS_NOT_FOUND);
  EXPECT_EQ(Apply(text, [](std::string_view t, Splices& s) { return EditAddContextFunction(t, u"Other", 1, u"F", 0, s); }),
            STATUS_NOT_FOUND);
  EXPECT_EQ(Apply(text, [](std::string_view t, Splices& s) {
              return EditAddContextFunctionProvider(t, u"Default", 1, u"F", u"P", 0, s);
            }), STATUS_NOT_FOUND);
  EXPECT_EQ(text, before);
  ASSERT_EQ(Apply(text, [](std::string_view t, Splices& s) { return EditAddContextFunction(t, u"Default", 1, u"F", 0, s); }), 0);
  EXPECT_EQ(Apply(text, [](std::string_view t, Splices& s) {
              return EditAddContextFunctionProvider(t, u"Default", 2, u"F", u"P", 0, s);
            }), STATUS_NOT_FOUND);
  EXPECT_EQ(Apply(text, [](std::string_view t, Splices& s) {
              return EditRemoveContextFunctionProvider(t, u"Default", 1, u"F", u"P", s);
            }), STATUS_NOT_FOUND);
  EXPECT_EQ(Apply(text, [](std::string_view t, Splices& s) {
              return EditRemoveContextFunctionProvider(t, u"Default", 1, u"G", u"P", s);
            }), STATUS_NOT_FOUND);
}

TEST(StoreEditTest, InterfacesStayInOrderOfTheirIdentifiers) {
  std::string text(NEW_STORE_TEXT);
  for (const ULONG id : {0x00010001u, 0x00000002u, 0x00000006u, 0x00000001u}) {
    ASSERT_EQ(Apply(text, [&](std::string_view t, Splices& s) { return EditAddContextFunction(t, u"Default", id, u"F", 0, s); }), 0);
  }
  bool whole = false;
  Collect(text, EntryKind::Interface, &whole);
  EXPECT_TRUE(whole) << text;
  EXPECT_LT(text.find("interface 00000001"), text.find("interface 00000002"));
  EXPECT_LT(text.find("interface 00000002"), text.find("interface 00000006"));
  EXPECT_LT(text.find("interface 00000006"), text.find("interface 00010001"));
}

TEST(StoreEditTest, AStoreWithoutTheDefaultContextStillHasIt) {
  std::string text = "CNG configuration store, version 1\n[Providers]\n[Configuration\\Local]\nend\n";
  ASSERT_EQ(Apply(text, [](std::string_view t, Splices& s) { return EditAddContextFunction(t, u"Default", 1, u"F", 0, s); }), 0);
  EXPECT_EQ(Collect(text, EntryKind::Context), std::vector<Name>{u"Default"});
  EXPECT_EQ(Collect(text, EntryKind::Function), std::vector<Name>{u"F"});
}

}  // namespace
}  // namespace cngstore
