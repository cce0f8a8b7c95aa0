# The analysis of insert_routines_test as a Fortran program, built against
# the shared library and the interface module, and run by the test in a job
# directory of its own. Without a Fortran compiler that case is skipped.
include(CheckLanguage)
check_language(Fortran)
target_compile_definitions(insert_routines_test PRIVATE KVL_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden")
if(CMAKE_Fortran_COMPILER)
  enable_language(Fortran)
  add_executable(insert_routines_fortran ${PROJECT_SOURCE_DIR}/include/inpm.f90 insert_routines_fortran.f90)
  set_target_properties(insert_routines_fortran PROPERTIES Fortran_MODULE_DIRECTORY
                        ${CMAKE_CURRENT_BINARY_DIR}/insert_fortran_modules LINKER_LANGUAGE Fortran)
  target_compile_options(insert_routines_fortran PRIVATE -Wall -Werror -std=f2018)
  target_link_libraries(insert_routines_fortran PRIVATE KVLinpM)
  target_compile_definitions(insert_routines_test PRIVATE INSERT_FORTRAN_EXE="$<TARGET_FILE:insert_routines_fortran>")
  add_dependencies(insert_routines_test insert_routines_fortran)
endif()
