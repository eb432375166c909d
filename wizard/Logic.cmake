# The wizard's logic, free of OS calls, shared by KIV.exe, its tests under
# Wine and the native build (native/).
add_library(wizard_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UpdateOutcome.cpp)
target_include_directories(wizard_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(wizard_core PUBLIC kivcommon)

kiv_logic_tests(wizard_core_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/UpdateOutcomeTest.cpp
  LIBS wizard_core)
