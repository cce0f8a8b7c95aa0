# `inpm report`, in a source file of its own (after inpm.cmake, which makes
# the target).
target_sources(inpm PRIVATE ${CMAKE_CURRENT_LIST_DIR}/inpm_report.cpp)
