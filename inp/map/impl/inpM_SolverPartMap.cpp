#include "inpM_SolverPartMap.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <utility>

#include "mem.h"
#include "nex.h"
#include "omni.h"
#include "utl.h"
#include "wip.h"

namespace {

const char kSource[] = "inpM_SolverPartMap";

// The thread-local slot. A thread_local variable exists with its thread, so
// the slot needs no allocation of its own; the count of live instances
// changes only under the process-wide lock and is read without it.
thread_local inpM_SolverPartMap* slot = nullptr;
std::atomic<int> instanceCount{0};

thr_GlobalLock& GlobalLock() { return omi_Singleton<thr_GlobalLock>::Instance(); }
thr_ThrSingletonRegistry& Registry() { return thr_GlobalSingleton<thr_ThrSingletonRegistry>::Instance(); }

// The registry's destroy function for the calling thread's instance.
void DestroyAtThreadEnd() { thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance(); }

enum Count { kParts, kAssemblyElsetCount, kAssemblyNsetCount, kElsets, kNsets };

// Raw messages of the guarded operations.
const char kNodeMap[] = "The node map cannot be obtained because the part map \"%s\" does not exist.";
const char kElementMap[] = "The element map cannot be obtained because the part map \"%s\" does not exist.";
const char kNodePair[] =
    "The instance name and local node id corresponding to the global id: %1$s cannot be obtained because the part "
    "file \"%2$s\" does not exist.";
const char kElementPair[] =
    "The instance name and local element id corresponding to the global id: %1$s cannot be obtained because the "
    "part file \"%2$s\" does not exist.";
const char kGlobalNode[] =
    "The global id corresponding to the instance name: %1$s and the local node id: %2$s cannot be obtained because "
    "the part file \"%3$s\" does not exist.";
const char kGlobalElement[] =
    "The global id corresponding to the instance name: %1$s and the local element id: %2$s cannot be obtained "
    "because the part file \"%3$s\" does not exist.";
const char kNoPartFile[] = "The part file \"%s\" does not exist.";
const char kInstances[] =
    "The list of part file instances cannot be obtained because the part  map \"%s\" does not exist.";
const char kAssemblyName[] = "The assembly name cannot be obtained because the part file \"%s\" does not exist.";
const char kAssemblyElsets[] =
    "The list of assembly element sets cannot be obtained because the part file \"%s\" does not exist.";
const char kAssemblyNsets[] =
    "The list of assembly node sets cannot be obtained because the part file \"%s\" does not exist.";
const char kInstanceElsets[] =
    "The list of instance element sets cannot be obtained because the part file \"%s\" does not exist.";
const char kInstanceNsets[] =
    "The list of instance node sets cannot be obtained because the part file \"%s\" does not exist.";

const char kInsertInstanceNset[] =
    "The instance node set: instance name = %1$s, set name = %2$s, cannot be inserted into the part map because the "
    "part file \"%3$s\" does not exist.";
const char kInsertInstanceElset[] =
    "The instance element set: instance name = %1$s, set name = %2$s, cannot be inserted into the part map because "
    "the part file \"%3$s\" does not exist.";
const char kInsertAssemblyNset[] =
    "The assembly node set: set name = %1$s, cannot be inserted into the part map because the part file \"%2$s\" "
    "does not exist.";
const char kInsertAssemblyElset[] =
    "The assembly element set: set name = %1$s, cannot be inserted into the part map because the part file \"%2$s\" "
    "does not exist.";
const char kInsertIntoSet[] =
    "The set: %1$s cannot be inserted into the part map because the part file \"%2$s\" does not exist.";
const char kInsertNode[] =
    "The node %1$s cannot be inserted into the part map because the part file \"%2$s\" does not exist.";
const char kInsertElement[] =
    "The element %1$s cannot be inserted into the part map because the part file \"%2$s\" does not exist.";
const char kAddInstanceFacet[] =
    "The facet: %1$s, %2$s cannot be added to the instance surface: instance name = %3$s, surface name = %4$s "
    "because the part file \"%5$s\" does not exist.";
const char kRemoveInstanceFacet[] =
    "The facet: %1$s, %2$s cannot be removed from the instance surface: instance name = %3$s, surface name = %4$s "
    "because the part file \"%5$s\" does not exist.";
const char kAddInstanceNode[] =
    "The node: %1$s cannot be added to the instance surface: instance name = %2$s, surface name = %3$s because the "
    "part file \"%4$s\" does not exist.";
const char kRemoveInstanceNode[] =
    "The node: %1$s cannot be removed from the instance surface: instance name = %2$s, surface name = %3$s because "
    "the part file \"%4$s\" does not exist.";
const char kClearInstanceSurface[] =
    "The instance surface: instance name = %1$s, surface name = %2$s cannot be cleared because the part file "
    "\"%3$s\" does not exist.";
const char kAddAssemblyFacet[] =
    "The facet: %1$s, %2$s cannot be added to the assembly surface: %3$s because the part file \"%4$s\" does not "
    "exist.";
const char kRemoveAssemblyFacet[] =
    "The facet: %1$s, %2$s cannot be removed from the assembly surface: %3$s because the part file \"%4$s\" does "
    "not exist.";
const char kAddAssemblyNode[] =
    "The node: %1$s cannot be added to the assembly surface: %2$s because the part file \"%3$s\" does not exist.";
const char kRemoveAssemblyNode[] =
    "The node: %1$s cannot be removed from the assembly surface: %2$s because the part file \"%3$s\" does not "
    "exist.";
const char kClearAssemblySurface[] =
    "The assembly surface: %1$s cannot be cleared because the part file \"%2$s\" does not exist.";
const char kClearElset[] =
    "The element set: \"%1$s\" cannot be cleared because the part file \"%2$s\" does not exist.";
const char kClearNset[] = "The node set: \"%1$s\" cannot be cleared because the part file \"%2$s\" does not exist.";

// A message about a file call of a stream that failed: %1$s the file, %2$s
// the call, %3$s the system's reason.
atr_String FileCallMessage(const char* text, const cow_String& file, const aio_ios& stream) {
  char buffer[256];
  const char* reason = strerror_r(stream.error(), buffer, sizeof buffer);
  return atr_raw(text)
      .ReplaceNonTranslated(1, file)
      .ReplaceNonTranslated(2, aio_IoCallName(stream.failed_call()))
      .ReplaceNonTranslated(3, reason);
}

// While a part file is read: an error that its readers report after a read
// of the file has failed (most often "EOF encountered.", the input having
// ended early) tells of the failure, not of the file's contents, so it does
// not reach the host's error handler; the failure is reported in its place.
class ReadFailureFilter {
 public:
  explicit ReadFailureFilter(const aio_ifstream& in) : wip(thr_ThreadSingleton<wip_WIP>::Instance()) {
    host = wip.SetErrorHandler([this, &in](const atr_String& message, wip_errorLevelEnm level) {
      if (in.error() == 0 && host) host(message, level);
    });
  }
  ~ReadFailureFilter() { wip.SetErrorHandler(std::move(host)); }
  ReadFailureFilter(const ReadFailureFilter&) = delete;
  ReadFailureFilter& operator=(const ReadFailureFilter&) = delete;

