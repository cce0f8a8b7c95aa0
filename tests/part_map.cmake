# The part map suites read hand-written golden files; the command's suite runs
# the inpm executable.
set(golden "${CMAKE_CURRENT_SOURCE_DIR}/golden")
target_compile_definitions(part_file_test PRIVATE KVL_GOLDEN_DIR="${golden}")
target_compile_definitions(inpm_cli_test PRIVATE KVL_GOLDEN_DIR="${golden}" INPM_EXE="$<TARGET_FILE:inpm>"
                                                 KVL_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
add_dependencies(inpm_cli_test inpm)
