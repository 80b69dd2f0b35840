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

# A test executable's cases, one CTest test each. They are listed when CTest
# runs, not as a build step, and with no bound a loaded machine could reach:
# a build beside busy sessions, at the lowest priority, once took more than
# GoogleTest's default 5 seconds to list them, and failed the whole build.
function(fhswitch_discover_tests name)
  gtest_discover_tests(${name} NO_PRETTY_VALUES DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 3600)
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
