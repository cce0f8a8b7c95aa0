// The insertion routines and INPM_PRINTMAP: their jop tables with the
// messages they print, the clearing and locking that the thread's solver part
// map remembers, and an analysis from start to end, in Fortran.
#include "inpM_Routines.h"
#include "part_map_testing.h"

namespace {

const std::string kGolden = KVL_GOLDEN_DIR;
const std::string kFirst = "Routine inpM_insertnodeorelem2partmap was called with an incorrect value of ";
const std::string kJop7 = kFirst + "the flag, jop=7. The flag must be equal to 0, 1, 2, 3, 4, 5, 6, 8, or 9.\n";
std::string KindFlag(const std::string& flag) {
  return kFirst + "the flag, " + flag + ". The flag must be equal to 0 to insert a node or 1 to insert an element.\n";
}

class InsertRoutines : public partmap_testing::SolverJob {
 protected:
  void SetUp() override { Job(kGolden + "/insert_job.prt"); }
  // Closes every part map, which writes the job's part file, and reads it.
  inpM_PartMap Saved() {
    INPM_SOLVERPARTCLOSEALL();
    aio_ifstream in(dir.Path("job.prt").c_str());
    return inpM_PartMap(in);
  }
  static void Node(int jop, std::vector<int> ids, int jtyp, std::vector<int> members, int jtypMember,
                   const std::string& set) {
    const int n = static_cast<int>(ids.size());
    INPM_INSERTNODEORELEM2PARTMAP(&jop, ids.data(), &n, &jtyp, members.data(), &jtypMember, set.data(), set.size());
  }
  static int Surface(int jop, const std::string& name, int id, const std::string& face, double area = 0) {
    INPM_INSERTSURFACE2PARTMAP(&jop, name.data(), &id, face.data(), &area, name.size(), face.size());
    return id;
  }
  static void Smgn(decltype(&INPM_INSERTSORTEDSMGNSET) routine, std::vector<int> ids, const std::string& set) {
    const int n = static_cast<int>(ids.size());
    routine(ids.data(), &n, set.data(), set.size());
  }
  // The stored form of an assembly node set, or of an instance's.
  static std::string Set(const inpM_PartMap& map, const char* instance, const char* name) {
    const inpM_SetMap& sets = map.ConstGetNodeSets();
    return *instance ? Printed(sets.ConstGetNestedSet(cow_String(instance), cow_String(name)))
                     : Printed(sets.ConstGetSet(cow_String(name)));
  }
  using Strings = std::vector<std::string>;
  wip_Capture printed;
};

// Each row: one call of INPM_INSERTNODEORELEM2PARTMAP on the job's part map
// as read, what it prints, and a node set (instance, name: stored form) or
// a node (global id: "instance local") afterwards.
TEST_F(InsertRoutines, NodeOrElementJops) {
  struct Row {
    int jop; std::vector<int> ids; int jtyp; std::vector<int> members; int jtypMember; std::string set, printed;
    const char *instance, *name; std::string stored, pair; int node;
  };
  const std::string added = "1\nBLOCK-1\n1\n200 \n0\n";
  const std::vector<Row> rows = {
      {0, {200}, 0, {1}, 0, "nnew", "", "", "NNEW", "1\n0\n" + added, "BLOCK-1 3", 200},
      {1, {200}, 0, {1}, 0, "nnew", "", "", "NNEW", "2\n0\n" + added, "BLOCK-1 3", 200},
      {2, {200}, 0, {1}, 0, "nnew", "", "", "NNEW", "3\n0\n" + added, "BLOCK-1 3", 200},
      {0, {200}, 0, {1}, 5, "nnew", KindFlag("jtypMember=5"), "", "NNEW", "1\n0\n" + added, "BLOCK-1 3", 200},
      {6, {200}, 0, {999}, 0, "nnew", "", "", "NALL", "0\n1\n100 \n0\n0\n", " 2", 200},
      {3, {300}, 0, {}, 0, "Ntop", "", "BLOCK-1", "NTOP", "0\n2\n1 300 \n0\n0\n", "BLOCK-1 3", 300},
      {3, {2, 300}, 0, {}, 0, "nall", "", "", "NALL", "0\n2\n100 300 \n1\nBLOCK-1\n1\n2 \n0\n", " 2", 300},
      {4, {3}, 0, {}, 0, "nx", "", "", "NX", "2\n0\n1\nPLATE-1\n1\n3 \n0\n", "PLATE-1 1", 3},
      {5, {3}, 0, {}, 0, "nx", "", "", "NX", "3\n0\n1\nPLATE-1\n1\n3 \n0\n", "PLATE-1 1", 3},
      {10, {301, 300}, 0, {}, 0, "nu", "", "", "NU", "1\n2\n1\n1\n301 \n1\n1\n300 \n", " 3", 300},
      {8, {1}, 0, {}, 0, "", "", "BLOCK-1", "NTOP", "0\n0\n0\n0\n", "BLOCK-1 2", 2},
      {9, {}, 0, {}, 0, "NTop", "", "BLOCK-1", "NTOP", "0\n0\n0\n0\n", "BLOCK-1 1", 1},
      {3, {}, 0, {}, 0, "nall", kFirst + "numInsert=0. The value of numInsert must be greater than 0.\n", "", "NALL",
       "0\n1\n100 \n0\n0\n", " 1", 100},
      {3, {2}, 2, {}, 0, "nall", KindFlag("jtyp=2"), "", "NALL", "0\n1\n100 \n1\nPLATE-1\n1\n2 \n0\n", "BLOCK-1 2", 2},
      {7, {1, 2}, 0, {1, 2}, 0, "nall", kJop7 + kJop7, "", "NALL", "0\n1\n100 \n0\n0\n", "BLOCK-1 1", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("jop " + std::to_string(r.jop) + " " + r.set);
    Job(kGolden + "/insert_job.prt");
    printed.Reset();
    Node(r.jop, r.ids, r.jtyp, r.members.empty() ? r.ids : r.members, r.jtypMember, r.set);
    EXPECT_EQ(printed.Text(), r.printed);
    const inpM_PartMap map = Saved();
    EXPECT_EQ(Set(map, r.instance, r.name), r.stored);
    const inpM_StringIntPair pair = map.ConstGetInstanceNodeIdPair(r.node);
    EXPECT_EQ(pair.instance.str() + " " + std::to_string(pair.id), r.pair);
    EXPECT_TRUE(fatal.empty());
  }
}

// INPM_INSERTSURFACE2PARTMAP by jop on PADS, an assembly and an instance
// surface of node areas: what it prints, what reaches the fatal-error hook,
// and the stored forms of both surfaces afterwards.
TEST_F(InsertRoutines, SurfaceJops) {
  const std::string jop9 = "Routine inpM_insertsurface2partmap was called with an incorrect value of the flag, jop=9. "
                           "The flag must be equal to 0, 1, 2, 3, or 4.\n";
  const std::string part = "0\n0\n0\n1\nPLATE-1\n1\n";
  const struct {
    int jop, id; const char* face; double area; std::string printed, fatal, assembly, instance;
  } rows[] = {
      {0, 0, "", 0, "", "", "0\n0\n0\n0\n", "0\n0\n"},
      {3, 4, "", 0.5, "", "", part + "0\n2\n3\n2\n4\n0.5\n", "0\n2\n3\n1.5\n4\n0.5\n"},
      {4, 3, "", 0, "", "", part + "0\n0\n", "0\n0\n"},
      {9, 3, "", 0, jop9 + jop9, "", part + "0\n1\n3\n2\n", "0\n1\n3\n1.5\n"},
      {1, 2, "s1", 0, "", "Facets can be added only to element based surfaces. The assembly surface: PADS, is a node "
                          "based surface.", part + "0\n1\n3\n2\n", "0\n1\n3\n1.5\n"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE("jop " + std::to_string(r.jop));
    Job(kGolden + "/insert_job.prt");
    printed.Reset();
    fatal.clear();
    Surface(r.jop, "Pads", r.id, r.face, r.area);
    EXPECT_EQ(printed.Text(), r.printed);
    EXPECT_EQ(fatal, r.fatal.empty() ? Strings{} : Strings{r.fatal});
    const inpM_SurfaceMap surfaces = Saved().ConstGetSurfaces();
    EXPECT_EQ(Printed(surfaces.ConstGetAssemblyInstanceSurface(cow_String("PADS"))), r.assembly);
    EXPECT_EQ(Printed(surfaces.ConstGetPartInstanceSurface(cow_String("PLATE-1"), cow_String("PADS"))), r.instance);
  }
}

// Locks hold across calls and across the part maps that the thread reads
// after closing; clearing happens once per set, by INPM_INSERT...SMGNSET or
// jop 9, whichever comes first, in any case of the name.
TEST_F(InsertRoutines, ClearOnceLocksAcrossPartMapsAndPrintMapToAMissingFolder) {
  EXPECT_EQ(Surface(5, "contact", 7, ""), 0);
  Surface(6, "contact", 0, "");
  Saved();
  EXPECT_EQ(Surface(5, "CONTACT", 0, ""), 1);
  Surface(1, "Contact", 2, "s1");
  EXPECT_EQ(printed.Text(), "Routine inpM_insertsurface2partmap was called with an incorrect value of the flag, jop=1 "
                            ". The surface \"Contact\" is locked; it has to be unlocked before any operation can be "
                            "performed on it.\n");
  Surface(7, "contact", 0, "");
  Surface(2, "contact", 2, "s1");
  EXPECT_EQ(Printed(Saved().ConstGetSurfaces().ConstGetAssemblyInstanceSurface(cow_String("CONTACT"))),
            "0\n0\n0\n1\nPLATE-1\n0\n0\n0\n");

  Smgn(INPM_INSERTSORTEDSMGNSET, {2}, "ntop  ");
  EXPECT_EQ(Set(Saved(), "BLOCK-1", "NTOP"), "0\n1\n2 \n0\n0\n");
  Smgn(INPM_INSERTSORTEDSMGNSET, {1}, "NTOP");
  Node(9, {}, 0, {}, 0, "nTop");
  EXPECT_EQ(Set(Saved(), "BLOCK-1", "NTOP"), "0\n2\n1 2 \n0\n0\n");
  Smgn(INPM_INSERTSORTEDSMGNSET, {4}, "ntop");
  EXPECT_EQ(fatal, Strings{"Node 4 does not belong to instance 'BLOCK-1' and cannot be assigned to instance node "
                           "set 'NTOP'"});

  // Without instances the ids go into the assembly node set of that name, as
  // top-level ids of set type 1, in the routine's order; cleared once.
  Job(kGolden + "/empty_part_map.prt");
  Smgn(INPM_INSERTUNSORTEDSMGNSET, {5, 3}, "loose");
  Smgn(INPM_INSERTUNSORTEDSMGNSET, {4}, "LOOSE");
  Smgn(INPM_INSERTSORTEDSMGNSET, {5, 3}, "sorted");
  const inpM_PartMap map = Saved();
  EXPECT_EQ(Set(map, "", "LOOSE"), "1\n3\n1\n1\n5 \n1\n1\n3 \n1\n1\n4 \n");
  EXPECT_EQ(Set(map, "", "SORTED"), "1\n2\n3 5 \n0\n0\n");

  // An output file that cannot be created is reported and nothing is written.
  printed.Reset();
  const std::string name = dir.Path("no/maps.txt") + " rest";
  INPM_PRINTMAP(name.data(), name.size());
  EXPECT_EQ(printed.Text(), "Routine INPM_PRINTMAP cannot open the output file \"" + dir.Path("no/maps.txt") + "\".\n");
}

// An analysis: read the job's part file, insert nodes, elements and set
// members, edit and lock surfaces, print the maps and close all. The part
// file, the maps and the messages are golden.
TEST_F(InsertRoutines, AnalysisEndToEndFromFortran) {
#ifndef INSERT_FORTRAN_EXE
  GTEST_SKIP() << "built without a Fortran compiler";
#else
  EXPECT_EQ(RunInJob(INSERT_FORTRAN_EXE), 0) << Slurp(dir.Path("err.txt"));
  EXPECT_EQ(Slurp(dir.Path("out.txt")), Slurp(kGolden + "/insert_messages.txt"));
  EXPECT_EQ(Slurp(dir.Path("maps.txt")), Slurp(kGolden + "/insert_maps.txt"));
  EXPECT_EQ(Slurp(dir.Path("job.prt")), Slurp(kGolden + "/insert_job_after.prt"));
#endif
}

}  // namespace
