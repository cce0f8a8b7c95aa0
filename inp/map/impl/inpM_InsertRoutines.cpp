// The solver's edits of the job's part map while the analysis runs and the
// printed maps: INPM_INSERTNODEORELEM2PARTMAP, INPM_INSERTNEWELEMSET2PARTMAP,
// INPM_INSERTSURFACE2PARTMAP, INPM_INSERTSORTEDSMGNSET,
// INPM_INSERTUNSORTEDSMGNSET and INPM_PRINTMAP.
#include <initializer_list>

#include "atr.h"
#include "inpM_Messages.h"
#include "inpM_RoutineBinding.h"
#include "inpM_Routines.h"
#include "inpM_SolverPartMap.h"
#include "mem.h"
#include "nex.h"
#include "wip.h"

namespace {

const char kNodeOrElemFirst[] = "Routine inpM_insertnodeorelem2partmap was called with an incorrect value of ";
const char kNodeOrElemPrefix[] = "Error in routine inpM_insertnodeorelem2partmap. ";
const char kNewElemSetPrefix[] = "Error in routine inpM_insertnewelemset2partmap. ";
const char kSurfacePrefix[] = "Error in routine inpM_insertsurface2partmap. ";
const char kSurfaceLockedFirst[] = "Routine inpM_insertsurface2partmap was called with";
const char kSurfaceLockedSecond[] =
    " an incorrect value of the flag, jop=%d . The surface \"%s\" is locked; it has to be unlocked before any "
    "operation can be performed on it.";
const char kSurfaceMissing[] = "Error in routine inpM_insertsurface2partmap. The specified surface %s does not exist.";
const char kSurfaceJop[] =
    "Routine inpM_insertsurface2partmap was called with an incorrect value of the flag, jop=%d. The flag must be "
    "equal to %d, %d, %d, %d, or %d.";
const char kPrintMapCannotOpen[] = "Routine INPM_PRINTMAP cannot open the output file \"%s\".";
const char kPrintMapCannotWrite[] = "Routine INPM_PRINTMAP could not write the output file \"%s\".";
const char kTitle[] = "E L E M E N T,   N O D E,   A N D   S U R F A C E   M A P S";

const cow_String kElset("elset");
const cow_String kNset("nset");

inpM_SolverPartMap& Solver() { return thr_ThreadSingleton<inpM_SolverPartMap>::Instance(); }

// A message made of translated pieces, each a piece of text or a number.
struct Piece {
  Piece(const char* t) : text(t) {}
  Piece(int v) : text(nullptr), value(v) {}
  const char* text;
  int value = 0;
};

void PrintPieces(std::initializer_list<Piece> pieces) {
  atr_String message;
  for (const Piece& p : pieces) message.append(p.text ? atr_translate(p.text).Result() : atr_String(p.value));
  thr_ThreadSingleton<wip_WIP>::Instance().Print(message);
}

// The complaint about a kind flag (jtyp or jtypMember) that is neither 0 nor 1.
void PrintKindFlag(const char* name, int value) {
  PrintPieces({kNodeOrElemFirst, name, value, ". The flag must be equal to ", "0", " to insert a node or ", "1",
               " to insert an element."});
}

// The instance of a global id of the part map, or the empty name when the
// map does not hold it (or holds it at the assembly level). `found` tells
// which.
cow_String InstanceOf(inpM_SolverPartMap& solver, int id, int kind, bool& found) {
  found = kind != 0 ? solver.IsElementPartMapMember(id) : solver.IsNodePartMapMember(id);
  if (!found) return cow_String();
  return kind != 0 ? solver.ConstGetInstanceElementIdPair(id).instance
                   : solver.ConstGetInstanceNodeIdPair(id).instance;
}

// The instance in which an id of a set that the map lacks is created: the
// instance of the set when the name designates an instance set, else the
// assembly level.
cow_String TargetInstance(inpM_SolverPartMap& solver, const cow_String& setName, bool elements) {
  if (elements) return solver.IsInstanceElsetName(setName) ? solver.GetInstanceAndElsetNames(setName)[0] : cow_String();
  return solver.IsInstanceNsetName(setName) ? solver.GetInstanceAndNsetNames(setName)[0] : cow_String();
}

void InsertNodesOrElements(inpM_SolverPartMap& solver, int jop, const int* ids, int numInsert, int jtyp,
                           const int* members, int jtypMember, const cow_String& setName) {
  if (jop == 9) {
    if (jtyp == 0 && !solver.NsetIsCleared(setName)) solver.ClearNset(setName);
    if (jtyp == 1 && !solver.ElsetIsCleared(setName)) solver.ClearElset(setName);
    return;
  }
  const cow_String& kind = jtyp == 1 ? kElset : kNset;
  if (jop == 8) {
    for (int i = 0; i < numInsert; ++i) solver.RemoveNodeOrElement(ids[i], kind);
    return;
  }
  const bool creates = jop == 0 || jop == 1 || jop == 2 || jop == 6;
  const bool adds = jop == 3 || jop == 4 || jop == 5 || jop == 10;
  const inpM_SetTypeFlag setType = jop == 1 || jop == 4   ? inpM_InsertedInternalSet
                                   : jop == 2 || jop == 5 ? inpM_RedundantInternalSet
                                                          : inpM_InternalSet;
  const int lookUpKind = adds ? jtyp : jtypMember;
  // Enters an id of the routine's kind into the id maps of an instance.
  const auto insertId = [&](int id, const cow_String& in) {
    return jtyp == 1 ? solver.InsertElement(id, in) : solver.InsertNode(id, in);
  };
  for (int i = 0; i < numInsert; ++i) {
    const int lookUpId = adds ? ids[i] : members[i];
    bool found = false;
    const cow_String instance = InstanceOf(solver, lookUpId, lookUpKind, found);
    if (creates) {
      insertId(ids[i], instance);
      if (jop != 6) solver.InsertIntoSet(setName, kind, instance, ids[i], 1, setType, false, false);
    } else if (adds) {
      if (!found && (jtyp == 0 || jtyp == 1)) insertId(ids[i], TargetInstance(solver, setName, jtyp == 1));
      solver.InsertIntoSet(setName, kind, instance, ids[i], 1, setType, jop == 10, false);
    } else {
      PrintPieces({kNodeOrElemFirst, "the flag, jop=", jop, ". The flag must be equal to ", "0", ", ", "1", ", ",
                   "2", ", ", "3", ", ", "4", ", ", "5", ", ", "6", ", ", "8", ", or ", "9", "."});
    }
  }
}

// One surface edit of jop 0 to 4 on the assembly surface (instance null) or
// on an instance surface; any other jop prints its complaint instead.
void EditSurface(inpM_SolverPartMap& solver, int jop, const cow_String* instance, const cow_String& surface,
                 const cow_String& face, int id, double area) {
  switch (jop) {
    case 0:
      instance ? solver.ClearInstanceSurface(*instance, surface) : solver.ClearAssemblySurface(surface);
      break;
    case 1:
      instance ? solver.AddInstanceSurfaceFacet(*instance, surface, face, id)
               : solver.AddAssemblySurfaceFacet(surface, face, id);
      break;
    case 2:
      instance ? solver.RemoveInstanceSurfaceFacet(*instance, surface, face, id)
               : solver.RemoveAssemblySurfaceFacet(surface, face, id);
      break;
    case 3:
      instance ? solver.AddInstanceSurfaceNode(*instance, surface, id, area)
               : solver.AddAssemblySurfaceNode(surface, id, area);
      break;
    case 4:
      instance ? solver.RemoveInstanceSurfaceNode(*instance, surface, id) : solver.RemoveAssemblySurfaceNode(surface, id);
      break;
    default:
      thr_ThreadSingleton<wip_WIP>::Instance().Print(inpM_Message(kSurfaceJop, jop, 0, 1, 2, 3, 4));
  }
}

// The ids of a node set from the INSERT...SMGNSET routines: cleared before
// its first filling in the life of the thread's solver part map.
void InsertSmgnSet(const int* ids, int count, const char* name, size_t nameLength, bool unsorted) {
  const cow_String setName = inpM_UpperCase(name, nameLength);
  inpM_SolverPartMap& solver = Solver();
  solver.MakeCurrent();
  if (!solver.Exists()) return;
  if (!solver.NsetIsCleared(setName)) solver.ClearNset(setName);
  const cow_List<cow_String> instances = solver.Instances();
  if (instances.Size() > 0) {
    solver.InsertInstanceNodeSet(setName, instances[0], ids, count, inpM_InternalSet, unsorted);
    return;
  }
  // A part map without instances has no instance set to fill: the ids go
  // into the assembly node set of that name as top-level ids (set type 1, in
  // the routine's order), which is the set that the clearing above empties.
  for (int i = 0; i < count; ++i) solver.InsertIntoSet(setName, kNset, cow_String(), ids[i], 1, inpM_InternalSet, unsorted, false);
}

}  // namespace

