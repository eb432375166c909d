# The console mode's logic, free of OS calls, shared by the library, its
# tests under Wine and the native build (native/).
add_library(nogui_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ConsoleOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NoGuiReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NoGuiRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressTracker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunResult.cpp)
target_include_directories(nogui_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(nogui_logic PUBLIC kivcommon_os)

# Progress and result lines, and the run against the fake engine.
kiv_logic_tests(nogui_logic_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/ProgressTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/ResultTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/NoGuiRunTest.cpp
  LIBS nogui_logic kivfakes)