 private:
  wip_WIP& wip;
  wip_ErrorHandler host;
};

}  // namespace

// ---------------------------------------------------------------------------
// The per-thread instance

inpM_SolverPartMap* thr_ThreadSingletonBase<inpM_SolverPartMap>::Instance() { return slot; }

inpM_SolverPartMap& thr_ThreadSingleton<inpM_SolverPartMap>::Instance() {
  if (instanceCount.load(std::memory_order_relaxed) > 0 && slot != nullptr) return *slot;
  Registry().Register(&DestroyAtThreadEnd);
  return *new inpM_SolverPartMap();
}

bool thr_ThreadSingleton<inpM_SolverPartMap>::DestroyInstance() {
  if (instanceCount.load(std::memory_order_relaxed) == 0) return false;
  inpM_SolverPartMap* instance = slot;
  delete instance;
  slot = nullptr;
  GlobalLock().Lock();
  if (instance != nullptr) instanceCount.fetch_sub(1, std::memory_order_relaxed);
  GlobalLock().Unlock();
  return instance != nullptr;
}

int thr_ThreadSingleton<inpM_SolverPartMap>::InstanceCount() { return instanceCount.load(std::memory_order_relaxed); }

inpM_SolverPartMap::inpM_SolverPartMap() {
  GlobalLock().Lock();
  instanceCount.fetch_add(1, std::memory_order_relaxed);
  GlobalLock().Unlock();
  slot = this;
  Registry().SetDestructLevel(&DestroyAtThreadEnd, thr_DestructLevelSolverPartMap);
  GrowSlots(1);
}

