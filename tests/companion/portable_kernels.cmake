# The suites whose code has 512-bit kernels run a second time on their
# portable twins, so that both paths are covered whatever the machine has.
foreach(name mem_test omni_test)
  add_test(NAME ${name}_portable COMMAND ${name})
  set_tests_properties(${name}_portable PROPERTIES WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                                                   ENVIRONMENT INPM_PORTABLE_KERNELS=1)
endforeach()
