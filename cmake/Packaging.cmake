# What `cmake --install` puts where (the GNU places under whatever prefix is
# given), and the Debian package CPack makes of the same install.

set(TAMSEL_PROJECT_URL "https://example.org/tamsel" CACHE STRING
    "Where the project is published: the software centre's home page, and its screenshots under docs/")

# The program finds its data (runtime/DataFolder) from its own folder, so the
# install works under any prefix; the configured prefix is only the last resort.
file(RELATIVE_PATH _data_from_program ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/tamsel)
set_source_files_properties(${CMAKE_SOURCE_DIR}/runtime/DataFolder.cpp PROPERTIES COMPILE_DEFINITIONS
  "TAMSEL_DATA_FROM_PROGRAM=\"${_data_from_program}\";TAMSEL_CONFIGURED_DATADIR=\"${CMAKE_INSTALL_FULL_DATADIR}/tamsel\"")

# Directories the install creates are 0755 whatever the user's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tamsel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The program's own data, kept in the build tree where the program looks for it.
# about.html is the original's page, about.en.html the English one.
foreach(_page about.html about.en.html)
  configure_file(${CMAKE_SOURCE_DIR}/resources/${_page} ${TAMSEL_BUILD_DATADIR}/${_page} COPYONLY)
  install(FILES ${TAMSEL_BUILD_DATADIR}/${_page} DESTINATION ${CMAKE_INSTALL_DATADIR}/tamsel)
endforeach()
# Compiled translations (.qm) written to ${TAMSEL_BUILD_DATADIR}/translations
# are installed with it.
install(DIRECTORY ${TAMSEL_BUILD_DATADIR}/translations DESTINATION ${CMAKE_INSTALL_DATADIR}/tamsel OPTIONAL
        FILES_MATCHING PATTERN "*.qm")

# The menu entry, the software-centre metadata and the icon at every size.
install(FILES ${CMAKE_SOURCE_DIR}/resources/org.tamsel.Recorder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
set(_metainfo ${CMAKE_BINARY_DIR}/share/metainfo/org.tamsel.Recorder.metainfo.xml)
configure_file(${CMAKE_SOURCE_DIR}/resources/org.tamsel.Recorder.metainfo.xml.in ${_metainfo} @ONLY)
install(FILES ${_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
set(_icons ${CMAKE_BINARY_DIR}/share/icons)
add_custom_command(OUTPUT ${_icons}/hicolor/scalable/apps/tamsel.svg
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:tamsel-icon> ${_icons}
  DEPENDS tamsel-icon
  COMMENT "Drawing the program icon"
  VERBATIM)
add_custom_target(tamsel_icons ALL DEPENDS ${_icons}/hicolor/scalable/apps/tamsel.svg)
install(DIRECTORY ${_icons}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Manual pages, compressed the way Debian wants them (no name or time stamp).
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(_page tamsel tamsel-convert)
  set(_man ${CMAKE_BINARY_DIR}/share/man/man1/${_page}.1)
  add_custom_command(OUTPUT ${_man}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/man/${_page}.1 ${_man}
    COMMAND ${GZIP_PROGRAM} -9nf ${_man}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/man/${_page}.1
    VERBATIM)
  list(APPEND _pages ${_man}.gz)
endforeach()
add_custom_target(tamsel_manpages ALL DEPENDS ${_pages})
install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The copyright and the package's change log, where Debian looks for them.
set(TAMSEL_DEBIAN_RELEASE 1)
set(_doc ${CMAKE_BINARY_DIR}/share/doc/tamsel)
configure_file(${CMAKE_SOURCE_DIR}/resources/copyright ${_doc}/copyright @ONLY)
string(TIMESTAMP _changed "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${_doc}/changelog.Debian
  "tamsel (${PROJECT_VERSION}-${TAMSEL_DEBIAN_RELEASE}) unstable; urgency=medium\n\n"
  "  * Packaged from the project's sources. What each release brings is listed in\n"
  "    the software-centre metadata, org.tamsel.Recorder.metainfo.xml.\n\n"
  " -- The Tamsel developers <${TAMSEL_CONTACT}>  ${_changed}\n")
add_custom_command(OUTPUT ${_doc}/changelog.Debian.gz
  COMMAND ${GZIP_PROGRAM} -9nkf ${_doc}/changelog.Debian
  DEPENDS ${_doc}/changelog.Debian
  VERBATIM)
add_custom_target(tamsel_changelog ALL DEPENDS ${_doc}/changelog.Debian.gz)
install(FILES ${_doc}/copyright ${_doc}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tamsel)

# cpack -G DEB: the dependencies are the packages of the libraries the
# programs link (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamsel)
set(CPACK_PACKAGE_VENDOR "The Tamsel developers")
set(CPACK_PACKAGE_CONTACT "The Tamsel developers <${TAMSEL_CONTACT}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound recorder that converts while it records")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tamsel录音机 (Tamsel Recorder) records from the input device, converted on\n"
  "the fly into the format you choose (PCM, IEEE float, A-law, u-law, IMA and\n"
  "Microsoft ADPCM, GSM 6.10, MP3), plays the take back with pause and resume,\n"
  "and saves a copy as a WAVE file. An oscilloscope shows the live signal\n"
  "while it records or plays.\n"
  "\n"
  "The package also carries tamsel-convert, which converts WAVE files with the\n"
  "same codecs.")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TAMSEL_DEBIAN_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TAMSEL_PROJECT_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The sound server's ALSA plugin (the "default" device on a desktop), a font
# with the window's Chinese, and Qt's own dialogs in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libasound2-plugins, fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

if(TAMSEL_TESTS)
  # Installs into a fresh prefix and checks what a user's desktop sees there.
  add_test(NAME Package.InstallsUnderAnyPrefix
           COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/install-test
                   -DSOURCE=${CMAKE_SOURCE_DIR} -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/InstallTest.cmake)
  # Packaging a sanitized build means nothing; the plain build makes the package.
  if(NOT TAMSEL_SANITIZE)
    add_test(NAME Package.DebianPackage
             COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DOUT=${CMAKE_BINARY_DIR}/package-test
                     -DVERSION=${PROJECT_VERSION}-${TAMSEL_DEBIAN_RELEASE} -P ${CMAKE_CURRENT_LIST_DIR}/PackageTest.cmake)
  endif()
endif()