inpM_SolverPartMap::~inpM_SolverPartMap() {
  // A destructor must not throw: whatever stops the closing (a broken part
  // map, an error handler of the host's) is printed, and the part maps that
  // are left are freed with the slot table.
  try {
    CloseAll();
  } catch (const nex_Exception& e) {
    thr_ThreadSingleton<wip_WIP>::Instance().Print(e.UserReport());
  } catch (const std::exception& e) {
    thr_ThreadSingleton<wip_WIP>::Instance().Print(atr_String(e.what()));
  }
}

// ---------------------------------------------------------------------------
// Slots and files

void inpM_SolverPartMap::GrowSlots(int n) {
  if (!slots) {
    slots = std::make_unique<std::unique_ptr<inpM_PartMap>[]>(static_cast<size_t>(n));
    slotCapacity = n;
    return;
  }
  const int old = slotCapacity;
  slotCapacity += n;
  auto grown = std::make_unique<std::unique_ptr<inpM_PartMap>[]>(static_cast<size_t>(slotCapacity));
  for (int s = 0; s < old; ++s) grown[s] = std::move(slots[s]);
  slots = std::move(grown);
}

int inpM_SolverPartMap::PartFileSlot(const cow_String& partFileName) const {
  const int* s = fileIndex.ConstFind(partFileName);
  return s ? *s : -1;
}

cow_String inpM_SolverPartMap::PartFileName(int slotNumber) const {
  for (const auto& [name, s] : fileIndex.ConstStorage())
    if (s == slotNumber) return name;
  return cow_String();
}

// The job's part file is the job file service's name for the extension, used
// as it stands: <dir>/<job>.prt, from utl_SetJob or INPM_JOB_DIR and INPM_JOB.
cow_String inpM_SolverPartMap::JobPartFileName(const char* extension) const {
  return utl_JobFileName(cow_String(extension));
}

// Every routine of mode 1 asks for the job's part file, so the name is made
// once per job generation: the hot path reads one atomic and compares. The
// environment is read when the name is made, that is once per generation
// and per thread: the job's environment is fixed for the life of an analysis,
// and a host that moves the job calls utl_SetJob, which starts a generation.
// The generation is read before the name is made, so a utl_SetJob that runs
// in between leaves a newer generation and the name is made again.
const cow_String& inpM_SolverPartMap::JobPartFile() const {
  const unsigned generation = utl_JobGeneration();
  if (generation != jobPartFileGeneration) {
    jobPartFile = JobPartFileName(".prt");
    jobPartFileGeneration = generation;
  }
  return jobPartFile;
}

void inpM_SolverPartMap::ReadPartFile(const cow_String& partFileName) {
  current = nullptr;
  currentPartFileName = partFileName;
  const bool exists = utl_FilePath(partFileName, cow_String()).Exists();
  aio_ifstream in;
  in.open(partFileName.c_str());
  if (!exists || (in.rdstate() & (aio_ios::failbit | aio_ios::badbit))) {
    nex_TextException(atr_raw("The part map file \"%s\" is corrupt, does not exist, or cannot be opened.")
                          .ReplaceNonTranslated(0, partFileName))
        .Throw(kSource, __LINE__);
  }
  std::unique_ptr<inpM_PartMap> map;
  {
    const ReadFailureFilter filter(in);
    try {
      map = std::make_unique<inpM_PartMap>(in);
    } catch (...) {
      if (in.error() == 0) throw;
    }
  }
  // A failed read leaves the map cut short, whatever its readers made of the
  // input's early end: the read is refused. A failed close of a file read
  // whole loses nothing (no data is written through the descriptor); it is
  // printed and the map is used.
  if (in.error() != 0) {
    nex_TextException(FileCallMessage("The part map file \"%1$s\" cannot be read (%2$s: %3$s).", partFileName, in))
        .Throw(kSource, __LINE__);
  }
  if (!in.close()) {
    thr_ThreadSingleton<wip_WIP>::Instance().Print(FileCallMessage(
        "The part map file \"%1$s\" is read, but it cannot be closed (%2$s: %3$s); its contents are used as read.",
        partFileName, in));
  }
  // The map goes into its slot before the part index is built, so that the
  // slot table owns it whatever the index building raises.
  int s = PartFileSlot(partFileName);
  if (s < 0) {
    if (slotsUsed >= slotCapacity) GrowSlots(std::max(1, slotsUsed + 1 - slotCapacity));
    s = slotsUsed++;
    fileIndex.InsertUnlessMember(partFileName, s);
  }
  slots[s] = std::move(map);
  current = slots[s].get();
  SetPartIndex();
}

