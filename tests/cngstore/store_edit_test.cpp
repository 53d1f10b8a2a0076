#include <gtest/gtest.h>

#include "store_test_support.h"
#include "support/case_name.h"

namespace cngstore {
namespace {

// A store's text and the edits applied to it, each with its status.
class StoreEditTest : public ::testing::Test {
 protected:
  template <typename Edit>
  NTSTATUS Change(Edit edit) {
    return Apply(text, edit);
  }
  NTSTATUS Register(const ProviderRecord& record, bool overwrite = false) {
    return Change([&](std::string_view t, Splices& s) { return EditRegisterProvider(t, record, overwrite, s); });
  }
  NTSTATUS Unregister(const Name& provider) {
    return Change([&](std::string_view t, Splices& s) { return EditUnregisterProvider(t, provider, s); });
  }
  NTSTATUS AddFunction(const Name& function, ULONG position = CRYPT_PRIORITY_BOTTOM, ULONG id = 1,
                       const Name& context = u"Default") {
    return Change([&](std::string_view t, Splices& s) {
      return EditAddContextFunction(t, context, id, function, position, s);
    });
  }
  NTSTATUS AddProvider(const Name& provider, ULONG position = CRYPT_PRIORITY_BOTTOM, const Name& function = u"F",
                       ULONG id = 1) {
    return Change([&](std::string_view t, Splices& s) {
      return EditAddContextFunctionProvider(t, u"Default", id, function, provider, position, s);
    });
  }
  NTSTATUS RemoveProvider(const Name& provider, const Name& function = u"F", ULONG id = 1) {
    return Change([&](std::string_view t, Splices& s) {
      return EditRemoveContextFunctionProvider(t, u"Default", id, function, provider, s);
    });
  }

