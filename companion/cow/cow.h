// KVLcow: copy-on-write value types.
//
// Contract relied on by the part map library:
// - Every container is a value. Copying shares storage; the first writer
//   detaches (takes a private copy) through one detach point, Detach(), and
//   const access never detaches.
// - Reference counts are plain ints: a value and the copies that share its
//   storage belong to one thread at a time.
// - cow_String orders byte-wise (unsigned bytes, shorter prefix first).
// - cow_Map keeps its keys in ascending order, so its "own" iteration order
//   (cow_ConstMapIterator) is ascending too. Choosing one order for both keeps
//   part files and reports reproducible from run to run.
// - Indices are 0-based.
#ifndef KVL_COW_H
#define KVL_COW_H

#include <algorithm>
#include <compare>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kvl_api.h"

KVL_API void cow_initialize(int& level);
KVL_API void cow_finalize(int& level);

// ---------------------------------------------------------------------------
// Strings

// A byte string. Names are the strings of the library, nearly all short, and
// copying them is the cost of every lookup that answers with a name: a string
// of up to 23 bytes is therefore held inside the value (24 bytes) and copied
// as three words, without allocating; a longer one owns a heap buffer. A copy
// never shares storage, so copies made on different threads from one const
// string need no synchronisation.
class KVL_API cow_String {
 public:
  cow_String() noexcept { SetSmallSize(0); }
  cow_String(const char* s) { Init(s ? s : "", s ? std::strlen(s) : 0); }  // NOLINT: implicit by design
  cow_String(const char* s, int n) { Init(s, static_cast<size_t>(n)); }
  cow_String(const std::string& s) { Init(s.data(), s.size()); }  // NOLINT
  cow_String(std::string_view s) { Init(s.data(), s.size()); }    // NOLINT
  // The three words are copied first, so that the common case decides on
  // the form byte it already holds; a heap string then takes its own buffer.
  cow_String(const cow_String& o) {
    std::memcpy(rep_, o.rep_, sizeof rep_);
    if (IsLarge()) Init(LargeData(), LargeSize());
  }
  // A copy of a string held inside the value (HeapBytes() == 0): the three
  // words and nothing else, for callers that know the form beforehand.
  static cow_String CopyOfShort(const cow_String& o) noexcept { return cow_String(o.rep_, Raw{}); }
  cow_String(cow_String&& o) noexcept {
    std::memcpy(rep_, o.rep_, sizeof rep_);
    o.SetSmallSize(0);
  }
  cow_String& operator=(const cow_String& o) {
    if (this != &o) {
      cow_String copy(o);
      Swap(copy);
    }
    return *this;
  }
  cow_String& operator=(cow_String&& o) noexcept {
    if (this != &o) {
      if (IsLarge()) ::operator delete(LargeData());
      std::memcpy(rep_, o.rep_, sizeof rep_);
      o.SetSmallSize(0);
    }
    return *this;
  }
  ~cow_String() {
    if (IsLarge()) ::operator delete(LargeData());
  }

  const char* c_str() const { return IsLarge() ? LargeData() : rep_; }
  int Length() const { return static_cast<int>(Size()); }
  bool IsEmpty() const { return Size() == 0; }
  char operator[](int i) const { return c_str()[i]; }
  std::string str() const { return std::string(view()); }
  std::string_view view() const { return {c_str(), Size()}; }
  // Bytes held on the heap (0 for a string held inside the value).
  size_t HeapBytes() const { return IsLarge() ? LargeSize() + 1 : 0; }

  // Position of the first occurrence of `pattern` at or after `start`, or
  // npos (-1) when there is none.
  static constexpr int npos = -1;
  int Find(const cow_String& pattern, int start = 0) const;
  int Find(char c, int start = 0) const;
  cow_String Substr(int pos, int count = npos) const;
  cow_String ToUpper() const;
  cow_String& append(const cow_String& s);
  cow_String& operator+=(const cow_String& s) { return append(s); }
  // Remove every leading / trailing byte that occurs in `set`.
  cow_String& LeftTrim(const char* set = " ");
  cow_String& RightTrim(const char* set = " ");
  cow_String& Trim(const char* set = " ") { return LeftTrim(set).RightTrim(set); }

