#include "inpM_PartMap.h"

#include <set>

#include "inpM_GlobalIndex.h"
#include "inpM_Messages.h"
#include "inpM_RecordReader.h"
#include "inpM_Utils.h"
#include "nex.h"

namespace {

const inpM_InstanceMaps* FindLevel(const inpM_InstanceIdMaps& maps, const cow_String& instance) {
  return instance.IsEmpty() ? &maps.assembly : maps.instances.ConstFind(instance);
}

bool Holds(const cow_COW<omi_IntTable<int>>& table, int id) { return table.HasValue() && table->Find(id) != nullptr; }

int GlobalId(const inpM_InstanceIdMaps& maps, const cow_String& instance, int localId) {
  const inpM_InstanceMaps* level = FindLevel(maps, instance);
  if (!level) inpM_ReportError("Unknown instance name: %s", instance);
  const int* globalId = level->localToGlobal.HasValue() ? level->localToGlobal->Find(localId) : nullptr;
  if (!globalId) inpM_ReportError("Unknown global id: %1$s in instance: %2$s", localId, instance);
  return *globalId;
}

bool IsInstanceMember(const inpM_InstanceIdMaps& maps, const cow_String& instance, int globalId) {
  const inpM_InstanceMaps* level = FindLevel(maps, instance);
  if (!level) inpM_ReportError("Unknown instance name: %s", instance);
  return Holds(level->globalToLocal, globalId);
}

cow_List<cow_String> NestedSetNames(const inpM_SetMap& sets, const cow_String& instance) {
  const inpM_SetMapHandle* nested = sets.ConstGetNestedSetMaps().ConstFind(instance);
  return nested ? (*nested)->ConstGetSets().Keys() : cow_List<cow_String>();
}

// ---------------------------------------------------------------------------
// Reading the part file

// The top-level record reports running out of input in the format's own
// words and any other damage in words that name the part being read; a line
// that does not fit the 131-byte buffer is named with its first bytes. The
// format asks only for the end-of-file tests before the first field and
// before each entry of a counted list; its counts below 0 read as empty
// lists.
inpM_ReadMessages PartFile(const char* record) {
  return {"Part file reading failed in %s.", record, "EOF encountered.",
          "Line longer than 131 bytes in the part file: %s"};
}

// Items 7 to 9 (or 10 to 12) of the top-level record: the named table pairs
// of the instances, then the assembly level's pair. The table pair reader
// tests nothing: a read that failed there is reported here.
void ReadIdMaps(aio_istream& in, inpM_InstanceIdMaps& maps, const char* record) {
  inpM_RecordReader r(in, PartFile(record));
  const int n = r.Integer();
  r.EndLine();
  for (int i = 0; i < n; ++i) {
    r.TestEof();
    const cow_String name = r.Name();
    inpM_InstanceMaps pair(in);
    r.EndLine();
    maps.instances.Insert(name, std::move(pair));
  }
  maps.assembly = inpM_InstanceMaps(in);
  r.TestRead();
}

// A table pair per instance of the id map, and the assembly level's pair
// from the id map's own level.
void BuildIdMaps(inpM_InstanceIdMaps& maps, const inpM_IdMap& ids) {
  const cow_List<cow_String> names = ids.Instances();
  for (const cow_String& name : names) maps.instances.Insert(name, inpM_InstanceMaps(ids.ConstGet(name)));
  maps.assembly = inpM_InstanceMaps(ids);
}

void PrintIdMaps(aio_ostream& out, const inpM_InstanceIdMaps& maps) {
  out.print_int(maps.Size()).put('\n');
  for (const auto& [name, pair] : maps.instances) {
    out << inpM_Utils::RemoveQuotes(name);
    out.put('\n');
    pair.Print(out);
  }
  maps.assembly.Print(out);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

inpM_PartMap::inpM_PartMap(bool flattenedNames_, bool localIdsAreGlobal_, bool thirdFlag_, const inpM_IdMap& nodeIds,
                           const inpM_IdMap& elementIds, const inpM_SetMap& nodeSets_, const inpM_SetMap& elementSets_,
                           const inpM_SurfaceMap& surfaces_, const cow_String& assemblyName_,
                           const inpM_InstanceMap<cow_String>& instanceMap_)
    : flattenedNames(flattenedNames_),
      localIdsAreGlobal(localIdsAreGlobal_),
      thirdFlag(thirdFlag_),
      assemblyName(assemblyName_),
      nodeSets(nodeSets_),
      elementSets(elementSets_),
      surfaces(surfaces_),
      instanceMap(instanceMap_) {
  BuildIdMaps(nodeMap, nodeIds);
  BuildIdMaps(elementMap, elementIds);
  Reindex();
}

// The nested records report their own damage.
inpM_PartMap::inpM_PartMap(aio_istream& in) {
  inpM_RecordReader flags(in, PartFile("the flags"));
  flags.TestEof();
  flattenedNames = flags.Integer() != 0;
  localIdsAreGlobal = flags.Integer() != 0;
  thirdFlag = flags.Integer() != 0;
  flags.EndLine();
  assemblyName = inpM_RecordReader(in, PartFile("the assembly name")).Name();

  inpM_RecordReader instances(in, PartFile("the instance map"));
  const int n = instances.Integer();
  instances.EndLine();
  for (int i = 0; i < n; ++i) {
    instances.TestEof();
    const cow_String instance = instances.Name();
    const cow_String part = instances.Name();
    instanceMap.Insert(instance, part);
  }

  ReadIdMaps(in, nodeMap, "the node map");
  ReadIdMaps(in, elementMap, "the element map");
  elementSets = inpM_SetMap(in);
  nodeSets = inpM_SetMap(in);
  surfaces = inpM_SurfaceMap(in);
  Reindex();
}

inpM_PartMap::inpM_PartMap(const inpM_PartMap& other) = default;
inpM_PartMap& inpM_PartMap::operator=(const inpM_PartMap& other) = default;
inpM_PartMap::~inpM_PartMap() = default;

void inpM_PartMap::Reindex() {
  inpM_PartMapIndex* fresh = new inpM_PartMapIndex();
  index.Set(fresh);
  fresh->nodes.Build(nodeMap);
  fresh->elements.Build(elementMap);
  fresh->sameInstances = fresh->nodes.SameInstancesAs(fresh->elements);
}

size_t inpM_PartMap::IndexMemoryBytes() const {
  return sizeof(inpM_PartMapIndex) + index->nodes.MemoryBytes() + index->elements.MemoryBytes();
}

// ---------------------------------------------------------------------------
// Writing the part file

void inpM_PartMap::Print(aio_ostream& out) const {
  out.print_int(flattenedNames).put('\n');
  out.print_int(localIdsAreGlobal).put('\n');
  out.print_int(thirdFlag).put('\n');
  out << inpM_Utils::RemoveQuotes(assemblyName);
  out.put('\n');

  const cow_List<cow_String> instances = instanceMap.Instances();
  out.print_int(instances.Size()).put('\n');
  for (const cow_String& instance : instances) {
    out << inpM_Utils::RemoveQuotes(instance);
    out.put('\n');
    out << inpM_Utils::RemoveQuotes(instanceMap.ConstGet(instance));
    out.put('\n');
  }

  PrintIdMaps(out, nodeMap);
  PrintIdMaps(out, elementMap);
  elementSets.Print(out);
  nodeSets.Print(out);
  surfaces.Print(out);
}

// ---------------------------------------------------------------------------
// Queries

cow_String inpM_PartMap::ConstGetAssemblyName() const { return assemblyName; }

void inpM_PartMap::CheckInstanceCount() const { NEX_ASSERT(nodeMap.Size() == elementMap.Size()); }

int inpM_PartMap::NumberInstances() const {
  CheckInstanceCount();
  return nodeMap.Size();
}

cow_List<cow_String> inpM_PartMap::Instances() const {
  CheckInstanceCount();
  return nodeMap.instances.Keys();
}

cow_List<cow_String> inpM_PartMap::Parts() const {
  cow_List<cow_String> parts;
  std::set<cow_String> seen;
  const cow_List<cow_String> instances = instanceMap.Instances();
  for (const cow_String& instance : instances) {
    const cow_String& part = instanceMap.ConstGet(instance);
    if (seen.insert(part).second) parts.Append(part);
  }
  return parts;
}

cow_String inpM_PartMap::GetPartFormingInstance(const cow_String& instance) const {
  return instanceMap.IsMember(instance) ? instanceMap.ConstGet(instance) : cow_String();
}

int inpM_PartMap::GlobalNodeId(const cow_String& instance, int localId) const {
  return GlobalId(nodeMap, instance, localId);
}

int inpM_PartMap::GlobalElementId(const cow_String& instance, int localId) const {
  return GlobalId(elementMap, instance, localId);
}

inpM_StringIntPair inpM_PartMap::ConstGetInstanceNodeIdPair(int globalId) const {
  return index->nodes.Answer(globalId);
}

inpM_StringIntPair inpM_PartMap::ConstGetInstanceElementIdPair(int globalId) const {
  return index->elements.Answer(globalId);
}

// Asking each instance of Instances() and then the assembly level comes down
// to whether any level holds the id, which the index knows.
bool inpM_PartMap::IsNodePartMapMember(int globalId) const {
  CheckInstanceCount();
  return index->nodes.Holds(globalId);
}

// The element twin asks the element map about the node map's instance names.
// When the two maps list the same instances that is again whether any level
// holds the id; otherwise the names are visited one by one, so that a name
// that the element map lacks is reported exactly as the visit would meet it.
bool inpM_PartMap::IsElementPartMapMember(int globalId) const {
  if (index->sameInstances) {
    CheckInstanceCount();
    return index->elements.Holds(globalId);
  }
  const cow_List<cow_String> names = Instances();
  for (const cow_String& name : names)
    if (IsInstanceElementMember(name, globalId)) return true;
  return IsInstanceElementMember(cow_String(), globalId);
}

bool inpM_PartMap::IsNodePartMapMember(const cow_String& instance, int localId) const {
  const inpM_InstanceMaps* level = FindLevel(nodeMap, instance);
  return level && Holds(level->localToGlobal, localId);
}

bool inpM_PartMap::IsInstanceNodeMember(const cow_String& instance, int globalId) const {
  return IsInstanceMember(nodeMap, instance, globalId);
}

bool inpM_PartMap::IsInstanceElementMember(const cow_String& instance, int globalId) const {
  return IsInstanceMember(elementMap, instance, globalId);
}

// ---------------------------------------------------------------------------
// Set queries

cow_List<cow_String> inpM_PartMap::InstanceElsetNames(const cow_String& instance) const {
  return NestedSetNames(elementSets, instance);
}

cow_List<cow_String> inpM_PartMap::InstanceNsetNames(const cow_String& instance) const {
  return NestedSetNames(nodeSets, instance);
}

cow_1DArrayList<int> inpM_PartMap::ConstGetInstanceElset(const cow_String& instance, const cow_String& set) const {
  return elementSets.ConstGetNestedSet(instance, set).ConstGetIds();
}

cow_1DArrayList<int> inpM_PartMap::ConstGetInstanceNset(const cow_String& instance, const cow_String& set) const {
  return nodeSets.ConstGetNestedSet(instance, set).ConstGetIds();
}

bool inpM_PartMap::InstanceElsetIsPicked(const cow_String& instance, const cow_String& set) const {
  return elementSets.ConstGetNestedSet(instance, set).GetTypeFlag() != inpM_InputSet;
}

bool inpM_PartMap::InstanceNsetIsPicked(const cow_String& instance, const cow_String& set) const {
  return nodeSets.ConstGetNestedSet(instance, set).GetTypeFlag() != inpM_InputSet;
}

bool inpM_PartMap::InstanceNsetIsUnsorted(const cow_String& instance, const cow_String& set) const {
  return nodeSets.ConstGetNestedSet(instance, set).IsUnsorted();
}

cow_List<cow_String> inpM_PartMap::AssemblyElsetNames() const { return elementSets.ConstGetSets().Keys(); }

cow_List<cow_String> inpM_PartMap::AssemblyNsetNames() const { return nodeSets.ConstGetSets().Keys(); }

cow_1DArrayList<int> inpM_PartMap::ConstGetAssemblyElset(const cow_String& set) const {
  return elementSets.ConstGetSet(set).ConstGetIds();
}

cow_1DArrayList<int> inpM_PartMap::ConstGetAssemblyNset(const cow_String& set) const {
  return nodeSets.ConstGetSet(set).ConstGetIds();
}

bool inpM_PartMap::AssemblyElsetIsPicked(const cow_String& set) const {
  return elementSets.ConstGetSet(set).GetTypeFlag() != inpM_InputSet;
}

bool inpM_PartMap::AssemblyNsetIsPicked(const cow_String& set) const {
  return nodeSets.ConstGetSet(set).GetTypeFlag() != inpM_InputSet;
}

bool inpM_PartMap::AssemblyNsetIsUnsorted(const cow_String& set) const {
  return nodeSets.ConstGetSet(set).IsUnsorted();
}
