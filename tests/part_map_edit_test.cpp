// Part map edits: name resolution, set insertion, surface edits, spans,
// redundant internal sets, id and set maintenance.
#include <functional>
#include <random>

#include "part_map_testing.h"

using namespace partmap_testing;

namespace {

// Instances Part-1 (nodes and elements 1-5 -> 1-5) and Part-2 (1-5 ->
// 11-15), the assembly level (1 -> 100); node sets, element sets and
// surfaces of every kind at both levels.
inpM_PartMap Model(bool flattened = true, bool localIdsAreGlobal = false) {
  const Pairs p1{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}, p2{{1, 11}, {2, 12}, {3, 13}, {4, 14}, {5, 15}};
  const inpM_IdMap ids = IdMapOf({{1, 100}}, {{"Part-1", p1}, {"Part-2", p2}});
  inpM_SetMap nodeSets, elementSets;
  nodeSets.InsertSet("Top", *CreateSet(L({100}), inpM_InputSet, false));
  nodeSets.InsertNestedSet("Part-1", "Set-A", *CreateSet(L({1, 2}), inpM_InputSet, false));
  nodeSets.InsertNestedSet("Part-1", "\"Q b\"", *CreateSet(L({3}), inpM_InternalSet, true));
  nodeSets.InsertNestedSet("Part-2", "Set-A", *CreateSet(L({11}), inpM_InputSet, false));
  elementSets.InsertNestedSet("Part-2", "E", *CreateSet(L({12}), inpM_InputSet, true));
  inpM_SurfaceMap surfaces;
  surfaces.InsertPartInstanceSurface("Part-1", "Faces", FaceSurface({{"S1", {1}}}));
  surfaces.InsertPartInstanceSurface("Part-1", "Nodes", NodeSurface({{1, 0.5}}));
  surfaces.InsertPartInstanceSurface("Part-1", "Rigid", inpM_AnalyticalSurface());
  inpM_AssemblyInstanceSurface mixed;
  mixed.Add("Part-1", FaceSurface({{"S1", {1}}}));
  mixed.Add("Part-2", NodeSurface({{11, 1.0}}));
  mixed.Add(NodeSurface({{100, 2.0}}));
  mixed.SetInternal(true);
  surfaces.InsertAssemblyInstanceSurface("Mixed", mixed);
  inpM_AssemblyInstanceSurface rigid;
  rigid.Add("Part-1", inpM_AnalyticalSurface());
  surfaces.InsertAssemblyInstanceSurface("ARigid", rigid);
  return inpM_PartMap(flattened, localIdsAreGlobal, false, ids, ids, nodeSets, elementSets, surfaces, "Asm",
                      InstanceMapOf({{"Part-1", "P"}, {"Part-2", "P"}}));
}

TEST(PartMapNames, ResolveAsStoredThroughPrefixesCaseAndQuotes) {
  const inpM_PartMap flat = Model(), plain = Model(false);
  const inpM_SetMap& sets = flat.ConstGetNodeSets();
  EXPECT_EQ(flat.GetAssemblySetName(sets, "ASM_top").str(), "Top");
  EXPECT_EQ(flat.GetAssemblySetName(sets, "\"top\"").str(), "Top");
  EXPECT_EQ(flat.GetAssemblySetName(sets, "Other_Top").str(), "");
  EXPECT_EQ(plain.GetAssemblySetName(sets, "Asm_Top").str(), "");
  // Stripped at the first "_" whose left part is the assembly name only.
  EXPECT_EQ(Names(flat.GetInstanceAndSetNames(sets, "x_ASM_part-1_set-a")), std::vector<std::string>{});
  EXPECT_EQ(Names(flat.GetInstanceAndSetNames(sets, "asm_PART-1_SET-A")), (std::vector<std::string>{"Part-1", "Set-A"}));
  EXPECT_EQ(Names(flat.GetInstanceAndSetNames(sets, "\"ASM_Part-1_q B\"")),
            (std::vector<std::string>{"Part-1", "\"Q b\""}));
  EXPECT_EQ(Names(flat.GetInstanceAndSetNames(sets, "Part-2_Set-A")), (std::vector<std::string>{"Part-2", "Set-A"}));
  EXPECT_EQ(Names(plain.GetInstanceAndSetNames(sets, "SET-A")), (std::vector<std::string>{"Part-1", "Set-A"}));
  EXPECT_EQ(flat.GetAssemblySurfaceName("asm_mixed").str(), "Mixed");
  EXPECT_EQ(Names(flat.GetInstanceAndSurfaceNames("ASM_part-1_NODES")), (std::vector<std::string>{"Part-1", "Nodes"}));
  EXPECT_EQ(Names(plain.GetInstanceAndSurfaceNames("rigid")), (std::vector<std::string>{"Part-1", "Rigid"}));
  // Of names equal but for case, the first in the map's order answers.
  inpM_PartMap edited = Model();
  const int one[] = {1};
  edited.InsertAssemblyNodeSet("top", "", one, 1, inpM_InputSet);
  EXPECT_EQ(edited.GetAssemblySetName(edited.ConstGetNodeSets(), "TOP").str(), "Top");
  EXPECT_EQ(flat.SetType("Part-1_Q B", "nset"), inpM_InternalSet);
  EXPECT_EQ(ErrorOf([&] { flat.SetType("Nope", "elset"); }), "The element set \"Nope\" does not exist.");
  EXPECT_EQ(ErrorOf([&] { flat.SetType("Nope", "x"); }), "The node set \"Nope\" does not exist.");
}

TEST(PartMapSets, InsertionTestsMembershipAndKeepsFlagAndOrder) {
  inpM_PartMap map = Model();
  const int wrong[] = {1, 12};
  EXPECT_EQ(ErrorOf([&] { map.InsertInstanceNodeSet("S", "Part-1", wrong, 2, inpM_InputSet, false); }),
            "Node 12 does not belong to instance 'Part-1' and cannot be assigned to instance node set 'S'");
  EXPECT_EQ(ErrorOf([&] { map.InsertInstanceElementSet("S", "Part-1", wrong, 2, inpM_InputSet); }),
            "Element 12 does not belong to instance 'Part-1' and cannot be assigned to instance element set 'S'");
  EXPECT_FALSE(map.ConstGetNodeSets().HasNestedSet("Part-1", "S"));
  const int ids[] = {5, 4};
  map.InsertInstanceNodeSet("Set-A", "Part-1", ids, 2, inpM_RedundantInternalSet, false);
  EXPECT_EQ(V(map.ConstGetInstanceNset("Part-1", "Set-A")), (Ids{1, 2, 4, 5}));
  EXPECT_FALSE(map.InstanceNsetIsPicked("Part-1", "Set-A"));
  map.InsertInstanceNodeSet("Set-A", "Part-1", ids, 1, inpM_InputSet, true);
  EXPECT_TRUE(map.InstanceNsetIsUnsorted("Part-1", "Set-A"));
  EXPECT_EQ(V(map.ConstGetInstanceNset("Part-1", "Set-A")), (Ids{1, 2, 4, 5, 5}));
  map.InsertAssemblyNodeSet("New", "Part-2", ids, 2, inpM_InsertedInternalSet);
  EXPECT_TRUE(map.AssemblyNsetIsPicked("New"));
  EXPECT_EQ(Names(map.InstancesSpannedByAssemblyNset("New")), std::vector<std::string>{"Part-2"});
  map.RemoveNodeOrElement(5, "nset");  // out of the assembly set's entry for Part-2 too
  EXPECT_EQ(V(map.ConstGetAssemblyNset("New")), Ids{4});
  map.ClearElset("asm_Part-2_e");  // sets emptied by the solver's names keep their kind
  map.ClearNset("top");
  EXPECT_TRUE(map.ConstGetInstanceElset("Part-2", "E").IsEmpty() && map.ConstGetAssemblyNset("Top").IsEmpty());
  EXPECT_TRUE(map.ConstGetElementSets().ConstGetNestedSet("Part-2", "E").IsUnsorted());
  EXPECT_TRUE(map.NumberInstancesSpannedByAssemblyElset("Missing") == 0 && map.InstancesSpannedByAssemblyElset("Missing").IsEmpty());
  EXPECT_EQ(Names(map.InstancesSpannedByAssemblySurface("Mixed")), (std::vector<std::string>{"Part-1", "Part-2"}));
  EXPECT_TRUE(map.NumberInstancesSpannedByAssemblySurface("Nope") == 0 && map.InstancesSpannedByAssemblySurface("Nope").IsEmpty());
}

TEST(PartMapSurfaces, EditsOfTheWrongKindOrInstanceReport) {
  inpM_PartMap map = Model();
  const auto I = [](const char* s) { return "The instance surface: instance name = Part-1, surface name = " + std::string(s); };
  const auto A = [](const char* s) { return "The assembly surface: " + std::string(s); };
  const std::string addF = "Facets can be added only to element based surfaces. ",
                    delF = "Facets can be removed only from element based surfaces. ",
                    addN = "Nodes can be added only to node based surfaces. ",
                    delN = "Nodes can be removed only from node based surfaces. ";
  const std::string node = ", is a node based surface.", face = ", is an element based surface.",
                    rigid = ", is an analytical rigid surface.";
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { map.AddInstanceSurfaceFacet("Part-1", "Faces", "S1", 12); },
       "The element 12 belongs to the instance Part-2 and cannot be assigned to the surface, Faces, that belongs to "
       "the instance Part-1"},
      {[&] { map.RemoveInstanceSurfaceFacet("Part-1", "Faces", "S1", 100); },
       "The element 100 belongs to the instance  and cannot be removed from the surface, Faces, that belongs to the "
       "instance Part-1"},
      {[&] { map.AddInstanceSurfaceNode("Part-2", "N", 1, 1.0); },
       "The node 1 belongs to the instance Part-1 and cannot be assigned to the node based surface, N, that belongs "
       "to the instance Part-2"},
      {[&] { map.RemoveInstanceSurfaceNode("Part-2", "N", 1); },
       "The node 1 belongs to the instance Part-1 and cannot be removed from the node based surface, N, that belongs "
       "to the instance Part-2"},
      {[&] { map.AddInstanceSurfaceFacet("Part-1", "Nodes", "S1", 1); }, addF + I("Nodes") + node},
      {[&] { map.AddInstanceSurfaceFacet("Part-1", "Rigid", "S1", 1); }, addF + I("Rigid") + rigid},
      {[&] { map.RemoveInstanceSurfaceFacet("Part-1", "Nodes", "S1", 1); }, delF + I("Nodes") + node},
      {[&] { map.RemoveInstanceSurfaceFacet("Part-1", "Rigid", "S1", 1); }, delF + I("Rigid") + rigid},
      {[&] { map.AddInstanceSurfaceNode("Part-1", "Faces", 1, 1.0); }, addN + I("Faces") + face},
      {[&] { map.AddInstanceSurfaceNode("Part-1", "Rigid", 1, 1.0); }, addN + I("Rigid") + rigid},
      {[&] { map.RemoveInstanceSurfaceNode("Part-1", "Faces", 1); }, delN + I("Faces") + face},
      {[&] { map.RemoveInstanceSurfaceNode("Part-1", "Rigid", 1); }, delN + I("Rigid") + rigid},
      {[&] { map.AddAssemblySurfaceFacet("Mixed", "S1", 11); }, addF + A("Mixed") + node},
      {[&] { map.AddAssemblySurfaceFacet("ARigid", "S1", 1); }, addF + A("ARigid") + rigid},
      {[&] { map.RemoveAssemblySurfaceFacet("Mixed", "S1", 11); }, delF + A("Mixed") + node},
      {[&] { map.RemoveAssemblySurfaceFacet("ARigid", "S1", 1); }, delF + A("ARigid") + rigid},
      {[&] { map.AddAssemblySurfaceNode("ARigid", 1, 1.0); }, addN + A("ARigid") + rigid},
      {[&] { map.AddAssemblySurfaceNode("Mixed", 1, 1.0); }, addN + A("Mixed") + face},
      {[&] { map.RemoveAssemblySurfaceNode("ARigid", 1); }, delN + A("ARigid") + rigid},
      {[&] { map.RemoveAssemblySurfaceNode("Mixed", 1); }, delN + A("Mixed") + face},
      {[&] { map.AddAssemblySurfaceFacet("Mixed", "S1", 99); }, "Unknown global id: 99"},
  };
  const std::string before = Text(map);
  for (const auto& [edit, message] : cases) EXPECT_EQ(ErrorOf(edit), message);
  EXPECT_EQ(Text(map), before);
}