  friend cow_String operator+(const cow_String& a, const cow_String& b) { return cow_String(a).append(b); }
  friend bool operator==(const cow_String& a, const cow_String& b) { return a.view() == b.view(); }
  // std::char_traits<char> compares as unsigned char: byte-wise strcmp order.
  friend std::strong_ordering operator<=>(const cow_String& a, const cow_String& b) {
    const int c = a.view().compare(b.view());
    return c < 0 ? std::strong_ordering::less : c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal;
  }

 private:
  // rep_[23] tells the form: 23 - size for a string held inside (so that it
  // is the terminating NUL of a 23-byte string), kLarge for a heap buffer,
  // whose address and size are then the first 8 and next 4 bytes.
  static constexpr size_t kInline = 23;
  static constexpr char kLarge = static_cast<char>(0x80);
  bool IsLarge() const { return rep_[kInline] == kLarge; }
  size_t Size() const { return IsLarge() ? LargeSize() : kInline - static_cast<size_t>(rep_[kInline]); }
  char* LargeData() const {
    char* p;
    std::memcpy(&p, rep_, sizeof p);
    return p;
  }
  size_t LargeSize() const {
    uint32_t n;
    std::memcpy(&n, rep_ + 8, sizeof n);
    return n;
  }
  void SetSmallSize(size_t n) {
    rep_[n] = 0;
    rep_[kInline] = static_cast<char>(kInline - n);
  }
  // Fills the value with a copy of n bytes at s, whatever it held before
  // (it owns nothing yet).
  void Init(const char* s, size_t n);
  struct Raw {};
  cow_String(const char (&rep)[24], Raw) noexcept { std::memcpy(rep_, rep, sizeof rep_); }
  void Swap(cow_String& o) noexcept {
    char t[sizeof rep_];
    std::memcpy(t, rep_, sizeof rep_);
    std::memcpy(rep_, o.rep_, sizeof rep_);
    std::memcpy(o.rep_, t, sizeof rep_);
  }

  alignas(8) char rep_[24];
};

// ---------------------------------------------------------------------------
// Counted holder and handles

// Base of every counted object: a plain reference count and the allocator
// through which counted holders are made.
class KVL_API cow_Counter {
 public:
  static void* operator new(size_t n);
  static void operator delete(void* p) noexcept;
  int refs = 1;
};

template <class T>
class cow_CountedHld : public cow_Counter {
 public:
  explicit cow_CountedHld(T* o) : object(o) {}
  ~cow_CountedHld() { delete object; }
  cow_CountedHld(const cow_CountedHld&) = delete;
  cow_CountedHld& operator=(const cow_CountedHld&) = delete;
  T* object;
};

// Copy policies: how a shared object is duplicated when a writer detaches.
template <class T>
struct cow_Direct {
  static T* Clone(const T& t) { return new T(t); }
};
// For polymorphic bases: the object's own virtual Copy keeps its dynamic class.
template <class T>
struct cow_Virtual {
  static T* Clone(const T& t) { return t.Copy(); }
};

