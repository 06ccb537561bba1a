# Every test of the window uses the one working file next to the test
# program, so they never run at the same time.
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES} RESOURCE_LOCK tamsel_working_file)

# The menu entry and the software-centre metadata must pass the desktop's own checks.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  add_test(NAME desktop_entry_validates
           COMMAND ${DESKTOP_FILE_VALIDATE} ${CMAKE_SOURCE_DIR}/resources/org.tamsel.Recorder.desktop)
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  add_test(NAME metainfo_validates
           COMMAND ${APPSTREAMCLI} validate --no-net ${CMAKE_SOURCE_DIR}/resources/org.tamsel.Recorder.metainfo.xml)
endif()

