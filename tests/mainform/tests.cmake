# Every test of the window uses the one working file next to the test
# program, so they never run at the same time.
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES} RESOURCE_LOCK tamsel_working_file)

# The take-length test records through a private sound server.
target_sources(${TAMSEL_TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../devices/AlsaFixture.cpp
                                             ${CMAKE_CURRENT_LIST_DIR}/../links/LinkTestSupport.cpp)
target_include_directories(${TAMSEL_TEST_TARGET} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../devices
                                                         ${CMAKE_CURRENT_LIST_DIR}/../links)
