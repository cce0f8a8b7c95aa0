#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <thread>
#include <tuple>

#include "nex.h"
#include "part_map_testing.h"

namespace {

using namespace partmap_testing;
using Solver = thr_ThreadSingleton<inpM_SolverPartMap>;

// The job's map: instances A and B, assembly-level nodes and elements, one
// assembly node set, two assembly element sets, two node sets of A and one
// element set of B.
inpM_PartMap JobMap() {
  inpM_SetMap nodeSets, elementSets;
  nodeSets.InsertSet("NALL", inpM_SortedSet(L({100})));
  nodeSets.InsertNestedSet("A", "NA1", inpM_SortedSet(L({1})));
  nodeSets.InsertNestedSet("A", "NA2", inpM_SortedSet(L({2})));
  elementSets.InsertSet("E1", inpM_SortedSet(L({200})));
  elementSets.InsertSet("E2", inpM_SortedSet(L({201})));
  elementSets.InsertNestedSet("B", "EB", inpM_SortedSet(L({21})));
  return inpM_PartMap(false, false, false, IdMapOf({{1, 100}}, {{"A", {{1, 1}, {2, 2}}}, {"B", {{1, 11}}}}),
                      IdMapOf({{1, 200}, {2, 201}}, {{"A", {{1, 1}}}, {"B", {{1, 21}}}}), nodeSets, elementSets,
                      inpM_SurfaceMap(), "ASM", InstanceMapOf({{"A", "P"}, {"B", "P"}}));
}

// Every test starts and ends without a solver part map on its thread; the
// job is "job" in a fresh folder holding job.prt and other.prt.
class SolverPartMap : public SolverJob {
 protected:
  void SetUp() override {
    utl_SetJob(dir.Path(), "job");
    Spit(job, Text(JobMap()));
    Spit(other, Text(PartMapOf(IdMapOf({{1, 5}}), IdMapOf({}))));
  }
  static ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
  }
  int FilesInDir() const { return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.Path()), {})); }

  const std::string job = dir.Path("job.prt"), other = dir.Path("other.prt"), third = dir.Path("third.prt");
  inpM_SolverPartMap& sp = Solver::Instance();
};

TEST_F(SolverPartMap, SlotsAreGivenOnceAndReusedOnReopen) {
  EXPECT_EQ(&Solver::Instance(), &sp);
  EXPECT_FALSE(sp.Exists());
  EXPECT_EQ(sp.SlotCapacity(), 1);
  sp.MakeCurrent();
  EXPECT_EQ(sp.CurrentPartFileName().str(), job);
  sp.MakeCurrent(other);
  EXPECT_EQ(sp.SlotCapacity(), 2);
  Spit(third, Text(JobMap()));
  sp.MakeCurrent(third);  // a third file grows the table by exactly one
  EXPECT_EQ(std::make_pair(sp.SlotsUsed(), sp.SlotCapacity()), std::make_pair(3, 3));

  // An open map is not read again: the file changed on disk is not seen.
  Spit(other, Text(PartMapOf(IdMapOf({{1, 5}}), IdMapOf({}), {}, "CHANGED")));
  sp.MakeCurrent(1);
  EXPECT_EQ(sp.ConstGetAssemblyName().str(), "ASSEMBLY");
  // Closed without saving, it is read again into the same slot.
  sp.CloseNoSave();
  EXPECT_FALSE(sp.Exists());
  EXPECT_TRUE(sp.CurrentPartFileName().IsEmpty());
  sp.MakeCurrent(other);
  EXPECT_EQ(sp.ConstGetAssemblyName().str(), "CHANGED");
  EXPECT_EQ(sp.SlotsUsed(), 3);
  sp.MakeCurrent(0);
  EXPECT_EQ(sp.CurrentPartFileName().str(), job);
  sp.MakeCurrent(7);  // never given out
  EXPECT_FALSE(sp.Exists());
  EXPECT_TRUE(sp.CurrentPartFileName().IsEmpty());
  sp.CloseNoSave();  // nothing current: nothing changes
  sp.MakeCurrent(1);
  EXPECT_EQ(sp.CurrentPartFileName().str(), other);
  sp.MakeCurrent();
  utl_SetJob(dir.Path(), "other");  // the job set anew: its part file is another
  sp.MakeCurrent();
  EXPECT_EQ(sp.CurrentPartFileName().str(), other);
}

