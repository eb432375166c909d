# The wizard's logic, free of OS calls, shared by KIV.exe, its tests under
# Wine and the native build (native/): the outcome of an update, the page
# decisions and the run's flow without any window.

# The code page of each licence text, from the table the package is built by.
include(${CMAKE_CURRENT_LIST_DIR}/../package/LicenceCodePages.cmake)
set(codepage_lines "")
kiv_licence_codepage_lists(langs cps)
foreach(lang cp IN ZIP_LISTS langs cps)
  string(REPLACE "CP" "" number ${cp})
  string(APPEND codepage_lines "    {L\"${lang}\", ${number}},\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/wizard-generated/LicenceCodePages.inc
     CONTENT "// Made at configure time from package/LicenceCodePages.cmake.\n${codepage_lines}")

add_library(wizard_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/UpdateOutcome.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WizardContext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AddressSearch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PageTexts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SelectDeviceModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LanguageChoice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgressValue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WizardFlow.cpp)
target_include_directories(wizard_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR}
                           PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/wizard-generated)
target_link_libraries(wizard_logic PUBLIC kivcommon_os)

kiv_logic_tests(wizard_outcome_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/UpdateOutcomeTest.cpp
  LIBS wizard_logic)

# The page decisions, in milliseconds and without a display.
kiv_logic_tests(wizard_logic_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tests/SelectDeviceModelTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/PageTextsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/LanguageChoiceTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/WizardContextTest.cpp
  LIBS wizard_logic)

# The whole run with scripted pages and a fake engine; its log is read back.
kiv_logic_tests(wizard_flow_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/WizardFlowTest.cpp
  LIBS wizard_logic kivfakes)

kiv_fuzz_target(device_list_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/DeviceListFuzz.cpp
  LIBS wizard_logic kivfakes
  CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz/corpus/device_list)
