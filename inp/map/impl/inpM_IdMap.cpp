#include "inpM_IdMap.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "inpM_Messages.h"
#include "inpM_RecordReader.h"
#include "inpM_Translate.h"
#include "inpM_Utils.h"
#include "nex.h"

namespace {

const char kSource[] = "inp/map/impl/inpM_IdMap";

const omi_IntTable<int>& EmptyTable() {
  static const omi_IntTable<int> empty;
  return empty;
}

// The table a handle holds, or the empty table when it holds none.
const omi_IntTable<int>& TableOf(const cow_COW<omi_IntTable<int>>& handle) {
  return handle.HasValue() ? handle.ConstGet() : EmptyTable();
}

[[noreturn]] void ThrowUndefined(std::vector<int> undefined) {
  const atr_translate heading("The following undefined nodes or elements were encountered:");
  nex_TextException(inpM_Utils::FormatCollectedErrors(heading.Result(), cow_1DArrayList<int>(std::move(undefined))))
      .Throw(kSource, __LINE__);
}

// Global to local translation of a list. Every id is meant to be a global id
// of the level; one that is not has no local id to give, so it yields nothing
// (and is not reported: CleanupAndRenumber, which shares this path, never
// reports).
cow_1DArrayList<int> RenumberInverse(const omi_IntTable<int>& localToGlobal, const cow_1DArrayList<int>& ids) {
  if (ids.IsEmpty()) return {};
  const omi_IntTable<int> reverse = inpM_ReversedIds(localToGlobal);
  std::vector<int> result;
  result.reserve(static_cast<size_t>(ids.Size()));
  for (int id : ids) {
    if (const int* local = reverse.Find(id)) result.push_back(*local);
  }
  return cow_1DArrayList<int>(std::move(result));
}

// The length of the longest prefix of v[0, n) that counts up by one from
// v[0] (never past INT_MAX: 32-bit arithmetic would wrap on to INT_MIN);
// n > 0. Compared a chunk at a time without early exits, in 32-bit
// arithmetic, so that the compiler turns the comparison into vector code.
long AffinePrefix(const int* v, long n) {
  constexpr unsigned kChunk = 256;
  n = std::min(n, long{INT_MAX} - v[0] + 1);
  const unsigned v0 = static_cast<unsigned>(v[0]);
  long at = 0;
  for (; at + kChunk <= n; at += kChunk) {
    const int* chunk = v + at;
    const unsigned expected = v0 + static_cast<unsigned>(at);
    unsigned off = 0;
    for (unsigned k = 0; k < kChunk; ++k) off |= (static_cast<unsigned>(chunk[k]) - k) ^ expected;
    if (off) break;
  }
  while (at < n && static_cast<unsigned>(v[at]) - static_cast<unsigned>(at) == v0) ++at;
  return at;
}

void CollectExtremes(const inpM_IdMap& map, int& smallest, int& largest) {
  map.ConstGetIds().ForEach([&](int, int global) {
    if (global < smallest) smallest = global;
    if (global > largest) largest = global;
  });
  for (const auto& entry : map.ConstGetInstances()) CollectExtremes(entry.second.ConstGet(), smallest, largest);
}

// Reads n (key, value) pairs into the table; false at the first pair that
// cannot be read. Pairs are gathered a chunk at a time and inserted
// together, so that the table shapes each block once for the ascending keys
// of the stored form; a table of up to kChunk pairs goes in whole. The
// table is told to expect n pairs, so that it lays its mapping out once.
// Both the chunk and what the table is told go no further than what the
// rest of the input could hold (a pair takes at least four bytes: "1 1" and
// a line end), so that a damaged count costs no more than the input's size;
// the table grows only with what the input actually holds.
bool ReadPairs(aio_istream& in, int n, omi_IntTable<int>& table) {
  constexpr int kChunk = 16384;
  constexpr size_t kPairBytes = 4;
  const int expected = static_cast<int>(std::min(static_cast<size_t>(n), inpM_RoomFor(in, kPairBytes)));
  const int chunk = std::clamp(expected, 1, kChunk);
  table.Reserve(expected);
  const std::unique_ptr<int[]> keys(new int[static_cast<size_t>(chunk)]);
  const std::unique_ptr<int[]> values(new int[static_cast<size_t>(chunk)]);
  bool whole = true;
  for (int done = 0; done < n && whole;) {
    const int want = std::min(n - done, chunk);
    const int m = in.scan_int_pairs(keys.get(), values.get(), want);
    whole = m == want;
    done += m;
    table.InsertAscending(keys.get(), values.get(), m, whole && done < n);
  }
  // Blocks that grew a chunk at a time, doubling, give back what is left over.
  table.Trim();
  return whole;
}

// "key value" lines, written in bulk.
void PrintPairs(aio_ostream& out, const omi_IntTable<int>& table) {
  aio_int_writer pairs(out, ' ', '\n');
  table.ForEach([&pairs](int key, int value) {
    pairs.Add(key);
    pairs.Add(value);
  });
  pairs.Flush();
}

}  // namespace