void inpM_insertnodeorelem2partmapC(const int& jop, const int* ids, const int& numInsert, const int& jtyp,
                                    const int* members, const int& jtypMember, const char* setName) {
  inpM_SolverPartMap& solver = Solver();
  solver.MakeCurrent();
  if (!solver.Exists()) return;
  if (jtyp != 0 && jtyp != 1) {
    PrintKindFlag("the flag, jtyp=", jtyp);
  } else if (jop != 9 && numInsert <= 0) {
    PrintPieces({kNodeOrElemFirst, "numInsert=", numInsert, ". The value of numInsert must be greater than 0."});
  } else if ((jop == 0 || jop == 1 || jop == 2 || jop == 6) && jtypMember != 0 && jtypMember != 1) {
    PrintKindFlag("the flag, jtypMember=", jtypMember);
  }
  const cow_String name = cow_String(setName).ToUpper();
  try {
    InsertNodesOrElements(solver, jop, ids, numInsert, jtyp, members, jtypMember, name);
  } catch (const nex_TextException& e) {
    inpM_PrintRoutineMessage(kNodeOrElemPrefix, e.UserReport());
  }
}

void inpM_insertnewelemset2partmapC(const int* ids, const int& count, const char* setName) {
  inpM_SolverPartMap& solver = Solver();
  solver.MakeCurrent();
  if (!solver.Exists()) return;
  try {
    const cow_String name = cow_String(setName).ToUpper();
    for (int i = 0; i < count; ++i) {
      bool found = false;
      const cow_String instance = InstanceOf(solver, ids[i], 1, found);
      if (!found) solver.InsertElement(ids[i], TargetInstance(solver, name, true));
      solver.InsertIntoSet(name, kElset, instance, ids[i], 1, inpM_RedundantInternalSet, false, true);
    }
  } catch (const nex_TextException& e) {
    inpM_PrintRoutineMessage(kNewElemSetPrefix, e.UserReport());
  }
}

