#include "inpM_GlobalIndex.h"

#include "inpM_Messages.h"
#include "nex.h"

#include <algorithm>
#include <bit>
#include <climits>

// ---------------------------------------------------------------------------
// inpM_OwnerTable

// The dense array costs 2 bytes per id of its range; it is kept while that is
// at most 16 bytes per id held (what the sparse form costs at its fullest),
// and always for a range of up to 64K ids, which costs no more than 128 KB.
bool inpM_OwnerTable::DenseEnough(int64_t span, size_t count) {
  return span <= static_cast<int64_t>(8 * count) + 65536;
}

void inpM_OwnerTable::Reset(int minId, int maxId, size_t count) {
  count_ = 0;
  base_ = minId;
  lo_.clear();
  hi_.clear();
  slots_.clear();
  runs_.clear();
  buckets_.clear();
  span_ = 0;
  form_ = Form::kArray;
  if (count == 0) {
    lo_.shrink_to_fit();
    hi_.shrink_to_fit();
    slots_.shrink_to_fit();
    runs_.shrink_to_fit();
    buckets_.shrink_to_fit();
    return;
  }
  const int64_t span = static_cast<int64_t>(maxId) - minId + 1;
  if (DenseEnough(span, count)) {
    lo_.assign(static_cast<size_t>(span), 0);
    lo_.shrink_to_fit();
  } else {
    form_ = Form::kSparse;
    Rehash(std::bit_ceil(std::max<size_t>(2 * count, 16)));
  }
}

void inpM_OwnerTable::Set(int id, uint32_t ordinal) {
  if (form_ == Form::kRuns) Expand();
  if (form_ == Form::kSparse) {
    SetSparse(id, ordinal);
    return;
  }
  const uint64_t i = static_cast<uint64_t>(static_cast<int64_t>(id) - base_);
  if (i < lo_.size()) {
    SetDense(i, ordinal);
    return;
  }
  if (ordinal == 0) return;
  Extend(id);
  Set(id, ordinal);
}

void inpM_OwnerTable::SetDense(size_t i, uint32_t ordinal) {
  const bool had = lo_[i] != 0 || (!hi_.empty() && hi_[i] != 0);
  if (had && ordinal == 0)
    --count_;
  else if (!had && ordinal != 0)
    ++count_;
  if (ordinal > 0xFFFF && hi_.empty()) hi_.assign(lo_.size(), 0);
  lo_[i] = static_cast<uint16_t>(ordinal);
  if (!hi_.empty()) hi_[i] = static_cast<uint16_t>(ordinal >> 16);
}

// The new array covers the ids set so far and `id`, with room on the side
// that grew: ids added one at a time usually come in a run (the next free
// id, or the one below the smallest). Room never pushes the range past what
// the density rule allows, so it cannot turn the table sparse by itself.
void inpM_OwnerTable::Extend(int id) {
  // The ids set so far lie in [used, usedEnd) of the array.
  size_t used = 0, usedEnd = lo_.size();
  auto isSet = [&](size_t i) { return lo_[i] != 0 || (!hi_.empty() && hi_[i] != 0); };
  while (used < usedEnd && !isSet(used)) ++used;
  while (usedEnd > used && !isSet(usedEnd - 1)) --usedEnd;
  const bool empty = used == usedEnd;
  const int64_t first = empty ? id : std::min<int64_t>(base_ + static_cast<int64_t>(used), id);
  const int64_t last = empty ? id : std::max<int64_t>(base_ + static_cast<int64_t>(usedEnd) - 1, id);
  const int64_t span = last - first + 1;
  const int64_t limit = 8 * static_cast<int64_t>(count_ + 1) + 65536;
  const int64_t room = std::min(span / 2, limit - span);
  // Too thin, or so close to it that the array would soon have to grow again
  // by a few ids at a time: the sparse form suits these ids better.
  if (span > limit || room < span / 16) {
    MakeSparse();
    return;
  }
  const int64_t newFirst = id == first ? std::max<int64_t>(first - room, INT_MIN) : first;
  const int64_t newLast = id == last ? std::min<int64_t>(last + room, INT_MAX) : last;
  const size_t shift = static_cast<size_t>(base_ + static_cast<int64_t>(used) - newFirst);
  auto move = [&](Array& v) {
    Array w(static_cast<size_t>(newLast - newFirst + 1), 0);
    if (!empty) std::copy(v.begin() + used, v.begin() + usedEnd, w.begin() + shift);
    v.swap(w);
  };
  move(lo_);
  if (!hi_.empty()) move(hi_);
  base_ = newFirst;
}

