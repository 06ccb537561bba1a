# The converter tests run the built tool.
if(TARGET tamsel-convert)
  add_dependencies(${TAMSEL_TEST_TARGET} tamsel-convert)
  target_compile_definitions(${TAMSEL_TEST_TARGET} PRIVATE TAMSEL_CONVERT="$<TARGET_FILE:tamsel-convert>")
endif()
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES})
