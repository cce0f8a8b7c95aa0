// The solver's lookups of part indexes and counts, and the closing of all
// part maps: INPM_SOLVERPARTINDEX and INPM_SOLVERPARTCLOSEALL.
#include <algorithm>

#include "inpM_RoutineBinding.h"
#include "inpM_Routines.h"
#include "inpM_SolverPartMap.h"
#include "nex.h"
#include "wip.h"

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

void INPM_SOLVERPARTINDEX(int* a, int* b, const int* c) noexcept {
  inpM_FortranBoundary(nullptr, [&] { inpM_SolverPartIndexC(*a, *b, *c); });
}

void INPM_SOLVERPARTCLOSEALL() noexcept {
  inpM_FortranBoundary(nullptr, [] { inpM_SolverPartCloseAllC(); });
}
}

INPM_FORTRAN_NAME(INPM_SOLVERPARTINDEX, inpm_solverpartindex_)
INPM_FORTRAN_NAME(INPM_SOLVERPARTCLOSEALL, inpm_solverpartcloseall_)
