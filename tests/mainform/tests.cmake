# Every test of the window uses the one working file next to the test
# program, so they never run at the same time.
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES} RESOURCE_LOCK tamsel_working_file)

