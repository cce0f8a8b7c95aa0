// KVLthr: per-thread objects, the thread-object registry and the global lock.
//
// thr_ThreadSingleton<T>::Instance() gives the calling thread its own T,
// created on first use and destroyed when the thread ends. At thread end the
// registry destroys the thread's objects in descending destruction level, so
// an object at a high level (a solver part map, level 10) is gone before the
// services at the default level 0 that it may use while closing (the error
// service).
#ifndef KVL_THR_H
#define KVL_THR_H

#include <mutex>

#include "kvl_api.h"

KVL_API void thr_initialize(int& level);
KVL_API void thr_finalize(int& level);

enum thr_ThreadObjectDestructLevel : int {
  thr_DestructLevelDefault = 0,
  thr_DestructLevelSolverPartMap = 10,
};

using thr_DestroyFunction = void (*)();

// The registry of the calling thread's objects. Each function destroys one
// object of the calling thread.
class KVL_API thr_ThrSingletonRegistry {
 public:
  void Register(thr_DestroyFunction destroy);
  void SetDestructLevel(thr_DestroyFunction destroy, int level);
  // Destroys the calling thread's registered objects now (also done at
  // thread end), highest level first; registration order breaks ties.
  void DestroyThreadObjects();
  // Forgets a function whose object was destroyed by other means.
  void Unregister(thr_DestroyFunction destroy);
};

template <class T>
class thr_GlobalSingleton {
 public:
  static T& Instance() {
    static T instance;
    return instance;
  }
};

// Per-thread storage of one T.
template <class T>
class thr_ThreadSingletonBase {
 public:
  static T& Instance() {
    if (!slot_) {
      // Registered before the object is made, so that its constructor can
      // give itself a destruction level (SetDestructLevel).
      thr_GlobalSingleton<thr_ThrSingletonRegistry>::Instance().Register(&DestroyInstance);
      slot_ = new T();
    }
    return *slot_;
  }
  // The calling thread's object, or null when it has none.
  static T* Peek() { return slot_; }
  // Destroys the calling thread's object, if any.
  static void Destroy() {
    if (!slot_) return;
    thr_GlobalSingleton<thr_ThrSingletonRegistry>::Instance().Unregister(&DestroyInstance);
    DestroyInstance();
  }
  static void DestroyInstance() {
    T* p = slot_;
    slot_ = nullptr;
    delete p;
  }

 private:
  static thread_local T* slot_;
};

template <class T>
thread_local T* thr_ThreadSingletonBase<T>::slot_ = nullptr;

template <class T>
class thr_ThreadSingleton : public thr_ThreadSingletonBase<T> {};

// One process-wide lock (reached as omi_Singleton<thr_GlobalLock>::Instance()).
// Recursive, so that a holder may call code that takes it again.
class KVL_API thr_GlobalLock {
 public:
  void Lock() { m_.lock(); }
  void Unlock() { m_.unlock(); }

 private:
  std::recursive_mutex m_;
};

#endif
