// The solver routines: character arguments in and out, the boundary that no
// exception crosses, the library's start and end.
#include "inpM_Routines.h"

#include <array>
#include <atomic>
#include <numeric>
#include <random>
#include <stdexcept>
#include <thread>

#include "inpM_RoutineBinding.h"
#include "nex.h"
#include "part_map_testing.h"

namespace {

// A character argument of declared length 8 (and one of length 0), through
// every input rule. The NUL ends only the blank-stripped copy, which the
// routine sees as a C string.
TEST(RoutineBinding, InputConversions) {
  // The argument; right-trimmed, trimmed, blank-stripped, upper case, up to the first blank.
  using Case = std::array<std::string, 6>;
  const std::string nul("ab\0c", 4);
  for (const Case& c : std::vector<Case>{{"Name01  ", "Name01", "Name01", "Name01", "NAME01", "Name01"},
                                         {" Name01 ", " Name01", "Name01", " Name01", " NAME01", ""},
                                         {"a b     ", "a b", "a b", "a b", "A B", "a"},
                                         {"Full8chr", "Full8chr", "Full8chr", "Full8chr", "FULL8CHR", "Full8chr"},
                                         {"        ", "", "", "", "", ""},
                                         {"", "", "", "", "", ""},
                                         {nul + "  ", nul, nul, "ab", std::string("AB\0C", 4), nul}}) {
    const char* p = c[0].data();
    const size_t n = c[0].size();
    EXPECT_EQ((Case{c[0], inpM_RightTrimmed(p, n).str(), inpM_Trimmed(p, n).str(),
                    inpM_BlankStrippedCopy(p, n).Name().str(), inpM_UpperCase(p, n).str(),
                    inpM_UpToFirstBlank(p, n).str()}),
              c);
  }
}

const std::string kGolden = KVL_GOLDEN_DIR;

// The job's part file holds two instances and an assembly-level node.
class RoutineJob : public partmap_testing::SolverJob {
 protected:
  void SetUp() override { Job(kGolden + "/routines_job.prt"); }
};

// Every kind of exception ends at the boundary with its message in the hook;
// the routine's error flag is then 1. Without a hook the process ends with
// the message and status 1.
TEST_F(RoutineJob, NoExceptionCrossesTheBoundaryAndUnknownIdsGoToTheFatalHook) {
  int error = 0;
  inpM_FortranBoundary(&error, [] { nex_TextException(atr_String("text")).Throw("src", 1); });
  EXPECT_EQ(error, 1);
  inpM_FortranBoundary(nullptr, [] { wip_Error(atr_String("Unknown global id: 17")); });
  inpM_FortranBoundary(nullptr, [] { NEX_ASSERT_AT(1 == 2, "inpM_X"); });
  inpM_FortranBoundary(nullptr, [] { throw std::runtime_error("runtime"); });
  inpM_FortranBoundary(nullptr, [] { throw 3; });
  error = 0;
  inpM_FortranBoundary(&error, [] {});
  EXPECT_EQ(error, 0);
  ASSERT_EQ(fatal.size(), 5u);
  EXPECT_EQ(fatal[0], "text");
  EXPECT_EQ(fatal[1], "Unknown global id: 17");
  EXPECT_EQ(fatal[2].rfind("Assertion failed: 1 == 2 (inpM_X, line ", 0), 0u);
  EXPECT_EQ(fatal[3], "runtime");
  EXPECT_EQ(fatal[4], "An unknown exception reached the boundary of a solver routine.");

  // An unknown id, reported by the part map through the error service.
  fatal.clear();
  const int mode = 1, id = 999, jtyp = 0;
  char instance[8];
  int local = 0;
  error = 0;
  const auto call = [&] { INPM_GETPARTINFO(&mode, " ", &id, &jtyp, instance, &local, &error, 1, sizeof instance); };
  call();
  EXPECT_EQ(fatal, std::vector<std::string>{"Unknown global id: 999"});
  EXPECT_EQ(error, 1);
  void* context = nullptr;
  EXPECT_EQ(wip_SetFatalHandler(nullptr, nullptr, &context), &Record);
  EXPECT_EQ(context, &fatal);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(call(), ::testing::ExitedWithCode(1), "^Unknown global id: 999\n$");
}

// The last finalize destroys the thread's solver part map, which writes the
// job's part file back.
TEST_F(RoutineJob, FinalizeWritesTheJobsPartFileBackAndSolverPartInfoReadsIt) {
  int level = 0;
  inpM_initialize(level);
  const int mode = 1;
  int global = 0, error = 0;
  INPM_GETINTERNAL(&mode, " ", "PART-1-1", &mode, &mode, &global, &error, 1, 8);
  std::filesystem::remove(dir.Path("job.prt"));
  inpM_finalize(level);
  EXPECT_EQ(global, 1);
  EXPECT_EQ(Slurp(dir.Path("job.prt")), Slurp(kGolden + "/routines_job.prt"));

  // INPM_SOLVERPARTINFO gives 0 for a job whose local ids are its global ids
  // (1 is in the Fortran program); an unreadable job's part file leaves the
  // answer, sets the error flag and prints the reader's text alone.
  std::string printed;
  wip_WIP& service = thr_ThreadSingleton<wip_WIP>::Instance();
  const wip_OutputSink old = service.SetOutputSink([&](std::string_view text) { printed += text; });
  Spit(dir.Path("job.prt"), "0\n1" + Slurp(dir.Path("job.prt")).substr(3));  // localIdsAreGlobal set
  int answer = 7;
  error = 5;
  INPM_SOLVERPARTINFO(&answer, &error);
  EXPECT_EQ(std::pair(answer, error), std::pair(0, 0));
  INPM_SOLVERPARTCLOSEALL();
  std::filesystem::remove(dir.Path("job.prt"));
  answer = 7;
  inpm_solverpartinfo_(&answer, &error);
  EXPECT_EQ(std::pair(answer, error), std::pair(7, 1));
  EXPECT_EQ(printed,
            "The part map file \"" + dir.Path("job.prt") + "\" is corrupt, does not exist, or cannot be opened.\n");
  service.SetOutputSink(old);
}

TEST_F(RoutineJob, UserSubroutineCallsFromFortran) {
#ifndef ROUTINES_FORTRAN_EXE
  GTEST_SKIP() << "built without a Fortran compiler";
#else
  std::filesystem::copy_file(kGolden + "/worked_example.prt", dir.Path("other.prt"));
  EXPECT_EQ(RunInJob(ROUTINES_FORTRAN_EXE), 0) << Slurp(dir.Path("err.txt"));
  EXPECT_EQ(Slurp(dir.Path("out.txt")), Slurp(kGolden + "/routines_fortran.out"));
  EXPECT_EQ(Slurp(dir.Path("job.prt")), Slurp(kGolden + "/routines_job.prt"));
#endif
}

// Eight threads look ids up both ways on the job's part file at once, each
// through its own solver part map, with no lock of the caller's: every
// answer is exact.
TEST_F(RoutineJob, LookupsFromEightThreads) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  const int calls = 20000;
#else
  const int calls = 1000000;
#endif
  struct Id { int global, jtyp; const char* instance; int local; };
  const std::vector<Id> ids = {{1, 0, "PART-1-1", 1}, {3, 0, "PART-1-1", 3}, {4, 0, "Long-Instance-Name-2", 1},
                               {5, 0, "Long-Instance-Name-2", 2}, {100, 0, "", 1}, {1, 1, "PART-1-1", 1},
                               {3, 1, "Long-Instance-Name-2", 2}};
  std::vector<int> wrong(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      std::minstd_rand random(t + 1);
      const int mode = 1;
      char instance[24];
      int local = 0, global = 0, error = 0;
      for (int i = 0; i < calls; ++i) {
        const Id& id = ids[random() % ids.size()];
        if (i % 2 == 0) {
          INPM_GETPARTINFO(&mode, "", &id.global, &id.jtyp, instance, &local, &error, 0, sizeof instance);
          wrong[t] += error != 0 || local != id.local ||
                      std::string(instance, sizeof instance) != (id.instance + std::string(24, ' ')).substr(0, 24);
        } else {
          INPM_GETINTERNAL(&mode, " ", id.instance, &id.local, &id.jtyp, &global, &error, 1,
                           std::char_traits<char>::length(id.instance));
          wrong[t] += error != 0 || global != id.global;
        }
      }
      INPM_SOLVERPARTCLOSEALL();
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong, std::vector<int>(8, 0));
  EXPECT_TRUE(fatal.empty());
  EXPECT_EQ(Slurp(dir.Path("job.prt")), Slurp(kGolden + "/routines_job.prt"));
}

