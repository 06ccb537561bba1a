# The window on the real sound stack. Every test uses the working file the
# window tests use.
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES} RESOURCE_LOCK tamsel_working_file TIMEOUT 120)
