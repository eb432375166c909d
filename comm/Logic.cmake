# Reply framing and parsing, and what a printer said about itself: no OS
# calls. Built the same way by the Windows build and by the native one
# (native/).
add_library(kivcomm_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DeviceAddress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HexCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PrinterIdentity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PrinterReplies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReplyReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Transport.cpp)
target_include_directories(kivcomm_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# The reply parser is the engine's own, from the common library.
target_link_libraries(kivcomm_logic PUBLIC kivcommon_os)

kiv_logic_tests(comm_logic_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/CommLogicTest.cpp
  LIBS kivcomm_logic)

# The engine's flash scan reading comes from its own logic library.
kiv_fuzz_target(printer_reply_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/PrinterReplyFuzz.cpp
  LIBS kivcomm_logic updater_logic
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/printer_reply)
