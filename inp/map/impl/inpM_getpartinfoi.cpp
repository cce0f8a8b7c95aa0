// The id lookups of the solver and of user subroutines: INPM_GETPARTINFO and
// INPM_GETPARTINFOI (global id to instance and local id), INPM_GETINTERNAL
// (the reverse), and the utility routines GETPARTINFO and GETINTERNAL.
#include "atr.h"
#include "inpM_Messages.h"
#include "inpM_RoutineBinding.h"
#include "inpM_Routines.h"
#include "inpM_SolverPartMap.h"
#include "nex.h"
#include "wip.h"

namespace {

const char kSource[] = "inpM_getpartinfoi";

const char kGetPartInfoFlag[] =
    "Utility routine GETPARTINFO was called with an incorrect value of the flag, jtyp=%s. The flag must be equal "
    "to 0 to look up a node or 1 to look up an element.";
const char kGetPartInfoNoFile[] = "Part file does not exist. GETPARTINFO cannot return part information.";
const char kGetPartInfoPrefix[] = "Message from utility routine GETPARTINFO: ";
const char kGetInternalFlag[] =
    "Utility routine GETINTERNAL was called with an incorrect value of the flag, jtyp= %s. The flag must be equal "
    "to 0 to look up a node or 1 to look up an element.";
const char kGetInternalNoFile[] = "Part file does not exist. GETINTERNAL cannot return part information.";
const char kGetInternalPrefix[] = "Message from user routine GETINTERNAL: ";

// Mode 1: the job's own part file; 2: the named one; any other: the part map
// already current.
void ApplyMode(inpM_SolverPartMap& solver, int mode, const cow_String& partFile) {
  if (mode == 1) {
    solver.MakeCurrent();
  } else if (mode == 2) {
    solver.MakeCurrent(partFile);
  }
}

// INPM_GETPARTINFO and GETPARTINFO: the instance name written truncated, an
// internal error printed after the routine's prefix.
void GetPartInfoTruncated(int mode, const char* partFile, size_t partFileLength, int globalId, int jtyp,
                          char* instance, size_t instanceLength, int* localId, int* error) {
  inpM_FortranBoundary(error, [&] {
    cow_String name;
    try {
      inpM_getpartinfoiC(mode, inpM_RightTrimmed(partFile, partFileLength), globalId, jtyp, name, *localId, *error);
    } catch (const nex_TextException& e) {
      *error = 1;
      inpM_PrintRoutineMessage(kGetPartInfoPrefix, e.UserReport());
    }
    inpM_WriteTruncated(name, instance, instanceLength);
  });
}

void GetInternal(int mode, const char* partFile, size_t partFileLength, const char* instance, size_t instanceLength,
                 int localId, int jtyp, int* globalId, int* error) {
  inpM_FortranBoundary(error, [&] {
    getinternalC(mode, inpM_RightTrimmed(partFile, partFileLength), inpM_RightTrimmed(instance, instanceLength),
                 localId, jtyp, *globalId, *error);
  });
}

}  // namespace

void inpM_getpartinfoiC(int mode, const cow_String& partFile, int globalId, int jtyp, cow_String& instance,
                        int& localId, int& error) {
  error = 0;
  if (globalId == 0) {
    localId = 0;
    error = 1;
    return;
  }
  if (jtyp != 0 && jtyp != 1) {
    error = 1;
    nex_TextException(inpM_Message(kGetPartInfoFlag, jtyp)).Throw(kSource, __LINE__);
  }
  try {
    inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
    ApplyMode(solver, mode, partFile);
    if (!solver.Exists()) nex_TextException(atr_translate(kGetPartInfoNoFile).Result()).Throw(kSource, __LINE__);
    inpM_StringIntPair pair =
        jtyp != 0 ? solver.ConstGetInstanceElementIdPair(globalId) : solver.ConstGetInstanceNodeIdPair(globalId);
    instance = std::move(pair.instance);
    localId = pair.id;
  } catch (const nex_TextException&) {
    error = 1;
    throw;
  }
}

void getinternalC(int& mode, const cow_String& partFile, const cow_String& instance, int& localId, int& jtyp,
                  int& globalId, int& error) {
  error = 0;
  wip_WIP& service = thr_ThreadSingleton<wip_WIP>::Instance();
  if (jtyp != 0 && jtyp != 1) {
    error = 1;
    service.Print(inpM_Message(kGetInternalFlag, jtyp));
    return;
  }
  try {
    inpM_SolverPartMap& solver = thr_ThreadSingleton<inpM_SolverPartMap>::Instance();
    ApplyMode(solver, mode, partFile);
    if (solver.Exists()) {
      globalId = jtyp == 0 ? solver.GlobalNodeId(instance, localId) : solver.GlobalElementId(instance, localId);
    } else {
      error = 1;
      service.Print(atr_translate(kGetInternalNoFile).Result());
    }
  } catch (const nex_TextException& e) {
    error = 1;
    inpM_PrintRoutineMessage(kGetInternalPrefix, e.UserReport());
  }
}

extern "C" {

void INPM_GETPARTINFO(const int* mode, const char* partFile, const int* globalId, const int* jtyp, char* instance,
                      int* localId, int* error, size_t partFileLength, size_t instanceLength) noexcept {
  GetPartInfoTruncated(*mode, partFile, partFileLength, *globalId, *jtyp, instance, instanceLength, localId, error);
}

void INPM_GETPARTINFOI(const int* mode, const char* partFile, const int* globalId, const int* jtyp, char* instance,
                       int* localId, int* error, size_t partFileLength, size_t instanceLength) noexcept {
  *error = 0;
  inpM_FortranBoundary(error, [&] {
    cow_String name;
    try {
      inpM_getpartinfoiC(*mode, inpM_Trimmed(partFile, partFileLength), *globalId, *jtyp, name, *localId, *error);
    } catch (const nex_TextException&) {
      *error = 1;
    }
    if (!inpM_WriteChecked(name, instance, instanceLength)) *error = 2;
  });
}

void INPM_GETINTERNAL(const int* mode, const char* partFile, const char* instance, const int* localId,
                      const int* jtyp, int* globalId, int* error, size_t partFileLength,
                      size_t instanceLength) noexcept {
  GetInternal(*mode, partFile, partFileLength, instance, instanceLength, *localId, *jtyp, globalId, error);
}

void GETPARTINFO(const int* globalId, const int* jtyp, char* instance, int* localId, int* error,
                 size_t instanceLength) noexcept {
  GetPartInfoTruncated(1, "", 0, *globalId, *jtyp, instance, instanceLength, localId, error);
}

void GETINTERNAL(const char* instance, const int* localId, const int* jtyp, int* globalId, int* error,
                 size_t instanceLength) noexcept {
  GetInternal(1, "", 0, instance, instanceLength, *localId, *jtyp, globalId, error);
}
}

INPM_FORTRAN_NAME(INPM_GETPARTINFO, inpm_getpartinfo_)
INPM_FORTRAN_NAME(INPM_GETPARTINFOI, inpm_getpartinfoi_)
INPM_FORTRAN_NAME(INPM_GETINTERNAL, inpm_getinternal_)
INPM_FORTRAN_NAME(GETPARTINFO, getpartinfo_)
INPM_FORTRAN_NAME(GETINTERNAL, getinternal_)