void inpM_OwnerTable::MakeSparse() {
  Array lo, hi;
  lo.swap(lo_);
  hi.swap(hi_);
  const int64_t base = base_;
  const size_t count = count_;
  form_ = Form::kSparse;
  count_ = 0;
  Rehash(std::bit_ceil(2 * count + 16));
  for (size_t i = 0; i < lo.size(); ++i) {
    const uint32_t ordinal = lo[i] | (hi.empty() ? 0u : static_cast<uint32_t>(hi[i]) << 16);
    if (ordinal) SetSparse(static_cast<int>(base + static_cast<int64_t>(i)), ordinal);
  }
}

// Runs pay when they and their buckets take at most a quarter of the array
// over their range, that is when runs are some 50 ids long on average or
// longer.
bool inpM_OwnerTable::RunsPay(size_t runs, uint64_t span) {
  return runs * (sizeof(Run) + kBucketsPerRun * sizeof(uint64_t)) <= span * sizeof(uint16_t) / 4;
}

void inpM_OwnerTable::Compact() {
  if (form_ != Form::kArray || lo_.empty() || lo_.size() >= kMaxRunSpan) return;
  const size_t n = lo_.size();
  auto ordinal = [&](size_t i) { return lo_[i] | (hi_.empty() ? 0u : static_cast<uint32_t>(hi_[i]) << 16); };
  size_t starts = 1;
  if (hi_.empty()) {
    for (size_t i = 1; i < n; ++i) starts += lo_[i] != lo_[i - 1];
  } else {
    for (size_t i = 1; i < n; ++i) starts += ordinal(i) != ordinal(i - 1);
  }
  if (!RunsPay(starts, n)) return;

  runs_.clear();
  runs_.reserve(starts + 1);
  runs_.push_back({0, ordinal(0)});
  for (size_t i = 1; i < n; ++i) {
    const uint32_t o = ordinal(i);
    if (o != runs_.back().ordinal) runs_.push_back({static_cast<uint32_t>(i), o});
  }
  Array().swap(lo_);
  Array().swap(hi_);
  FinishRuns(n);
}

bool inpM_OwnerTable::AssignRuns(const std::vector<Span>& spans) {
  Reset(INT_MAX, INT_MIN, 0);
  if (spans.empty()) return true;
  for (size_t k = 1; k < spans.size(); ++k)
    if (spans[k].first <= spans[k - 1].last) return false;
  const int64_t first = spans.front().first;
  const uint64_t n = static_cast<uint64_t>(int64_t{spans.back().last} - first + 1);
  // Each span and the gap before it.
  if (n >= kMaxRunSpan || !RunsPay(2 * spans.size(), n)) return false;
  runs_.reserve(2 * spans.size() + 1);
  size_t count = 0;
  uint32_t end = 0;  // where the previous span ended
  for (const Span& span : spans) {
    const uint32_t start = static_cast<uint32_t>(span.first - first);
    if (start > end) runs_.push_back({end, 0});
    if (runs_.empty() || start > end || runs_.back().ordinal != span.ordinal) runs_.push_back({start, span.ordinal});
    end = static_cast<uint32_t>(int64_t{span.last} - first + 1);
    count += end - start;
  }
  base_ = first;
  count_ = count;
  FinishRuns(n);
  return true;
}