TEST_F(SolverPartMap, CountsAreRecordedByCloseAllAndResetByAnotherName) {
  const int none[5] = {-1, -1, -1, -1, -1};
  const auto counts = [&] {
    return std::vector<int>{sp.GetNumberInstances(), sp.GetNumberAssemblyElsets(), sp.GetNumberAssemblyNsets(),
                            sp.GetNumberElsets(), sp.GetNumberNsets()};
  };
  EXPECT_EQ(counts(), std::vector<int>(none, none + 5));
  EXPECT_EQ(sp.HasAssemblyLevelIds(), 0);
  sp.MakeCurrent();
  const std::vector<int> jobCounts{3, 2, 1, 3, 3};
  EXPECT_EQ(counts(), jobCounts);  // computed
  EXPECT_EQ(sp.HasAssemblyLevelIds(), 2);
  const ino_t before = Inode(job);
  sp.CloseAll();  // only the job's map open: saved, counts recorded
  EXPECT_FALSE(sp.Exists());
  EXPECT_NE(Inode(job), before);
  EXPECT_EQ(Slurp(job), Text(JobMap()));
  EXPECT_EQ(counts(), jobCounts);
  sp.MakeCurrent();
  EXPECT_EQ(counts(), jobCounts);  // read again: computed
  sp.CloseAll();
  sp.MakeCurrent(other);  // another name resets them
  EXPECT_EQ(counts(), (std::vector<int>{1, 0, 0, 0, 0}));
  EXPECT_EQ(sp.HasAssemblyLevelIds(), 1);  // no assembly elements: the nodes count

  // With another map open, CloseAll saves only the job's; visiting the other
  // name resets the counts.
  sp.MakeCurrent();
  const ino_t jobBefore = Inode(job), otherBefore = Inode(other);
  sp.CloseAll();
  EXPECT_NE(Inode(job), jobBefore);
  EXPECT_EQ(Inode(other), otherBefore);
  EXPECT_EQ(counts(), std::vector<int>(none, none + 5));
}

TEST_F(SolverPartMap, PartIndexesAndNameTests) {
  // A map without instances answers 0 for every id, known or not; an
  // instance that the part index lacks (the element map's C, where the node
  // map has B) answers -1.
  Spit(third, Text(PartMapOf(IdMapOf({}, {{"A", {{1, 1}}}, {"B", {{1, 2}}}}),
                             IdMapOf({}, {{"A", {{1, 1}}}, {"C", {{1, 3}}}}))));
  for (auto [file, id, jtyp, index] : std::vector<std::tuple<std::string, int, int, int>>{
           {job, 100, 0, 0}, {job, 2, 0, 1}, {job, 11, 0, 2}, {job, 201, 1, 0}, {job, 21, 1, 2},
           {other, 999, 1, 0}, {third, 3, 1, -1}}) {
    sp.MakeCurrent(file);
    EXPECT_EQ(sp.PartIndex(id, jtyp), index) << file << " " << id;
  }
  // Name tests answer in any case and quoted. (Locks and cleared names, which
  // outlive the map, are the insertion routines' cases.)
  sp.MakeCurrent();
  EXPECT_EQ((std::vector<bool>{sp.IsAssemblyElsetName("e1"), sp.IsAssemblyElsetName("EB"),
                               sp.IsAssemblyNsetName("\"nall\""), sp.IsInstanceElsetName("eb"),
                               sp.IsInstanceNsetName("E1"), sp.IsInstanceNsetName("NA2"),
                               sp.IsAssemblySurfaceName("NALL")}),
            (std::vector<bool>{true, false, true, true, false, true, false}));
}

