// Allocation of the companion layer: the one allocation that throws instead
// of answering null, for every raw array of the companion containers.
#ifndef KVL_MEM_ALLOC_H
#define KVL_MEM_ALLOC_H

#include <cstddef>

#include "kvl_api.h"

KVL_API void mem_initialize(int& level);
KVL_API void mem_finalize(int& level);

// malloc, free and realloc of the C runtime, except that a failed allocation
// throws std::bad_alloc instead of returning null (no caller checks for null)
// and that a request for 0 bytes still returns a distinct pointer.
KVL_API void* mem_Malloc(size_t size);
KVL_API void mem_Free(void* p);
KVL_API void* mem_Realloc(void* p, size_t size);

#endif
