# The command-line listing is checked on the program as built.
if(TARGET tamsel)
  add_dependencies(${TAMSEL_TEST_TARGET} tamsel)
  target_compile_definitions(${TAMSEL_TEST_TARGET} PRIVATE TAMSEL_PROGRAM="$<TARGET_FILE:tamsel>")
endif()
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES})
