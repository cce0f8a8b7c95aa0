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

// How many of the calling thread's registration lists were torn down.
// Trivially destructible, so it stays readable to the thread's very end.
thread_local int listsGone = 0;

// A list of the calling thread's registrations; destroying it destroys the
// objects.
struct ThreadObjects {
  std::vector<Entry> entries;
  ~ThreadObjects() {
    DestroyAll();
    ++listsGone;
  }
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

// The list that takes the calling thread's registrations. The first lives
// with the thread. A registration made after it was torn down (from the
// destructor of a thread-local object made before it, or from a static
// destructor once the main thread's objects are gone) goes to a second list,
// made then, which the runtime destroys in its turn when it still runs the
// thread's destructors (it does for a thread that ends, not for the main
// thread once static destruction began); after that, to a list that is never
// destroyed, whose objects live until the process ends. No list is ever
// written after its destruction.
ThreadObjects& Objects() {
  if (listsGone == 0) {
    static thread_local ThreadObjects objects;
    return objects;
  }
  if (listsGone == 1) {
    static thread_local ThreadObjects late;
    return late;
  }
  static thread_local ThreadObjects* const last = new ThreadObjects();
  return *last;
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
