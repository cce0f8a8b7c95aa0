# The report suite reads hand-written golden reports and runs inpm report.
target_compile_definitions(part_map_report_test PRIVATE KVL_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden"
                                                        INPM_EXE="$<TARGET_FILE:inpm>")
add_dependencies(part_map_report_test inpm)
