# The allocation hook replaces the global allocator of this program only.
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES})