  std::string text{NEW_STORE_TEXT};
};

struct PositionCase {
  const char* name;
  std::vector<Name> before;
  Name added;
  ULONG position;
  std::vector<Name> after;
  friend void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }
};

class PriorityPositionTest : public StoreEditTest, public ::testing::WithParamInterface<PositionCase> {};

// Functions of an interface and providers of a function follow the same rule.
TEST_P(PriorityPositionTest, PlacesOrMovesTheFunction) {
  const PositionCase& c = GetParam();
  for (const Name& name : c.before) ASSERT_EQ(AddFunction(name), 0);
  ASSERT_EQ(AddFunction(c.added, c.position, 1, u"default"), 0);
  EXPECT_EQ(Collect(text, EntryKind::Function), c.after) << text;
}

TEST_P(PriorityPositionTest, PlacesOrMovesTheProvider) {
  const PositionCase& c = GetParam();
  ASSERT_EQ(AddFunction(u"F"), 0);
  for (const Name& name : c.before) ASSERT_EQ(AddProvider(name), 0);
  ASSERT_EQ(AddProvider(c.added, c.position), 0);
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

TEST_F(StoreEditTest, AMovedFunctionKeepsItsProvidersAndComments) {
  ASSERT_EQ(AddFunction(u"F", 0), 0);
  ASSERT_EQ(AddFunction(u"G"), 0);
  ASSERT_EQ(AddProvider(u"P1"), 0);
  ASSERT_EQ(AddProvider(u"P2"), 0);
  text.insert(text.find("    function \"F\""), "    # F comes first for a reason\n");
  ASSERT_EQ(AddFunction(u"f"), 0);
  EXPECT_NE(text.find("    function \"G\"\n    # F comes first for a reason\n    function \"F\"\n"
                      "      provider \"P1\"\n      provider \"P2\"\n\nend\n"),
            std::string::npos)
      << text;
}

TEST_F(StoreEditTest, ProvidersStaySortedIgnoringCaseAndCollideIgnoringCase) {
  for (const char16_t* name : {u"beta", u"Alpha", u"gamma", u"ALPHB"}) ASSERT_EQ(Register(Record(name)), 0);
  EXPECT_EQ(Collect(text, EntryKind::Provider), (std::vector<Name>{u"Alpha", u"ALPHB", u"beta", u"gamma"}));
  EXPECT_EQ(Register(Record(u"BETA")), STATUS_OBJECT_NAME_COLLISION);
  ProviderRecord replacement = Record(u"BETA");
  replacement.aliases = {u"alias"};
  EXPECT_EQ(Register(replacement, true), 0);
  EXPECT_EQ(Collect(text, EntryKind::Provider), (std::vector<Name>{u"Alpha", u"ALPHB", u"BETA", u"gamma"}));
  EXPECT_EQ(Collect(text, EntryKind::Alias), std::vector<Name>{u"alias"});
}

TEST_F(StoreEditTest, RegisteringThenUnregisteringGivesBackTheSameText) {
  for (const char16_t* name : {u"B", u"D"}) ASSERT_EQ(Register(Record(name)), 0);
  const std::string before = text;
  for (const char16_t* name : {u"A", u"C", u"E"}) {
    ASSERT_EQ(Register(Record(name)), 0);
    ASSERT_EQ(Unregister(name), 0);
    EXPECT_EQ(text, before);
  }
}

TEST_F(StoreEditTest, LookupsThatFindNothingReportNotFoundAndChangeNothing) {
  const std::string before = text;
  EXPECT_EQ(Unregister(u"P"), STATUS_NOT_FOUND);
  EXPECT_EQ(AddFunction(u"F", 0, 1, u"Other"), STATUS_NOT_FOUND);
  EXPECT_EQ(AddProvider(u"P", 0), STATUS_NOT_FOUND);
  EXPECT_EQ(text, before);
  ASSERT_EQ(AddFunction(u"F", 0), 0);
  EXPECT_EQ(AddProvider(u"P", 0, u"F", 2), STATUS_NOT_FOUND);
  EXPECT_EQ(RemoveProvider(u"P"), STATUS_NOT_FOUND);
  EXPECT_EQ(RemoveProvider(u"P", u"G"), STATUS_NOT_FOUND);
}

TEST_F(StoreEditTest, InterfacesStayInOrderOfTheirIdentifiers) {
  for (const ULONG id : {0x00010001u, 0x00000002u, 0x00000006u, 0x00000001u}) ASSERT_EQ(AddFunction(u"F", 0, id), 0);
  bool whole = false;
  Collect(text, EntryKind::Interface, &whole);
  EXPECT_TRUE(whole) << text;
  EXPECT_LT(text.find("interface 00000001"), text.find("interface 00000002"));
  EXPECT_LT(text.find("interface 00000002"), text.find("interface 00000006"));
  EXPECT_LT(text.find("interface 00000006"), text.find("interface 00010001"));
}

TEST_F(StoreEditTest, AStoreWithoutTheDefaultContextStillHasIt) {
  text = "CNG configuration store, version 1\n[Providers]\n[Configuration\\Local]\nend\n";
  ASSERT_EQ(AddFunction(u"F", 0), 0);
  EXPECT_EQ(Collect(text, EntryKind::Context), std::vector<Name>{u"Default"});
  EXPECT_EQ(Collect(text, EntryKind::Function), std::vector<Name>{u"F"});
}

// Every blank and comment line stays, byte for byte, whichever entry a
// change replaces, removes or moves.
TEST_F(StoreEditTest, ChangesKeepEveryCommentAndBlankLine) {
  ASSERT_EQ(Register(Record(u"P")), 0);
  ASSERT_EQ(AddFunction(u"F"), 0);
  ASSERT_EQ(AddProvider(u"P"), 0);
  text.insert(text.find("provider \"P\"\n"), "# P is the vendor's\n\n");
  text.insert(text.find("  user-mode"), "  # its module\n");
  text.insert(text.find("      provider \"P\""), "      # first choice\n");
  const auto comments = [&] {
    std::string kept;
    for (std::size_t at = 0; (at = text.find('#', at)) != std::string::npos; ++at) {
      kept += text.substr(at, text.find('\n', at) - at) + "|";
    }
    return kept;
  };
  const std::string before = comments();

  ProviderRecord replacement = Record(u"P");
  replacement.aliases = {u"again"};
  ASSERT_EQ(Register(replacement, true), 0);
  EXPECT_EQ(comments(), before) << text;
  EXPECT_NE(text.find("# P is the vendor's\n\n"), std::string::npos) << text;
  EXPECT_EQ(Collect(text, EntryKind::Alias), std::vector<Name>{u"again"});

  ASSERT_EQ(RemoveProvider(u"P"), 0);
  ASSERT_EQ(Unregister(u"P"), 0);
  EXPECT_EQ(comments(), before) << text;
  EXPECT_TRUE(Collect(text, EntryKind::Provider).empty());
  EXPECT_TRUE(Collect(text, EntryKind::ListedProvider).empty());
}

// A store written with CRLF line ends gets CRLF lines from every change.
TEST_F(StoreEditTest, NewLinesFollowTheStoresLineEnding) {
  std::string crlf;
  for (const char c : std::string(NEW_STORE_TEXT)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  text = crlf;
  ASSERT_EQ(Register(Record(u"P")), 0);
  ASSERT_EQ(AddFunction(u"F"), 0);
  ASSERT_EQ(AddFunction(u"G", 0), 0);  // a move of a CRLF block
  ASSERT_EQ(AddProvider(u"P"), 0);
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) {
    ASSERT_EQ(text[at - 1], '\r') << "an LF line at byte " << at << " of:\n" << text;
  }
  EXPECT_EQ(Collect(text, EntryKind::ListedProvider), std::vector<Name>{u"P"});
}

// Lines already in the store keep their bytes, their line end included, when
// an entry moves or is replaced: only the lines a change writes anew take
// the store's line ending.
TEST_F(StoreEditTest, LinesThatMoveOrStayKeepTheirOwnLineEnd) {
  text = "CNG configuration store, version 1\r\n[Providers]\r\n"
         "provider \"P\"\r\n  # a hand-written note\n  user-mode \"P.dll\"\r\n"
         "[Configuration\\Local]\r\ncontext \"Default\"\r\n  interface 00000001\r\n"
         "    function \"F\"\r\n      provider \"A\"\n      provider \"B\"\r\nend\r\n";
  const std::string original = text;
  ASSERT_EQ(AddProvider(u"A", 1), 0);
  EXPECT_NE(text.find("      provider \"A\"\nend"), std::string::npos) << text;
  ASSERT_EQ(AddProvider(u"A", 0), 0);
  EXPECT_EQ(text, original);
  ASSERT_EQ(Register(Record(u"P"), true), 0);
  EXPECT_NE(text.find("  # a hand-written note\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace cngstore
