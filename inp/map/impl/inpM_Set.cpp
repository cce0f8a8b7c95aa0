#include "inpM_Set.h"

#include <algorithm>
#include <charconv>

#include "inpM_IdMap.h"
#include "inpM_Messages.h"
#include "inpM_Translate.h"
#include "inpM_Utils.h"
#include "nex.h"

namespace {

// Stored records never nest deeper than a few levels (the library builds one
// level of instances). A damaged record that keeps opening subsets or
// components would otherwise recurse until the stack runs out, so a reader
// that finds itself nested more than this deep reports its reading-failed
// message instead.
constexpr int kMaxReadDepth = 100;

// Names are read into a buffer of this size: at most 131 bytes and a NUL.
constexpr int kLineBuffer = 132;

thread_local int readDepth = 0;

// Counts one level of set records being read; reports `message` when the
// records nest too deep.
class ReadDepthGuard {
 public:
  explicit ReadDepthGuard(const char* message) {
    if (readDepth >= kMaxReadDepth) inpM_ReportError(message);
    ++readDepth;
  }
  ~ReadDepthGuard() { --readDepth; }
  ReadDepthGuard(const ReadDepthGuard&) = delete;
  ReadDepthGuard& operator=(const ReadDepthGuard&) = delete;
};

// The readers stop at the first read that met the end of the input or failed
// (any of the three lowest state bits), reporting their own message. Besides
// the places where the stored form asks for it, each reader also tests after
// every count, name line and kind and at the end of its record, so the reader
// that meets the end is the one that reports it, a count that could not be
// read is never taken as 0, and a name line longer than 131 bytes (getline
// then sets the fail bit) stops the reader instead of yielding a cut name.
void Check(const aio_istream& in, const char* message) {
  if ((in.rdstate() & 7) != 0) inpM_ReportError(message);
}

// A count that is not there or negative cannot come from a stored record.
int ReadCount(aio_istream& in, const char* message) {
  const int n = in.scan_int();
  Check(in, message);
  if (n < 0) inpM_ReportError(message);
  return n;
}

void DiscardLine(aio_istream& in) {
  char buf[kLineBuffer];
  in.getline(buf, kLineBuffer);
}

cow_String ReadName(aio_istream& in, const char* message) {
  char buf[kLineBuffer];
  in.getline(buf, kLineBuffer);
  Check(in, message);
  return cow_String(buf, in.gcount());
}

// `n` ids. The stream is tested before every block of ids rather than before
// every id: once a read fails, every further read yields 0 and consumes
// nothing, so the block ends at once and the test before the next block (or
// the caller's test after the ids) reports it, while the list never grows
// more than one block past what the input held. Room for up to kReserve ids
// is taken at once, so that usual sets never move while they are read; a
// damaged count costs no more than that.
std::vector<int> ReadIds(aio_istream& in, int n, const char* message) {
  constexpr int kBlock = 4096;
  constexpr int kReserve = 65536;
  std::vector<int> ids;
  ids.reserve(static_cast<size_t>(std::clamp(n, 0, kReserve)));
  for (int done = 0; done < n;) {
    Check(in, message);
    const int m = std::min(kBlock, n - done);
    ids.resize(ids.size() + static_cast<size_t>(m));
    in.scan_ints(ids.data() + done, m);
    done += m;
  }
  return ids;
}

// An id line: every id followed by one blank, then the line feed.
template <class Range>
void PrintIdLine(aio_ostream& out, const Range& ids) {
  aio_int_writer line(out, ' ', ' ');
  for (int id : ids) line.Add(id);
  line.Flush();
  out.put('\n');
}

// An id block: the count, and when it is above 0 the ids in ascending order.
void PrintIdBlock(aio_ostream& out, const inpM_OmiSet& ids) {
  const int n = ids.Size();
  out.print_int(n).put('\n');
  if (n == 0) return;
  aio_int_writer line(out, ' ', ' ');
  ids.ForEach([&line](int id) { line.Add(id); });
  line.Flush();
  out.put('\n');
}

void AppendIds(std::vector<int>& out, const inpM_OmiSet& ids) {
  if (const omi_Set* bits = ids.ConstGetBitVector()) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(bits->Size()));
    bits->ToArray(out.data() + at);
  } else if (ids.SingleValue() != inpM_OmiSet::kEmptyMarker) {
    out.push_back(ids.SingleValue());
  }
}

void AppendIds(std::vector<int>& out, const cow_1DArrayList<int>& ids) {
  out.insert(out.end(), ids.begin(), ids.end());
}

