# A small program of the library, built against the shared library and its
# public headers only.
add_executable(part_map_example ${CMAKE_CURRENT_LIST_DIR}/part_map_example.cpp)
target_link_libraries(part_map_example PRIVATE KVLinpM)
target_compile_definitions(part_map_example PRIVATE KVL_EXAMPLE_MODEL="${CMAKE_CURRENT_LIST_DIR}/model.prt")

# An analysis through the solver routines (scripts/run.sh runs it).
add_executable(analysis_example ${CMAKE_CURRENT_LIST_DIR}/analysis_example.cpp)
target_link_libraries(analysis_example PRIVATE KVLinpM)