omi_IntTable<int> inpM_ReversedIds(const omi_IntTable<int>& localToGlobal) {
  omi_IntTable<int> reverse;
  reverse.Reserve(localToGlobal.Size());
  localToGlobal.ForEach([&reverse](int local, int global) { reverse.Insert(global, local); });
  return reverse;
}

// ---------------------------------------------------------------------------
// inpM_IdMap

inpM_IdMap::inpM_IdMap() = default;
inpM_IdMap::inpM_IdMap(const inpM_IdMap& other) = default;
inpM_IdMap& inpM_IdMap::operator=(const inpM_IdMap& other) = default;
inpM_IdMap::~inpM_IdMap() = default;

inpM_IdMap::inpM_IdMap(const inpM_InstanceIdMaps& maps) : ids(maps.assembly.localToGlobal) {
  for (const auto& [name, pair] : maps.instances) {
    cow_COW<inpM_IdMap> sub(new inpM_IdMap());
    if (pair.localToGlobal.HasValue())
      sub.Get().ids = cow_COW<omi_IntTable<int>>(new omi_IntTable<int>(pair.localToGlobal.ConstGet()));
    instances.Insert(name, std::move(sub));
  }
}

const inpM_IdMap& inpM_IdMap::ConstGet(const cow_String& instanceName) const {
  const cow_COW<inpM_IdMap>* sub = instances.ConstFind(instanceName);
  if (!sub) inpM_ReportError("Unknown instance name %s", instanceName);
  return sub->ConstGet();
}

// An empty path descends nowhere and gives this map itself.
const inpM_IdMap& inpM_IdMap::ConstGet(const cow_List<cow_String>& path) const {
  const inpM_IdMap* map = this;
  for (const cow_String& name : path) map = &map->ConstGet(name);
  return *map;
}

int inpM_IdMap::ConstGet(int localId) const {
  const int* global = Find(localId);
  if (!global) inpM_ReportError("Unknown instance id %s", localId);
  return *global;
}

int inpM_IdMap::NumberIds() const {
  int n = ConstGetIds().Size();
  for (const auto& entry : instances) n += entry.second.ConstGet().NumberIds();
  return n;
}

cow_List<cow_String> inpM_IdMap::Instances() const { return instances.Keys(); }

void inpM_IdMap::Print(aio_ostream& out) const {
  const omi_IntTable<int>& table = ConstGetIds();
  out.print_int(table.Size()).put('\n');
  PrintPairs(out, table);
  for (const auto& [name, sub] : instances) {
    out << name;
    out.put('\n');
    sub.ConstGet().Print(out);
  }
}

void inpM_IdMap::Renumber(int* array, int n) const {
  const omi_IntTable<int>& table = ConstGetIds();
  std::vector<int> undefined;
  for (int i = 0; i < n; ++i) {
    int& id = array[i];
    if (const int* global = table.Find(id)) {
      id = *global;
    } else if (id != 0) {
      undefined.push_back(id);
      id = 0;
    }
  }
  if (!undefined.empty()) ThrowUndefined(std::move(undefined));
}

cow_1DArrayList<int> inpM_IdMap::Renumber(const cow_1DArrayList<int>& list, bool inverse) const {
  const omi_IntTable<int>& table = ConstGetIds();
  if (inverse) return RenumberInverse(table, list);
  std::vector<int> result;
  result.reserve(static_cast<size_t>(list.Size()));
  std::vector<int> undefined;
  for (int id : list) {
    if (const int* global = table.Find(id))
      result.push_back(*global);
    else if (id == 0)
      result.push_back(0);
    else
      undefined.push_back(id);
  }
  if (!undefined.empty()) ThrowUndefined(std::move(undefined));
  return cow_1DArrayList<int>(std::move(result));
}

