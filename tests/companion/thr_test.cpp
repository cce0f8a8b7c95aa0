// Per-thread objects: one object per thread, created on first use and
// destroyed with the thread in descending destruction level; the global lock.
#include "thr.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using Log = std::vector<std::string>;

thr_ThrSingletonRegistry& Registry() { return thr_GlobalSingleton<thr_ThrSingletonRegistry>::Instance(); }

// What was destroyed, in order. Written by the thread under test only; read
// after it was joined.
Log destroyed;

template <class T>
T& One() {
  return thr_ThreadSingleton<T>::Instance();
}

template <class T>
void SetLevel(int level) {
  Registry().SetDestructLevel(&thr_ThreadSingleton<T>::DestroyInstance, level);
}

template <int N>
struct Logged { ~Logged() { destroyed.push_back("L" + std::to_string(N)); } };

// Runs `f` in a thread of its own and gives what was destroyed meanwhile.
template <class F>
Log InThread(F f) {
  destroyed.clear();
  std::thread(f).join();
  return destroyed;
}

TEST(Thr, EachThreadGetsItsOwnObject) {
  using Obj = Logged<1>;
  Obj* mine = &thr_ThreadSingleton<Obj>::Instance();
  EXPECT_EQ(&thr_ThreadSingleton<Obj>::Instance(), mine);
  Obj* before = mine;
  Obj* theirs = nullptr;
  // The other thread's object went with its thread; this one stays.
  EXPECT_EQ(InThread([&] {
              before = thr_ThreadSingleton<Obj>::Peek();
              theirs = &thr_ThreadSingleton<Obj>::Instance();
            }),
            Log{"L1"});
  EXPECT_EQ(before, nullptr);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(thr_ThreadSingleton<Obj>::Peek(), mine);
  // Process-wide objects are one for all threads, under either name.
  thr_ThrSingletonRegistry* registry = nullptr;
  InThread([&] { registry = &Registry(); });
  EXPECT_EQ(registry, &Registry());
  EXPECT_EQ(&omi_Singleton<thr_GlobalLock>::Instance(), &thr_GlobalSingleton<thr_GlobalLock>::Instance());
}

// The error service of a thread, at the default level.
struct Service { ~Service() { destroyed.push_back("service"); } };

// Sets its own level while it is being made, and uses the service while it
// closes, as the solver's per-thread object does.
struct Closer {
  Closer() { SetLevel<Closer>(10); }
  ~Closer() { destroyed.push_back(thr_ThreadSingleton<Service>::Peek() ? "closer (service alive)" : "closer"); }
};

// Its destructor makes another per-thread object, which must not outlive the
// thread.
struct Spawner {
  ~Spawner() {
    thr_ThreadSingleton<Logged<61>>::Instance();
    destroyed.push_back("spawner");
  }
};

TEST(Thr, EachObjectIsDestroyedOnceHoweverItGoes) {
  EXPECT_EQ(InThread([] {
              One<Logged<20>>(), One<Logged<21>>();
              Registry().Register(&thr_ThreadSingleton<Logged<21>>::DestroyInstance);  // twice
              Registry().DestroyThreadObjects();
              EXPECT_EQ(thr_ThreadSingleton<Logged<20>>::Peek(), nullptr);
              EXPECT_EQ(destroyed, (Log{"L20", "L21"}));
              One<Logged<20>>(), One<Logged<30>>();  // the first made again on next use
              thr_ThreadSingleton<Logged<30>>::Destroy();
              thr_ThreadSingleton<Logged<30>>::Destroy();
              EXPECT_EQ(thr_ThreadSingleton<Logged<30>>::Peek(), nullptr);
            }),
            (Log{"L20", "L21", "L30", "L20"}));
  // An unregistered object is left to its owner.
  Logged<50>* kept = nullptr;
  EXPECT_EQ(InThread([&] {
              kept = &thr_ThreadSingleton<Logged<50>>::Instance();
              Registry().Unregister(&thr_ThreadSingleton<Logged<50>>::DestroyInstance);
            }),
            Log{});
  delete kept;
  EXPECT_EQ(destroyed, Log{"L50"});
}

// Made before the thread's registrations, it makes a per-thread object after
// they were torn down: registered afresh, that one is destroyed in its turn.
struct LateUser { ~LateUser() { thr_ThreadSingleton<Logged<71>>::Instance(); } };

TEST(Thr, ThreadEndDestroysInDescendingLevelWhateverTheObjectsDoMeanwhile) {
  const std::pair<void (*)(), Log> cases[] = {
      // Level 10, then 5, then the two at level 0 in the order they were made.
      {[] {
         One<Logged<10>>(), One<Logged<11>>(), One<Logged<12>>(), One<Logged<13>>();
         SetLevel<Logged<11>>(10), SetLevel<Logged<12>>(5);
       },
       {"L11", "L12", "L10", "L13"}},
      {[] { One<Service>(), One<Closer>(); }, {"closer (service alive)", "service"}},
      {[] { One<Spawner>(), SetLevel<Spawner>(3); }, {"spawner", "L61"}},
      {[] {
         static thread_local LateUser user;
         One<Logged<70>>();
       },
       {"L70", "L71"}},
  };
  for (const auto& [body, log] : cases) EXPECT_EQ(InThread(body), log);
}

TEST(ThrGlobal, LockIsRecursiveAndExcludesOtherThreads) {
  thr_GlobalLock& lock = thr_GlobalSingleton<thr_GlobalLock>::Instance();
  long counter = 0;  // deliberately not atomic: the lock protects it
  auto work = [&] {
    for (int i = 0; i < 100000; ++i) {
      lock.Lock();
      lock.Lock();  // recursive
      ++counter;
      lock.Unlock();
      lock.Unlock();
    }
  };
  std::thread a(work);
  work();
  a.join();
  EXPECT_EQ(counter, 200000);
}

}  // namespace
