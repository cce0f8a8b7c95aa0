

#include "inpM_ModelGenerator.h"
#include "part_map_testing.h"

namespace {

using namespace partmap_testing;

const std::string kGolden = KVL_GOLDEN_DIR;

// A small model with everything the part file can hold: instances, assembly
// ids, sets of every class at both levels, surfaces of every kind, quoted
// names and set flags.
inpM_ModelShape FullFeatured(uint64_t seed = 11) {
  return {.seed = seed, .flattenedNames = true, .thirdFlag = true, .instances = 3, .nodesPerInstance = 12,
          .elementsPerInstance = 6, .assemblyNodes = 3, .assemblyElements = 2, .setFraction = 0.3, .quotedNames = true};
}

TEST(PartFileGolden, WorkedExampleAndEmptyMap) {
  const std::string golden = Slurp(kGolden + "/worked_example.prt");
  const inpM_PartMap built = PartMapOf(IdMapOf({{1, 3}}, {{"BLOCK-1", {{1, 1}, {2, 2}}}}),
                                       IdMapOf({}, {{"BLOCK-1", {{1, 1}}}}), InstanceMapOf({{"BLOCK-1", "BLOCK"}}));
  EXPECT_EQ(Text(built), golden);  // read back by inpm_cli_test
  const inpM_IdMap none;
  const inpM_PartMap empty(true, false, true, none, none, inpM_SetMap(), inpM_SetMap(), inpM_SurfaceMap(),
                           "\"Assembly 1\"", {});
  const std::string fifteen = Slurp(kGolden + "/empty_part_map.prt");
  EXPECT_EQ(Text(empty), fifteen);
  const inpM_PartMap back = Read(fifteen);
  EXPECT_EQ(Text(back), fifteen);
  EXPECT_EQ((std::vector<bool>{back.FlattenedNames(), back.LocalIdsAreGlobal(), back.ThirdFlag()}),
            (std::vector<bool>{true, false, true}));
  EXPECT_EQ(back.ConstGetAssemblyName().str(), "Assembly 1");
}

TEST(PartFileRoundTrip, WriteReadWriteGivesTheSameText) {
  for (uint64_t seed : {1, 5, 9}) {
    const inpM_ModelShape shape = FullFeatured(seed);
    const std::string first = Text(inpM_GenerateModel(shape));
    const inpM_PartMap read = Read(first);
    EXPECT_EQ(Text(read), first) << "seed " << seed;
    ExpectAnswersAsScan(read, -1, shape.instances * shape.nodesPerInstance + shape.assemblyNodes + 1);
  }
  // The instance map and the id maps may disagree; names of 131 bytes fit.
  const std::string name(131, 'N');
  const inpM_PartMap map =
      PartMapOf(IdMapOf({}, {{name, {{1, 1}}}}), IdMapOf({}, {{name, {}}}), InstanceMapOf({{"PART-ONLY", "P"}}), name);
  const std::string text = Text(map);
  const inpM_PartMap read = Read(text);
  EXPECT_EQ(Text(read), text);
  EXPECT_EQ(read.GlobalNodeId(name, 1), 1);
}

// Damaged files of every kind are the fuzz target's (scripts/fuzz.sh); here,
// of the prefixes of a file, only the file less its last blanks and line
// feed reads, and every other stops with a message.
TEST(PartFileReading, EveryPrefixGivesTheMapOrAMessage) {
  const std::string text = Text(inpM_GenerateModel(FullFeatured()));
  for (size_t n = 0; n < text.size(); ++n) {
    wip_Capture capture;
    const bool whole = text.find_first_not_of(" \n", n) == std::string::npos;
    try {
      EXPECT_EQ(Text(Read(text.substr(0, n))), text) << n;
      EXPECT_TRUE(whole) << n;
    } catch (const wip_ErrorException& e) {
      EXPECT_FALSE(whole) << n;
      EXPECT_GT(e.Message().Length(), 0) << n;
    }
  }
}

}  // namespace