cow_1DArrayList<int> inpM_IdMap::CleanupAndRenumber(const cow_1DArrayList<int>& list, bool inverse) const {
  const omi_IntTable<int>& table = ConstGetIds();
  if (inverse) return RenumberInverse(table, list);
  std::vector<int> result;
  result.reserve(static_cast<size_t>(list.Size()));
  for (int id : list) {
    if (const int* global = table.Find(id)) result.push_back(*global);
  }
  return cow_1DArrayList<int>(std::move(result));
}

cow_1DArrayList<int> inpM_IdMap::Cleanup(const cow_1DArrayList<int>& list) const {
  const omi_IntTable<int>& table = ConstGetIds();
  std::vector<int> result;
  result.reserve(static_cast<size_t>(list.Size()));
  for (int id : list) {
    if (table.Find(id)) result.push_back(id);
  }
  return cow_1DArrayList<int>(std::move(result));
}

void inpM_IdMap::Merge(const inpM_IdMap& other) {
  // A copy holds the other's storage while this map changes, so that merging
  // a map into itself (or into a map it shares with) reads stable tables.
  const inpM_IdMap source = other;
  const omi_IntTable<int>& pairs = source.ConstGetIds();
  if (!pairs.IsEmpty()) {
    omi_IntTable<int>& table = GetIds();
    pairs.ForEach([&table](int local, int global) { table.Insert(local, global); });
  }
  for (const auto& [name, sub] : source.instances) {
    if (cow_COW<inpM_IdMap>* mine = instances.Find(name))
      mine->Get().Merge(sub.ConstGet());
    else
      instances.Insert(name, sub);
  }
}

int inpM_IdMap::LargestId() const {
  int smallest = 999999999;
  int largest = 1;
  CollectExtremes(*this, smallest, largest);
  return largest;
}

int inpM_IdMap::SmallestId() const {
  int smallest = 999999999;
  int largest = 1;
  CollectExtremes(*this, smallest, largest);
  return smallest;
}

void inpM_IdMap::InsertDuplicateOffsetIds(int offset, int count) {
  if (count <= 0) return;
  // With no offset every copy is the id itself: one insertion says it all.
  if (offset == 0) count = 1;
  const omi_IntTable<int>& current = ConstGetIds();
  if (!current.IsEmpty()) {
    // The walk covers a snapshot of the global ids taken before the first
    // insertion, so it never meets the ids it adds.
    std::vector<int> globals;
    globals.reserve(static_cast<size_t>(current.Size()));
    current.ForEach([&globals](int, int global) { globals.push_back(global); });
    omi_IntTable<int>& table = GetIds();
    for (int global : globals) {
      for (int k = 1; k <= count; ++k) {
        // A copy beyond the 32-bit range is no id; the later ones lie further
        // out still, so the copies of this id end there.
        const int64_t copy = global + int64_t{k} * offset;
        if (copy < std::numeric_limits<int>::min() || copy > std::numeric_limits<int>::max()) break;
        table.Insert(static_cast<int>(copy), static_cast<int>(copy));
      }
    }
  }
  for (const cow_String& name : Instances()) {
    // Only sub-maps that hold ids change, and only they are copied.
    if (instances.ConstGet(name).ConstGet().NumberIds() == 0) continue;
    instances.Get(name).Get().InsertDuplicateOffsetIds(offset, count);
  }
}

void inpM_IdMap::Insert(int localId, int globalId) { GetIds().Insert(localId, globalId); }

inpM_IdMap& inpM_IdMap::GetInstance(const cow_String& instanceName) {
  if (!instances.IsMember(instanceName)) instances.Insert(instanceName, cow_COW<inpM_IdMap>(new inpM_IdMap()));
  return instances.Get(instanceName).Get();
}

void inpM_IdMap::InsertInstance(const cow_String& instanceName, const inpM_IdMap& map) {
  instances.Insert(instanceName, cow_COW<inpM_IdMap>(map));
}

bool inpM_IdMap::HasInstance(const cow_String& instanceName) const { return instances.IsMember(instanceName); }

