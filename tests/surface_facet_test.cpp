#include <gtest/gtest.h>

#include <vector>

#include "inpM_SurfaceFacet.h"

namespace {

struct Expected { cow_String label; int faceIndex; bool edge, unnumberedEdge, indexed; };

TEST(SurfaceFacet, EveryLabelOfTheTableAndNearMisses) {
  std::vector<Expected> table = {
      {"S1", 0, false, false, true},   {"EDGE1", 0, true, false, true}, {"SPOS", 0, false, false, true},
      {"S2", 1, false, false, true},   {"EDGE2", 1, true, false, true}, {"SNEG", 1, false, false, true},
      {"S3", 2, false, false, true},   {"EDGE3", 2, true, false, true}, {"S4", 3, false, false, true},
      {"EDGE4", 3, true, false, true}, {"S5", 4, false, false, true},   {"S6", 5, false, false, true},
      {"EDGE", -1, true, true, false}};
  // Case matters, blanks are not trimmed, and every byte counts.
  for (const cow_String& miss :
       {cow_String("s1"), cow_String("spos"), cow_String("edge"), cow_String("Edge1"), cow_String("S1 "),
        cow_String(" S1"), cow_String("S7"), cow_String("S0"), cow_String("EDGE5"), cow_String("EDGE0"),
        cow_String("EDGE11"), cow_String("SPOS1"), cow_String("S"), cow_String(""), cow_String("S10"),
        cow_String("SNEGS"), cow_String("S1\0X", 4)})
    table.push_back({miss, -1, false, false, false});
  for (const Expected& e : table) {
    const inpM_SurfaceFacet facet(e.label);
    EXPECT_EQ(facet.GetFaceIndex(), e.faceIndex) << e.label.str();
    EXPECT_EQ(facet.IsEdge(), e.edge) << e.label.str();
    EXPECT_EQ(facet.IsUnnumberedEdge(), e.unnumberedEdge) << e.label.str();
    EXPECT_EQ(facet.IsIndexed(), e.indexed) << e.label.str();
  }
}

}  // namespace
