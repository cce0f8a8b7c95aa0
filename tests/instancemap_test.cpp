

#include "inpM_InstanceMap.h"
#include "testing.h"

namespace {

using PartsMap = inpM_InstanceMap<cow_String>;

TEST(InstanceMap, InstancesInByteOrderAndNested) {
  PartsMap map;
  EXPECT_FALSE(map.IsMember(""));
  EXPECT_EQ(map.ConstGet(), cow_String());
  map.Insert("B", "PartB");
  map.Insert("A", "PartA");
  map.Insert("a", "PartA");
  map.Insert("\xC3\x84", "PartU");  // a byte above 0x7F sorts after ASCII
  map.Insert("I", "P");
  map.GetMap("I").Insert("Sub", "Q");
  map.Insert("I", "P2");  // the last value, one instance, and the child's own children kept
  EXPECT_EQ(Names(map.Instances()), (std::vector<std::string>{"A", "B", "I", "a", "\xC3\x84"}));
  EXPECT_EQ(map.ConstGet("A"), map.ConstGet("a"));  // two instances of one part
  EXPECT_EQ(map.ConstGet("I"), cow_String("P2"));
  EXPECT_EQ(map.ConstGetMap("I").ConstGet("Sub"), cow_String("Q"));
  EXPECT_FALSE(map.IsMember("Sub"));
  EXPECT_EQ(ErrorOf([&] { map.ConstGet("X"); }), "Unknown instance X");
  EXPECT_EQ(ErrorOf([&] { map.GetMap("X"); }), "Unknown instance X");
  EXPECT_EQ(ErrorOf([&] { map.ConstGetMap("C"); }), "Unknown instance C");
  EXPECT_EQ(ErrorOf([&] { map.Get("C"); }), "Unknown instance C");
}

TEST(InstanceMap, CopiesShareUntilWritten) {
  PartsMap map;
  map.Insert("A", "P");
  PartsMap copy = map;
  copy.Get("A") = "Q";
  copy.Insert("B", "R");
  EXPECT_EQ(map.ConstGet("A"), cow_String("P"));
  EXPECT_FALSE(map.IsMember("B"));
  map.Get() = "root";
  PartsMap assigned;
  assigned = map;
  assigned.Get() = "other root";
  EXPECT_EQ(map.ConstGet(), cow_String("root"));
  PartsMap& same = map;
  map = same;
  EXPECT_EQ(Names(map.Instances()), std::vector<std::string>{"A"});
}

}  // namespace