TEST_F(SolverPartMap, RawMessagesWithoutACurrentMap) {
  const std::string tail = " because the part file \"\" does not exist.";
  int id = 1, jtyp = 0;
  const std::vector<std::pair<std::function<void()>, std::string>> cases{
      {[&] { sp.ConstGetNodeMap(); }, "The node map cannot be obtained because the part map \"\" does not exist."},
      {[&] { sp.ConstGetInstanceElementIdPair(17); },
       "The instance name and local element id corresponding to the global id: 17 cannot be obtained" + tail},
      {[&] { sp.GlobalNodeId("I-1", -4); },
       "The global id corresponding to the instance name: I-1 and the local node id: -4 cannot be obtained" + tail},
      {[&] { sp.Instances(); },
       "The list of part file instances cannot be obtained because the part  map \"\" does not exist."},
      {[&] { sp.PartIndex(id, jtyp); }, "The part file \"\" does not exist."},
      {[&] { sp.IsInstanceElsetName("X"); }, "The part file \"\" does not exist."},
      {[&] { sp.RemoveNodeOrElement(8, "elset"); },
       "The element 8 cannot be inserted into the part map" + tail},
      {[&] { sp.RemoveNodeOrElement(8, "xyz"); }, "The node 8 cannot be inserted into the part map" + tail},
      {[&] { sp.InsertInstanceNodeSet("S", "I", nullptr, 0, inpM_InputSet, false); },
       "The instance node set: instance name = I, set name = S, cannot be inserted into the part map" + tail},
      {[&] { sp.RemoveInstanceSurfaceFacet("I", "SURF", "S2", 9); },
       "The facet: 9, S2 cannot be removed from the instance surface: instance name = I, surface name = SURF" +
           tail},
      {[&] { sp.RemoveInstanceSurfaceNode("I", "SURF", 3); },
       "The node: 3 cannot be removed from the instance surface: instance name = I, surface name = SURF" + tail},
      {[&] { sp.ClearElset("e"); },
       "The element set: \"e\" cannot be cleared" + tail},
  };
  for (const auto& [call, message] : cases) EXPECT_EQ(ErrorOf(call), message);
  EXPECT_FALSE(sp.ElsetIsCleared("E"));  // refused before it is recorded

  // A file that cannot be read: the exception, then the failed name in every
  // message.
  const std::string missing = dir.Path("missing.prt");
  EXPECT_THROW(sp.MakeCurrent(missing), nex_TextException);
  EXPECT_FALSE(sp.Exists());
  EXPECT_EQ(ErrorOf([&] { sp.AssemblyNsetNames(); }),
            "The list of assembly node sets cannot be obtained because the part file \"" + missing +
                "\" does not exist.");
}

