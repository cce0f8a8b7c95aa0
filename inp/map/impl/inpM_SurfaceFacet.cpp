#include "inpM_SurfaceFacet.h"

#include <string_view>

namespace {

struct FacetRow {
  std::string_view label;
  int faceIndex;
};

// The labels that have a face index; the first matching row decides.
constexpr FacetRow kFacetRows[] = {
    {"S1", 0}, {"EDGE1", 0}, {"SPOS", 0}, {"S2", 1}, {"EDGE2", 1}, {"SNEG", 1},
    {"S3", 2}, {"EDGE3", 2}, {"S4", 3},   {"EDGE4", 3}, {"S5", 4},  {"S6", 5},
};

}  // namespace

inpM_SurfaceFacet::inpM_SurfaceFacet(const cow_String& facetLabel) : label(facetLabel) {
  const std::string_view text = label.view();
  if (text == "EDGE") {
    unnumberedEdge = true;
    edge = true;
  } else if (text == "EDGE1" || text == "EDGE2" || text == "EDGE3" || text == "EDGE4") {
    edge = true;
  }
  for (const FacetRow& row : kFacetRows) {
    if (row.label == text) {
      faceIndex = row.faceIndex;
      return;
    }
  }
  indexed = false;
}

inpM_SurfaceFacet::~inpM_SurfaceFacet() = default;
