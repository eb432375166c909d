# Helpers shared by the subsystem folders.

# Sets out to TRUE when every named target exists. A missing one is a
# configure error: a piece of the package or of the tests never goes missing
# without a word. Only a build restricted on purpose (KIV_SUBSYSTEMS) leaves
# the dependent piece out, and says so.
# kiv_have_targets(out "what needs them" target...)
function(kiv_have_targets out what)
  set(missing)
  foreach(t ${ARGN})
    if(NOT TARGET ${t})
      list(APPEND missing ${t})
    endif()
  endforeach()
  if(NOT missing)
    set(${out} TRUE PARENT_SCOPE)
    return()
  endif()
  if(NOT KIV_RESTRICTED)
    message(FATAL_ERROR "${what} needs ${missing}, which this build does not define")
  endif()
  message(STATUS "Left out of this restricted build: ${what} (needs ${missing})")
  set(${out} FALSE PARENT_SCOPE)
endfunction()

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

# A GoogleTest executable run under Wine while the printer simulator serves the
# printers of SIM_INI (a template whose "@NET@" becomes this run's loopback prefix;
# see tools/printer-sim/with-sim.sh). The test reads KIV_SIM_NET and KIV_SIM_CONTROL
# through SimControl.h of the test-support library.
# kiv_add_sim_test(NAME SOURCES ... [LIBS ...] SIM_INI template [TIMEOUT s] [ENV ...])
function(kiv_add_sim_test name)
  cmake_parse_arguments(T "" "TIMEOUT;SIM_INI" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT T_SIM_INI)
    message(FATAL_ERROR "kiv_add_sim_test(${name}): SIM_INI is required")
  endif()
  get_filename_component(ini ${T_SIM_INI} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kivtestsupport GTest::gtest GTest::gtest_main)
  add_dependencies(${name} host)
  # The command is a script, so the emulator is named explicitly.
  add_test(NAME ${name}
           COMMAND ${KIV_HOST_DIR}/printer-sim/with-sim.sh ${ini} --
                   ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:${name}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set(env KIV_PRINTER_SIM=${KIV_HOST_DIR}/printer-sim/printer-sim ${T_ENV})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${T_TIMEOUT}
                       ENVIRONMENT "${env}")
endfunction()

# The unit tests of a folder's logic (its Logic.cmake): run under Wine here,
# natively with sanitizers in native/, which defines its own kiv_logic_tests.
# kiv_logic_tests(NAME SOURCES ... LIBS ...)
function(kiv_logic_tests name)
  kiv_add_gtest(${name} ${ARGN})
endfunction()

# Fuzz targets are built by the native build only (native/).
function(kiv_fuzz_target name)
endfunction()