void inpM_SolverPartMap::SetPartIndex() {
  partIndex = cow_Btree<cow_String, int>();
  if (current == nullptr) return;
  partIndex.InsertUnlessMember(cow_String(), 0);
  int i = 0;
  for (const cow_String& name : current->Instances()) partIndex.InsertUnlessMember(name, ++i);
}

// ---------------------------------------------------------------------------
// Making current and closing

void inpM_SolverPartMap::MakeCurrent() { MakeCurrent(JobPartFile()); }

void inpM_SolverPartMap::MakeCurrent(const cow_String& partFileName) {
  if (current != nullptr && currentPartFileName == partFileName) return;
  const int s = PartFileSlot(partFileName);
  if (s >= 0 && slots[s]) {
    current = slots[s].get();
    currentPartFileName = partFileName;
    SetPartIndex();
  } else {
    ReadPartFile(partFileName);
  }
  ResetCounts();
}

void inpM_SolverPartMap::MakeCurrent(int slotNumber) {
  // Only names whose file was read enter the file index, and the empty name
  // names no file: an empty answer means that no name has the slot.
  const cow_String name = PartFileName(slotNumber);
  if (name.IsEmpty()) {
    current = nullptr;
    currentPartFileName = cow_String();
    partIndex = cow_Btree<cow_String, int>();
    ResetCounts();
    return;
  }
  MakeCurrent(name);
}

void inpM_SolverPartMap::CloseNoSave() {
  const int s = PartFileSlot(currentPartFileName);
  if (s < 0) return;
  current = nullptr;
  slots[s].reset();
  partIndex = cow_Btree<cow_String, int>();
  currentPartFileName = cow_String();
}

void inpM_SolverPartMap::CloseAndSave() {
  if (current != nullptr) SavePartFile();
  CloseNoSave();
}

// The part file is written whole beside itself and put in place by a rename
// (aio_ofstream's replacing mode) instead of being deleted first and written
// anew: a crash or a full disk in between never loses it. A failure is
// printed with the file's name, the call that failed and the system's reason;
// the map is closed all the same by the caller.
void inpM_SolverPartMap::SavePartFile() const {
  aio_ofstream out(currentPartFileName.c_str(), true);
  current->Print(out);
  if (out.close()) return;
  const char* message =
      out.failed_call() == aio_IoSyncFolder
          ? "The part map file \"%1$s\" is saved, but its folder cannot be synchronised (%2$s: %3$s); the file may not "
            "survive a system crash."
          : "The part map file \"%1$s\" cannot be saved (%2$s: %3$s); the file is left as it was.";
  thr_ThreadSingleton<wip_WIP>::Instance().Print(FileCallMessage(message, currentPartFileName, out));
}

void inpM_SolverPartMap::CloseAll() {
  const cow_String job = JobPartFile();
  if (current != nullptr) ComputeCounts(recordedCounts);
  // The iterator holds its own copy of the index.
  for (cow_BtreeIterator<cow_String, int> it(fileIndex); !it.IsDone(); it.Next()) {
    if (!slots[it.CurrentValue()]) continue;
    MakeCurrent(it.CurrentKey());
    if (it.CurrentKey() == job) {
      CloseAndSave();
    } else {
      CloseNoSave();
    }
  }
}

// ---------------------------------------------------------------------------
// Counts and part indexes