// The ids of `ids` that are not local ids of the id map's own level.
cow_1DArrayList<int> Undefined(const inpM_OmiSet& ids, const inpM_IdMap& idMap) {
  const omi_IntTable<int>& table = idMap.ConstGetIds();
  std::vector<int> undefined;
  ids.ForEach([&](int id) {
    if (!table.Find(id)) undefined.push_back(id);
  });
  return cow_1DArrayList<int>(std::move(undefined));
}

// The ids translated as idMap.Renumber translates them as one list (a 0
// without a pair stays 0). When an id has no pair, the list goes to
// idMap.Renumber, which reports the undefined ids, and its answer stands.
// The set is only replaced once the translation succeeded.
inpM_OmiSet Renumbered(const inpM_OmiSet& ids, const inpM_IdMap& idMap, bool inverse) {
  if (inverse) return inpM_OmiSet(idMap.Renumber(ids.ConstGetArrayCounterpart(), true));
  bool undefined = false;
  inpM_OmiSet renumbered = inpM_TranslatedIds(ids, idMap.ConstGetIds(), true, undefined);
  if (undefined) return inpM_OmiSet(idMap.Renumber(ids.ConstGetArrayCounterpart(), false));
  return renumbered;
}

// Whether removing `id` from the set would remove something; lets the
// removals write only to the part of a shared set that actually changes.
bool Holds(const inpM_BaseSet& set, int id);

bool Holds(const inpM_SortedSet& set, int id) {
  if (set.ConstGetTopLevelSet().IsMember(id)) return true;
  for (const auto& [name, entry] : set.ConstGetSecondLevelEntries())
    if (entry.IsMember(id)) return true;
  for (const auto& [name, subset] : set.ConstGetInstanceSubsets())
    if (Holds(*subset, id)) return true;
  return false;
}

bool Holds(const inpM_BaseSet& set, int id) {
  switch (set.GetSetKind()) {
    case inpM_IntegerSetKind:
      return static_cast<const inpM_IntegerSet&>(set).ConstGetList().IsMember(id);
    case inpM_SetNamePairKind: {
      const inpM_SetHandle& inner = static_cast<const inpM_SetNamePair&>(set).ConstGetSet();
      return inner.HasValue() && Holds(*inner, id);
    }
    case inpM_UnsortedSetKind:
      for (const inpM_SetHandle& c : static_cast<const inpM_UnsortedSet&>(set).ConstGetComponents())
        if (Holds(*c, id)) return true;
      return false;
    case inpM_SortedSetKind:
      return Holds(static_cast<const inpM_SortedSet&>(set), id);
    default:
      return false;
  }
}

const char kSortedFailed[] = "inpM_SortedSet reading failed.";
const char kIntegerFailed[] = "inpM_IntegerSet reading failed.";
const char kPairFailed[] = "inpM_SetNamePair reading failed.";
const char kUnsortedFailed[] = "inpM_UnsortedSet reading failed.";

}  // namespace

// ---------------------------------------------------------------------------
// inpM_BaseSet

inpM_BaseSet::~inpM_BaseSet() = default;

int inpM_BaseSet::GetSetKind() const { return inpM_BaseSetKind; }

// ---------------------------------------------------------------------------
// inpM_SortedSet

inpM_SortedSet::inpM_SortedSet() = default;
inpM_SortedSet::inpM_SortedSet(const inpM_SortedSet& other) = default;
inpM_SortedSet::inpM_SortedSet(inpM_SortedSet&& other) noexcept = default;
inpM_SortedSet& inpM_SortedSet::operator=(const inpM_SortedSet& other) = default;
inpM_SortedSet& inpM_SortedSet::operator=(inpM_SortedSet&& other) noexcept = default;
inpM_SortedSet::~inpM_SortedSet() = default;

inpM_SortedSet::inpM_SortedSet(const cow_1DArrayList<int>& ids) : topLevel_(ids) {}

inpM_SortedSet::inpM_SortedSet(const inpM_OmiSet& ids) : topLevel_(ids) {}

inpM_SortedSet::inpM_SortedSet(const inpM_UnsortedSet& set) {
  for (const inpM_SetHandle& component : set.ConstGetComponents()) Add(component->GetSortedSetEquivalent());
}

inpM_SortedSet::inpM_SortedSet(aio_istream& in) { Read(in); }

