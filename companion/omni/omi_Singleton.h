// omi_Singleton<T>: one process-wide instance of T, made on first use. The
// one implementation of a process-wide singleton: thr_GlobalSingleton<T>
// (thr.h) is this one under another name.
#ifndef KVL_OMI_SINGLETON_H
#define KVL_OMI_SINGLETON_H

#include <new>

template <class T>
class omi_Singleton {
 public:
  // The first call constructs the instance; concurrent first calls wait for
  // it (the language guarantees that of a function-local static). The
  // instance is never destroyed, so it stays usable while the process ends,
  // when objects of other threads may still reach it.
  static T& Instance() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T* const instance = new (storage) T();
    return *instance;
  }
};

#endif