const omi_IntTable<int>& inpM_IdMap::ConstGetIds() const { return TableOf(ids); }

const cow_Map<cow_String, cow_COW<inpM_IdMap>>& inpM_IdMap::ConstGetInstances() const { return instances; }

omi_IntTable<int>& inpM_IdMap::GetIds() {
  if (!ids.HasValue()) ids.Set(new omi_IntTable<int>());
  return ids.Get();
}

// ---------------------------------------------------------------------------
// inpM_InstanceMaps

inpM_InstanceMaps::inpM_InstanceMaps()
    : globalToLocal(new omi_IntTable<int>()), localToGlobal(new omi_IntTable<int>()) {}

inpM_InstanceMaps::inpM_InstanceMaps(const inpM_IdMap& map)
    : globalToLocal(new omi_IntTable<int>(inpM_ReversedIds(map.ConstGetIds()))),
      localToGlobal(map.ids.HasValue() ? map.ids : cow_COW<omi_IntTable<int>>(new omi_IntTable<int>())) {}

// A count or pair that cannot be read ends the reading there, with the pairs
// read so far kept and the stream's fail state left for the caller to report.
// A negative count is damage of the same kind: it sets the fail state too,
// and so does a key given twice in one table, which would leave the tables
// of different sizes, a pair that the record's one count cannot store.
inpM_InstanceMaps::inpM_InstanceMaps(aio_istream& in) : inpM_InstanceMaps() {
  const int n = in.scan_int();
  if (in.fail()) return;
  if (n < 0) {
    in.setstate(aio_ios::failbit);
    return;
  }
  if (!ReadPairs(in, n, globalToLocal.Get()) || globalToLocal->Size() != n) {
    in.setstate(aio_ios::failbit);
    return;
  }
  if (!ReadPairs(in, n, localToGlobal.Get()) || localToGlobal->Size() != n) in.setstate(aio_ios::failbit);
}

inpM_InstanceMaps::inpM_InstanceMaps(const inpM_InstanceMaps& other) = default;
inpM_InstanceMaps& inpM_InstanceMaps::operator=(const inpM_InstanceMaps& other) = default;
inpM_InstanceMaps::~inpM_InstanceMaps() = default;

void inpM_InstanceMaps::Print(aio_ostream& out) const {
  const omi_IntTable<int>& forward = TableOf(globalToLocal);
  out.print_int(forward.Size()).put('\n');
  PrintPairs(out, forward);
  PrintPairs(out, TableOf(localToGlobal));
}

// Container by container. Where the container's members are dense enough
// that reading the table over their whole range costs less than looking
// each one up, the table is read as an array: each stretch of at least
// kShiftMin keys that it maps onto consecutive ids moves the set's bits as
// a whole; the rest of the container is translated id by id.
inpM_OmiSet inpM_TranslatedIds(const inpM_OmiSet& ids, const omi_IntTable<int>& table, bool zeroStays, bool& missing) {
  constexpr long kShiftMin = 1024;
  constexpr int kPiece = 4096;
  missing = false;
  omi_Set out;
  int piece[kPiece];
  int held = 0;
  const auto one = [&](int id) {
    if (const int* v = table.Find(id))
      piece[held++] = *v;
    else if (id == 0 && zeroStays)
      piece[held++] = 0;
    else
      missing = true;
    if (held == kPiece) {
      out.Insert(piece, held);
      held = 0;
    }
  };
  const omi_Set* bits = ids.ConstGetBitVector();
  if (!bits) {
    ids.ForEach(one);
  } else {
    const omi_BlkBitVect& from = bits->BitVector();
    from.ForEachContainer([&](int first, int last, int count) {
      const long range = long{last} - first + 1;
      const int* span = count >= kShiftMin && 8 * long{count} >= range ? table.Span(first, last) : nullptr;
      int at = first;
      while (span) {
        const long n = AffinePrefix(span + (at - first), long{last} - at + 1);
        if (n < kShiftMin) break;
        const int end = static_cast<int>(at + n - 1);
        out.UniteShifted(*bits, at, end, static_cast<long long>(span[at - first]) - at);
        if (end == last) return;
        at = end + 1;
      }
      from.ForEachIn(at, last, one);
    });
  }
  if (held) out.Insert(piece, held);
  return inpM_OmiSet(std::move(out));
}
