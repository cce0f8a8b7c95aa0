// inpM_SurfaceFacet: what a face label of an element-face surface stands
// for: whether it names an edge, and which face index (0 to 5) it has.
// Labels are compared byte for byte ("s1" is not "S1").
#ifndef INPM_SURFACEFACET_H
#define INPM_SURFACEFACET_H

#include "cow.h"
#include "kvl_api.h"

class KVL_API inpM_SurfaceFacet {
 public:
  // Keeps a reference to the label: the facet must not outlive it, and a
  // temporary label is refused at compile time.
  explicit inpM_SurfaceFacet(const cow_String& label);
  explicit inpM_SurfaceFacet(cow_String&& label) = delete;
  ~inpM_SurfaceFacet();
  inpM_SurfaceFacet(const inpM_SurfaceFacet&) = default;
  inpM_SurfaceFacet& operator=(const inpM_SurfaceFacet&) = delete;

  // 0 to 5, or -1 when the label has no face index.
  int GetFaceIndex() const { return faceIndex; }
  // "EDGE" or "EDGE1" to "EDGE4".
  bool IsEdge() const { return edge; }
  // "EDGE" itself.
  bool IsUnnumberedEdge() const { return unnumberedEdge; }
  // One of the labels with a face index.
  bool IsIndexed() const { return indexed; }
  const cow_String& ConstGetLabel() const { return label; }

 private:
  const cow_String& label;
  int faceIndex = -1;
  bool edge = false;
  bool unnumberedEdge = false;
  bool indexed = true;
};

#endif