TEST(PartMapSurfaces, EditsRebuildOnlyWhatTheyChange) {
  inpM_PartMap map = Model();
  const inpM_SurfaceMap& s = map.ConstGetSurfaces();
  map.AddInstanceSurfaceFacet("Part-1", "Missing", "S1", 1);
  EXPECT_FALSE(s.IsMemberPartInstanceSurface("Part-1", "Missing"));
  map.AddInstanceSurfaceNode("Part-1", "Fresh", 2, 3.0);
  EXPECT_EQ(Nodes(s.ConstGetPartInstanceSurface("Part-1", "Fresh")), (Entries{{2, 3.0}}));
  map.AddInstanceSurfaceFacet("Part-1", "Faces", "S2", 3);
  map.RemoveInstanceSurfaceFacet("Part-1", "Faces", "S1", 1);
  EXPECT_EQ(View(s.ConstGetPartInstanceSurface("Part-1", "Faces")), (FaceView{{"S2", {3}}}));
  map.RemoveInstanceSurfaceNode("Part-1", "Nodes", 1);
  EXPECT_EQ(Nodes(s.ConstGetPartInstanceSurface("Part-1", "Nodes")), Entries{});
  map.ClearInstanceSurface("Part-1", "Rigid");
  EXPECT_EQ(s.ConstGetPartInstanceSurface("Part-1", "Rigid").GetSurfaceType(), inpM_AnalyticalSurfaceType);

  map.AddAssemblySurfaceFacet("Mixed", "S1", 2);
  const inpM_AssemblyInstanceSurface& mixed = s.ConstGetAssemblyInstanceSurface("Mixed");
  EXPECT_FALSE(mixed.IsInternal());
  EXPECT_TRUE(mixed.ConstGetNodePart().ConstGetNodes().IsEmpty());
  EXPECT_EQ(View(mixed.ConstGetInstanceParts().ConstGet("Part-1")), (FaceView{{"S1", {1, 2}}}));
  EXPECT_EQ(Nodes(mixed.ConstGetInstanceParts().ConstGet("Part-2")), (Entries{{11, 1.0}}));
  map.AddAssemblySurfaceNode("Mixed", 12, 4.0);
  map.RemoveAssemblySurfaceNode("Mixed", 11);
  EXPECT_EQ(Nodes(s.ConstGetAssemblyInstanceSurface("Mixed").ConstGetInstanceParts().ConstGet("Part-2")),
            (Entries{{12, 4.0}}));
  map.RemoveAssemblySurfaceFacet("Mixed", "S1", 1);
  map.RemoveAssemblySurfaceFacet("Mixed", "S1", 2);
  EXPECT_EQ(View(s.ConstGetAssemblyInstanceSurface("Mixed").ConstGetInstanceParts().ConstGet("Part-1")), FaceView{});
  map.AddAssemblySurfaceNode("New", 100, 1.5);
  EXPECT_EQ(Nodes(s.ConstGetAssemblyInstanceSurface("New").ConstGetInstanceParts().ConstGet("")), (Entries{{100, 1.5}}));
  map.ClearAssemblySurface("Mixed");
  EXPECT_EQ(s.ConstGetAssemblyInstanceSurface("Mixed").ConstGetInstanceParts().Size(), 0);
}