// A handle to one reference-counted object of type T, possibly empty.
template <class T, class P = cow_Direct<T>>
class cow_COW {
 public:
  cow_COW() = default;
  // Takes ownership of `owned` (may be null: an empty handle).
  explicit cow_COW(T* owned) : h_(owned ? new cow_CountedHld<T>(owned) : nullptr) {}
  // Holds a copy of `value` made with the policy.
  explicit cow_COW(const T& value) : h_(new cow_CountedHld<T>(P::Clone(value))) {}
  cow_COW(const cow_COW& o) : h_(o.h_) {
    if (h_) ++h_->refs;
  }
  cow_COW(cow_COW&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  cow_COW& operator=(const cow_COW& o) {
    // Take the new holder before releasing the old: o may be this handle.
    cow_CountedHld<T>* h = o.h_;
    if (h) ++h->refs;
    Release();
    h_ = h;
    return *this;
  }
  cow_COW& operator=(cow_COW&& o) noexcept {
    if (this != &o) {
      Release();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  ~cow_COW() { Release(); }

  bool HasValue() const { return h_ != nullptr; }
  bool IsShared() const { return h_ && h_->refs > 1; }
  const T& ConstGet() const {
    assert(h_);
    return *h_->object;
  }
  const T& operator*() const { return ConstGet(); }
  const T* operator->() const { return &ConstGet(); }
  const T* ConstPtr() const { return h_ ? h_->object : nullptr; }

  // The one detach point: writable access, after taking a private copy when
  // the object is shared.
  T& Get() {
    assert(h_);
    if (h_->refs > 1) {
      cow_CountedHld<T>* fresh = new cow_CountedHld<T>(P::Clone(*h_->object));
      --h_->refs;
      h_ = fresh;
    }
    return *h_->object;
  }

  // Replace the held object (ownership taken; null empties the handle).
  void Set(T* owned) { *this = cow_COW(owned); }
  void Clear() { Release(); }
  bool SharesWith(const cow_COW& o) const { return h_ == o.h_; }

 private:
  void Release() {
    if (h_ && --h_->refs == 0) Free(h_);
    h_ = nullptr;
  }
  // Out of line: g++ 12 cannot see that two handles of one object never both
  // free it, and warns (-Wuse-after-free) when both releases are inlined.
  [[gnu::noinline]] static void Free(cow_CountedHld<T>* h) { delete h; }
  cow_CountedHld<T>* h_ = nullptr;
};

// The same handle, used as the element type of maps and arrays.
template <class T, class P = cow_Direct<T>>
class cow_ArrayCOW : public cow_COW<T, P> {
 public:
  using cow_COW<T, P>::cow_COW;
  cow_ArrayCOW() = default;
  cow_ArrayCOW(const cow_COW<T, P>& o) : cow_COW<T, P>(o) {}  // NOLINT
};

// Shared storage of a value type behind a counted handle: the building block
// of the containers below. c() never detaches; w() is their detach point.
template <class S>
class cow_Shared {
 public:
  const S& c() const { return h_.HasValue() ? h_.ConstGet() : Empty(); }
  S& w() {
    if (!h_.HasValue()) h_.Set(new S());
    return h_.Get();
  }
  bool SharesWith(const cow_Shared& o) const { return h_.HasValue() && h_.SharesWith(o.h_); }

 private:
  static const S& Empty() {
    static const S empty;
    return empty;
  }
  cow_COW<S> h_;
};

// ---------------------------------------------------------------------------
// Arrays and lists

// What the two lists below share: values in insertion order in one shared
// vector, appended to, searched by value and compared as a whole. `Self`
// is the list that derives from it.
template <class T, class Self>
class cow_ListBase {
 public:
  int Size() const { return static_cast<int>(d_.c().size()); }
  bool IsEmpty() const { return d_.c().empty(); }
  const T& ConstGet(int i) const { return d_.c()[static_cast<size_t>(i)]; }
  const T& operator[](int i) const { return ConstGet(i); }

  void Append(const T& v) { d_.w().push_back(v); }
  void Append(const Self& l) {
    const cow_ListBase& from = l;
    if (from.IsEmpty()) return;
    if (IsEmpty()) {
      d_ = from.d_;
      return;
    }
    if (&from == this) {
      // Appending a list to itself: a shared copy holds the source apart
      // while this list detaches and grows.
      const Self self = l;
      Append(self);
      return;
    }
    std::vector<T>& dst = d_.w();
    dst.insert(dst.end(), from.begin(), from.end());
  }
  bool AppendUnlessMember(const T& v) {
    if (IsMember(v)) return false;
    Append(v);
    return true;
  }
  bool IsMember(const T& v) const { return std::find(begin(), end(), v) != end(); }
  void Clear() {
    if (!IsEmpty()) d_ = {};
  }

  const T* begin() const { return d_.c().data(); }
  const T* end() const { return d_.c().data() + d_.c().size(); }
  bool SharesWith(const Self& o) const { return d_.SharesWith(static_cast<const cow_ListBase&>(o).d_); }
  friend bool operator==(const Self& a, const Self& b) {
    return static_cast<const cow_ListBase&>(a).d_.c() == static_cast<const cow_ListBase&>(b).d_.c();
  }

 protected:
  cow_ListBase() = default;
  // Removes the element at `index`, which must be one.
  void EraseAt(size_t index) {
    std::vector<T>& v = d_.w();
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(index));
  }

  cow_Shared<std::vector<T>> d_;
};

// A growable list in insertion order. Never sorts itself.
template <class T>
class cow_1DArrayList : public cow_ListBase<T, cow_1DArrayList<T>> {
  using Base = cow_ListBase<T, cow_1DArrayList<T>>;
  using Base::d_;

 public:
  cow_1DArrayList() = default;
  cow_1DArrayList(std::initializer_list<T> v) { d_.w().assign(v); }
  explicit cow_1DArrayList(std::vector<T> v) {
    if (!v.empty()) d_.w() = std::move(v);
  }

  T& Get(int i) { return d_.w()[static_cast<size_t>(i)]; }
  // Removes the first element equal to v; returns whether one was there.
  bool RemoveMember(const T& v) {
    const T* it = std::find(this->begin(), this->end(), v);
    if (it == this->end()) return false;
    return Remove(static_cast<int>(it - this->begin()));
  }
  bool Remove(int index) {
    if (index < 0 || index >= this->Size()) return false;
    this->EraseAt(static_cast<size_t>(index));
    return true;
  }
  void Reserve(int n) { d_.w().reserve(static_cast<size_t>(n)); }
  // A plain array copy of the contents; n receives the length.
  std::unique_ptr<T[]> GetCArray(int& n) const {
    n = this->Size();
    std::unique_ptr<T[]> a(new T[static_cast<size_t>(n)]);
    std::copy(this->begin(), this->end(), a.get());
    return a;
  }
  void SetFromArray(const T* a, int n) { d_.w().assign(a, a + n); }
  const std::vector<T>& ConstVector() const { return d_.c(); }
  std::vector<T>& GetVector() { return d_.w(); }
};

// An array of fixed length set at construction.
template <class T>
class cow_1DArray {
 public:
  explicit cow_1DArray(int n = 0) {
    if (n > 0) d_.w().resize(static_cast<size_t>(n));
  }
  int Size() const { return static_cast<int>(d_.c().size()); }
  T& Get(int i) { return d_.w()[static_cast<size_t>(i)]; }
  const T& PartialArrayConstGet(int i) const { return d_.c()[static_cast<size_t>(i)]; }
  void SetFromArray(const T* a, int n) { d_.w().assign(a, a + n); }
  const T* begin() const { return d_.c().data(); }
  const T* end() const { return d_.c().data() + d_.c().size(); }
  bool SharesWith(const cow_1DArray& o) const { return d_.SharesWith(o.d_); }

 private:
  cow_Shared<std::vector<T>> d_;
};

template <class T>
class cow_1DArrayIter {
 public:
  explicit cow_1DArrayIter(const cow_1DArray<T>& a) : a_(a) {}
  void First() { i_ = 0; }
  void Next() { ++i_; }
  bool IsDone() const { return i_ >= a_.Size(); }
  const T& CurrentItem() const { return a_.PartialArrayConstGet(i_); }

 private:
  cow_1DArray<T> a_;
  int i_ = 0;
};

// A list of strings or messages in insertion order.
template <class T>
class cow_List : public cow_ListBase<T, cow_List<T>> {
  using Base = cow_ListBase<T, cow_List<T>>;
  using Base::d_;

 public:
  cow_List() = default;
  cow_List(std::initializer_list<T> v) { d_.w().assign(v); }

  // Removes the first element equal to v; returns whether one was there.
  bool Remove(const T& v) {
    const T* it = std::find(this->begin(), this->end(), v);
    if (it == this->end()) return false;
    // The position is taken before writing: a shared list detaches into new
    // storage, where `it` no longer points.
    this->EraseAt(static_cast<size_t>(it - this->begin()));
    return true;
  }
  bool RemoveFirst() {
    if (this->IsEmpty()) return false;
    this->EraseAt(0);
    return true;
  }
};

// ---------------------------------------------------------------------------
// Maps

template <class K, class V>
class cow_ConstMapIterator;
template <class K, class V>
class cow_ConstMapSortedIt;

// One entry of a map.
template <class K, class V>
struct cow_MapNode {
  const K& key;
  const V& value;
};

// A map from a key (cow_String or int) to a value; one value per key, keys
// kept in ascending order.
//
// The entries live in sorted chunks of at most 2 * kChunk entries, each chunk
// behind its own counted handle. A copy of the map shares the chunks; its
// first write copies the short list of chunk handles and only the chunk that
// it changes, so changing one entry of a copied map of many entries costs one
// chunk, not the whole map.
template <class K, class V>
class cow_Map {
 public:
  using Entry = std::pair<K, V>;

 private:
  static constexpr size_t kChunk = 32;
  using Chunk = std::vector<Entry>;
  using Chunks = std::vector<cow_COW<Chunk>>;

 public:
  // Ascending iteration over the entries (const).
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Entry;
    using difference_type = std::ptrdiff_t;
    using pointer = const Entry*;
    using reference = const Entry&;
    const_iterator() = default;
    const_iterator(const Chunks* cs, size_t c, size_t e) : cs_(cs), c_(c), e_(e) {}
    const Entry& operator*() const { return (*cs_)[c_].ConstGet()[e_]; }
    const Entry* operator->() const { return &**this; }
    const_iterator& operator++() {
      if (++e_ == (*cs_)[c_].ConstGet().size()) {
        ++c_;
        e_ = 0;
      }
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++*this;
      return old;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.c_ == b.c_ && a.e_ == b.e_; }

   private:
    const Chunks* cs_ = nullptr;
    size_t c_ = 0;
    size_t e_ = 0;
  };

  int Size() const { return size_; }
  bool IsEmpty() const { return size_ == 0; }
  // Adds the pair or replaces the value of an existing key.
  bool Insert(const K& k, const V& v) { return Put(k, v); }
  bool Insert(const K& k, V&& v) { return Put(k, std::move(v)); }
  bool Remove(const K& k) {
    const Where at = Locate(k);
    if (!at.found) return false;
    Chunks& cs = d_.w();
    Chunk& ch = cs[at.chunk].Get();
    ch.erase(ch.begin() + static_cast<std::ptrdiff_t>(at.entry));
    if (ch.empty()) cs.erase(cs.begin() + static_cast<std::ptrdiff_t>(at.chunk));
    --size_;
    return true;
  }
  bool IsMember(const K& k) const { return Locate(k).found; }
  // The value of a key that is present.
  const V& ConstGet(const K& k) const {
    const V* v = ConstFind(k);
    assert(v);
    return *v;
  }
  V& Get(const K& k) {
    V* v = Find(k);
    assert(v);
    return *v;
  }
  // The value of a key, or null when absent; never detaches.
  const V* ConstFind(const K& k) const {
    const Where at = Locate(k);
    return at.found ? &d_.c()[at.chunk].ConstGet()[at.entry].second : nullptr;
  }
  // Writable value of a key, or null when absent.
  V* Find(const K& k) {
    const Where at = Locate(k);
    return at.found ? &d_.w()[at.chunk].Get()[at.entry].second : nullptr;
  }
  // Writable value of a key, inserted default-constructed when absent.
  V& GetOrInsert(const K& k) {
    if (!IsMember(k)) Put(k, V());
    return *Find(k);
  }
  void Clear() {
    d_ = {};
    size_ = 0;
  }
  cow_List<K> Keys() const {
    cow_List<K> keys;
    for (const Entry& e : *this) keys.Append(e.first);
    return keys;
  }
  const_iterator begin() const { return const_iterator(&d_.c(), 0, 0); }
  const_iterator end() const { return const_iterator(&d_.c(), d_.c().size(), 0); }
  bool SharesWith(const cow_Map& o) const { return d_.SharesWith(o.d_); }

 private:
  struct Where {
    size_t chunk;
    size_t entry;
    bool found;
  };
  static bool KeyLess(const Entry& e, const K& k) { return e.first < k; }

  // The chunk and position where k is or belongs.
  Where Locate(const K& k) const {
    const Chunks& cs = d_.c();
    size_t lo = 0;
    size_t hi = cs.size();
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (cs[mid].ConstGet().back().first < k)
        lo = mid + 1;
      else
        hi = mid;
    }
    if (lo == cs.size()) return {cs.empty() ? 0 : cs.size() - 1, cs.empty() ? 0 : cs.back().ConstGet().size(), false};
    const Chunk& ch = cs[lo].ConstGet();
    const auto it = std::lower_bound(ch.begin(), ch.end(), k, KeyLess);
    return {lo, static_cast<size_t>(it - ch.begin()), it != ch.end() && it->first == k};
  }

