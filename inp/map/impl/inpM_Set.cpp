#include "inpM_Set.h"

#include <algorithm>

#include "inpM_Messages.h"
#include "inpM_SetShared.h"

namespace inpM_SetShared {

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

}  // namespace

ReadDepthGuard::ReadDepthGuard(const char* message) {
  if (readDepth >= kMaxReadDepth) inpM_ReportError(message);
  ++readDepth;
}

ReadDepthGuard::~ReadDepthGuard() { --readDepth; }

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

}  // namespace inpM_SetShared

// ---------------------------------------------------------------------------
// inpM_BaseSet

inpM_BaseSet::~inpM_BaseSet() = default;

int inpM_BaseSet::GetSetKind() const { return inpM_BaseSetKind; }

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
