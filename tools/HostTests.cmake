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
# Folders point one way, in the target graph and in the include lines. The
# target graph is what the lists declare (target-graph.tsv), with the
# dependencies CMake adds itself (custom commands on programs) from the code
# model it writes for this query from the next configure on.
file(WRITE ${CMAKE_BINARY_DIR}/.cmake/api/v1/query/client-kiv/codemodel-v2 "")
add_test(NAME host.layers
         COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/check-layers.py
                 --source ${CMAKE_SOURCE_DIR} --build ${CMAKE_BINARY_DIR})
add_test(NAME host.layers-checker COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/tests/check-layers-test.sh)
set_tests_properties(host.layers host.layers-checker PROPERTIES TIMEOUT 120)
