# The common library's files that make no OS call. The Windows build archives
# them into kivcommon with the OS-bound files; the native build (native/)
# compiles the same files for its sanitized tests and fuzzers.
add_library(kivcommon_logic OBJECT
  ${CMAKE_CURRENT_LIST_DIR}/CIniReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CmdLineOpts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConsoleLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Exception.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IniValueSplit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IpAddressCheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KIVDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KIVOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LanguageCode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoggerComponent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoggerLease.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LogLineFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MethodTrace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MsgText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PathCheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProfileMemo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RsrcMgr.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunReportJson.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StaleEntry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatusMessenger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextCase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextConvert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionReply.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Win32Exception.cpp)
target_include_directories(kivcommon_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR})

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
          ${CMAKE_CURRENT_LIST_DIR}/tests/ProfileMemoTest.cpp
  LIBS kivcommon)
target_include_directories(common_logic_tests SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/staging-include)

# The configuration reader over the system's initialization-file reads: the
# Windows ones here, the native build's own there, on the same files.
kiv_logic_tests(config_reader_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/CIniReaderTest.cpp
  LIBS kivtestsupport)

kiv_fuzz_target(cmdline_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/CmdLineFuzz.cpp
  LIBS kivcommon
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/cmdline)
kiv_fuzz_target(ini_value_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/IniValueFuzz.cpp
  LIBS kivcommon
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/ini_value)
kiv_fuzz_target(log_line_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/LogLineFuzz.cpp
  LIBS kivcommon
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/log_line)
kiv_fuzz_target(ip_address_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/IpAddressFuzz.cpp
  LIBS kivcommon
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/ip_address)