  template <class W>
  bool Put(const K& k, W&& v) {
    const Where at = Locate(k);
    Chunks& cs = d_.w();
    if (at.found) {
      cs[at.chunk].Get()[at.entry].second = std::forward<W>(v);
      return true;
    }
    if (cs.empty()) {
      cs.emplace_back(new Chunk());
    }
    Chunk& ch = cs[at.chunk].Get();
    ch.insert(ch.begin() + static_cast<std::ptrdiff_t>(at.entry), Entry(k, std::forward<W>(v)));
    ++size_;
    if (ch.size() > 2 * kChunk) {
      auto upper = new Chunk(std::make_move_iterator(ch.begin() + kChunk), std::make_move_iterator(ch.end()));
      ch.erase(ch.begin() + kChunk, ch.end());
      cs.emplace(cs.begin() + static_cast<std::ptrdiff_t>(at.chunk) + 1, upper);
    }
    return true;
  }

  cow_Shared<Chunks> d_;
  int size_ = 0;
};

// Visits all entries in the map's own order (ascending). Holds its own copy of
// the map (a shared handle), so the map may change during the visit.
template <class K, class V>
class cow_ConstMapIterator {
 public:
  explicit cow_ConstMapIterator(const cow_Map<K, V>& m) : m_(m), it_(m_.begin()) {}
  void First() { it_ = m_.begin(); }
  void Next() { ++it_; }
  bool IsDone() const { return it_ == m_.end(); }
  const K& CurrentKey() const { return it_->first; }
  const V& CurrentValue() const { return it_->second; }
  cow_MapNode<K, V> Current() const { return {it_->first, it_->second}; }

