# The integer table and set benchmarks measure against absl::flat_hash_map
# and CRoaring bitmaps (Debian's libabsl-dev and libroaring-dev); only this
# benchmark links them.
find_package(absl REQUIRED)
find_path(KVL_ROARING_INCLUDE_DIR roaring/roaring.h REQUIRED)
find_library(KVL_ROARING_LIBRARY roaring REQUIRED)
target_include_directories(omni_bench PRIVATE ${KVL_ROARING_INCLUDE_DIR})
target_link_libraries(omni_bench PRIVATE absl::flat_hash_map ${KVL_ROARING_LIBRARY})