void inpM_SortedSet::Read(aio_istream& in) {
  const ReadDepthGuard depth(kSortedFailed);
  SetTypeFlag(static_cast<inpM_SetTypeFlag>(in.scan_int()));
  const int top = ReadCount(in, kSortedFailed);
  topLevel_ = inpM_OmiSet(cow_1DArrayList<int>(ReadIds(in, top, kSortedFailed)));

  const int entries = ReadCount(in, kSortedFailed);
  DiscardLine(in);
  for (int i = 0; i < entries; ++i) {
    Check(in, kSortedFailed);
    const cow_String name = ReadName(in, kSortedFailed);
    const int n = ReadCount(in, kSortedFailed);
    inpM_OmiSet ids(cow_1DArrayList<int>(ReadIds(in, n, kSortedFailed)));
    DiscardLine(in);
    entries_.Insert(name, std::move(ids));
  }

  const int subsets = ReadCount(in, kSortedFailed);
  DiscardLine(in);
  for (int i = 0; i < subsets; ++i) {
    Check(in, kSortedFailed);
    const cow_String name = ReadName(in, kSortedFailed);
    subsets_.Insert(name, inpM_SortedSetHandle(new inpM_SortedSet(in)));
  }
  Check(in, kSortedFailed);
}

void inpM_SortedSet::Print(aio_ostream& out) const {
  out.print_int(GetTypeFlag()).put('\n');
  PrintIdBlock(out, topLevel_);
  out.print_int(entries_.Size()).put('\n');
  for (inpM_MapString2BlkBitVectNSIT it(entries_); !it.IsDone(); it.Next()) {
    out << inpM_Utils::RemoveQuotes(it.CurrentKey());
    out.put('\n');
    PrintIdBlock(out, it.CurrentValue());
  }
  out.print_int(subsets_.Size()).put('\n');
  for (const auto& [name, subset] : subsets_) {
    out << inpM_Utils::RemoveQuotes(name);
    out.put('\n');
    subset->Print(out);
  }
}

inpM_SortedSet* inpM_SortedSet::Copy() const { return new inpM_SortedSet(*this); }

void inpM_SortedSet::Add(const cow_String& instance, int id) { entries_.GetOrInsert(instance).Insert(id); }

void inpM_SortedSet::Add(int id) { topLevel_.Insert(id); }

// A union with the list's own set ends in the same state as inserting the ids
// one by one, and works on whole bit vectors.
void inpM_SortedSet::Add(const cow_String& instance, const cow_1DArrayList<int>& ids) {
  entries_.GetOrInsert(instance) += inpM_OmiSet(ids);
}

void inpM_SortedSet::Add(const cow_1DArrayList<int>& ids) { topLevel_ += inpM_OmiSet(ids); }

void inpM_SortedSet::Add(const cow_String& instance, const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_SortedSetKind:
      Add(instance, static_cast<const inpM_SortedSet&>(set));
      break;
    case inpM_UnsortedSetKind:
      Add(instance, inpM_SortedSet(static_cast<const inpM_UnsortedSet&>(set)));
      break;
    default:
      break;
  }
}

void inpM_SortedSet::Add(const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_SortedSetKind:
      Add(static_cast<const inpM_SortedSet&>(set));
      break;
    case inpM_UnsortedSetKind:
      Add(inpM_SortedSet(static_cast<const inpM_UnsortedSet&>(set)));
      break;
    default:
      break;
  }
}

void inpM_SortedSet::Add(const inpM_SortedSet& other) {
  // Every level of a set united with itself stays as it is.
  if (&other == this) return;
  topLevel_ += other.topLevel_;
  if (entries_.IsEmpty()) {
    entries_ = other.entries_;
  } else {
    for (const auto& [name, ids] : other.entries_) {
      if (inpM_OmiSet* mine = entries_.Find(name))
        *mine += ids;
      else
        entries_.Insert(name, ids);
    }
  }
  if (subsets_.IsEmpty()) {
    subsets_ = other.subsets_;
  } else {
    for (const auto& [name, subset] : other.subsets_) {
      if (inpM_SortedSetHandle* mine = subsets_.Find(name))
        mine->Get().Add(*subset);
      else
        subsets_.Insert(name, subset);
    }
  }
}

void inpM_SortedSet::Add(const cow_String& instance, const inpM_SortedSet& other) {
  if (inpM_SortedSetHandle* mine = subsets_.Find(instance))
    mine->Get().Add(other);
  else
    subsets_.Insert(instance, inpM_SortedSetHandle(other));
}

bool inpM_SortedSet::Remove(int id) {
  if (topLevel_.IsMember(id)) {
    topLevel_.Remove(id);
    return true;
  }
  for (const auto& [name, ids] : entries_) {
    if (ids.IsMember(id)) {
      entries_.Get(name).Remove(id);
      return true;
    }
  }
  for (const auto& [name, subset] : subsets_) {
    if (Holds(*subset, id)) return subsets_.Get(name).Get().Remove(id);
  }
  return false;
}