void inpM_SolverPartMap::ResetCounts() {
  for (int& c : recordedCounts) c = -1;
}

void inpM_SolverPartMap::ComputeCounts(int counts[5]) const {
  counts[kParts] = NumberInstances() + (HasAssemblyLevelIds() > 0 ? 1 : 0);
  counts[kAssemblyElsetCount] = AssemblyElsetNames().Size();
  counts[kAssemblyNsetCount] = AssemblyNsetNames().Size();
  counts[kElsets] = counts[kAssemblyElsetCount];
  counts[kNsets] = counts[kAssemblyNsetCount];
  for (const cow_String& instance : Instances()) {
    counts[kElsets] += InstanceElsetNames(instance).Size();
    counts[kNsets] += InstanceNsetNames(instance).Size();
  }
}

int inpM_SolverPartMap::GetNumberInstances() const {
  if (recordedCounts[kParts] >= 0) return recordedCounts[kParts];
  if (current == nullptr) return -1;
  return NumberInstances() + (HasAssemblyLevelIds() > 0 ? 1 : 0);
}

int inpM_SolverPartMap::GetNumberAssemblyElsets() const {
  if (recordedCounts[kAssemblyElsetCount] >= 0) return recordedCounts[kAssemblyElsetCount];
  return current != nullptr ? AssemblyElsetNames().Size() : -1;
}

int inpM_SolverPartMap::GetNumberAssemblyNsets() const {
  if (recordedCounts[kAssemblyNsetCount] >= 0) return recordedCounts[kAssemblyNsetCount];
  return current != nullptr ? AssemblyNsetNames().Size() : -1;
}

int inpM_SolverPartMap::GetNumberElsets() const {
  if (recordedCounts[kElsets] >= 0) return recordedCounts[kElsets];
  if (current == nullptr) return -1;
  int counts[5];
  ComputeCounts(counts);
  return counts[kElsets];
}

int inpM_SolverPartMap::GetNumberNsets() const {
  if (recordedCounts[kNsets] >= 0) return recordedCounts[kNsets];
  if (current == nullptr) return -1;
  int counts[5];
  ComputeCounts(counts);
  return counts[kNsets];
}

// The callers ask only with a part map current, and there is no message for
// the question; without one the answer is 0 (no assembly-level ids) rather
// than a null dereference.
int inpM_SolverPartMap::HasAssemblyLevelIds() const {
  if (current == nullptr) return 0;
  const auto entries = [](const inpM_InstanceIdMaps& maps) {
    return maps.assembly.globalToLocal.HasValue() ? maps.assembly.globalToLocal->Size() : 0;
  };
  const int elements = entries(current->ConstGetElementMap());
  return elements != 0 ? elements : entries(current->ConstGetNodeMap());
}

// An instance name that the part index lacks gives -1: no part index is
// negative, so a caller can tell it from every real answer. (The id maps
// only produce names that the index holds.)
int inpM_SolverPartMap::PartIndex(int& id, int& jtyp) const {
  if (NumberInstances() == 0) return 0;
  const inpM_StringIntPair pair = jtyp != 0 ? ConstGetInstanceElementIdPair(id) : ConstGetInstanceNodeIdPair(id);
  const int* index = partIndex.ConstFind(pair.instance);
  return index ? *index : -1;
}

// ---------------------------------------------------------------------------
// Guarded forwarding operations

void inpM_SolverPartMap::NoPartMap(const char* message, std::initializer_list<atr_String> values) const {
  atr_String text = atr_raw(message);
  if (std::strstr(message, "%s") != nullptr) {
    text.ReplaceNonTranslated(0, *values.begin());
  } else {
    int k = 0;
    for (const atr_String& v : values) text.ReplaceNonTranslated(++k, v);
  }
  thr_ThreadSingleton<wip_WIP>::Instance().Error(text, wip_ERROR);
}

const inpM_InstanceIdMaps& inpM_SolverPartMap::ConstGetNodeMap() const {
  return Current(kNodeMap).ConstGetNodeMap();
}

const inpM_InstanceIdMaps& inpM_SolverPartMap::ConstGetElementMap() const {
  return Current(kElementMap).ConstGetElementMap();
}

