#include <gtest/gtest.h>

#include "support/case_name.h"

#include "config_store.h"

namespace cngstore {
namespace {

std::vector<Name> FunctionNames(ConfigStore& store) {
  std::vector<Name> names;
  for (const FunctionEntry& f : store.contexts[0].interfaces[0].functions) names.push_back(f.name);
  return names;
}

struct PositionCase {
  const char* name;
  std::vector<Name> before;
  Name added;
  ULONG position;
  std::vector<Name> after;
  friend void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }
};

class PriorityPositionTest : public ::testing::TestWithParam<PositionCase> {};

TEST_P(PriorityPositionTest, PlacesOrMovesTheEntry) {
  const PositionCase& c = GetParam();
  ConfigStore store = NewConfigStore();
  for (const Name& name : c.before) {
    ASSERT_EQ(AddContextFunction(store, u"Default", 1, name, CRYPT_PRIORITY_BOTTOM), 0);
  }
  ASSERT_EQ(AddContextFunction(store, u"default", 1, c.added, c.position), 0);
  EXPECT_EQ(FunctionNames(store), c.after);
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
        PositionCase{"ExistingMovesToBottom", {u"A", u"B", u"C"}, u"A", CRYPT_PRIORITY_BOTTOM,
                     {u"B", u"C", u"A"}},
        PositionCase{"ExistingIgnoringCaseKeepsItsName", {u"Key_Storage", u"B"}, u"KEY_STORAGE",
                     CRYPT_PRIORITY_BOTTOM, {u"B", u"Key_Storage"}}),
    test_support::CaseName());

TEST(ConfigStoreTest, AMovedFunctionKeepsItsProviders) {
  ConfigStore store = NewConfigStore();
  ASSERT_EQ(AddContextFunction(store, u"Default", 1, u"F", 0), 0);
  ASSERT_EQ(AddContextFunction(store, u"Default", 1, u"G", 0), 0);
  ASSERT_EQ(AddContextFunctionProvider(store, u"Default", 1, u"F", u"P1", 0), 0);
  ASSERT_EQ(AddContextFunctionProvider(store, u"Default", 1, u"F", u"P2", CRYPT_PRIORITY_BOTTOM), 0);
  ASSERT_EQ(AddContextFunction(store, u"Default", 1, u"f", 0), 0);
  const FunctionEntry& moved = store.contexts[0].interfaces[0].functions[0];
  EXPECT_EQ(moved.name, u"F");
  EXPECT_EQ(moved.providers, (std::vector<Name>{u"P1", u"P2"}));
}

TEST(ConfigStoreTest, ProvidersStaySortedIgnoringCaseAndCollideIgnoringCase) {
  ConfigStore store = NewConfigStore();
  for (const char16_t* name : {u"beta", u"Alpha", u"gamma", u"ALPHB"}) {
    ASSERT_EQ(RegisterProvider(store, ProviderRecord{name, {}, {}, {}}, false), 0);
  }
  std::vector<Name> order;
  for (const ProviderRecord& p : store.providers) order.push_back(p.name);
  EXPECT_EQ(order, (std::vector<Name>{u"Alpha", u"ALPHB", u"beta", u"gamma"}));
  EXPECT_EQ(RegisterProvider(store, ProviderRecord{u"BETA", {}, {}, {}}, false),
            STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(RegisterProvider(store, ProviderRecord{u"BETA", {u"alias"}, {}, {}}, true), 0);
  EXPECT_EQ(store.providers.size(), 4u);
  EXPECT_EQ(store.providers[2].aliases, std::vector<Name>{u"alias"});
}

TEST(ConfigStoreTest, LookupsThatFindNothingReportNotFound) {
  ConfigStore store = NewConfigStore();
  EXPECT_EQ(UnregisterProvider(store, u"P"), STATUS_NOT_FOUND);
  EXPECT_EQ(AddContextFunction(store, u"Other", 1, u"F", 0), STATUS_NOT_FOUND);
  EXPECT_EQ(AddContextFunctionProvider(store, u"Default", 1, u"F", u"P", 0), STATUS_NOT_FOUND);
  ASSERT_EQ(AddContextFunction(store, u"Default", 1, u"F", 0), 0);
  EXPECT_EQ(AddContextFunctionProvider(store, u"Default", 2, u"F", u"P", 0), STATUS_NOT_FOUND);
  EXPECT_EQ(RemoveContextFunctionProvider(store, u"Default", 1, u"F", u"P"), STATUS_NOT_FOUND);
  EXPECT_EQ(RemoveContextFunctionProvider(store, u"Default", 1, u"G", u"P"), STATUS_NOT_FOUND);
}

}  // namespace
}  // namespace cngstore
