# Tests of the native tools (built by the ExternalProject `host` into KIV_HOST_DIR),
# run natively by the same ctest.
add_test(NAME host.fls COMMAND ${KIV_HOST_DIR}/fls/fls-tests)
add_test(NAME host.printer-sim COMMAND ${KIV_HOST_DIR}/printer-sim/printer-sim-tests)
set_tests_properties(host.fls host.printer-sim PROPERTIES TIMEOUT 300)
add_test(NAME host.with-sim
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/printer-sim/tests/with-sim-test.sh
                 ${KIV_HOST_DIR}/printer-sim)
set_tests_properties(host.with-sim PROPERTIES TIMEOUT 120)
# How test.sh and fuzz.sh carry on, stop and report when a step fails.
add_test(NAME host.scripts COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/tests/scripts-test.sh)
set_tests_properties(host.scripts PROPERTIES TIMEOUT 120)
