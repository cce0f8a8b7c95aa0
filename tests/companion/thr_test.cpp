// Per-thread objects: one object per thread, created on first use and
// destroyed with the thread in descending destruction level; the global lock.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "thr.h"

namespace {

thr_ThrSingletonRegistry& Registry() { return thr_GlobalSingleton<thr_ThrSingletonRegistry>::Instance(); }

// What was destroyed, in order. Written by the thread under test only; read
// after it was joined.
std::vector<std::string> destroyed;

template <class T>
void SetLevel(int level) {
  Registry().SetDestructLevel(&thr_ThreadSingleton<T>::DestroyInstance, level);
}

template <int N>
struct Logged {
  Logged() = default;
  Logged(const Logged&) = delete;
  Logged& operator=(const Logged&) = delete;
  ~Logged() {
    std::string name = "L";
    name += std::to_string(N);
    destroyed.push_back(name);
  }
};

template <class F>
void InThread(F f) {
  std::thread t(f);
  t.join();
}

class Thr : public ::testing::Test {
 protected:
  void SetUp() override { destroyed.clear(); }
};

TEST_F(Thr, EachThreadGetsItsOwnObject) {
  using Obj = Logged<1>;
  Obj* mine = &thr_ThreadSingleton<Obj>::Instance();
  EXPECT_EQ(&thr_ThreadSingleton<Obj>::Instance(), mine);
  EXPECT_EQ(thr_ThreadSingleton<Obj>::Peek(), mine);

  Obj* before = mine;
  Obj* theirs = nullptr;
  InThread([&] {
    before = thr_ThreadSingleton<Obj>::Peek();
    theirs = &thr_ThreadSingleton<Obj>::Instance();
  });
  EXPECT_EQ(before, nullptr);
  EXPECT_NE(theirs, mine);
  // The other thread's object went with its thread; this one stays.
  EXPECT_EQ(destroyed, (std::vector<std::string>{"L1"}));
  EXPECT_EQ(thr_ThreadSingleton<Obj>::Peek(), mine);
}

TEST_F(Thr, ThreadEndDestroysInDescendingLevel) {
  InThread([] {
    thr_ThreadSingleton<Logged<10>>::Instance();
    thr_ThreadSingleton<Logged<11>>::Instance();
    thr_ThreadSingleton<Logged<12>>::Instance();
    thr_ThreadSingleton<Logged<13>>::Instance();
    SetLevel<Logged<11>>(10);
    SetLevel<Logged<12>>(5);
  });
  // Level 10, then 5, then the two at level 0 in the order they were made.
  EXPECT_EQ(destroyed, (std::vector<std::string>{"L11", "L12", "L10", "L13"}));
}

// The error service of a thread, at the default level.
struct Service {
  ~Service() { destroyed.push_back("service"); }
};

// Sets its own level while it is being made, and uses the service while it
// closes, as the solver's per-thread object does.
struct Closer {
  Closer() { SetLevel<Closer>(10); }
  Closer(const Closer&) = delete;
  Closer& operator=(const Closer&) = delete;
  ~Closer() { destroyed.push_back(thr_ThreadSingleton<Service>::Peek() ? "closer (service alive)" : "closer (service gone)"); }
};

TEST_F(Thr, LevelSetDuringConstructionHolds) {
  InThread([] {
    thr_ThreadSingleton<Service>::Instance();
    thr_ThreadSingleton<Closer>::Instance();
  });
  EXPECT_EQ(destroyed, (std::vector<std::string>{"closer (service alive)", "service"}));
}

TEST_F(Thr, DestroyThreadObjectsNowAndCreateAgain) {
  InThread([] {
    thr_ThreadSingleton<Logged<20>>::Instance();
    Registry().DestroyThreadObjects();
    EXPECT_EQ(thr_ThreadSingleton<Logged<20>>::Peek(), nullptr);
    EXPECT_EQ(destroyed, (std::vector<std::string>{"L20"}));
    // Made again on next use, and destroyed again at thread end.
    thr_ThreadSingleton<Logged<20>>::Instance();
    EXPECT_NE(thr_ThreadSingleton<Logged<20>>::Peek(), nullptr);
  });
  EXPECT_EQ(destroyed, (std::vector<std::string>{"L20", "L20"}));
}

TEST_F(Thr, DestroyedEarlyIsNotDestroyedAgain) {
  InThread([] {
    thr_ThreadSingleton<Logged<30>>::Instance();
    thr_ThreadSingleton<Logged<31>>::Instance();
    thr_ThreadSingleton<Logged<30>>::Destroy();
    thr_ThreadSingleton<Logged<30>>::Destroy();
    EXPECT_EQ(thr_ThreadSingleton<Logged<30>>::Peek(), nullptr);
  });
  EXPECT_EQ(destroyed, (std::vector<std::string>{"L30", "L31"}));
}

TEST_F(Thr, RegisteringTwiceDestroysOnce) {
  InThread([] {
    thr_ThreadSingleton<Logged<40>>::Instance();
    Registry().Register(&thr_ThreadSingleton<Logged<40>>::DestroyInstance);
  });
  EXPECT_EQ(destroyed, (std::vector<std::string>{"L40"}));
}

TEST_F(Thr, UnregisteredObjectIsLeftToItsOwner) {
  Logged<50>* kept = nullptr;
  InThread([&] {
    kept = &thr_ThreadSingleton<Logged<50>>::Instance();
    Registry().Unregister(&thr_ThreadSingleton<Logged<50>>::DestroyInstance);
  });
  EXPECT_TRUE(destroyed.empty());
  delete kept;
  EXPECT_EQ(destroyed, (std::vector<std::string>{"L50"}));
}

// Its destructor makes another per-thread object, which must not outlive the
// thread.
struct Spawner {
  ~Spawner() {
    thr_ThreadSingleton<Logged<61>>::Instance();
    destroyed.push_back("spawner");
  }
};

TEST_F(Thr, ObjectsMadeDuringTeardownAreDestroyedToo) {
  InThread([] {
    thr_ThreadSingleton<Spawner>::Instance();
    SetLevel<Spawner>(3);
  });
  EXPECT_EQ(destroyed, (std::vector<std::string>{"spawner", "L61"}));
}

TEST(ThrGlobal, SingletonIsSharedByAllThreads) {
  thr_ThrSingletonRegistry* mine = &Registry();
  thr_ThrSingletonRegistry* theirs = nullptr;
  InThread([&] { theirs = &Registry(); });
  EXPECT_EQ(mine, theirs);
}

TEST(ThrGlobal, LockIsRecursiveAndExcludesOtherThreads) {
  thr_GlobalLock& lock = thr_GlobalSingleton<thr_GlobalLock>::Instance();
  lock.Lock();
  lock.Lock();
  lock.Unlock();
  lock.Unlock();

  long counter = 0;  // deliberately not atomic: the lock protects it
  auto work = [&] {
    for (int i = 0; i < 100000; ++i) {
      lock.Lock();
      ++counter;
      lock.Unlock();
    }
  };
  std::thread a(work);
  std::thread b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 200000);
}

}  // namespace