TEST(PartMapMaintenance, RedundantInternalSetsTakeTheirIdsWithThem) {
  inpM_PartMap map = Model();
  const int three[] = {3}, four[] = {4}, twelve[] = {12};
  map.InsertInstanceNodeSet("Flag3", "Part-1", three, 1, inpM_RedundantInternalSet, false);
  map.InsertInstanceNodeSet("Flag2", "Part-1", four, 1, inpM_InsertedInternalSet, false);
  map.InsertAssemblyNodeSet("AFlag3", "Part-2", twelve, 1, inpM_RedundantInternalSet);
  map.InsertInstanceNodeSet("Flag3", "Part-1", three, 1, inpM_InputSet, true);  // 3 twice, unsorted
  const inpM_PartMap copy = map;  // shares every table until the removal
  map.RemoveRedundantInternalSets("elsets");
  EXPECT_TRUE(map.IsNodePartMapMember(3));
  map.RemoveRedundantInternalSets();
  EXPECT_EQ(Names(map.InstanceNsetNames("Part-1")), (std::vector<std::string>{"\"Q b\"", "Set-A"}));
  EXPECT_EQ((std::vector<bool>{map.ConstGetNodeSets().HasSet("AFlag3"), map.IsNodePartMapMember(3),
                               map.IsNodePartMapMember("Part-1", 3), map.IsNodePartMapMember(12),
                               map.IsNodePartMapMember(4), copy.IsNodePartMapMember(3)}),
            (std::vector<bool>{false, false, false, false, true, true}));
  ExpectAnswersAsScan(map, 0, 110);
  ExpectAnswersAsScan(copy, 0, 110);
}

