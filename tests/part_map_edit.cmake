# The edit suite also runs the inpm command's edit scripts.
target_compile_definitions(part_map_edit_test PRIVATE KVL_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden"
                                                      INPM_EXE="$<TARGET_FILE:inpm>")
add_dependencies(part_map_edit_test inpm)
