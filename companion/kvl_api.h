// Export marker shared by the companion layer and the part map library.
// The library is built with hidden visibility; only what carries KVL_API is
// part of libKVLinpM.so's dynamic interface.
#ifndef KVL_API_H
#define KVL_API_H

#define KVL_API __attribute__((visibility("default")))

#endif