TEST(PartMapMaintenance, InsertAndRemoveIds) {
  inpM_PartMap map = Model(), global = Model(true, true);
  EXPECT_EQ(map.InsertNode(500, "Part-1"), 6);
  EXPECT_EQ(map.InsertNode(500, "Part-1"), 6);
  EXPECT_EQ(global.InsertNode(500, "Part-1"), 500);
  EXPECT_EQ(ErrorOf([&] { map.InsertNode(501, "Nope"); }), "Unknown instance name: Nope");
  EXPECT_EQ(ErrorOf([&] { map.InsertElement(100, "Part-2"); }), "Global id 100 already belongs to instance ''.");
  EXPECT_EQ(ErrorOf([&] { global.InsertNode(1, ""); }), "Global id 1 already belongs to instance 'Part-1'.");
  EXPECT_EQ(ErrorOf([&] { global.InsertNode(2, "Part-2"); }), "Global id 2 already belongs to instance 'Part-1'.");
  global.RemoveNodeOrElement(1, "nset");
  EXPECT_EQ(ErrorOf([&] { global.InsertNode(1, "Part-2"); }),
            "Local id 1 of instance 'Part-2' already belongs to global id 11.");
  EXPECT_EQ(map.InsertElement(700, ""), 2);
  EXPECT_EQ(PairOf(map.ConstGetInstanceElementIdPair(700)), std::make_pair(std::string(), 2));

  map.RemoveNodeOrElement(11, "xyz");
  map.RemoveNodeOrElement(1, "nset");
  map.RemoveNodeOrElement(12, "elset");
  map.RemoveNodeOrElement(999, "nset");
  EXPECT_EQ((std::vector<bool>{map.IsNodePartMapMember(11), map.IsElementPartMapMember(11),
                               map.ConstGetInstanceNset("Part-2", "Set-A").IsEmpty(),
                               map.ConstGetInstanceElset("Part-2", "E").IsEmpty()}),
            (std::vector<bool>{false, true, true, true}));
  EXPECT_EQ(V(map.ConstGetInstanceNset("Part-1", "Set-A")), (Ids{2}));
  ExpectAnswersAsScan(map, 0, 800);
  // Copies part when either changes a set, whichever of them lists the sets
  // that hold an id first.
  inpM_PartMap a = Model(), b = a;
  const int five[] = {5};
  b.InsertInstanceNodeSet("Set-A", "Part-1", five, 1, inpM_InputSet, false);
  a.RemoveNodeOrElement(1, "nset");
  b.RemoveNodeOrElement(5, "nset");
  EXPECT_EQ(V(b.ConstGetInstanceNset("Part-1", "Set-A")), (Ids{1, 2}));
  EXPECT_EQ(V(a.ConstGetInstanceNset("Part-1", "Set-A")), (Ids{2}));
  // A damaged map whose two instances hold one global id: once the first
  // holder loses it, the second answers.
  const inpM_IdMap twice = IdMapOf({}, {{"X", {{1, 7}, {2, 8}}}, {"Y", {{5, 7}}}});
  inpM_PartMap damaged = PartMapOf(twice, twice);
  damaged.RemoveNodeOrElement(7, "nset");
  EXPECT_EQ(PairOf(damaged.ConstGetInstanceNodeIdPair(7)), std::make_pair(std::string("Y"), 5));
  ExpectAnswersAsScan(damaged, 0, 10);
}

