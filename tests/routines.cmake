# The solver routines' Fortran test program, built with the Fortran compiler
# against the shared library and the installed-style interface module, and
# run by routines_test in a job directory of its own. Without a Fortran
# compiler routines_test skips that case.
include(CheckLanguage)
check_language(Fortran)
target_compile_definitions(routines_test PRIVATE KVL_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden")
if(CMAKE_Fortran_COMPILER)
  enable_language(Fortran)
  add_executable(routines_fortran ${PROJECT_SOURCE_DIR}/include/inpm.f90 ${CMAKE_CURRENT_SOURCE_DIR}/routines_fortran.f90)
  set_target_properties(routines_fortran PROPERTIES Fortran_MODULE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fortran_modules
                                                    LINKER_LANGUAGE Fortran)
  target_compile_options(routines_fortran PRIVATE -Wall -Werror -std=f2018)
  target_link_libraries(routines_fortran PRIVATE KVLinpM)
  target_compile_definitions(routines_test PRIVATE ROUTINES_FORTRAN_EXE="$<TARGET_FILE:routines_fortran>")
  add_dependencies(routines_test routines_fortran)
endif()
