# The part file reader's fuzz target (libFuzzer; needs clang). scripts/fuzz.sh
# builds it with the sanitizers and coverage instrumentation and runs it.
add_executable(partfile_fuzz ${CMAKE_CURRENT_LIST_DIR}/partfile_fuzz.cpp)
target_compile_options(partfile_fuzz PRIVATE -fsanitize=fuzzer)
target_link_options(partfile_fuzz PRIVATE -fsanitize=fuzzer)
target_link_libraries(partfile_fuzz PRIVATE KVLinpM_static)