inpM_StringIntPair inpM_SolverPartMap::ConstGetInstanceNodeIdPair(int globalId) const {
  return Current(kNodePair, globalId).ConstGetInstanceNodeIdPair(globalId);
}

inpM_StringIntPair inpM_SolverPartMap::ConstGetInstanceElementIdPair(int globalId) const {
  return Current(kElementPair, globalId).ConstGetInstanceElementIdPair(globalId);
}

int inpM_SolverPartMap::GlobalNodeId(const cow_String& instance, int localId) const {
  return Current(kGlobalNode, instance, localId).GlobalNodeId(instance, localId);
}

int inpM_SolverPartMap::GlobalElementId(const cow_String& instance, int localId) const {
  return Current(kGlobalElement, instance, localId).GlobalElementId(instance, localId);
}

int inpM_SolverPartMap::NumberInstances() const {
  return Current(kNoPartFile).NumberInstances();
}

// No message of its own is given for this operation: it shares the plain
// "part file does not exist" message of the other flag and count queries.
bool inpM_SolverPartMap::LocalIdsAreGlobal() const {
  return Current(kNoPartFile).LocalIdsAreGlobal();
}

cow_List<cow_String> inpM_SolverPartMap::Instances() const {
  return Current(kInstances).Instances();
}

cow_String inpM_SolverPartMap::ConstGetAssemblyName() const {
  return Current(kAssemblyName).ConstGetAssemblyName();
}

cow_List<cow_String> inpM_SolverPartMap::AssemblyElsetNames() const {
  return Current(kAssemblyElsets).AssemblyElsetNames();
}

cow_List<cow_String> inpM_SolverPartMap::AssemblyNsetNames() const {
  return Current(kAssemblyNsets).AssemblyNsetNames();
}

cow_List<cow_String> inpM_SolverPartMap::InstanceElsetNames(const cow_String& instance) const {
  return Current(kInstanceElsets).InstanceElsetNames(instance);
}

cow_List<cow_String> inpM_SolverPartMap::InstanceNsetNames(const cow_String& instance) const {
  return Current(kInstanceNsets).InstanceNsetNames(instance);
}

bool inpM_SolverPartMap::IsNodePartMapMember(int globalId) const {
  return Current(kNoPartFile).IsNodePartMapMember(globalId);
}

bool inpM_SolverPartMap::IsNodePartMapMember(const cow_String& instance, int localId) const {
  return Current(kNoPartFile).IsNodePartMapMember(instance, localId);
}

bool inpM_SolverPartMap::IsElementPartMapMember(int globalId) const {
  return Current(kNoPartFile).IsElementPartMapMember(globalId);
}

int inpM_SolverPartMap::NumberInstancesSpannedByAssemblyElset(const cow_String& name) const {
  return Current(kNoPartFile).NumberInstancesSpannedByAssemblyElset(name);
}

int inpM_SolverPartMap::NumberInstancesSpannedByAssemblyNset(const cow_String& name) const {
  return Current(kNoPartFile).NumberInstancesSpannedByAssemblyNset(name);
}

int inpM_SolverPartMap::NumberInstancesSpannedByAssemblySurface(const cow_String& name) const {
  return Current(kNoPartFile).NumberInstancesSpannedByAssemblySurface(name);
}

cow_List<cow_String> inpM_SolverPartMap::InstancesSpannedByAssemblyElset(const cow_String& name) const {
  return Current(kNoPartFile).InstancesSpannedByAssemblyElset(name);
}

cow_List<cow_String> inpM_SolverPartMap::InstancesSpannedByAssemblyNset(const cow_String& name) const {
  return Current(kNoPartFile).InstancesSpannedByAssemblyNset(name);
}

cow_List<cow_String> inpM_SolverPartMap::InstancesSpannedByAssemblySurface(const cow_String& name) const {
  return Current(kNoPartFile).InstancesSpannedByAssemblySurface(name);
}

cow_String inpM_SolverPartMap::GetAssemblyElsetName(const cow_String& name) const {
  const inpM_PartMap& map = Current(kNoPartFile);
  return map.GetAssemblySetName(map.ConstGetElementSets(), name);
}

