// Fuzz target of the solver routines' character arguments.
//
// A job of a small generated part map (two instances, every kind of set and
// surface) lies in a folder of its own, which is the working folder while an
// input runs, so that every part file and printed map that a routine names
// stays there. The
// input is a sequence of routine calls: each takes its operation, numbers and
// character arguments from the input; a character argument has a declared
// length from 0 to 63 and holds the input's bytes (blanks, NULs, quotes and
// all), blank-padded when the input runs short. Errors reach the fatal hook,
// which returns, so the routine returns with its error flag at 1.
//
// Whatever the calls, nothing crashes, no internal invariant breaks (no
// assertion and no unknown exception reaches the hook) and the answers agree:
// - a local id that GETINTERNAL translates (to a global id other than 0,
//   which GETPARTINFO takes for no id) comes back from GETPARTINFO as the
//   same instance and local id, and the instance name that GETPARTINFO gives
//   translates back to the global id;
// - GETPARTINFOI refuses (flag 2) exactly the output arguments no longer
//   than the name, and an id that a lookup finds absent stays absent;
// - asking twice how many instances a set or surface spans gives the same
//   count, and every spanned instance has a part index of the map.
// After each input the thread's solver part map is destroyed and the job's
// part file written afresh, so that every input starts from the same job.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "inpM_Routines.h"
#include "inpM_SolverPartMap.h"
#include "mem.h"
#include "nex.h"
#include "thr.h"
#include "utl.h"
#include "wip.h"