// Adds the sentinel after runs_, which cover [0, n), and the buckets.
void inpM_OwnerTable::FinishRuns(uint64_t n) {
  const size_t starts = runs_.size();
  runs_.push_back({static_cast<uint32_t>(n), 0});
  shift_ = 0;
  while ((n - 1) >> shift_ >= kBucketsPerRun * starts) ++shift_;
  const size_t buckets = static_cast<size_t>(((n - 1) >> shift_) + 1);
  buckets_.assign(buckets, 0);
  size_t run = 0;
  for (size_t b = 0; b < buckets; ++b) {
    const uint64_t from = uint64_t{b} << shift_, end = std::min<uint64_t>(from + (uint64_t{1} << shift_), n);
    while (runs_[run + 1].start <= from) ++run;
    // The run after runs_[run] starts past `from`; when it starts in the
    // bucket it is not the sentinel, which starts at n, and the one after it
    // must not start in the bucket too.
    const Run& first = runs_[run];
    const Run& next = runs_[run + 1];
    const bool whole = next.start >= end;
    const bool oneStart = whole || runs_[run + 2].start >= end;
    const uint32_t after = whole ? first.ordinal : next.ordinal;
    if (oneStart && first.ordinal <= kMaxQuickOrdinal && after <= kMaxQuickOrdinal)
      buckets_[b] = uint64_t{first.ordinal} << 48 | uint64_t{after} << 32 | next.start;
    else
      buckets_[b] = kSearchBucket | run;
  }
  span_ = n;
  form_ = Form::kRuns;
}

void inpM_OwnerTable::Expand() {
  if (!DenseEnough(static_cast<int64_t>(span_), count_)) {
    const std::vector<Run> runs = std::move(runs_);
    const size_t count = count_;
    std::vector<uint64_t>().swap(buckets_);
    span_ = 0;
    form_ = Form::kSparse;
    count_ = 0;
    Rehash(std::bit_ceil(2 * count + 16));
    for (size_t r = 0; r + 1 < runs.size(); ++r) {
      if (!runs[r].ordinal) continue;
      for (uint32_t i = runs[r].start; i < runs[r + 1].start; ++i)
        SetSparse(static_cast<int>(base_ + static_cast<int64_t>(i)), runs[r].ordinal);
    }
    return;
  }
  bool wide = false;
  for (const Run& run : runs_) wide |= run.ordinal > 0xFFFF;
  lo_.assign(span_, 0);
  if (wide) hi_.assign(span_, 0);
  for (size_t r = 0; r + 1 < runs_.size(); ++r) {
    const size_t end = runs_[r + 1].start;
    std::fill(lo_.begin() + runs_[r].start, lo_.begin() + static_cast<std::ptrdiff_t>(end),
              static_cast<uint16_t>(runs_[r].ordinal));
    if (wide)
      std::fill(hi_.begin() + runs_[r].start, hi_.begin() + static_cast<std::ptrdiff_t>(end),
                static_cast<uint16_t>(runs_[r].ordinal >> 16));
  }
  std::vector<Run>().swap(runs_);
  std::vector<uint64_t>().swap(buckets_);
  span_ = 0;
  form_ = Form::kArray;
}

namespace {

// Fibonacci hashing: consecutive ids land far apart.
size_t Home(int id, size_t mask) {
  return static_cast<size_t>((static_cast<uint64_t>(static_cast<uint32_t>(id)) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

}  // namespace

uint32_t inpM_OwnerTable::GetSparse(int id) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = Home(id, mask);; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.ordinal == 0) return 0;
    if (s.id == id) return s.ordinal;
  }
}

void inpM_OwnerTable::SetSparse(int id, uint32_t ordinal) {
  size_t mask = slots_.size() - 1;
  size_t i = Home(id, mask);
  while (slots_[i].ordinal != 0 && slots_[i].id != id) i = (i + 1) & mask;
  if (slots_[i].ordinal != 0) {
    if (ordinal != 0) {
      slots_[i].ordinal = ordinal;
      return;
    }
    // Backward-shift deletion: pull later entries of the probe run into the
    // hole unless their home lies cyclically after it, so that no run is
    // broken and no tombstones pile up.
    --count_;
    for (size_t j = (i + 1) & mask; slots_[j].ordinal != 0; j = (j + 1) & mask) {
      const size_t home = Home(slots_[j].id, mask);
      const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
      if (stays) continue;
      slots_[i] = slots_[j];
      i = j;
    }
    slots_[i].ordinal = 0;
    return;
  }
  if (ordinal == 0) return;
  if (2 * (count_ + 1) > slots_.size()) {
    Rehash(2 * slots_.size());
    mask = slots_.size() - 1;
    i = Home(id, mask);
    while (slots_[i].ordinal != 0) i = (i + 1) & mask;
  }
  slots_[i] = {id, ordinal};
  ++count_;
}

