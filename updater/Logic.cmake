# The engine's logic without OS calls: reply parsing, version comparison, the
# flash script. Built the same way by the Windows build and natively (native/).
add_library(updater_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/EngineText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionCompare.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FlashSequence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PerThreadFlag.cpp)
target_include_directories(updater_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(updater_logic PUBLIC kivcommon_os)

kiv_logic_tests(updater_logic_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/UpdaterLogicTest.cpp
  LIBS updater_logic)

# The engine. It reaches the system through its clock, the package's files
# and the link library; each build supplies its own of those in updater_os
# (updater/CMakeLists.txt, native/), which archives the engine's objects
# with them.
add_library(updater_engine_logic OBJECT ${CMAKE_CURRENT_LIST_DIR}/ISDUpdater.cpp)
target_link_libraries(updater_engine_logic PUBLIC updater_logic kivcommon_os)

kiv_logic_tests(updater_engine_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/ISDUpdaterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/EngineTestSupport.cpp
  LIBS updater_os kivfakes)

kiv_fuzz_target(version_compare_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/VersionCompareFuzz.cpp
  LIBS updater_logic
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/version_compare)
kiv_fuzz_target(flash_sequence_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/FlashSequenceFuzz.cpp
  LIBS updater_os kivfakes
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/flash_sequence)
