// The solver routines and the library's start and end.
//
// The routines follow the Fortran calling convention: every argument is
// passed by address, and after the declared arguments each character
// argument's declared length follows, by value in a full argument slot
// (size_t), in the order of the character arguments. A character argument is
// a blank-padded byte array of exactly that length, not NUL-terminated.
//
// Each routine is exported under its upper-case name (INPM_GETPARTINFO) and
// under the name that gfortran and other Unix Fortran compilers give the
// routine (inpm_getpartinfo_), so that Fortran calls it without glue; the
// Fortran module inpm.f90, installed beside this header, declares them all.
// No C++ exception leaves these routines: an error that would reach the
// caller goes to the error service's fatal-error hook (wip_Fatal).
//
// The twins (getinternalC, inpM_getpartinfoiC, ...) take cow_String values
// and references and do the work; they are for C++ callers and let
// exceptions pass as each one states.
#ifndef INPM_ROUTINES_H
#define INPM_ROUTINES_H

#include <cstddef>

#include "cow.h"
#include "kvl_api.h"

// Starts the library and the companion libraries on the first call; later
// calls only count. `level` is the caller's counter: it is incremented when
// the companions start and decremented when they stop, and never read.
// Safe to call from several threads at once.
KVL_API void inpM_initialize(int& level);
// Matches one inpM_initialize; the last one destroys the calling thread's
// solver part map (writing the job's part file back) and stops the
// companions in the reverse order.
KVL_API void inpM_finalize(int& level);

// Lookup twins.
KVL_API void getinternalC(int& mode, const cow_String& partFile, const cow_String& instance, int& localId, int& jtyp,
                          int& globalId, int& error);
KVL_API void inpM_getpartinfoiC(int mode, const cow_String& partFile, int globalId, int jtyp, cow_String& instance,
                                int& localId, int& error);
KVL_API void inpM_SolverPartInfoC(int& answer, int& error);
KVL_API void inpM_SolverPartIndexC(int& a, int& b, int c);
KVL_API void inpM_SolverInstancesSpannedC(int& kind, cow_String& name, int& count);
KVL_API void inpM_SolverGetSpannedIndexC(int& kind, int& position, int& partIndex, cow_String& name);
KVL_API void inpM_SolverPartCloseAllC();

// Insertion twins; the names are NUL-terminated (blank-stripped copies).
KVL_API void inpM_insertnodeorelem2partmapC(const int& jop, const int* ids, const int& numInsert, const int& jtyp,
                                            const int* members, const int& jtypMember, const char* setName);
KVL_API void inpM_insertnewelemset2partmapC(const int* ids, const int& count, const char* setName);
KVL_API void inpM_insertsurface2partmapC(int& jop, char* surfaceName, int& id, char* faceLabel, double& area);

extern "C" {

// Each routine under both of its names.
#define INPM_ROUTINE(upper, lower, params) \
  KVL_API void upper params noexcept;      \
  KVL_API void lower params noexcept;

INPM_ROUTINE(INPM_GETINTERNAL, inpm_getinternal_,
             (const int* mode, const char* partFile, const char* instance, const int* localId, const int* jtyp,
              int* globalId, int* error, size_t partFileLength, size_t instanceLength))
INPM_ROUTINE(INPM_GETPARTINFO, inpm_getpartinfo_,
             (const int* mode, const char* partFile, const int* globalId, const int* jtyp, char* instance,
              int* localId, int* error, size_t partFileLength, size_t instanceLength))
INPM_ROUTINE(INPM_GETPARTINFOI, inpm_getpartinfoi_,
             (const int* mode, const char* partFile, const int* globalId, const int* jtyp, char* instance,
              int* localId, int* error, size_t partFileLength, size_t instanceLength))
INPM_ROUTINE(INPM_SOLVERPARTINFO, inpm_solverpartinfo_, (int* answer, int* error))
INPM_ROUTINE(INPM_SOLVERPARTINDEX, inpm_solverpartindex_, (int* a, int* b, const int* c))
INPM_ROUTINE(INPM_SOLVERINSTANCESSPANNED, inpm_solverinstancesspanned_,
             (const int* kind, char* name, int* count, size_t nameLength))
INPM_ROUTINE(INPM_SOLVERGETSPANNEDINDEX, inpm_solvergetspannedindex_,
             (const int* kind, const int* position, int* partIndex, const char* name, size_t nameLength))
INPM_ROUTINE(INPM_SOLVERPARTCLOSEALL, inpm_solverpartcloseall_, ())

// The utility routines of user subroutines, on the job's own part file:
// GETPARTINFO is INPM_GETPARTINFO with mode 1 and a blank part file name,
// GETINTERNAL is INPM_GETINTERNAL with mode 1.
INPM_ROUTINE(GETPARTINFO, getpartinfo_,
             (const int* globalId, const int* jtyp, char* instance, int* localId, int* error,
              size_t instanceLength))
INPM_ROUTINE(GETINTERNAL, getinternal_,
             (const char* instance, const int* localId, const int* jtyp, int* globalId, int* error,
              size_t instanceLength))

// The solver's edits of the job's part map, and its printed maps.
INPM_ROUTINE(INPM_INSERTNODEORELEM2PARTMAP, inpm_insertnodeorelem2partmap_,
             (const int* jop, const int* ids, const int* numInsert, const int* jtyp, const int* members,
              const int* jtypMember, const char* setName, size_t setNameLength))
INPM_ROUTINE(INPM_INSERTNEWELEMSET2PARTMAP, inpm_insertnewelemset2partmap_,
             (const int* ids, const int* count, const char* setName, size_t setNameLength))
INPM_ROUTINE(INPM_INSERTSURFACE2PARTMAP, inpm_insertsurface2partmap_,
             (int* jop, const char* surfaceName, int* id, const char* faceLabel, double* area,
              size_t surfaceNameLength, size_t faceLabelLength))
INPM_ROUTINE(INPM_INSERTSORTEDSMGNSET, inpm_insertsortedsmgnset_,
             (const int* ids, const int* count, const char* setName, size_t setNameLength))
INPM_ROUTINE(INPM_INSERTUNSORTEDSMGNSET, inpm_insertunsortedsmgnset_,
             (const int* ids, const int* count, const char* setName, size_t setNameLength))
INPM_ROUTINE(INPM_PRINTMAP, inpm_printmap_, (const char* fileName, size_t fileNameLength))

#undef INPM_ROUTINE
}

#endif
