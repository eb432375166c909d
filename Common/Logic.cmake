# The common library's files that make no OS call. The Windows build archives
# them into kivcommon_os with the OS-bound files; the native build (native/)
# compiles the same files for its sanitized tests and fuzzers.
add_library(kivcommon_logic OBJECT
  ${CMAKE_CURRENT_LIST_DIR}/config/CIniReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config/CmdLineOpts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode/ConsoleLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/error/Exception.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config/IniValueSplit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device/IpAddressCheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device/KIVDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config/KIVOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/LanguageCode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log/LoggerComponent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log/LoggerInstance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log/LoggerLease.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log/LogLineFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log/MethodTrace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log/MsgText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/PathCheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config/ProfileMemo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config/RsrcMgr.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run/ModeResults.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run/RunReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode/RunReportJson.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode/StatusMessenger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/TextCase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text/TextConvert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/device/VersionReply.cpp
  ${CMAKE_CURRENT_LIST_DIR}/os/Win32Exception.cpp)
# Each part of the common library in a folder of its own, in dependency
# order: a part uses only the parts before it.
set(KIV_COMMON_INCLUDE_DIRS)
foreach(part text error os log device run config mode)
  list(APPEND KIV_COMMON_INCLUDE_DIRS ${CMAKE_CURRENT_LIST_DIR}/${part})
endforeach()
target_include_directories(kivcommon_logic PUBLIC ${KIV_COMMON_INCLUDE_DIRS})

# The run report's JSON library (Debian's nlohmann-json3-dev, header-only).
# Only its own folder is copied into the build tree: a cross build that took
# /usr/include would pull in the Linux C library's headers.
find_path(KIV_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          NO_DEFAULT_PATH)
if(NOT KIV_NLOHMANN_INCLUDE)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (tools/setup.sh)")
endif()
file(COPY ${KIV_NLOHMANN_INCLUDE}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/staging-include)
target_include_directories(kivcommon_logic SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/staging-include)

kiv_logic_tests(common_logic_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/CommonLogicTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/RunReportTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/ModeResultsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/ProfileMemoTest.cpp
  LIBS kivcommon_os)
target_include_directories(common_logic_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/staging-include)

# The configuration reader over the system's initialization-file reads: the
# Windows ones here, the native build's own there, on the same files.
kiv_logic_tests(config_reader_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/CIniReaderTest.cpp
  LIBS kivtestsupport)

kiv_fuzz_target(cmdline_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/CmdLineFuzz.cpp
  LIBS kivcommon_os
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/cmdline)
kiv_fuzz_target(ini_value_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/IniValueFuzz.cpp
  LIBS kivcommon_os
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/ini_value)
kiv_fuzz_target(log_line_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/LogLineFuzz.cpp
  LIBS kivcommon_os
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/log_line)
kiv_fuzz_target(ip_address_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/IpAddressFuzz.cpp
  LIBS kivcommon_os
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/ip_address)
