// KVLomni: integer tables, integer sets and bit vectors.
//
// - omi_IntTable<T> / omi_UintTable<T> / omi_IntTableIterator<T>: one value
//   per 32-bit key, T = int or double (omi_IntTable.h);
// - omi_BlkBitVect / omi_BlkBitVectTrav and omi_Set / omi_SetIT: sets of ints
//   (omi_Set.h);
// - omi_Singleton<T>: a process-wide instance (omi_Singleton.h).
// Iteration is ascending in signed order everywhere, negative keys first.
// No type locks: a value belongs to one thread at a time, and concurrent
// reads (const calls) of one value are safe.
#ifndef KVL_OMNI_H
#define KVL_OMNI_H

#include "kvl_api.h"
#include "omi_IntTable.h"
#include "omi_Set.h"
#include "omi_Singleton.h"

// Start and end of the library; status is 0 on success. The containers need
// no set-up, so both always succeed, and pairs may nest.
KVL_API void omni_initialize(int& level);
KVL_API void omni_finalize(int& level);

#endif