struct ModelSet {
  int flag = 0;
  bool unsorted = false;
  std::vector<std::pair<std::string, int>> ids;  // (instance entry or "", id), in order of addition
  void Add(const std::string& entry, int id) {
    if (unsorted || std::find(ids.begin(), ids.end(), std::make_pair(entry, id)) == ids.end()) ids.emplace_back(entry, id);
  }
  // Remove(int): an unsorted set loses the first occurrence, a sorted one
  // its top-level id first, then the entry of the lowest instance name.
  void Remove(int id) {
    auto best = ids.end();
    for (auto it = ids.begin(); it != ids.end(); ++it)
      if (it->second == id && (best == ids.end() || (!unsorted && it->first < best->first))) best = it;
    if (best != ids.end()) ids.erase(best);
  }
};

struct ModelKind {
  std::map<int, std::pair<std::string, int>> owner;              // global -> (level, local)
  std::map<std::pair<std::string, std::string>, ModelSet> sets;  // (instance or "", name)
};

void ExpectModel(const inpM_PartMap& map, const ModelKind (&kinds)[2]) {
  for (int k = 0; k < 2; ++k) {
    for (const auto& [global, at] : kinds[k].owner) {
      ASSERT_EQ(PairOf(k ? map.ConstGetInstanceElementIdPair(global) : map.ConstGetInstanceNodeIdPair(global)), at);
      ASSERT_EQ(k ? map.GlobalElementId(at.first, at.second) : map.GlobalNodeId(at.first, at.second), global);
    }
    const inpM_SetMap& sets = k ? map.ConstGetElementSets() : map.ConstGetNodeSets();
    int nested = 0;
    for (const auto& [instance, m] : sets.ConstGetNestedSetMaps()) nested += m->ConstGetSets().Size();
    for (const auto& [key, set] : kinds[k].sets) {
      const inpM_BaseSet& got = key.first.empty() ? sets.ConstGetSet(key.second) : sets.ConstGetNestedSet(key.first, key.second);
      Ids ids = V(got.ConstGetIds()), expected;
      for (const auto& [entry, id] : set.ids) expected.push_back(id);
      if (!set.unsorted) {
        std::sort(ids.begin(), ids.end());
        std::sort(expected.begin(), expected.end());
      }
      ASSERT_EQ(ids, expected) << key.first << "/" << key.second;
      ASSERT_EQ(std::make_pair(static_cast<int>(got.GetTypeFlag()), got.IsUnsorted()), std::make_pair(set.flag, set.unsorted));
      nested -= !key.first.empty();
    }
    ASSERT_EQ(nested, 0);
  }
}