void inpM_SortedSet::Renumber(const inpM_IdMap& idMap, bool inverse) {
  topLevel_ = Renumbered(topLevel_, idMap, inverse);
  for (const cow_String& name : entries_.Keys()) {
    if (!idMap.HasInstance(name)) continue;
    inpM_OmiSet ids = Renumbered(entries_.ConstGet(name), idMap.ConstGet(name), inverse);
    entries_.Get(name) = std::move(ids);
  }
  for (const cow_String& name : subsets_.Keys()) {
    if (idMap.HasInstance(name)) subsets_.Get(name).Get().Renumber(idMap.ConstGet(name), inverse);
  }
}

bool inpM_SortedSet::IsUnsorted() const { return false; }

cow_1DArrayList<int> inpM_SortedSet::ConstGetIds() const {
  std::vector<int> ids;
  ids.reserve(static_cast<size_t>(topLevel_.Size()));
  AppendIds(ids, topLevel_);
  for (inpM_MapString2BlkBitVectNSIT it(entries_); !it.IsDone(); it.Next()) AppendIds(ids, it.CurrentValue());
  for (inpM_MapString2SortedSetNSIT it(subsets_); !it.IsDone(); it.Next())
    AppendIds(ids, it.CurrentValue()->ConstGetIds());
  return cow_1DArrayList<int>(std::move(ids));
}

cow_1DArrayList<int> inpM_SortedSet::ConstGetTopLevelIds() const { return topLevel_.ConstGetArrayCounterpart(); }

cow_1DArrayList<int> inpM_SortedSet::ConstGetSecondLevelIds(const cow_String& instance) const {
  const inpM_OmiSet* ids = entries_.ConstFind(instance);
  return ids ? ids->ConstGetArrayCounterpart() : cow_1DArrayList<int>();
}

inpM_InstanceIdsMap inpM_SortedSet::ConstGetInstanceIdsMap() const {
  inpM_InstanceIdsMap map;
  for (const auto& [name, ids] : entries_) map.Insert(name, ids.ConstGetArrayCounterpart());
  for (const auto& [name, subset] : subsets_) map.GetOrInsert(name).Append(subset->ConstGetTopLevelIds());
  return map;
}

void inpM_SortedSet::Cleanup(const inpM_IdMap& idMap) {
  const cow_1DArrayList<int> undefined = Undefined(topLevel_, idMap);
  if (!undefined.IsEmpty()) topLevel_.Remove(undefined);
  for (const cow_String& name : entries_.Keys()) {
    if (!idMap.HasInstance(name)) continue;
    const cow_1DArrayList<int> gone = Undefined(entries_.ConstGet(name), idMap.ConstGet(name));
    if (!gone.IsEmpty()) entries_.Get(name).Remove(gone);
  }
  for (const cow_String& name : subsets_.Keys()) subsets_.Get(name).Get().Cleanup(idMap.ConstGet(name));
}

void inpM_SortedSet::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (oldName == newName) return;
  if (const inpM_SortedSetHandle* subset = subsets_.ConstFind(oldName)) {
    const inpM_SortedSetHandle moved = *subset;
    subsets_.Remove(oldName);
    subsets_.Insert(newName, moved);
  }
  if (entries_.IsMember(oldName)) {
    inpM_OmiSet moved = std::move(entries_.Get(oldName));
    entries_.Remove(oldName);
    entries_.Insert(newName, std::move(moved));
  }
}

bool inpM_SortedSet::IsEmpty() const { return topLevel_.IsEmpty() && entries_.IsEmpty() && subsets_.IsEmpty(); }

int inpM_SortedSet::GetSetKind() const { return inpM_SortedSetKind; }

cow_List<cow_String> inpM_SortedSet::GatherRootLevelInstanceNames() const {
  cow_List<cow_String> names = entries_.Keys();
  names.Append(subsets_.Keys());
  return names;
}

inpM_SortedSet inpM_SortedSet::GetSortedSetEquivalent() const { return *this; }

int inpM_SortedSet::SmallestId() const {
  int smallest = topLevel_.SmallestId();
  for (const auto& [name, ids] : entries_) smallest = std::min(smallest, ids.SmallestId());
  for (const auto& [name, subset] : subsets_) smallest = std::min(smallest, subset->SmallestId());
  return smallest;
}

// ---------------------------------------------------------------------------
// inpM_MapString2SortedSetNSIT