void inpM_insertsurface2partmapC(int& jop, char* surfaceName, int& id, char* faceLabel, double& area) {
  inpM_SolverPartMap& solver = Solver();
  solver.MakeCurrent();
  if (!solver.Exists()) return;
  const cow_String given(surfaceName);
  if (jop == 5) {
    id = solver.IsSurfaceLocked(given) ? 1 : 0;
    return;
  }
  if (jop == 6 || jop == 7) {
    if (jop == 6)
      solver.LockSurface(given);
    else
      solver.UnlockSurface(given);
    return;
  }
  if (solver.IsSurfaceLocked(given)) {
    atr_String format = atr_translate(kSurfaceLockedFirst).Result();
    format.append(atr_translate(kSurfaceLockedSecond).Result());
    thr_ThreadSingleton<wip_WIP>::Instance().Print(inpM_Message(format.c_str(), jop, given));
    return;
  }
  const cow_String surface = given.ToUpper();
  const cow_String face = cow_String(faceLabel).ToUpper();
  const cow_List<cow_String> parts = solver.GetInstanceAndSurfaceNames(surface);
  const cow_String assembly = solver.GetAssemblySurfaceName(surface);
  const bool onInstance = parts.Size() >= 2;
  if (assembly.IsEmpty() && !onInstance)
    thr_ThreadSingleton<wip_WIP>::Instance().Print(inpM_Message(kSurfaceMissing, surface));
  // The edit runs once per surface that the name designates, so a jop out
  // of range is reported once per surface and not at all when the name
  // designates none.
  try {
    if (!assembly.IsEmpty()) EditSurface(solver, jop, nullptr, assembly, face, id, area);
    if (onInstance) EditSurface(solver, jop, &parts[0], parts[parts.Size() - 1], face, id, area);
  } catch (const nex_TextException& e) {
    inpM_PrintRoutineMessage(kSurfacePrefix, e.UserReport());
  }
}

