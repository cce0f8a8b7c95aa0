// A global operator new that counts every allocation of the program that
// links it, so that a test or a benchmark can show how often an operation
// allocates (a one-id set, for instance, must not allocate at all), and
// keeps the bytes live and their peak, so that a test can show how much
// memory an operation holds at most. Not synchronised: counts are exact
// while one thread allocates.
#ifndef KVL_COUNTINGNEW_H
#define KVL_COUNTINGNEW_H

// Allocations made through operator new since the program started.
long kvl_Allocations();

// Bytes held through operator new at the moment of the call (as
// malloc_usable_size counts them), and the most held since the last kvl_ResetPeakBytes (or the start).
long kvl_LiveBytes();
long kvl_PeakBytes();
void kvl_ResetPeakBytes();

#endif