// A subset that holds no id has SmallestId kEmptyMarker and so comes after
// every subset that holds one; subsets with equal smallest ids keep the map's
// ascending name order (the sort is stable). Both match the order of
// second-level entries.
inpM_MapString2SortedSetNSIT::inpM_MapString2SortedSetNSIT(const cow_Map<cow_String, inpM_SortedSetHandle>& map)
    : map_(map) {
  std::vector<std::pair<int, const cow_Map<cow_String, inpM_SortedSetHandle>::Entry*>> keyed;
  keyed.reserve(static_cast<size_t>(map_.Size()));
  for (const auto& entry : map_) keyed.emplace_back(entry.second->SmallestId(), &entry);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  order_.reserve(keyed.size());
  for (const auto& k : keyed) order_.push_back(k.second);
}

// ---------------------------------------------------------------------------
// inpM_IntegerSet
//
// An integer set is a component of an unsorted set and holds top-level ids
// only. The additions that name an instance or bring a whole set have no
// place in it and leave it unchanged, and so does Add of a list: an unsorted
// set appends a new component for every addition rather than growing an
// existing one, and a list given directly keeps that rule.

inpM_IntegerSet::inpM_IntegerSet() = default;
inpM_IntegerSet::inpM_IntegerSet(const cow_1DArrayList<int>& ids) : ids_(ids) {}
inpM_IntegerSet::inpM_IntegerSet(const inpM_IntegerSet& other) = default;
inpM_IntegerSet& inpM_IntegerSet::operator=(const inpM_IntegerSet& other) = default;
inpM_IntegerSet::~inpM_IntegerSet() = default;

inpM_IntegerSet::inpM_IntegerSet(aio_istream& in) {
  const int n = ReadCount(in, kIntegerFailed);
  ids_ = cow_1DArrayList<int>(ReadIds(in, n, kIntegerFailed));
  DiscardLine(in);
  Check(in, kIntegerFailed);
}

void inpM_IntegerSet::Print(aio_ostream& out) const {
  out.print_int(ids_.Size()).put('\n');
  if (!ids_.IsEmpty()) PrintIdLine(out, ids_);
}

inpM_IntegerSet* inpM_IntegerSet::Copy() const { return new inpM_IntegerSet(*this); }
void inpM_IntegerSet::Add(const cow_String&, int) {}
void inpM_IntegerSet::Add(int id) { ids_.Append(id); }
void inpM_IntegerSet::Add(const cow_String&, const cow_1DArrayList<int>&) {}
void inpM_IntegerSet::Add(const cow_1DArrayList<int>&) {}
void inpM_IntegerSet::Add(const cow_String&, const inpM_BaseSet&) {}
void inpM_IntegerSet::Add(const inpM_BaseSet&) {}
bool inpM_IntegerSet::Remove(int id) { return ids_.RemoveMember(id); }

void inpM_IntegerSet::Renumber(const inpM_IdMap& idMap, bool inverse) { ids_ = idMap.Renumber(ids_, inverse); }

bool inpM_IntegerSet::IsUnsorted() const { return true; }
cow_1DArrayList<int> inpM_IntegerSet::ConstGetIds() const { return ids_; }
cow_1DArrayList<int> inpM_IntegerSet::ConstGetTopLevelIds() const { return ids_; }
cow_1DArrayList<int> inpM_IntegerSet::ConstGetSecondLevelIds(const cow_String&) const { return {}; }
inpM_InstanceIdsMap inpM_IntegerSet::ConstGetInstanceIdsMap() const { return {}; }

// Keeping the held ids in one pass gives the same list whether the list or
// the id map's table is the longer, and writes only when an id goes.
void inpM_IntegerSet::Cleanup(const inpM_IdMap& idMap) {
  const omi_IntTable<int>& table = idMap.ConstGetIds();
  const auto undefined = [&table](int id) { return table.Find(id) == nullptr; };
  if (std::none_of(ids_.begin(), ids_.end(), undefined)) return;
  std::erase_if(ids_.GetVector(), undefined);
}

void inpM_IntegerSet::ChangeInstanceName(const cow_String&, const cow_String&) {}
bool inpM_IntegerSet::IsEmpty() const { return ids_.IsEmpty(); }
int inpM_IntegerSet::GetSetKind() const { return inpM_IntegerSetKind; }
cow_List<cow_String> inpM_IntegerSet::GatherRootLevelInstanceNames() const { return {}; }
inpM_SortedSet inpM_IntegerSet::GetSortedSetEquivalent() const { return inpM_SortedSet(ids_); }