namespace {

int g_fatal = 0;  // messages that reached the fatal hook

void Fatal(const char* message, void*) {
  const std::string_view text(message);
  if (text.empty() || text.starts_with("Assertion failed") || text.starts_with("An unknown exception")) std::abort();
  ++g_fatal;
}

// The job's folder and the text of its part file.
struct Job {
  std::filesystem::path home, dir;
  std::string text;
  Job() {
    int level = 0;
    inpM_initialize(level);
    // In memory where there is such a file system: the job's part file is
    // written back, with its syncs, after every input.
    std::string folder = std::string(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
                         "/routines_fuzz.XXXXXX";
    if (!mkdtemp(folder.data())) std::abort();
    home = std::filesystem::current_path();
    dir = folder;
    utl_SetJob(folder.c_str(), "job");
    wip_SetFatalHandler(&Fatal, nullptr);
    thr_ThreadSingleton<wip_WIP>::Instance().SetOutputSink([](std::string_view) {});
    text = kvl_fuzz::Text(kvl_fuzz::SmallModel());
  }
  ~Job() {
    thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

// The input read as the calls' arguments; 0 and blanks once it has run out.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool Done() const { return p_ == end_; }
  int Byte() { return p_ < end_ ? *p_++ : 0; }
  int Small() { return static_cast<int8_t>(Byte()); }
  // A character argument. In a file name '/' becomes '_': every file the
  // routines read or write stays in the job's folder.
  std::string Chars(bool file = false) {
    std::string arg(static_cast<size_t>(Byte() % 64), ' ');
    for (char& c : arg) {
      if (Done()) break;
      c = static_cast<char>(Byte());
      if (file && c == '/') c = '_';
    }
    return arg;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

std::string RightTrimmed(const char* p, size_t n) {
  while (n > 0 && p[n - 1] == ' ') --n;
  return std::string(p, n);
}

struct Found {
  int error = 0;
  std::string instance;
  int local = 0;
};

Found PartInfo(int mode, const std::string& file, int global, int jtyp) {
  Found f;
  char name[64];
  INPM_GETPARTINFO(&mode, file.data(), &global, &jtyp, name, &f.local, &f.error, file.size(), sizeof name);
  f.instance = RightTrimmed(name, sizeof name);
  return f;
}

int Internal(int mode, const std::string& file, const std::string& instance, int local, int jtyp, int& error) {
  int global = 0;
  INPM_GETINTERNAL(&mode, file.data(), instance.data(), &local, &jtyp, &global, &error, file.size(), instance.size());
  return global;
}

void Check(bool holds) {
  if (!holds) std::abort();
}

// The current part map translates (instance, local) and global back and
// forth alike. Mode 0 keeps the part map that the call before made current.
void CheckTwins(const std::string& instance, int local, int global, int jtyp) {
  if (global == 0) return;  // an id that the insertion routines may create, but GETPARTINFO's "no id"
  const Found back = PartInfo(0, " ", global, jtyp);
  Check(back.error == 0 && back.local == local);
  int error = 0;
  Check(Internal(0, " ", back.instance.empty() ? " " : back.instance, local, jtyp, error) == global && error == 0);
  Check(instance.empty() == back.instance.empty());
}

void GetInternal(Input& in) {
  const int mode = in.Byte() % 3, local = in.Small(), jtyp = in.Byte() % 3;
  const std::string file = in.Chars(true), instance = in.Chars();
  int error = 0;
  const int global = Internal(mode, file, instance, local, jtyp, error);
  if (error == 0) CheckTwins(RightTrimmed(instance.data(), instance.size()), local, global, jtyp);
}

void GetPartInfo(Input& in) {
  const int mode = in.Byte() % 3, global = in.Small(), jtyp = in.Byte() % 3;
  const std::string file = in.Chars(true);
  const size_t length = static_cast<size_t>(in.Byte() % 40);
  const Found found = PartInfo(mode, file, global, jtyp);
  if (found.error != 0) {
    Check(PartInfo(mode, file, global, jtyp).error != 0);  // absent stays absent
    return;
  }
  CheckTwins(found.instance, found.local, global, jtyp);
  char name[40];
  int local = 0, error = 0, current = 0;
  INPM_GETPARTINFOI(&current, " ", &global, &jtyp, name, &local, &error, 1, length);
  Check(error == (length > found.instance.size() ? 0 : 2));
  if (error == 0) Check(RightTrimmed(name, length) == found.instance && local == found.local);
}

void Spanned(Input& in) {
  const int kind = in.Byte() % 4;
  std::string name = in.Chars();
  int count = -1;
  const int fatal = g_fatal;
  INPM_SOLVERINSTANCESSPANNED(&kind, name.data(), &count, name.size());
  int again = -1;
  INPM_SOLVERINSTANCESSPANNED(&kind, name.data(), &again, name.size());
  if (g_fatal != fatal) return;
  Check(again == count);
  for (int position = 1; position <= count; ++position) {
    int index = -1;
    INPM_SOLVERGETSPANNEDINDEX(&kind, &position, &index, name.data(), name.size());
    if (g_fatal != fatal) return;
    Check(index >= 0 && index <= 2);
  }
}

void Insert(Input& in, int op) {
  int ids[4], members[4];
  const int n = in.Byte() % 5;
  for (int i = 0; i < 4; ++i) {
    ids[i] = in.Small();
    members[i] = in.Small();
  }
  const int jop = in.Byte() % 12, jtyp = in.Byte() % 2, jtypMember = in.Byte() % 2;
  const std::string name = in.Chars(), face = in.Chars();
  int id = in.Small(), surfaceOp = jop % 8;
  double area = in.Byte() / 8.0;
  switch (op) {
    case 0:
      INPM_INSERTNODEORELEM2PARTMAP(&jop, ids, &n, &jtyp, members, &jtypMember, name.data(), name.size());
      break;
    case 1:
      INPM_INSERTNEWELEMSET2PARTMAP(ids, &n, name.data(), name.size());
      break;
    case 2:
      INPM_INSERTSURFACE2PARTMAP(&surfaceOp, name.data(), &id, face.data(), &area, name.size(), face.size());
      break;
    case 3:
      INPM_INSERTSORTEDSMGNSET(ids, &n, name.data(), name.size());
      break;
    default:
      INPM_INSERTUNSORTEDSMGNSET(ids, &n, name.data(), name.size());
      break;
  }
}

void Other(Input& in) {
  switch (in.Byte() % 4) {
    case 0: {
      int a = in.Small(), b = in.Small();
      const int c = in.Small();
      INPM_SOLVERPARTINDEX(&a, &b, &c);
      break;
    }
    case 1: {
      int answer = 0, error = 0;
      INPM_SOLVERPARTINFO(&answer, &error);
      break;
    }
    case 2:
      INPM_SOLVERPARTCLOSEALL();
      break;
    default: {
      const std::string file = in.Chars(true);
      INPM_PRINTMAP(file.data(), file.size());
      std::string written = file.substr(0, file.find(' '));
      written = written.substr(0, written.find('\0'));
      std::error_code ec;
      if (!written.empty() && !std::filesystem::is_directory(written, ec)) std::filesystem::remove(written, ec);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Each call opens at most one part map, so no input fills more slots than it
  // makes calls.
  constexpr int kMaxCalls = 16, kMaxSlots = kMaxCalls + 1;
  static Job job;
  std::ofstream(job.dir / "job.prt", std::ios::binary | std::ios::trunc) << job.text;
  std::filesystem::current_path(job.dir);
  Input in(data, size);
  for (int calls = 0; calls < kMaxCalls && !in.Done(); ++calls) {
    const int op = in.Byte() % 9;
    if (op == 0) GetInternal(in);
    else if (op == 1) GetPartInfo(in);
    else if (op == 2) Spanned(in);
    else if (op == 8) Other(in);
    else Insert(in, op - 3);
  }
  // Every part map is closed unsaved (saving, with its syncs, would cost more
  // than the rest of the input), then the solver part map is destroyed with
  // what it holds across part maps (cleared sets, locked surfaces).
  inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
  for (int slot = 0; slot < kMaxSlots; ++slot) {
    try {
      solver.MakeCurrent(slot);  // reads a closed slot's file again, which may fail
      if (solver.Exists()) solver.CloseNoSave();
    } catch (const wip_ErrorException&) {
    } catch (const nex_Exception&) {
    }
  }
  thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance();
  std::filesystem::current_path(job.home);  // where libFuzzer reads and writes its files
  return 0;
}