cow_String inpM_SolverPartMap::GetAssemblyNsetName(const cow_String& name) const {
  const inpM_PartMap& map = Current(kNoPartFile);
  return map.GetAssemblySetName(map.ConstGetNodeSets(), name);
}

cow_String inpM_SolverPartMap::GetAssemblySurfaceName(const cow_String& name) const {
  return Current(kNoPartFile).GetAssemblySurfaceName(name);
}

cow_List<cow_String> inpM_SolverPartMap::GetInstanceAndElsetNames(const cow_String& name) const {
  const inpM_PartMap& map = Current(kNoPartFile);
  return map.GetInstanceAndSetNames(map.ConstGetElementSets(), name);
}

cow_List<cow_String> inpM_SolverPartMap::GetInstanceAndNsetNames(const cow_String& name) const {
  const inpM_PartMap& map = Current(kNoPartFile);
  return map.GetInstanceAndSetNames(map.ConstGetNodeSets(), name);
}

cow_List<cow_String> inpM_SolverPartMap::GetInstanceAndSurfaceNames(const cow_String& name) const {
  return Current(kNoPartFile).GetInstanceAndSurfaceNames(name);
}

inpM_SetTypeFlag inpM_SolverPartMap::SetType(const cow_String& setName, const cow_String& kind) const {
  return Current(kNoPartFile).SetType(setName, kind);
}

void inpM_SolverPartMap::PrintModuleData(aio_ostream& out, bool assembly, bool globalToLocal, bool localToGlobal,
                                         bool ids) const {
  Current(kNoPartFile).PrintModuleData(out, assembly, globalToLocal, localToGlobal, ids, false);
}

void inpM_SolverPartMap::InsertInstanceNodeSet(const cow_String& setName, const cow_String& instance, const int* ids,
                                               int n, inpM_SetTypeFlag kind, bool unsorted) {
  Current(kInsertInstanceNset, instance, setName).InsertInstanceNodeSet(setName, instance, ids, n, kind, unsorted);
}

void inpM_SolverPartMap::InsertInstanceElementSet(const cow_String& setName, const cow_String& instance,
                                                  const int* ids, int n, inpM_SetTypeFlag kind) {
  Current(kInsertInstanceElset, instance, setName).InsertInstanceElementSet(setName, instance, ids, n, kind);
}

void inpM_SolverPartMap::InsertAssemblyNodeSet(const cow_String& setName, const cow_String& instance, const int* ids,
                                               int n, inpM_SetTypeFlag kind) {
  Current(kInsertAssemblyNset, setName).InsertAssemblyNodeSet(setName, instance, ids, n, kind);
}

void inpM_SolverPartMap::InsertAssemblyElementSet(const cow_String& setName, const cow_String& instance,
                                                  const int* ids, int n, inpM_SetTypeFlag kind) {
  Current(kInsertAssemblyElset, setName).InsertAssemblyElementSet(setName, instance, ids, n, kind);
}

void inpM_SolverPartMap::InsertIntoSet(const cow_String& setName, const cow_String& kind, const cow_String& instance,
                                       int id, int count, inpM_SetTypeFlag typeFlag, bool unsorted, bool newSet) {
  Current(kInsertIntoSet, setName).InsertIntoSet(setName, kind, instance, id, count, typeFlag, unsorted, newSet);
}

int inpM_SolverPartMap::InsertNode(int globalId, const cow_String& instance) {
  return Current(kInsertNode, globalId).InsertNode(globalId, instance);
}

int inpM_SolverPartMap::InsertElement(int globalId, const cow_String& instance) {
  return Current(kInsertElement, globalId).InsertElement(globalId, instance);
}

void inpM_SolverPartMap::RemoveNodeOrElement(int globalId, const cow_String& kind) {
  Current(kind == cow_String("elset") ? kInsertElement : kInsertNode, globalId).RemoveNodeOrElement(globalId, kind);
}

void inpM_SolverPartMap::AddInstanceSurfaceFacet(const cow_String& instance, const cow_String& surface,
                                                 const cow_String& face, int element) {
  Current(kAddInstanceFacet, element, face, instance, surface)
      .AddInstanceSurfaceFacet(instance, surface, face, element);
}