extern "C" {

void INPM_INSERTNODEORELEM2PARTMAP(const int* jop, const int* ids, const int* numInsert, const int* jtyp,
                                   const int* members, const int* jtypMember, const char* setName,
                                   size_t setNameLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] {
    inpM_BlankStrippedCopy name(setName, setNameLength);
    inpM_insertnodeorelem2partmapC(*jop, ids, *numInsert, *jtyp, members, *jtypMember, name.Buffer());
  });
}

void INPM_INSERTNEWELEMSET2PARTMAP(const int* ids, const int* count, const char* setName,
                                   size_t setNameLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] {
    inpM_BlankStrippedCopy name(setName, setNameLength);
    inpM_insertnewelemset2partmapC(ids, *count, name.Buffer());
  });
}

void INPM_INSERTSURFACE2PARTMAP(int* jop, const char* surfaceName, int* id, const char* faceLabel, double* area,
                                size_t surfaceNameLength, size_t faceLabelLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] {
    inpM_BlankStrippedCopy surface(surfaceName, surfaceNameLength);
    inpM_BlankStrippedCopy face(faceLabel, faceLabelLength);
    inpM_insertsurface2partmapC(*jop, surface.Buffer(), *id, face.Buffer(), *area);
  });
}

void INPM_INSERTSORTEDSMGNSET(const int* ids, const int* count, const char* setName, size_t setNameLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] { InsertSmgnSet(ids, *count, setName, setNameLength, false); });
}

void INPM_INSERTUNSORTEDSMGNSET(const int* ids, const int* count, const char* setName,
                                size_t setNameLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] { InsertSmgnSet(ids, *count, setName, setNameLength, true); });
}

void INPM_PRINTMAP(const char* fileName, size_t fileNameLength) noexcept {
  inpM_FortranBoundary(nullptr, [&] {
    const cow_String name = inpM_UpToFirstBlank(fileName, fileNameLength);
    aio_ofstream out;
    out.open(name.c_str(), false);
    // A file that cannot be created is reported, and nothing else is done:
    // the report would go nowhere.
    if (out.fail()) {
      thr_ThreadSingleton<wip_WIP>::Instance().Print(inpM_Message(kPrintMapCannotOpen, name));
      return;
    }
    out.print("\n\n");
    // The blank fills the field of 30, so the title starts in column 31; the
    // width applies to that blank only and the flag changes nothing later.
    out.width(30);
    out.setf(0x2000, 0);
    out.print(" ").print(kTitle).print("\n").print("\n");
    out.put('\n').flush();
    inpM_SolverPartMap& solver = Solver();
    solver.MakeCurrent();
    solver.PrintModuleData(out, true, true, true, true);
    if (!out.close()) thr_ThreadSingleton<wip_WIP>::Instance().Print(inpM_Message(kPrintMapCannotWrite, name));
  });
}
}

INPM_FORTRAN_NAME(INPM_INSERTNODEORELEM2PARTMAP, inpm_insertnodeorelem2partmap_)
INPM_FORTRAN_NAME(INPM_INSERTNEWELEMSET2PARTMAP, inpm_insertnewelemset2partmap_)
INPM_FORTRAN_NAME(INPM_INSERTSURFACE2PARTMAP, inpm_insertsurface2partmap_)
INPM_FORTRAN_NAME(INPM_INSERTSORTEDSMGNSET, inpm_insertsortedsmgnset_)
INPM_FORTRAN_NAME(INPM_INSERTUNSORTEDSMGNSET, inpm_insertunsortedsmgnset_)
INPM_FORTRAN_NAME(INPM_PRINTMAP, inpm_printmap_)
