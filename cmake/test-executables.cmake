# The Linux test executables' own compile. They are built unoptimised, whatever
# the build type, and without the sanitizers' instrumentation, whatever the
# preset: optimising and instrumenting their tables took most of the builds'
# time and checks nothing of the product, which keeps the build type's flags
# and the sanitizers (the tests link their runtime). The test framework's
# headers are precompiled once, by the test support library, for all of them.

function(fhswitch_test_compile target)
  target_compile_options(${target} PRIVATE -O0 -fno-sanitize=all)
  if(target STREQUAL "fhswitch_testsupport")
    target_precompile_headers(${target} PRIVATE
      <gtest/gtest.h> <gmock/gmock.h> <filesystem> <map> <string> <vector>)
  else()
    set_property(GLOBAL APPEND PROPERTY FHSWITCH_TEST_TARGETS ${target})
  endif()
endfunction()

function(fhswitch_test_executable name)
  add_executable(${name} ${ARGN})
  fhswitch_test_compile(${name})
endfunction()

# At the end of the configure: the support library is defined after some of
# the tests.
function(fhswitch_reuse_test_headers)
  get_property(targets GLOBAL PROPERTY FHSWITCH_TEST_TARGETS)
  foreach(target IN LISTS targets)
    target_precompile_headers(${target} REUSE_FROM fhswitch_testsupport)
  endforeach()
endfunction()
cmake_language(DEFER CALL fhswitch_reuse_test_headers)
