// Internal: translating a set of ids through an id table (id -> new id), as
// the renumbering of sorted sets and element-face surfaces does, and the
// reversed table that translation from global to local ids uses.
#ifndef INPM_TRANSLATE_H
#define INPM_TRANSLATE_H

#include "inpM_OmiSet.h"
#include "omni.h"

// The ids of `ids`, each replaced by its value in `table`. An id the table
// lacks is left out, except 0 when `zeroStays` (it stays 0); `missing` says
// whether any id was left out. Where the table maps a full stretch of ids
// onto consecutive ids (the usual numbering of an instance, in blocks), the
// set's bits are moved as a whole instead of id by id.
inpM_OmiSet inpM_TranslatedIds(const inpM_OmiSet& ids, const omi_IntTable<int>& table, bool zeroStays, bool& missing);

// Global id -> local id of one level, from its local -> global table: each
// pair (local, global) inserted as (global, local), in ascending local
// order, so that the first local id of a global id shared by several is
// kept. What every translation from global to local ids goes through.
omi_IntTable<int> inpM_ReversedIds(const omi_IntTable<int>& localToGlobal);

#endif
