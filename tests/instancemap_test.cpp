#include <gtest/gtest.h>

#include <string>

#include "inpM_InstanceMap.h"
#include "wip.h"
#include "testing.h"

namespace {

using PartsMap = inpM_InstanceMap<cow_String>;

// Reaches the protected item of any node, so that the guards of the writable
// accessors can be shown on a node that holds nothing.
struct ItemProbe : PartsMap {
  static void Drop(PartsMap& node) { (node.*(&ItemProbe::item)).Clear(); }
};

TEST(InstanceMap, InstancesInByteOrder) {
  PartsMap map;
  EXPECT_TRUE(map.Instances().IsEmpty());
  EXPECT_FALSE(map.IsMember(""));
  EXPECT_EQ(map.ConstGet(), cow_String());
  map.Insert("B", "PartB");
  map.Insert("A", "PartA");
  map.Insert("a", "PartA");
  map.Insert("\xC3\x84", "PartU");  // a byte above 0x7F sorts after ASCII
  EXPECT_EQ(Names(map.Instances()), (std::vector<std::string>{"A", "B", "a", "\xC3\x84"}));
  EXPECT_TRUE(map.IsMember("A"));
  EXPECT_FALSE(map.IsMember("C"));
  EXPECT_EQ(map.ConstGet("A"), map.ConstGet("a"));  // two instances of one part
}

TEST(InstanceMap, InsertingAgainKeepsTheLastValueAndOneInstance) {
  PartsMap map;
  map.Insert("I1", "P1");
  map.Insert("I1", "P2");
  EXPECT_EQ(map.Instances().Size(), 1);
  EXPECT_EQ(map.ConstGet("I1"), cow_String("P2"));
}

TEST(InstanceMap, ReinsertKeepsTheChildsOwnChildren) {
  PartsMap map;
  map.Insert("I", "P");
  map.GetMap("I").Insert("Sub", "Q");
  map.Insert("I", "P2");
  EXPECT_EQ(map.ConstGet("I"), cow_String("P2"));
  EXPECT_EQ(map.ConstGetMap("I").ConstGet("Sub"), cow_String("Q"));
}

TEST(InstanceMap, UnknownNamesAreReported) {
  PartsMap map;
  EXPECT_EQ(ErrorOf([&] { map.ConstGet("X"); }), "Unknown instance X");
  EXPECT_EQ(ErrorOf([&] { map.GetMap("X"); }), "Unknown instance X");
  map.Insert("A", "P");
  EXPECT_EQ(ErrorOf([&] { map.ConstGetMap("B"); }), "Unknown instance B");
  EXPECT_EQ(ErrorOf([&] { map.Get("B"); }), "Unknown instance B");
}

TEST(InstanceMap, CopiesShareUntilWritten) {
  PartsMap map;
  map.Insert("A", "P");
  PartsMap copy = map;
  EXPECT_EQ(&copy.ConstGet("A"), &map.ConstGet("A"));  // shared item
  copy.Get("A") = "Q";
  copy.Insert("B", "R");
  EXPECT_EQ(map.ConstGet("A"), cow_String("P"));
  EXPECT_FALSE(map.IsMember("B"));
  EXPECT_EQ(copy.ConstGet("A"), cow_String("Q"));

  map.Get() = "root";
  PartsMap assigned;
  assigned = map;
  assigned.Get() = "other root";
  EXPECT_EQ(map.ConstGet(), cow_String("root"));
  EXPECT_EQ(assigned.ConstGet("A"), cow_String("P"));
}

TEST(InstanceMap, SelfAssignmentChangesNothing) {
  PartsMap map;
  map.Insert("A", "P");
  PartsMap& same = map;
  map = same;
  EXPECT_EQ(map.ConstGet("A"), cow_String("P"));
  EXPECT_EQ(map.Instances().Size(), 1);
}

TEST(InstanceMap, WritableAccessorsRequireAnItem) {
  PartsMap map;
  map.Insert("A", "P");
  ItemProbe::Drop(map);
  try {
    map.Get();
    ADD_FAILURE() << "no assertion";
  } catch (const nex_AssertException& e) {
    EXPECT_EQ(e.Condition(), "item.HasValue()");
    EXPECT_EQ(e.File(), "inpM_InstanceMap");
    EXPECT_GT(e.Line(), 0);
  }
  ItemProbe::Drop(map.GetMap("A"));
  try {
    map.Get("A");
    ADD_FAILURE() << "no assertion";
  } catch (const nex_AssertException& e) {
    EXPECT_EQ(e.Condition(), "GetMap(instanceName).item.HasValue()");
    EXPECT_EQ(e.File(), "inpM_InstanceMap");
  }
}

TEST(InstanceMap, NestedNames) {
  PartsMap map;
  map.Insert("Outer", "P");
  map.GetMap("Outer").Insert("Inner", "Q");
  EXPECT_EQ(map.ConstGetMap("Outer").ConstGet("Inner"), cow_String("Q"));
  EXPECT_EQ(Names(map.Instances()), std::vector<std::string>{"Outer"});
  EXPECT_FALSE(map.IsMember("Inner"));
}

}  // namespace
