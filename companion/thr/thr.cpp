#include "thr.h"

#include <algorithm>
#include <vector>

void thr_initialize(int&) {}
void thr_finalize(int&) {}

namespace {

struct Entry {
  thr_DestroyFunction destroy;
  int level;
};

// The calling thread's registrations; destroying it at thread end destroys
// the objects.
struct ThreadObjects {
  std::vector<Entry> entries;
  ~ThreadObjects() { DestroyAll(); }
  void DestroyAll() {
    // An object's destructor may create or register others: repeat until none
    // is left.
    while (!entries.empty()) {
      std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.level > b.level; });
      const thr_DestroyFunction destroy = entries.front().destroy;
      entries.erase(entries.begin());
      destroy();
    }
  }
};

ThreadObjects& Objects() {
  static thread_local ThreadObjects objects;
  return objects;
}

}  // namespace

void thr_ThrSingletonRegistry::Register(thr_DestroyFunction destroy) {
  std::vector<Entry>& e = Objects().entries;
  if (std::none_of(e.begin(), e.end(), [&](const Entry& x) { return x.destroy == destroy; }))
    e.push_back({destroy, thr_DestructLevelDefault});
}

void thr_ThrSingletonRegistry::SetDestructLevel(thr_DestroyFunction destroy, int level) {
  for (Entry& x : Objects().entries)
    if (x.destroy == destroy) x.level = level;
}

void thr_ThrSingletonRegistry::Unregister(thr_DestroyFunction destroy) {
  std::vector<Entry>& e = Objects().entries;
  e.erase(std::remove_if(e.begin(), e.end(), [&](const Entry& x) { return x.destroy == destroy; }), e.end());
}

void thr_ThrSingletonRegistry::DestroyThreadObjects() { Objects().DestroyAll(); }
