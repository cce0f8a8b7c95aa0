// The large model that the part map benchmarks share: 1,000 instances of
// 10,000 nodes and 10,000 elements each, 1,000 nodes and elements of the
// assembly, sets and surfaces holding about a tenth of the ids.
#ifndef KVL_BENCH_MODELS_H
#define KVL_BENCH_MODELS_H

#include "inpM_ModelGenerator.h"

constexpr int kLargeInstances = 1000;
constexpr int kLargePerInstance = 10'000;  // nodes, and elements, of each instance

inline inpM_ModelShape LargeModelShape() {
  inpM_ModelShape shape;
  shape.seed = 2024;
  shape.instances = kLargeInstances;
  shape.nodesPerInstance = kLargePerInstance;
  shape.elementsPerInstance = kLargePerInstance;
  shape.assemblyNodes = 1000;
  shape.assemblyElements = 1000;
  shape.setFraction = 0.1;
  return shape;
}

#endif