// ---------------------------------------------------------------------------
// inpM_SetNamePair
//
// The inner set is kept storable: a sorted set given to the constructor is
// held converted to an unsorted set (kind 3), since the name-pair record has
// no reader for a sorted inner set. The additions that the unsorted set never
// makes on its components (all but Add(id)) leave the pair unchanged, as for
// the integer set. The inner handle is empty only after reading a record of
// an unknown kind; such a pair then behaves as an empty set and is written
// with the kind 0, which reads back the same way.

inpM_SetNamePair::inpM_SetNamePair(const cow_String& instance, const inpM_BaseSet& set)
    : name_(instance),
      set_(set.GetSetKind() == inpM_SortedSetKind
               ? inpM_SetHandle(new inpM_UnsortedSet(static_cast<const inpM_SortedSet&>(set)))
               : inpM_SetHandle(set)) {}

inpM_SetNamePair::inpM_SetNamePair(const inpM_SetNamePair& other) = default;
inpM_SetNamePair& inpM_SetNamePair::operator=(const inpM_SetNamePair& other) = default;
inpM_SetNamePair::~inpM_SetNamePair() = default;

inpM_SetNamePair::inpM_SetNamePair(aio_istream& in) {
  const ReadDepthGuard depth(kPairFailed);
  name_ = ReadName(in, kPairFailed);
  const int kind = in.scan_int();
  Check(in, kPairFailed);
  DiscardLine(in);
  switch (kind) {
    case inpM_IntegerSetKind:
      set_ = inpM_SetHandle(new inpM_IntegerSet(in));
      break;
    case inpM_SetNamePairKind:
      set_ = inpM_SetHandle(new inpM_SetNamePair(in));
      break;
    case inpM_UnsortedSetKind:
      set_ = inpM_SetHandle(new inpM_UnsortedSet(in));
      break;
    default:
      break;
  }
  Check(in, kPairFailed);
}

void inpM_SetNamePair::Print(aio_ostream& out) const {
  out << name_;
  out.put('\n');
  if (!set_.HasValue()) {
    out.print_int(inpM_BaseSetKind).put('\n');
    return;
  }
  out.print_int(set_->GetSetKind()).put('\n');
  set_->Print(out);
}

inpM_SetNamePair* inpM_SetNamePair::Copy() const { return new inpM_SetNamePair(*this); }
void inpM_SetNamePair::Add(const cow_String&, int) {}

void inpM_SetNamePair::Add(int id) {
  if (set_.HasValue()) set_.Get().Add(id);
}

void inpM_SetNamePair::Add(const cow_String&, const cow_1DArrayList<int>&) {}
void inpM_SetNamePair::Add(const cow_1DArrayList<int>&) {}
void inpM_SetNamePair::Add(const cow_String&, const inpM_BaseSet&) {}
void inpM_SetNamePair::Add(const inpM_BaseSet&) {}

bool inpM_SetNamePair::Remove(int id) { return set_.HasValue() && Holds(*set_, id) && set_.Get().Remove(id); }

void inpM_SetNamePair::Renumber(const inpM_IdMap& idMap, bool inverse) {
  if (set_.HasValue() && idMap.HasInstance(name_)) set_.Get().Renumber(idMap.ConstGet(name_), inverse);
}

bool inpM_SetNamePair::IsUnsorted() const { return true; }

cow_1DArrayList<int> inpM_SetNamePair::ConstGetIds() const {
  return set_.HasValue() ? set_->ConstGetIds() : cow_1DArrayList<int>();
}

cow_1DArrayList<int> inpM_SetNamePair::ConstGetTopLevelIds() const { return {}; }

cow_1DArrayList<int> inpM_SetNamePair::ConstGetSecondLevelIds(const cow_String& instance) const {
  if (!set_.HasValue() || instance != name_) return {};
  return set_->ConstGetTopLevelIds();
}

inpM_InstanceIdsMap inpM_SetNamePair::ConstGetInstanceIdsMap() const { return {}; }

void inpM_SetNamePair::Cleanup(const inpM_IdMap& idMap) {
  if (set_.HasValue() && idMap.HasInstance(name_)) set_.Get().Cleanup(idMap.ConstGet(name_));
}

void inpM_SetNamePair::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (name_ == oldName) name_ = newName;
  if (set_.HasValue()) set_.Get().ChangeInstanceName(oldName, newName);
}

bool inpM_SetNamePair::IsEmpty() const { return !set_.HasValue() || set_->IsEmpty(); }
int inpM_SetNamePair::GetSetKind() const { return inpM_SetNamePairKind; }
cow_List<cow_String> inpM_SetNamePair::GatherRootLevelInstanceNames() const { return {name_}; }

inpM_SortedSet inpM_SetNamePair::GetSortedSetEquivalent() const {
  inpM_SortedSet sorted;
  sorted.Add(name_, set_.HasValue() ? set_->GetSortedSetEquivalent() : inpM_SortedSet());
  return sorted;
}

