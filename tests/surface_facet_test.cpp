#include <gtest/gtest.h>

#include "inpM_SurfaceFacet.h"

namespace {

struct Expected {
  const char* label;
  int faceIndex;
  bool edge;
  bool unnumberedEdge;
  bool indexed;
};

void ExpectFacet(const Expected& e) {
  const cow_String label(e.label);
  const inpM_SurfaceFacet facet(label);
  EXPECT_EQ(facet.GetFaceIndex(), e.faceIndex) << e.label;
  EXPECT_EQ(facet.IsEdge(), e.edge) << e.label;
  EXPECT_EQ(facet.IsUnnumberedEdge(), e.unnumberedEdge) << e.label;
  EXPECT_EQ(facet.IsIndexed(), e.indexed) << e.label;
}

TEST(SurfaceFacet, EveryLabelOfTheTable) {
  const Expected table[] = {
      {"S1", 0, false, false, true},    {"EDGE1", 0, true, false, true}, {"SPOS", 0, false, false, true},
      {"S2", 1, false, false, true},    {"EDGE2", 1, true, false, true}, {"SNEG", 1, false, false, true},
      {"S3", 2, false, false, true},    {"EDGE3", 2, true, false, true}, {"S4", 3, false, false, true},
      {"EDGE4", 3, true, false, true},  {"S5", 4, false, false, true},   {"S6", 5, false, false, true},
      {"EDGE", -1, true, true, false},
  };
  for (const Expected& e : table) ExpectFacet(e);
}

TEST(SurfaceFacet, LabelsOutsideTheTableAreNeitherIndexedNorEdges) {
  // Case matters, blanks are not trimmed, and near misses do not match.
  const char* others[] = {"s1", "spos", "edge", "Edge1", "S1 ", " S1", "S7", "S0", "EDGE5", "EDGE0",
                          "EDGE11", "SPOS1", "S", "", "S10", "SNEGS"};
  for (const char* label : others) ExpectFacet({label, -1, false, false, false});
}

TEST(SurfaceFacet, LabelIsTheCallersStringNotACopy) {
  const cow_String label("S3");
  const inpM_SurfaceFacet facet(label);
  EXPECT_EQ(&facet.ConstGetLabel(), &label);
  const inpM_SurfaceFacet copy(facet);
  EXPECT_EQ(&copy.ConstGetLabel(), &label);
  EXPECT_EQ(copy.GetFaceIndex(), 2);
}

TEST(SurfaceFacet, EmbeddedNulDoesNotMatchAShorterLabel) {
  // Comparison covers every byte, not a C string prefix.
  const cow_String label("S1\0X", 4);
  ExpectFacet({"", -1, false, false, false});
  const inpM_SurfaceFacet facet(label);
  EXPECT_FALSE(facet.IsIndexed());
  EXPECT_EQ(facet.GetFaceIndex(), -1);
}

}  // namespace
