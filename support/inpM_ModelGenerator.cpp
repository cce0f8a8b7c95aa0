#include "inpM_ModelGenerator.h"

#include <algorithm>
#include <string>
#include <vector>

#include "inpM_Set.h"
#include "inpM_Surface.h"

namespace {

// splitmix64: small, fast, and the same sequence on every platform (the
// standard distributions are not).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n).
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(double p) { return static_cast<double>(Next() >> 11) * 0x1.0p-53 < p; }

 private:
  uint64_t state_;
};

cow_String Quoted(const std::string& name, bool quote) { return quote ? "\"" + name + "\"" : name; }

// Each id of the run first..first+count-1 with probability p, ascending.
cow_1DArrayList<int> Pick(Random& random, int first, int count, double p) {
  std::vector<int> ids;
  ids.reserve(static_cast<size_t>(count * p * 1.2) + 1);
  for (int i = 0; i < count; ++i)
    if (random.Chance(p)) ids.push_back(first + i);
  return cow_1DArrayList<int>(std::move(ids));
}

// A few ids of the run in a scrambled order, one of them twice: what an
// unsorted set keeps and a sorted one would not.
cow_1DArrayList<int> Scrambled(Random& random, int first, int count) {
  cow_1DArrayList<int> ids;
  if (count <= 0) return ids;
  const int n = std::min(count, 6);
  for (int i = 0; i < n; ++i) ids.Append(first + random.Below(count));
  ids.Append(ids[0]);
  return ids;
}

// Where the ids of one level live: local ids 1..count, global ids from
// firstGlobal on.
struct Run {
  int firstGlobal;
  int count;
};

void AddSets(inpM_SetMap& sets, Random& random, const cow_String& instance, const Run& run, double p,
             const char* prefix, bool quotedNames, int k) {
  const std::string pre(prefix);
  sets.InsertNestedSet(instance, Quoted(pre + "-SORTED", quotedNames),
                       inpM_SortedSet(Pick(random, run.firstGlobal, run.count, p)));
  sets.InsertNestedSet(instance, Quoted(pre + "-UNSORTED", quotedNames),
                       inpM_UnsortedSet(Scrambled(random, run.firstGlobal, run.count)));
  inpM_SetHandle internal = CreateSet(static_cast<inpM_SetTypeFlag>(1 + k % 3), k % 2 == 1);
  if (run.count > 0) internal.Get().Add(run.firstGlobal + random.Below(run.count));
  sets.InsertNestedSet(instance, Quoted(pre + "-INTERNAL", quotedNames), internal.ConstGet());
}

// Assembly sets of one kind: a sorted set with all three levels, an unsorted
// set with every kind of component, internal sets of each type flag, and an
// empty set.
void AddAssemblySets(inpM_SetMap& sets, Random& random, const std::vector<cow_String>& names,
                     const std::vector<Run>& runs, const Run& assembly, const char* prefix, bool quotedNames) {
  const std::string pre(prefix);
  const int spanned = std::min<int>(static_cast<int>(names.size()), 3);

  inpM_SortedSet sorted(Pick(random, assembly.firstGlobal, assembly.count, 0.5));
  for (int k = 0; k < spanned; ++k) {
    if (k != 1) sorted.Add(names[k], Pick(random, runs[k].firstGlobal, runs[k].count, 0.05));
    if (k != 0) {
      const inpM_SortedSet subset(Pick(random, runs[k].firstGlobal, runs[k].count, 0.05));
      sorted.Add(names[k], subset);
    }
  }
  sets.InsertSet(Quoted(pre + "-ASSEMBLY", quotedNames), sorted);

  inpM_UnsortedSet unsorted(Scrambled(random, assembly.firstGlobal, assembly.count));
  if (spanned > 0) {
    const Run& run = runs[0];
    unsorted.Add(names[0], Scrambled(random, run.firstGlobal, run.count));
    inpM_UnsortedSet inner(Scrambled(random, run.firstGlobal, run.count));
    inner.Add(names[0], run.firstGlobal);
    unsorted.Add(names[0], inner);
    unsorted.Add(inner);
    unsorted.Add(names[spanned - 1],
                 inpM_SortedSet(Pick(random, runs[spanned - 1].firstGlobal, runs[spanned - 1].count, 0.1)));
  }
  sets.InsertSet(Quoted(pre + "-ASSEMBLY-UNSORTED", quotedNames), unsorted);

  for (int flag = 1; flag <= 3; ++flag) {
    inpM_SetHandle internal = CreateSet(static_cast<inpM_SetTypeFlag>(flag), flag == 2);
    if (assembly.count > 0) internal.Get().Add(assembly.firstGlobal);
    sets.InsertSet(Quoted(pre + "-INTERNAL-" + std::to_string(flag), quotedNames), internal.ConstGet());
  }
  sets.InsertSet(Quoted(pre + "-EMPTY", quotedNames), inpM_SortedSet());
}

