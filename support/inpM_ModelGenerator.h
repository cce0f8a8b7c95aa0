// Internal: a model generator for tests, benchmarks, fuzz seeds and
// `inpm generate`.
//
// It builds a model the way the pre-processor does, through the exported
// classes: an id map per kind with one sub-map per instance, node and element
// set maps, a surface map and an instance map, which then make a part map.
// Everything the part file can hold occurs: assembly-level ids, sorted and
// unsorted sets (with integer, name-pair and nested unsorted components) at
// the assembly level and in every instance, input and internal sets, and
// surfaces of all three kinds in instances and as parts of assembly surfaces.
// The same shape always gives the same model.
//
// Ids are laid out as a pre-processor that flattens instance by instance
// would: each instance numbers its nodes and elements 1..n locally, and takes
// a run of global ids; the runs follow a shuffled instance order, so that
// global order and instance name order differ. Assembly-level ids come last.
// Set and surface ids are global, as they are once the pre-processor has
// renumbered them.
#ifndef INPM_MODELGENERATOR_H
#define INPM_MODELGENERATOR_H

#include <cstdint>

#include "cow.h"
#include "inpM_IdMap.h"
#include "inpM_InstanceMap.h"
#include "inpM_PartMap.h"
#include "inpM_SetMap.h"
#include "inpM_SurfaceMap.h"

struct inpM_ModelShape {
  uint64_t seed = 1;
  // The part map's three flags.
  bool flattenedNames = false;
  bool localIdsAreGlobal = false;
  bool thirdFlag = false;
  int instances = 3;
  // Instances are formed from this many parts, in turn.
  int parts = 2;
  int nodesPerInstance = 40;
  int elementsPerInstance = 20;
  int assemblyNodes = 4;
  int assemblyElements = 2;
  // The share of ids that sets and surfaces hold, roughly.
  double setFraction = 0.1;
  // Every assembly, instance, part, set and surface name carries double
  // quotes, which the part file drops. All of them, so that dropping the
  // quotes keeps the names' order and the file reads back to the same text.
  bool quotedNames = false;
};

// What the pre-processor hands to the part map's constructor.
struct inpM_ModelMaps {
  inpM_IdMap nodeIds;
  inpM_IdMap elementIds;
  inpM_SetMap nodeSets;
  inpM_SetMap elementSets;
  inpM_SurfaceMap surfaces;
  cow_String assemblyName;
  inpM_InstanceMap<cow_String> instanceMap;
};

inpM_ModelMaps inpM_GenerateModelMaps(const inpM_ModelShape& shape);
inpM_PartMap inpM_GenerateModel(const inpM_ModelShape& shape);
// The name of the k-th instance (0-based), as the generator gives it.
cow_String inpM_GeneratedInstanceName(const inpM_ModelShape& shape, int k);

#endif
