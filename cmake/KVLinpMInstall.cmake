# Installation: the shared object, the public headers with the companion
# headers they include, a CMake package (find_package(KVLinpM CONFIG) gives
# KVLinpM::KVLinpM) and a pkg-config file (kvlinpm.pc).
include(CMakePackageConfigHelpers)

file(GLOB public_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/*.h)
# The Fortran interface module of the solver routines goes with the headers.
install(FILES ${public_headers} ${PROJECT_SOURCE_DIR}/include/inpm.f90 DESTINATION ${KVL_INSTALL_INCLUDEDIR})

install(TARGETS KVLinpM EXPORT KVLinpMTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT KVLinpMTargets NAMESPACE KVLinpM:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KVLinpM)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KVLinpMConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KVLinpMConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KVLinpM)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KVLinpMConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KVLinpMConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/KVLinpMConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/KVLinpM)

configure_file(${PROJECT_SOURCE_DIR}/cmake/kvlinpm.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kvlinpm.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kvlinpm.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
