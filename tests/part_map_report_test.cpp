// The printed map report, against reports written by hand, and `inpm report`.

#include <cstring>

#include "inpM_ModelGenerator.h"
#include "part_map_testing.h"

namespace {

using namespace partmap_testing;

const std::string kGolden = KVL_GOLDEN_DIR;
const std::string k48 = "PLATE-0123456789012345678901234567890123456789AB";
const std::string k49 = k48 + "C";

inpM_SetHandle Set(Ids ids, bool unsorted, inpM_SetTypeFlag flag = inpM_InputSet) {
  return CreateSet(L(std::move(ids)), flag, unsorted);
}

// Every kind of set and surface at both levels, internal ones, an unsorted
// node set, an empty id list, instance names of 48 and 49 bytes, an id list
// that wraps, an analytical assembly surface and a node-based assembly part.
inpM_PartMap Model() {
  const inpM_IdMap nodes = IdMapOf({{100, 10}}, {{"BEAM-1", {{1, 1}, {2, 2}, {3, 5}}}, {k48, {{1, 3}, {2, 4}}}, {k49, {{1, 6}}}});
  const inpM_IdMap elements = IdMapOf({{9, 4}}, {{"BEAM-1", {{1, 2}}}, {k48, {{1, 1}}}, {k49, {{1, 3}}}});
  inpM_SetMap nodeSets, elementSets;
  inpM_SortedSet spanning(L({10}));
  spanning.Add("BEAM-1", L({1, 2, 3}));
  spanning.Add(k48, inpM_SortedSet(L({2})));
  nodeSets.InsertSet("ASM-N", spanning);
  nodeSets.InsertSet("ASM-U", Set({5, 1, 3}, true).ConstGet());
  nodeSets.InsertSet("ASM-Z", Set({10}, false, inpM_InternalSet).ConstGet());
  nodeSets.InsertNestedSet("BEAM-1", "N-INT", Set({2}, false, inpM_InsertedInternalSet).ConstGet());
  nodeSets.InsertNestedSet("BEAM-1", "N-SORT", Set({3, 1, 2}, false).ConstGet());
  nodeSets.InsertNestedSet("BEAM-1", "N-UNS", Set({3, 1}, true).ConstGet());
  nodeSets.InsertNestedSet(k48, "EDGE", Set({1}, false).ConstGet());
  elementSets.InsertSet("ASM-E", Set({4}, false).ConstGet());
  elementSets.InsertSet("ASM-EU", Set({3, 1}, true).ConstGet());
  Ids wrap(30);
  for (int i = 0; i < 30; ++i) wrap[static_cast<size_t>(i)] = 101 + i;
  elementSets.InsertNestedSet("BEAM-1", "NONE", Set({}, true).ConstGet());
  elementSets.InsertNestedSet("BEAM-1", "WRAP", Set(wrap, false).ConstGet());

  inpM_SurfaceMap surfaces;
  inpM_AssemblyInstanceSurface face, node, rigid;
  face.Add("BEAM-1", FaceSurface({{"S2", {2, 1}}, {"S1", {1}}}));
  face.Add(k48, NodeSurface({{1, 0.5}}));
  node.Add("BEAM-1", NodeSurface({{3, 2.0}, {2, 1.25}}));
  node.Add(k49, FaceSurface({{"S4", {1}}}));
  node.Add(NodeSurface({{100, 1.0}}));
  rigid.Add("BEAM-1", inpM_AnalyticalSurface());
  rigid.Add(k48, inpM_AnalyticalSurface());
  surfaces.InsertAssemblyInstanceSurface("A-FACE", face);
  inpM_AssemblyInstanceSurface internalFace = face;
  internalFace.SetInternal(true);
  surfaces.InsertAssemblyInstanceSurface("A-INT", internalFace);
  surfaces.InsertAssemblyInstanceSurface("A-NODE", node);
  surfaces.InsertAssemblyInstanceSurface("A-RIGID", rigid);
  surfaces.InsertPartInstanceSurface("BEAM-1", "S-FACE", FaceSurface({{"SPOS", {1}}, {"S1", {1}}}));
  inpM_ElementFaceIdSurface internalPart = FaceSurface({{"S2", {1}}});
  internalPart.SetInternal(true);
  surfaces.InsertPartInstanceSurface("BEAM-1", "S-INT", internalPart);
  surfaces.InsertPartInstanceSurface("BEAM-1", "S-NODE", NodeSurface({{3, 0.25}, {1, 0.5}}));
  surfaces.InsertPartInstanceSurface("BEAM-1", "S-RIG", inpM_AnalyticalSurface());
  surfaces.InsertPartInstanceSurface(k49, "TOP", FaceSurface({{"S3", {1}}}));
  return inpM_PartMap(false, false, false, nodes, elements, nodeSets, elementSets, surfaces, "ASSEMBLY",
                      InstanceMapOf({{"BEAM-1", "BEAM"}, {k48, "PLATE"}, {k49, "PLATE"}}));
}

std::string RowsOfReport(const inpM_PartMap& map, bool nodes) {
  aio_ostringstream out;
  map.PrintGlobal2Local(out, inpM_Line());
  const std::string text = out.str();
  const std::string heading = std::string(24, ' ') + "Instance name" + std::string(35, ' ') + "\n";
  const size_t from = text.find(heading, nodes ? 0 : text.find("element")) + heading.size();
  return text.substr(from, text.find("\n\n", from) + 1 - from);
}

// A global id held by two instances and the assembly level has a row for
// each holder, each answered as the lookup answers: for the first instance.
TEST(PartMapReport, SharedGlobalIdsAnswerAsTheLookup) {
  const inpM_PartMap shared = PartMapOf(IdMapOf({{1, 7}}, {{"A", {{1, 7}}}, {"B", {{2, 7}, {3, 8}, {4, -2}}}}),
                                        IdMapOf({}, {{"A", {}}, {"B", {{5, 1}}}}));
  const auto row = [](const char* global, const char* local, const char* instance) {
    return "   " + std::string(global) + std::string(10 - strlen(global), ' ') + " " + local +
           std::string(10 - strlen(local), ' ') + instance + std::string(47, ' ') + "\n";
  };
  EXPECT_EQ(RowsOfReport(shared, true), row("-2", "4", "B") + row("7", "1", "A") + row("7", "1", "A") + row("7", "1", "A") +
                                            row("8", "3", "B"));
  EXPECT_EQ(RowsOfReport(shared, false), row("1", "5", "B"));
}

int Inpm(const std::string& args, const std::string& output) {
  return Shell(std::string(INPM_EXE) + " report " + args + " >" + output + " 2>&1");
}

TEST(InpmReport, PrintsTheTitleAndTheSectionsAsked) {
  const TempDir dir;
  const std::string file = dir.Path("model.prt");
  Spit(file, Text(Model()));
  const std::string title = "\n\n" + std::string(30, ' ') +
                            "E L E M E N T,   N O D E,   A N D   S U R F A C E   M A P S\n\n\n";
  ASSERT_EQ(Inpm(file, dir.Path("out")), 0);
  EXPECT_EQ(Slurp(dir.Path("out")), title + Slurp(kGolden + "/part_map_report.txt"));
  const std::string options = " --no-global-to-local --no-local-to-global --no-ids --internal -o ";
  ASSERT_EQ(Inpm(file + options + dir.Path("named"), dir.Path("out")), 0);
  EXPECT_EQ(Slurp(dir.Path("named")), title + Slurp(kGolden + "/part_map_report_names.txt"));
  EXPECT_EQ(Slurp(dir.Path("out")), "");
  EXPECT_EQ(Inpm(dir.Path("missing.prt"), dir.Path("out")), 1);
  EXPECT_EQ(Inpm("--no-such-option " + file, dir.Path("out")), 2);
}

}  // namespace
