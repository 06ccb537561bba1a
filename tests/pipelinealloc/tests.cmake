# The allocation hook replaces the global allocator of this program only.
target_sources(${TAMSEL_TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../pipeline/LinkTestSupport.cpp)
target_include_directories(${TAMSEL_TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../pipeline)
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES})
