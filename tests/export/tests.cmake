# The copies are checked by the peers, and tamsel-convert runs as built; the
# window's Save uses the one working file next to the test programs, as the
# window's own tests do, so they never run at the same time.
if(TARGET tamsel-convert)
  add_dependencies(${TAMSEL_TEST_TARGET} tamsel-convert)
  target_compile_definitions(${TAMSEL_TEST_TARGET} PRIVATE TAMSEL_CONVERT="$<TARGET_FILE:tamsel-convert>")
endif()
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES} RESOURCE_LOCK tamsel_working_file)