// The spanned list is one for the process: threads refilling it with the
// node set (two instances) or the element set (the second instance alone)
// and reading it at once always find one of the two whole lists.
TEST_F(RoutineJob, SpannedListSharedByThreads) {
  std::vector<int> wrong(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      const int kind = t % 2, one = 1, two = 2;
      const char* name = kind == 0 ? "ASET" : "Eset-A";
      for (int i = 0; i < 500; ++i) {
        int first = -1, second = -1;
        INPM_SOLVERGETSPANNEDINDEX(&kind, &one, &first, name, std::char_traits<char>::length(name));
        INPM_SOLVERGETSPANNEDINDEX(&kind, &two, &second, " ", 1);
        wrong[t] += !((first == 1 || first == 2) && (second == 2 || second == -1));
      }
      INPM_SOLVERPARTCLOSEALL();
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

// Nested starts only count: the caller's counter goes up once and back, an
// unmatched finalize changes nothing. Eight threads starting at once, each
// with its own counter, count one start and one end.
TEST(RoutineLifecycle, StartsCount) {
  int level = 41;
  for (int step : {1, 1, -1, -1, -1, 1, -1}) step > 0 ? inpM_initialize(level) : inpM_finalize(level);
  EXPECT_EQ(level, 41);
  inpM_initialize(level);
  inpM_initialize(level);
  EXPECT_EQ(level, 42);
  inpM_finalize(level);
  inpM_finalize(level);

  std::vector<int> levels(8, 0), afterStart(8, 0);
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (size_t i = 0; i < levels.size(); ++i)
    threads.emplace_back([&, i] {
      inpM_initialize(levels[i]);
      for (++started; started.load() < 8;) std::this_thread::yield();
      afterStart[i] = levels[i];
      inpM_finalize(levels[i]);
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(std::accumulate(afterStart.begin(), afterStart.end(), 0), 1);
  EXPECT_EQ(std::accumulate(levels.begin(), levels.end(), 0), 0);
}

}  // namespace
