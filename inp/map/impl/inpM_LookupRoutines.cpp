// The solver's lookups of the id numbering, part indexes, counts and spanned
// instances, and the closing of all part maps: INPM_SOLVERPARTINFO,
// INPM_SOLVERPARTINDEX,
// INPM_SOLVERINSTANCESSPANNED, INPM_SOLVERGETSPANNEDINDEX and
// INPM_SOLVERPARTCLOSEALL.
#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "inpM_RoutineBinding.h"
#include "inpM_Routines.h"
#include "inpM_SolverPartMap.h"
#include "nex.h"

void inpM_SolverPartInfoC(int& answer, int& error) {
  error = 0;
  try {
    inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
    solver.MakeCurrent();
    if (solver.Exists()) answer = solver.LocalIdsAreGlobal() ? 0 : 1;
  } catch (const nex_TextException& e) {
    error = 1;
    inpM_PrintRoutineMessage(nullptr, e.UserReport());
  }
}

void inpM_SolverPartIndexC(int& a, int& b, int c) {
  const inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
  if (!solver.Exists()) return;
  if (b == -1) {
    a = std::max(solver.GetNumberAssemblyElsets(), solver.GetNumberAssemblyNsets());
    b = solver.GetNumberInstances();
  } else if (b == -2) {
    a = c == 1   ? solver.GetNumberElsets()
        : c == 2 ? solver.GetNumberNsets()
                 : std::max(solver.GetNumberElsets(), solver.GetNumberNsets());
    b = solver.GetNumberInstances();
  } else {
    int jtyp = b;
    b = solver.PartIndex(a, jtyp);
  }
}

namespace {

// The spanned list of INPM_SOLVERGETSPANNEDINDEX: one list for the whole
// process, since the solver may ask for position 1 on one thread and for the
// later positions on another. The lock makes two threads calling at once no
// data race; a refill by one thread still replaces what another filled. The
// names are plain strings, whose copies share nothing: the library's values
// belong to one thread at a time.
std::mutex spannedMutex;
std::vector<std::string>& SpannedList() {
  static std::vector<std::string> list;
  return list;
}

// The instances that the assembly set or surface of the kind spans, or
// nothing for another kind.
std::optional<cow_List<cow_String>> Spanned(const inpM_SolverPartMap& solver, int kind, const cow_String& name) {
  switch (kind) {
    case 0:
      return solver.InstancesSpannedByAssemblyNset(solver.GetAssemblyNsetName(name));
    case 1:
      return solver.InstancesSpannedByAssemblyElset(solver.GetAssemblyElsetName(name));
    case 2:
      return solver.InstancesSpannedByAssemblySurface(solver.GetAssemblySurfaceName(name));
    default:
      return std::nullopt;
  }
}

// The part index of an instance name of the current part map: 0 for the
// assembly level, i for the i-th name of Instances().
std::optional<int> PartIndexOf(const inpM_SolverPartMap& solver, const cow_String& instance) {
  if (instance.IsEmpty()) return 0;
  int i = 0;
  for (const cow_String& name : solver.Instances()) {
    ++i;
    if (name == instance) return i;
  }
  return std::nullopt;
}

}  // namespace

void inpM_SolverInstancesSpannedC(int& kind, cow_String& name, int& count) {
  inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
  solver.MakeCurrent();
  if (!solver.Exists()) return;
  switch (kind) {
    case 0:
      if (solver.IsAssemblyNsetName(name)) name = solver.GetAssemblyNsetName(name);
      count = solver.NumberInstancesSpannedByAssemblyNset(name);
      break;
    case 1:
      if (solver.IsAssemblyElsetName(name)) name = solver.GetAssemblyElsetName(name);
      count = solver.NumberInstancesSpannedByAssemblyElset(name);
      break;
    case 2:
      if (solver.IsAssemblySurfaceName(name)) name = solver.GetAssemblySurfaceName(name);
      count = solver.NumberInstancesSpannedByAssemblySurface(name);
      break;
    default:
      break;
  }
}

void inpM_SolverGetSpannedIndexC(int& kind, int& position, int& partIndex, cow_String& name) {
  inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
  solver.MakeCurrent();
  if (position == 1 && solver.Exists()) {
    if (const std::optional<cow_List<cow_String>> spanned = Spanned(solver, kind, name)) {
      std::vector<std::string> fresh;
      for (const cow_String& instance : *spanned) fresh.push_back(instance.str());
      const std::lock_guard<std::mutex> lock(spannedMutex);
      SpannedList().swap(fresh);
    }
  }
  // A position below 1 or beyond the list leaves the part index as it was,
  // as an empty list does: the caller's value is the only one there is.
  std::optional<std::string> instance;
  {
    const std::lock_guard<std::mutex> lock(spannedMutex);
    const std::vector<std::string>& list = SpannedList();
    if (position >= 1 && static_cast<size_t>(position) <= list.size()) instance = list[static_cast<size_t>(position) - 1];
  }
  if (!instance || !solver.Exists()) return;
  if (const std::optional<int> index = PartIndexOf(solver, cow_String(*instance))) partIndex = *index;
}

void inpM_SolverPartCloseAllC() {
  try {
    inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
    solver.MakeCurrent();
    if (solver.Exists()) solver.CloseAll();
  } catch (const nex_TextException& e) {
    inpM_PrintRoutineMessage(nullptr, e.UserReport());
  }
}

extern "C" {

void INPM_SOLVERPARTINFO(int* answer, int* error) noexcept {
  inpM_FortranBoundary(error, [&] { inpM_SolverPartInfoC(*answer, *error); });
}

void INPM_SOLVERPARTINDEX(int* a, int* b, const int* c) noexcept {
  inpM_FortranBoundary(nullptr, [&] { inpM_SolverPartIndexC(*a, *b, *c); });
}

void INPM_SOLVERINSTANCESSPANNED(const int* kind, char* name, int* count, size_t nameLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] {
    const inpM_BlankStrippedCopy copy(name, nameLength);
    cow_String value = copy.Name();
    const int passedLength = value.Length();
    int k = *kind;
    inpM_SolverInstancesSpannedC(k, value, *count);
    inpM_WriteBack(value, passedLength, name, nameLength);
  });
}

void INPM_SOLVERGETSPANNEDINDEX(const int* kind, const int* position, int* partIndex, const char* name,
                                size_t nameLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] {
    const inpM_BlankStrippedCopy copy(name, nameLength);
    cow_String value = copy.Name();
    int k = *kind;
    int p = *position;
    inpM_SolverGetSpannedIndexC(k, p, *partIndex, value);
  });
}

void INPM_SOLVERPARTCLOSEALL() noexcept {
  inpM_FortranBoundary(nullptr, [] { inpM_SolverPartCloseAllC(); });
}
}

INPM_FORTRAN_NAME(INPM_SOLVERPARTINFO, inpm_solverpartinfo_)
INPM_FORTRAN_NAME(INPM_SOLVERPARTINDEX, inpm_solverpartindex_)
INPM_FORTRAN_NAME(INPM_SOLVERINSTANCESSPANNED, inpm_solverinstancesspanned_)
INPM_FORTRAN_NAME(INPM_SOLVERGETSPANNEDINDEX, inpm_solvergetspannedindex_)
INPM_FORTRAN_NAME(INPM_SOLVERPARTCLOSEALL, inpm_solverpartcloseall_)
