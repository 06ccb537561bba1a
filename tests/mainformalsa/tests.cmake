# The window on the real sound stack: the sound server fixture comes from the
# device tests. Every test uses the working file the window tests use.
target_sources(${TAMSEL_TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../devices/AlsaFixture.cpp)
target_include_directories(${TAMSEL_TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../devices)
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES} RESOURCE_LOCK tamsel_working_file TIMEOUT 120)
