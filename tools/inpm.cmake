# The inpm command. It links the static archive, so that it can also use the
# library's internal model generator.
find_package(CLI11 CONFIG REQUIRED)
add_executable(inpm ${CMAKE_CURRENT_LIST_DIR}/inpm.cpp)
target_link_libraries(inpm PRIVATE KVLinpM_static CLI11::CLI11)
target_compile_definitions(inpm PRIVATE INPM_VERSION="${PROJECT_VERSION}")
install(TARGETS inpm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