void inpM_SolverPartMap::RemoveInstanceSurfaceFacet(const cow_String& instance, const cow_String& surface,
                                                    const cow_String& face, int element) {
  Current(kRemoveInstanceFacet, element, face, instance, surface)
      .RemoveInstanceSurfaceFacet(instance, surface, face, element);
}

void inpM_SolverPartMap::AddInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int node,
                                                double area) {
  Current(kAddInstanceNode, node, instance, surface).AddInstanceSurfaceNode(instance, surface, node, area);
}

void inpM_SolverPartMap::RemoveInstanceSurfaceNode(const cow_String& instance, const cow_String& surface, int node) {
  Current(kRemoveInstanceNode, node, instance, surface).RemoveInstanceSurfaceNode(instance, surface, node);
}

void inpM_SolverPartMap::ClearInstanceSurface(const cow_String& instance, const cow_String& surface) {
  Current(kClearInstanceSurface, instance, surface).ClearInstanceSurface(instance, surface);
}

void inpM_SolverPartMap::AddAssemblySurfaceFacet(const cow_String& surface, const cow_String& face, int element) {
  Current(kAddAssemblyFacet, element, face, surface).AddAssemblySurfaceFacet(surface, face, element);
}

void inpM_SolverPartMap::RemoveAssemblySurfaceFacet(const cow_String& surface, const cow_String& face, int element) {
  Current(kRemoveAssemblyFacet, element, face, surface).RemoveAssemblySurfaceFacet(surface, face, element);
}

void inpM_SolverPartMap::AddAssemblySurfaceNode(const cow_String& surface, int node, double area) {
  Current(kAddAssemblyNode, node, surface).AddAssemblySurfaceNode(surface, node, area);
}

void inpM_SolverPartMap::RemoveAssemblySurfaceNode(const cow_String& surface, int node) {
  Current(kRemoveAssemblyNode, node, surface).RemoveAssemblySurfaceNode(surface, node);
}

void inpM_SolverPartMap::ClearAssemblySurface(const cow_String& surface) {
  Current(kClearAssemblySurface, surface).ClearAssemblySurface(surface);
}

// ---------------------------------------------------------------------------
// Name tests

bool inpM_SolverPartMap::IsAssemblyElsetName(const cow_String& name) const {
  return !GetAssemblyElsetName(name).IsEmpty();
}

bool inpM_SolverPartMap::IsAssemblyNsetName(const cow_String& name) const {
  return !GetAssemblyNsetName(name).IsEmpty();
}

bool inpM_SolverPartMap::IsAssemblySurfaceName(const cow_String& name) const {
  return !GetAssemblySurfaceName(name).IsEmpty();
}

bool inpM_SolverPartMap::IsInstanceElsetName(const cow_String& name) const {
  return !GetInstanceAndElsetNames(name).IsEmpty();
}

bool inpM_SolverPartMap::IsInstanceNsetName(const cow_String& name) const {
  return !GetInstanceAndNsetNames(name).IsEmpty();
}

// ---------------------------------------------------------------------------
// Cleared sets and locked surfaces

void inpM_SolverPartMap::ClearElset(const cow_String& name) {
  Current(kClearElset, name);
  clearedElsets.AppendUnlessMember(name.ToUpper());
  current->ClearElset(name);
}

void inpM_SolverPartMap::ClearNset(const cow_String& name) {
  Current(kClearNset, name);
  clearedNsets.AppendUnlessMember(name.ToUpper());
  current->ClearNset(name);
}

bool inpM_SolverPartMap::ElsetIsCleared(const cow_String& name) const { return clearedElsets.IsMember(name.ToUpper()); }

bool inpM_SolverPartMap::NsetIsCleared(const cow_String& name) const { return clearedNsets.IsMember(name.ToUpper()); }

bool inpM_SolverPartMap::IsSurfaceLocked(const cow_String& name) const {
  return lockedSurfaces.IsMember(name.ToUpper());
}

void inpM_SolverPartMap::LockSurface(const cow_String& name) { lockedSurfaces.AppendUnlessMember(name.ToUpper()); }

void inpM_SolverPartMap::UnlockSurface(const cow_String& name) { lockedSurfaces.Remove(name.ToUpper()); }