// Runs under transient and persistent faults at the nth file call, n = 1, 2, ... until a run meets none: a
// run reads the job's part file, edits and reports the map as a host that prints errors, and closes it. Each
// prints its report or why it has none and each failure (file, call, reason), and leaves the file whole: old or
// new text, readable, no temporary left.
TEST_F(SolverPartMap, RunsUnderInjectedFaults) {
  sp.MakeCurrent();
  for (int i = 1; i <= 25000; ++i) sp.InsertNode(1000 + i, "B");  // several reads and writes
  sp.CloseAll();
  const std::string old = Slurp(job), file = "The part map file \"" + job + "\" ";
  wip_WIP& wip = thr_ThreadSingleton<wip_WIP>::Instance();
  bool whileReading = false;
  const auto run = [&](int n, int error, bool persistent) {
    Spit(job, old);
    wip_Capture capture;
    wip.SetErrorHandler([&](const atr_String& message, wip_errorLevelEnm) { wip.Print(message); });
    persistent ? aio_IoFaults::FailFrom(n, error) : aio_IoFaults::FailNth(n, error);
    try {
      whileReading = true;
      sp.MakeCurrent();
      whileReading = aio_IoFaults::Struck();
      sp.InsertNode(500, "A");
      sp.ClearElset("E1");
      aio_ostringstream report;
      sp.PrintModuleData(report, true, false, false, true);
      wip.Print(atr_String(report.str().c_str()));
    } catch (const nex_TextException& e) {
      wip.Print(e.UserReport());
    }
    sp.CloseAll();
    return capture.Text();
  };
  const std::string report = run(0, 0, false), fresh = Slurp(job);
  const std::vector<std::pair<bool, int>> cases{{false, EINTR}, {false, EIO}, {false, ENOSPC}, {true, EIO},
                                                {true, ENOSPC}};  // persistent EINTR: retried for ever
  for (const auto& [persistent, error] : cases) {
    int n = 1;
    for (;; ++n) {
      const std::string text = run(n, error, persistent), now = Slurp(job);
      const aio_IoCall call = aio_IoFaults::StruckCall();
      aio_IoFaults::Disarm();
      SCOPED_TRACE(testing::Message() << "error " << error << (persistent ? " from" : " at") << " call " << n);
      EXPECT_EQ(FilesInDir(), 2);
      EXPECT_EQ(Text(Read(now)), now);
      if (call == aio_IoNone) break;
      const auto failed = [&](const char* what, aio_IoCall c, const char* then) {
        return file + what + " (" + aio_IoCallName(c) + ": " + std::strerror(error) + ")" + then + "\n";
      };
      const bool closing = whileReading && call == aio_IoClose, replaced = error == EINTR || (closing && !persistent);
      std::string expected = report;
      if (error == EINTR) {
      } else if (closing) {
        expected = failed("is read, but it cannot be closed", call, "; its contents are used as read.") + report +
                   (persistent ? failed("cannot be saved", aio_IoOpen, "; the file is left as it was.") : "");
      } else if (whileReading) {
        expected = call == aio_IoOpen ? file + "is corrupt, does not exist, or cannot be opened.\n"
                                      : failed("cannot be read", call, ".");
      } else if (call == aio_IoSyncFolder) {
        expected += failed("is saved, but its folder cannot be synchronised", call,
                           "; the file may not survive a system crash.");
      } else {
        expected += failed("cannot be saved", call, "; the file is left as it was.");
      }
      EXPECT_EQ(text, expected);
      EXPECT_EQ(now, replaced || call == aio_IoSyncFolder ? fresh : old);
    }
    EXPECT_GE(n, 16);  // open, 3 reads, close; create, mode, 3 writes, fsync, close, rename, folder open, fsync, close
  }
}

// A real full disk: a file size limit below the part file's size, in a child
// process so that the limit binds nobody else.
TEST_F(SolverPartMap, SaveOnAFullDisk) {
  const std::string old = Slurp(job);
  const ino_t before = Inode(job);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    sp.MakeCurrent();
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{old.size() / 2, old.size() / 2};
    wip_Capture capture;
    ::setrlimit(RLIMIT_FSIZE, &small);
    sp.CloseAndSave();
    ::_exit(capture.Text().find("(write: File too large)") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Slurp(job), old);
  EXPECT_EQ(Inode(job), before);
  EXPECT_EQ(FilesInDir(), 2);
}

// 8 threads make the job's part file current, each into its own map, put
// their own node in place of any other thread's, and save it; the others
// read it meanwhile, so every copy must be whole and hold exactly one
// thread's node. Each thread's instance goes with it.
TEST_F(SolverPartMap, ThreadsSaveTheSameFile) {
  const int live = Solver::InstanceCount();
  std::atomic<int> failures{0};
  const auto nodesOfThreads = [](const inpM_SolverPartMap& map) {
    std::vector<int> held;
    for (int node = 1000; node < 1008; ++node)
      if (map.IsNodePartMapMember(node)) held.push_back(node);
    return held;
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      try {
        for (int round = 0; round < 25; ++round) {
          inpM_SolverPartMap& mine = Solver::Instance();
          mine.MakeCurrent();
          const std::vector<int> held = nodesOfThreads(mine);
          if (held.size() > 1 || mine.GlobalNodeId("B", 1) != 11) ++failures;
          for (int node : held) mine.RemoveNodeOrElement(node, "nset");
          mine.InsertNode(1000 + t, "A");
          if (nodesOfThreads(mine) != std::vector<int>{1000 + t}) ++failures;
          mine.CloseAll();
        }
        Solver::Instance().MakeCurrent();  // saved when the thread ends
      } catch (const std::exception&) {
        ++failures;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(Solver::InstanceCount(), live);
  sp.MakeCurrent();
  EXPECT_EQ(nodesOfThreads(sp).size(), 1u);
  EXPECT_EQ(FilesInDir(), 2);
}

}  // namespace
