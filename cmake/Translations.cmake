# The program's texts are written in Chinese in the code; resources/translations
# keeps their English translation. The build compiles it (.qm) into the data
# folder the program reads (share/tamsel/translations, installed with it), and
# `cmake --build build --target update_translations` brings new texts into the
# .ts file for translating.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(TAMSEL_TS_FILES ${CMAKE_SOURCE_DIR}/resources/translations/tamsel_en.ts)
# Every folder whose code shows texts, and the list of the texts the window
# description stores (lupdate does not read the description itself).
file(GLOB TAMSEL_TEXT_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/audio/*.cpp ${CMAKE_SOURCE_DIR}/skin/*.cpp
  ${CMAKE_SOURCE_DIR}/runtime/*.cpp ${CMAKE_SOURCE_DIR}/tools/convert/*.cpp
  ${CMAKE_SOURCE_DIR}/resources/translations/*.cpp)
set_source_files_properties(${TAMSEL_TS_FILES} PROPERTIES OUTPUT_LOCATION ${TAMSEL_BUILD_DATADIR}/translations)
# No source lines in the .ts: edits elsewhere in a file then leave it alone.
set(TAMSEL_LUPDATE_OPTIONS -locations none -no-obsolete -source-language zh_CN)
qt_add_translations(tamsel_app_lib
  TS_FILES ${TAMSEL_TS_FILES}
  SOURCES ${TAMSEL_TEXT_SOURCES}
  QM_FILES_OUTPUT_VARIABLE TAMSEL_QM_FILES
  LUPDATE_OPTIONS ${TAMSEL_LUPDATE_OPTIONS})

if(TAMSEL_TESTS)
  # Fails when a text in the code has no finished English translation.
  string(REPLACE ";" "|" _sources "${TAMSEL_TEXT_SOURCES}")
  string(REPLACE ";" "|" _options "${TAMSEL_LUPDATE_OPTIONS}")
  add_test(NAME translations_complete
    COMMAND ${CMAKE_COMMAND}
      -DLUPDATE=$<TARGET_FILE:Qt6::lupdate> -DLRELEASE=$<TARGET_FILE:Qt6::lrelease>
      -DTS_FILES=${TAMSEL_TS_FILES} "-DSOURCES=${_sources}" "-DOPTIONS=${_options}"
      -DWORK=${CMAKE_BINARY_DIR}/translations_check
      -P ${CMAKE_SOURCE_DIR}/cmake/CheckTranslations.cmake)
endif()
