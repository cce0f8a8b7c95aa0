# The edit subcommand of inpm, in a source file of its own.
target_sources(inpm PRIVATE ${CMAKE_CURRENT_LIST_DIR}/inpm_edit.cpp)
target_include_directories(inpm PRIVATE ${CMAKE_CURRENT_LIST_DIR})
