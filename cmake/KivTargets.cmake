# Helpers shared by the subsystem folders.

# A GoogleTest executable run once under Wine by ctest, inside the wine fixture.
# kiv_add_gtest(NAME SOURCES ... [LIBS ...] [ENV ...] [TIMEOUT s])
function(kiv_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "${T_ENV}")
endfunction()

# Programs with a wide entry point.
function(kiv_wide_entry target)
  target_link_options(${target} PRIVATE -municode)
endfunction()