const char* const kFaces[] = {"S1", "S2", "S3", "S4", "S5", "S6", "SPOS", "SNEG", "EDGE1", "EDGE"};

inpM_ElementFaceIdSurface Faces(Random& random, const Run& run, double p) {
  inpM_ElementFaceIdSurface surface;
  const int faces = 1 + random.Below(4);
  for (int f = 0; f < faces; ++f) {
    // The face first, then its ids: two draws in one call's arguments would
    // come in the order the compiler picks.
    const cow_String face(kFaces[random.Below(10)]);
    surface.Add(face, Pick(random, run.firstGlobal, run.count, p / faces));
  }
  return surface;
}

inpM_NodeAreaSurface Areas(Random& random, const Run& run, double p) {
  inpM_NodeAreaList list;
  const cow_1DArrayList<int> nodes = Pick(random, run.firstGlobal, run.count, p);
  for (int node : nodes) list.Insert(node, 0.125 * (1 + random.Below(64)));
  return inpM_NodeAreaSurface(list);
}

}  // namespace

cow_String inpM_GeneratedInstanceName(const inpM_ModelShape& shape, int k) {
  std::string digits = std::to_string(k + 1);
  const size_t width = std::max<size_t>(4, std::to_string(shape.instances).size());
  digits.insert(0, width - std::min(width, digits.size()), '0');
  return Quoted("I-" + digits, shape.quotedNames);
}

