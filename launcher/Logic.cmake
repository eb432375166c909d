# The launcher's decisions that need no OS call: which leftover folders are an
# earlier run's and may go. Built the same way by the Windows build and
# natively (native/).
add_library(launcher_logic STATIC ${CMAKE_CURRENT_LIST_DIR}/StaleEntry.cpp)
target_include_directories(launcher_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(launcher_logic PUBLIC kivcommon_os)

kiv_logic_tests(launcher_logic_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/StaleEntryTest.cpp
  LIBS launcher_logic)