 private:
  cow_Map<K, V> m_;
  typename cow_Map<K, V>::const_iterator it_;
};

// Visits all entries in ascending key order, or descending when asked. Holds
// its own copy of the map.
template <class K, class V>
class cow_ConstMapSortedIt {
 public:
  explicit cow_ConstMapSortedIt(const cow_Map<K, V>& m, bool descending = false) : m_(m) {
    order_.reserve(static_cast<size_t>(m_.Size()));
    for (const auto& e : m_) order_.push_back(&e);
    if (descending) std::reverse(order_.begin(), order_.end());
  }
  void First() { i_ = 0; }
  void Next() { ++i_; }
  bool IsDone() const { return i_ >= order_.size(); }
  const K& CurrentKey() const { return order_[i_]->first; }
  const V& CurrentValue() const { return order_[i_]->second; }
  cow_MapNode<K, V> Current() const { return {CurrentKey(), CurrentValue()}; }

 private:
  cow_Map<K, V> m_;
  std::vector<const typename cow_Map<K, V>::Entry*> order_;
  size_t i_ = 0;
};

// An ordered map from a name to an integer.
template <class K, class V>
class cow_Btree {
 public:
  // Returns false and keeps the old value when the key exists.
  bool InsertUnlessMember(const K& k, const V& v) { return d_.w().emplace(k, v).second; }
  // The entry's value, or null when absent.
  const V* ConstFind(const K& k) const {
    auto it = d_.c().find(k);
    return it == d_.c().end() ? nullptr : &it->second;
  }
  int Size() const { return static_cast<int>(d_.c().size()); }
  const std::map<K, V>& ConstStorage() const { return d_.c(); }
  bool SharesWith(const cow_Btree& o) const { return d_.SharesWith(o.d_); }

 private:
  cow_Shared<std::map<K, V>> d_;
};

template <class K, class V>
class cow_BtreeIterator {
 public:
  explicit cow_BtreeIterator(const cow_Btree<K, V>& t) : t_(t), it_(t_.ConstStorage().begin()) {}
  void First() { it_ = t_.ConstStorage().begin(); }
  void Next() { ++it_; }
  bool IsDone() const { return it_ == t_.ConstStorage().end(); }
  const K& CurrentKey() const { return it_->first; }
  const V& CurrentValue() const { return it_->second; }

 private:
  cow_Btree<K, V> t_;
  typename std::map<K, V>::const_iterator it_;
};

#endif