inpM_ModelMaps inpM_GenerateModelMaps(const inpM_ModelShape& shape) {
  Random random(shape.seed);
  inpM_ModelMaps model;
  model.assemblyName = Quoted("ASSEMBLY", shape.quotedNames);
  const int instances = std::max(shape.instances, 0);
  const int parts = std::max(shape.parts, 1);
  const int nodes = std::max(shape.nodesPerInstance, 0);
  const int elements = std::max(shape.elementsPerInstance, 0);
  const double p = std::clamp(shape.setFraction, 0.0, 1.0);

  // Global runs follow a shuffled instance order.
  std::vector<int> order(instances);
  for (int k = 0; k < instances; ++k) order[k] = k;
  for (int k = instances - 1; k > 0; --k) std::swap(order[k], order[random.Below(k + 1)]);

  std::vector<cow_String> names;
  std::vector<Run> nodeRuns(instances), elementRuns(instances);
  for (int k = 0; k < instances; ++k) {
    names.push_back(inpM_GeneratedInstanceName(shape, k));
    const int slot = order[k];
    nodeRuns[k] = {1 + slot * nodes, nodes};
    elementRuns[k] = {1 + slot * elements, elements};
    const int part = k % parts;
    model.instanceMap.Insert(names.back(), Quoted("P-" + std::to_string(part + 1), shape.quotedNames));
  }
  const Run nodeAssembly{1 + instances * nodes, std::max(shape.assemblyNodes, 0)};
  const Run elementAssembly{1 + instances * elements, std::max(shape.assemblyElements, 0)};

  auto fill = [](inpM_IdMap& map, const Run& run) {
    for (int local = 1; local <= run.count; ++local) map.Insert(local, run.firstGlobal + local - 1);
  };
  for (int k = 0; k < instances; ++k) {
    fill(model.nodeIds.GetInstance(names[k]), nodeRuns[k]);
    fill(model.elementIds.GetInstance(names[k]), elementRuns[k]);
  }
  fill(model.nodeIds, nodeAssembly);
  fill(model.elementIds, elementAssembly);

  // Sets: half of the share in each instance's sorted sets.
  for (int k = 0; k < instances; ++k) {
    const cow_String& name = names[k];
    AddSets(model.nodeSets, random, name, nodeRuns[k], p / 2, "NSET", shape.quotedNames, k);
    AddSets(model.elementSets, random, name, elementRuns[k], p / 2, "ESET", shape.quotedNames, k);
  }
  if (instances > 1)
    model.nodeSets.InsertNestedSetMap(Quoted("EMPTY-INSTANCE-SETS", shape.quotedNames), inpM_BaseSetMap());
  AddAssemblySets(model.nodeSets, random, names, nodeRuns, nodeAssembly, "NSET", shape.quotedNames);
  AddAssemblySets(model.elementSets, random, names, elementRuns, elementAssembly, "ESET", shape.quotedNames);

  // Surfaces: the other half, faces of elements and areas of nodes.
  for (int k = 0; k < instances; ++k) {
    const cow_String& name = names[k];
    inpM_ElementFaceIdSurface faces = Faces(random, elementRuns[k], p / 2);
    faces.SetInternal(k % 4 == 3);
    model.surfaces.InsertPartInstanceSurface(name, Quoted("SURF-FACES", shape.quotedNames), faces);
    model.surfaces.InsertPartInstanceSurface(name, Quoted("SURF-NODES", shape.quotedNames),
                                             Areas(random, nodeRuns[k], p / 2));
    if (k % 5 == 0) {
      inpM_AnalyticalSurface rigid;
      rigid.SetInternal(k % 2 == 0);
      model.surfaces.InsertPartInstanceSurface(name, Quoted("SURF-RIGID", shape.quotedNames), rigid);
    }
  }
  inpM_AssemblyInstanceSurface mixed;
  mixed.Add(Areas(random, nodeAssembly, 0.5));
  for (int k = 0; k < std::min(instances, 3); ++k) {
    const cow_String& name = names[k];
    if (k == 0) mixed.Add(name, Faces(random, elementRuns[0], 0.05));
    if (k == 1) mixed.Add(name, Areas(random, nodeRuns[1], 0.05));
    if (k == 2) mixed.Add(name, inpM_AnalyticalSurface());
  }
  model.surfaces.InsertAssemblyInstanceSurface(Quoted("ASURF-MIXED", shape.quotedNames), mixed);
  inpM_AssemblyInstanceSurface internal;
  internal.SetInternal(true);
  if (instances > 0) internal.Add(names.back(), Areas(random, nodeRuns.back(), 0.05));
  model.surfaces.InsertAssemblyInstanceSurface(Quoted("ASURF-INTERNAL", shape.quotedNames), internal);
  model.surfaces.InsertAssemblyInstanceSurface(Quoted("ASURF-EMPTY", shape.quotedNames), inpM_AssemblyInstanceSurface());
  return model;
}

inpM_PartMap inpM_GenerateModel(const inpM_ModelShape& shape) {
  const inpM_ModelMaps m = inpM_GenerateModelMaps(shape);
  return inpM_PartMap(shape.flattenedNames, shape.localIdsAreGlobal, shape.thirdFlag, m.nodeIds, m.elementIds, m.nodeSets,
                      m.elementSets, m.surfaces, m.assemblyName, m.instanceMap);
}