void inpM_OwnerTable::Rehash(size_t capacity) {
  Slots old(capacity, Slot{0, 0});
  old.swap(slots_);
  const size_t mask = capacity - 1;
  for (const Slot& s : old) {
    if (s.ordinal == 0) continue;
    size_t i = Home(s.id, mask);
    while (slots_[i].ordinal != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

size_t inpM_OwnerTable::MemoryBytes() const {
  return (lo_.capacity() + hi_.capacity()) * sizeof(uint16_t) + slots_.capacity() * sizeof(Slot) +
         runs_.capacity() * sizeof(Run) + buckets_.capacity() * sizeof(uint64_t);
}

// ---------------------------------------------------------------------------
// inpM_GlobalIndex

void inpM_GlobalIndex::Build(const inpM_InstanceIdMaps& maps) {
  levels_.clear();
  tables_.clear();
  levels_.reserve(static_cast<size_t>(maps.Size()) + 1);
  tables_.reserve(static_cast<size_t>(maps.Size()) + 1);
  for (const auto& [name, pair] : maps.instances) {
    levels_.push_back({name, kNotAffine});
    tables_.push_back(pair.globalToLocal.ConstPtr());
  }
  levels_.push_back({cow_String(), kNotAffine});
  tables_.push_back(maps.assembly.globalToLocal.ConstPtr());
  levels_.shrink_to_fit();
  tables_.shrink_to_fit();

  // One walk of every level finds whether it is affine and, while they stay
  // few, the spans of consecutive global ids it holds. Spans that do not
  // overlap (every id has one holder, as the part map's invariant asks) give
  // the run form at once; otherwise, or when the spans are too many to pay,
  // the ids are claimed one by one, the first holder winning.
  size_t count = 0;
  for (const omi_IntTable<int>* table : tables_)
    if (table) count += static_cast<size_t>(table->Size());
  holdings_ = count;
  const size_t maxSpans = count / 128 + 16;
  std::vector<inpM_OwnerTable::Span> spans;
  bool fewSpans = true;
  int first = INT_MAX, last = INT_MIN;
  for (size_t k = 0; k < levels_.size(); ++k) {
    const omi_IntTable<int>* table = tables_[k];
    if (!table || table->IsEmpty()) continue;
    const uint32_t ordinal = static_cast<uint32_t>(k + 1);
    // The walk keeps its state in locals (registers), not in the level or
    // the span list, which it writes once a span ends.
    bool empty = true, affine = true;
    int64_t levelOffset = 0;
    int levelFirst = 0;
    int spanFirst = 0, spanLast = 0;
    const auto endSpan = [&] {
      if (fewSpans && spans.size() < maxSpans)
        spans.push_back({spanFirst, spanLast, ordinal});
      else
        fewSpans = false;
    };
    // Keys come in ascending order: the first is the level's smallest, and
    // the last span ends at its largest.
    table->ForEach([&](int globalId, int localId) {
      const int64_t offset = static_cast<int64_t>(globalId) - localId;
      if (empty) {
        levelOffset = offset;
        levelFirst = spanFirst = spanLast = globalId;
        empty = false;
        return;
      }
      affine &= offset == levelOffset;
      if (int64_t{spanLast} + 1 == globalId) {
        spanLast = globalId;
        return;
      }
      endSpan();
      spanFirst = spanLast = globalId;
    });
    endSpan();
    if (affine) levels_[k].offset = levelOffset;
    first = std::min(first, levelFirst);
    last = std::max(last, spanLast);
  }
  bool assigned = false;
  if (fewSpans) {
    std::sort(spans.begin(), spans.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    assigned = owners_.AssignRuns(spans);
  }
  if (!assigned) {
    spans = {};
    owners_.Reset(first, last, count);
    for (size_t k = 0; k < levels_.size(); ++k) {
      if (!tables_[k]) continue;
      const uint32_t ordinal = static_cast<uint32_t>(k + 1);
      tables_[k]->ForEach([&](int globalId, int) { owners_.Claim(globalId, ordinal); });
    }
    owners_.Compact();
  }
  // Answer copies the name and subtracts the offset with no test of either:
  // ids of other levels go the slow way.
  owners_.RestrictQuick([this](uint32_t ordinal) {
    if (ordinal == 0) return false;
    const Level& level = levels_[ordinal - 1];
    return level.offset != kNotAffine && level.name.HeapBytes() == 0;
  });
}

inpM_StringIntPair inpM_GlobalIndex::SlowAnswer(int globalId) const {
  const uint32_t ordinal = owners_.Get(globalId);
  if (!ordinal) inpM_ReportError("Unknown global id: %s", globalId);
  const Level& level = levels_[ordinal - 1];
  const int localId = level.offset != kNotAffine ? static_cast<int>(globalId - level.offset)
                                                 : *tables_[ordinal - 1]->Find(globalId);
  return {level.name, localId};
}

bool inpM_GlobalIndex::SameInstancesAs(const inpM_GlobalIndex& other) const {
  return std::equal(levels_.begin(), levels_.end() - 1, other.levels_.begin(), other.levels_.end() - 1,
                    [](const Level& a, const Level& b) { return a.name == b.name; });
}

size_t inpM_GlobalIndex::MemoryBytes() const {
  size_t bytes = owners_.MemoryBytes() + levels_.capacity() * sizeof(Level) + tables_.capacity() * sizeof(tables_[0]);
  for (const Level& level : levels_)
    bytes += level.name.HeapBytes();
  return bytes;
}

size_t inpM_GlobalIndex::LevelOf(const cow_String& name) const {
  const size_t assembly = levels_.size() - 1;
  if (name.IsEmpty()) return assembly;
  const auto it = std::lower_bound(levels_.begin(), levels_.begin() + static_cast<std::ptrdiff_t>(assembly), name,
                                   [](const Level& level, const cow_String& n) { return level.name < n; });
  NEX_ASSERT(it != levels_.begin() + static_cast<std::ptrdiff_t>(assembly) && it->name == name);
  return static_cast<size_t>(it - levels_.begin());
}

// The first holder in map order answers for an id, so a level gains the id
// unless an earlier one holds it. A level stays affine while every pair
// keeps its offset; its first pair sets the offset.
void inpM_GlobalIndex::Added(const cow_String& name, int globalId, int localId, const omi_IntTable<int>* table) {
  const size_t k = LevelOf(name);
  owners_.Thaw();
  tables_[k] = table;
  ++holdings_;
  const int64_t offset = static_cast<int64_t>(globalId) - localId;
  Level& level = levels_[k];
  if (table->Size() == 1)
    level.offset = offset;
  else if (level.offset != offset)
    level.offset = kNotAffine;
  const uint32_t owner = owners_.Get(globalId);
  if (owner == 0 || owner > k + 1) owners_.Set(globalId, static_cast<uint32_t>(k + 1));
}

// When the level answered for the id, the next holder in map order takes
// over; only while some id has two holders can there be one.
void inpM_GlobalIndex::Removed(const cow_String& name, int globalId, const omi_IntTable<int>* table) {
  const size_t k = LevelOf(name);
  owners_.Thaw();
  tables_[k] = table;
  const bool twoHolders = holdings_ > owners_.Count();
  --holdings_;
  if (owners_.Get(globalId) != k + 1) return;
  uint32_t next = 0;
  for (size_t j = k + 1; twoHolders && j < tables_.size() && !next; ++j)
    if (tables_[j] && tables_[j]->Find(globalId)) next = static_cast<uint32_t>(j + 1);
  owners_.Set(globalId, next);
}