// ---------------------------------------------------------------------------
// inpM_UnsortedSet

inpM_UnsortedSet::inpM_UnsortedSet() = default;
inpM_UnsortedSet::inpM_UnsortedSet(const inpM_UnsortedSet& other) = default;
inpM_UnsortedSet& inpM_UnsortedSet::operator=(const inpM_UnsortedSet& other) = default;
inpM_UnsortedSet::~inpM_UnsortedSet() = default;

inpM_UnsortedSet::inpM_UnsortedSet(const cow_1DArrayList<int>& ids) {
  components_.Append(inpM_SetHandle(new inpM_IntegerSet(ids)));
}

inpM_UnsortedSet::inpM_UnsortedSet(const inpM_SortedSet& set) {
  components_.Append(inpM_SetHandle(new inpM_IntegerSet(set.ConstGetTopLevelIds())));
  for (const auto& [name, ids] : set.ConstGetInstanceIdsMap())
    components_.Append(inpM_SetHandle(new inpM_SetNamePair(name, inpM_IntegerSet(ids))));
  for (const auto& [name, subset] : set.ConstGetInstanceSubsets())
    components_.Append(inpM_SetHandle(new inpM_SetNamePair(name, inpM_UnsortedSet(*subset))));
}

inpM_UnsortedSet::inpM_UnsortedSet(aio_istream& in) {
  const ReadDepthGuard depth(kUnsortedFailed);
  SetTypeFlag(static_cast<inpM_SetTypeFlag>(in.scan_int()));
  const int n = ReadCount(in, kUnsortedFailed);
  DiscardLine(in);
  for (int i = 0; i < n; ++i) {
    Check(in, kUnsortedFailed);
    const int kind = in.scan_int();
    Check(in, kUnsortedFailed);
    DiscardLine(in);
    switch (kind) {
      case inpM_IntegerSetKind:
        components_.Append(inpM_SetHandle(new inpM_IntegerSet(in)));
        break;
      case inpM_SetNamePairKind:
        components_.Append(inpM_SetHandle(new inpM_SetNamePair(in)));
        break;
      case inpM_UnsortedSetKind:
        components_.Append(inpM_SetHandle(new inpM_UnsortedSet(in)));
        break;
      default:
        break;
    }
  }
  Check(in, kUnsortedFailed);
}

void inpM_UnsortedSet::Print(aio_ostream& out) const {
  out.print_int(GetTypeFlag()).put('\n');
  out.print_int(components_.Size()).put('\n');
  for (const inpM_SetHandle& c : components_) {
    out.print_int(c->GetSetKind()).put('\n');
    c->Print(out);
  }
}

inpM_UnsortedSet* inpM_UnsortedSet::Copy() const { return new inpM_UnsortedSet(*this); }

void inpM_UnsortedSet::Add(const cow_String& instance, int id) {
  components_.Append(inpM_SetHandle(new inpM_SetNamePair(instance, inpM_IntegerSet({id}))));
}

void inpM_UnsortedSet::Add(int id) { components_.Append(inpM_SetHandle(new inpM_IntegerSet({id}))); }

void inpM_UnsortedSet::Add(const cow_String& instance, const cow_1DArrayList<int>& ids) {
  components_.Append(inpM_SetHandle(new inpM_SetNamePair(instance, inpM_IntegerSet(ids))));
}

void inpM_UnsortedSet::Add(const cow_1DArrayList<int>& ids) {
  components_.Append(inpM_SetHandle(new inpM_IntegerSet(ids)));
}

void inpM_UnsortedSet::Add(const cow_String& instance, const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_UnsortedSetKind:
    case inpM_SortedSetKind:
      // The pair holds a sorted set converted to an unsorted one.
      components_.Append(inpM_SetHandle(new inpM_SetNamePair(instance, set)));
      break;
    default:
      break;
  }
}

void inpM_UnsortedSet::Add(const inpM_BaseSet& set) {
  switch (set.GetSetKind()) {
    case inpM_UnsortedSetKind: {
      // A copy of the list first, so that adding a set to itself appends its
      // components once.
      const cow_1DArrayList<inpM_SetHandle> more = static_cast<const inpM_UnsortedSet&>(set).components_;
      components_.Append(more);
      break;
    }
    case inpM_SortedSetKind:
      components_.Append(inpM_UnsortedSet(static_cast<const inpM_SortedSet&>(set)).components_);
      break;
    default:
      break;
  }
}

