# Every test of the window uses the one working file next to the test
# program, so they never run at the same time.
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     TEST_FILTER "-LanguageFromEnvironment.*"
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES} RESOURCE_LOCK tamsel_working_file)

# The language the program picks from the locale it is started in: the same
# test under each LANG, with the language it must then speak.
foreach(_case "en_US.UTF-8|en" "de_DE.UTF-8|en" "zh_CN.UTF-8|original" "C|original" "C.UTF-8|original"
              "POSIX|original" "|original")
  string(REPLACE "|" ";" _case "${_case}")
  list(GET _case 0 _lang)
  list(GET _case 1 _expected)
  set(_name "LanguageFromEnvironment.LANG=${_lang}")
  add_test(NAME ${_name} COMMAND ${TAMSEL_TEST_TARGET} --gtest_filter=LanguageFromEnvironment.*)
  if(_lang STREQUAL "")
    set(_lang_change "LANG=unset:")
  else()
    set(_lang_change "LANG=set:${_lang}")
  endif()
  set_tests_properties(${_name} PROPERTIES RESOURCE_LOCK tamsel_working_file
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TAMSEL_EXPECTED_LANGUAGE=${_expected}"
    ENVIRONMENT_MODIFICATION "${_lang_change};LC_ALL=unset:;LC_MESSAGES=unset:;LANGUAGE=unset:")
endforeach()