TEST(PartMapRandomEdits, RoundTripAndLookupsFollowAModel) {
  const std::vector<std::string> levels = {"", "A", "B", "C"};
  ModelKind kinds[2];
  inpM_IdMap ids;
  for (size_t l = 0; l < levels.size(); ++l)
    for (int local = 1; local <= 40; ++local) {
      const int global = static_cast<int>(l) * 1000 + local;
      (l ? ids.GetInstance(levels[l]) : ids).Insert(local, global);
      for (ModelKind& kind : kinds) kind.owner[global] = {levels[l], local};
    }
  inpM_PartMap map(true, false, false, ids, ids, inpM_SetMap(), inpM_SetMap(), inpM_SurfaceMap(), "Asm", {});
  std::mt19937 rng(19);
  const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const auto anyId = [&](const ModelKind& kind) {
    auto it = kind.owner.begin();
    std::advance(it, pick(static_cast<int>(kind.owner.size())));
    return *it;
  };
  for (int step = 0; step < 4000; ++step) {
    const int k = pick(2);
    ModelKind& kind = kinds[k];
    const char* setKind = k ? "elset" : "nset";
    const auto [global, at] = anyId(kind);
    const std::string& level = levels[static_cast<size_t>(pick(4))];
    switch (pick(4)) {
      case 0: {  // a new id on a level
        const int fresh = 5000 + pick(3000);
        if (kind.owner.count(fresh)) break;
        int local = 1;
        for (const auto& [id, owned] : kind.owner)
          if (owned.first == level) local = std::max(local, owned.second + 1);
        ASSERT_EQ(k ? map.InsertElement(fresh, level) : map.InsertNode(fresh, level), local);
        kind.owner[fresh] = {level, local};
        break;
      }
      case 1: {  // an id removed from its level and from the sets that hold it
        map.RemoveNodeOrElement(global, setKind);
        for (auto& [key, set] : kind.sets)
          if (key.first.empty() || key.first == at.first) set.Remove(global);
        kind.owner.erase(global);
        break;
      }
      default: {  // an id into a set, named by the solver's flattened name
        const std::string name = "S" + std::to_string(pick(3));
        const bool instanceSet = !at.first.empty() && pick(2);
        const auto key = std::make_pair(instanceSet ? at.first : std::string(), name);
        const bool exists = kind.sets.count(key), unsorted = pick(4) == 0;
        if (instanceSet && !exists) break;  // instance sets are found by name: made below
        ModelSet& set = kind.sets[key];
        if (!exists) set.flag = pick(4);
        // A sorted set turned unsorted lists its levels in order: top-level
        // ids, then the entries by instance name, each ascending.
        if (unsorted && !set.unsorted) std::sort(set.ids.begin(), set.ids.end());
        set.unsorted |= unsorted;
        set.Add(instanceSet ? "" : at.first, global);
        map.InsertIntoSet(cow_String(("asm_" + (instanceSet ? at.first + "_" : "") + name).c_str()), setKind,
                          instanceSet ? "" : at.first, global, 1, static_cast<inpM_SetTypeFlag>(set.flag), unsorted,
                          !exists);
        if (!at.first.empty() && !instanceSet && !kind.sets.count({at.first, name})) {
          const int one[] = {global};
          kind.sets[{at.first, name}] = ModelSet{pick(4), false, {{"", global}}};
          if (k) map.InsertInstanceElementSet(name.c_str(), at.first, one, 1, static_cast<inpM_SetTypeFlag>(kind.sets[{at.first, name}].flag));
          else map.InsertInstanceNodeSet(name.c_str(), at.first, one, 1, static_cast<inpM_SetTypeFlag>(kind.sets[{at.first, name}].flag), false);
        }
        break;
      }
    }
    if (step % 500 == 499 || step == 3999) {
      ASSERT_NO_FATAL_FAILURE(ExpectModel(map, kinds));
      const inpM_PartMap back = Read(Text(map));
      ASSERT_EQ(Text(back), Text(map));
      ASSERT_NO_FATAL_FAILURE(ExpectModel(back, kinds));
      ASSERT_NO_FATAL_FAILURE(ExpectAnswersAsScan(map, 0, 8100));
    }
  }
}

