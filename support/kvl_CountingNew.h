// A global operator new that counts every allocation of the program that
// links it, so that a test or a benchmark can show how often an operation
// allocates (a one-id set, for instance, must not allocate at all).
#ifndef KVL_COUNTINGNEW_H
#define KVL_COUNTINGNEW_H

// Allocations made through operator new since the program started.
long kvl_Allocations();

#endif