bool inpM_UnsortedSet::Remove(int id) {
  for (int i = 0; i < components_.Size(); ++i) {
    if (Holds(*components_[i], id)) return components_.Get(i).Get().Remove(id);
  }
  return false;
}

void inpM_UnsortedSet::Renumber(const inpM_IdMap& idMap, bool inverse) {
  for (int i = 0; i < components_.Size(); ++i) components_.Get(i).Get().Renumber(idMap, inverse);
}

bool inpM_UnsortedSet::IsUnsorted() const { return true; }

cow_1DArrayList<int> inpM_UnsortedSet::ConstGetIds() const {
  std::vector<int> ids;
  for (const inpM_SetHandle& c : components_) AppendIds(ids, c->ConstGetIds());
  return cow_1DArrayList<int>(std::move(ids));
}

cow_1DArrayList<int> inpM_UnsortedSet::ConstGetTopLevelIds() const {
  std::vector<int> ids;
  for (const inpM_SetHandle& c : components_) AppendIds(ids, c->ConstGetTopLevelIds());
  return cow_1DArrayList<int>(std::move(ids));
}

cow_1DArrayList<int> inpM_UnsortedSet::ConstGetSecondLevelIds(const cow_String& instance) const {
  std::vector<int> ids;
  for (const inpM_SetHandle& c : components_) AppendIds(ids, c->ConstGetSecondLevelIds(instance));
  return cow_1DArrayList<int>(std::move(ids));
}

inpM_InstanceIdsMap inpM_UnsortedSet::ConstGetInstanceIdsMap() const {
  inpM_InstanceIdsMap map;
  for (const cow_String& name : GatherRootLevelInstanceNames()) {
    if (!map.IsMember(name)) map.Insert(name, ConstGetSecondLevelIds(name));
  }
  return map;
}

void inpM_UnsortedSet::Cleanup(const inpM_IdMap& idMap) {
  for (int i = 0; i < components_.Size(); ++i) components_.Get(i).Get().Cleanup(idMap);
}

void inpM_UnsortedSet::ChangeInstanceName(const cow_String& oldName, const cow_String& newName) {
  if (oldName == newName) return;
  for (int i = 0; i < components_.Size(); ++i) components_.Get(i).Get().ChangeInstanceName(oldName, newName);
}

bool inpM_UnsortedSet::IsEmpty() const {
  return std::all_of(components_.begin(), components_.end(), [](const inpM_SetHandle& c) { return c->IsEmpty(); });
}

int inpM_UnsortedSet::GetSetKind() const { return inpM_UnsortedSetKind; }

cow_List<cow_String> inpM_UnsortedSet::GatherRootLevelInstanceNames() const {
  cow_List<cow_String> names;
  for (const inpM_SetHandle& c : components_) names.Append(c->GatherRootLevelInstanceNames());
  return names;
}

inpM_SortedSet inpM_UnsortedSet::GetSortedSetEquivalent() const { return inpM_SortedSet(*this); }

// ---------------------------------------------------------------------------
// Factories

inpM_SetHandle CreateSet(bool internal, bool unsorted) {
  return CreateSet(internal ? inpM_InternalSet : inpM_InputSet, unsorted);
}

inpM_SetHandle CreateSet(inpM_SetTypeFlag flag, bool unsorted) {
  inpM_BaseSet* set = unsorted ? static_cast<inpM_BaseSet*>(new inpM_UnsortedSet()) : new inpM_SortedSet();
  set->SetTypeFlag(flag);
  return inpM_SetHandle(set);
}

inpM_SetHandle CreateSet(aio_istream& in, bool unsorted) {
  if (unsorted) return inpM_SetHandle(new inpM_UnsortedSet(in));
  return inpM_SetHandle(new inpM_SortedSet(in));
}

inpM_SetHandle CreateSet(const cow_1DArrayList<int>& ids, bool internal, bool unsorted) {
  return CreateSet(ids, internal ? inpM_InternalSet : inpM_InputSet, unsorted);
}

inpM_SetHandle CreateSet(const cow_1DArrayList<int>& ids, inpM_SetTypeFlag flag, bool unsorted) {
  inpM_BaseSet* set = unsorted ? static_cast<inpM_BaseSet*>(new inpM_UnsortedSet(ids)) : new inpM_SortedSet(ids);
  set->SetTypeFlag(flag);
  return inpM_SetHandle(set);
}

inpM_SetHandle CreateSet(const inpM_BaseSet& set) {
  const int kind = set.GetSetKind();
  if (kind == inpM_UnsortedSetKind || kind == inpM_SortedSetKind) return inpM_SetHandle(set);
  return inpM_SetHandle();
}