// Runs inpm edit on the worked example; (exit code, standard output and
// error, the part file written or "").
std::pair<int, std::string> InpmEdit(const TempDir& dir, const std::string& script) {
  Spit(dir.Path("script"), script);
  const int status = Shell(std::string(INPM_EXE) + " edit " + KVL_GOLDEN_DIR + "/worked_example.prt " +
                           dir.Path("script") + " " + dir.Path("out.prt") + " >" + dir.Path("log") + " 2>&1");
  return {status, Slurp(dir.Path("log")) + Slurp(dir.Path("out.prt"))};
}

TEST(InpmEdit, AppliesAScriptOrNamesTheLineThatFails) {
  TempDir dir;
  const auto [ok, written] = InpmEdit(dir, "# ids\ninsert node 7 BLOCK-1\n\nremove element 1\ninsert element 5 \"\"\n");
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(written,
            "0\n0\n0\nASSEMBLY\n1\nBLOCK-1\nBLOCK\n"
            "1\nBLOCK-1\n3\n1 1\n2 2\n7 3\n1 1\n2 2\n3 7\n1\n3 1\n1 3\n"
            "1\nBLOCK-1\n0\n1\n5 1\n1 5\n"
            "0\n0\n0\n0\n0\n0\n");
  const std::string script = dir.Path("script");
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"insert node 8\ninsert node 9 Nope\n", "line 2: Unknown instance name: Nope"},
      {"set-add surf S 1\n", "line 1: Unknown setTypeString: surf"},
      {"frobnicate\n", "line 1: unknown command: frobnicate"},
      {"insert node x\n", "line 1: not an id: x"},
      {"remove node\n", "line 1: usage: remove node|element GLOBAL_ID   remove an id from its level and from its sets"},
  };
  for (const auto& [lines, message] : bad) {
    std::filesystem::remove(dir.Path("out.prt"));
    EXPECT_EQ(InpmEdit(dir, lines), std::make_pair(1, "inpm: " + script + ": " + message + "\n"));
  }
}

}  // namespace
