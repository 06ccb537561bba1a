# Installs the build into a fresh PREFIX and checks the result the way a
# desktop sees it: every file in its GNU place, the menu entry and the
# software-centre metadata valid and pointing at what was installed, and the
# installed program answering --version and --help without a display.
function(need program)
  find_program(_${program} ${program})
  if(NOT _${program})
    message(FATAL_ERROR "${program} is missing (./setup.sh installs it)")
  endif()
  set(${program} ${_${program}} PARENT_SCOPE)
endfunction()
need(desktop-file-validate)
need(appstreamcli)

# A PNG's width and height are the big-endian words at bytes 16 and 20.
function(png_size file width height)
  file(READ ${file} header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 w)
  string(SUBSTRING "${header}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  set(${width} ${w} PARENT_SCOPE)
  set(${height} ${h} PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the install failed: ${rc}")
endif()

set(share ${PREFIX}/share)
set(desktop ${share}/applications/org.tamsel.Recorder.desktop)
set(metainfo ${share}/metainfo/org.tamsel.Recorder.metainfo.xml)
foreach(f bin/tamsel bin/tamsel-convert share/tamsel/about.html share/tamsel/about.en.html
          share/tamsel/translations/tamsel_en.qm share/applications/org.tamsel.Recorder.desktop
          share/metainfo/org.tamsel.Recorder.metainfo.xml share/icons/hicolor/scalable/apps/tamsel.svg
          share/man/man1/tamsel.1.gz share/man/man1/tamsel-convert.1.gz share/doc/tamsel/copyright)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
# Whatever translations the build compiled are installed beside the about page.
file(GLOB translations RELATIVE ${BUILD}/share/tamsel/translations ${BUILD}/share/tamsel/translations/*.qm)
foreach(qm ${translations})
  if(NOT EXISTS ${share}/tamsel/translations/${qm})
    message(FATAL_ERROR "the translation ${qm} is not installed")
  endif()
endforeach()
# Every size the desktop asks for, plain and twice as fine, at its size.
foreach(size 16 22 24 32 48 64 128 256 512)
  foreach(dir ${size}x${size} ${size}x${size}@2)
    set(png ${share}/icons/hicolor/${dir}/apps/tamsel.png)
    if(NOT EXISTS ${png})
      message(FATAL_ERROR "no icon in ${dir}")
    endif()
    png_size(${png} width height)
    set(want ${size})
    if(dir MATCHES "@2$")
      math(EXPR want "${size} * 2")
    endif()
    if(NOT width EQUAL want OR NOT height EQUAL want)
      message(FATAL_ERROR "the icon in ${dir} is ${width}x${height}, not ${want}x${want}")
    endif()
  endforeach()
endforeach()

# The installed program, offscreen and then with no display at all.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PREFIX}/bin/tamsel --version
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "tamsel ${VERSION}\n")
  message(FATAL_ERROR "tamsel --version gave ${rc}: '${out}' ${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb
                        ${PREFIX}/bin/tamsel --help
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "Usage: [^\n]*tamsel" OR NOT out MATCHES "--version" OR NOT out MATCHES "--help")
  message(FATAL_ERROR "tamsel --help without a display gave ${rc}: '${out}' ${err}")
endif()
# The installed program finds its translation: English help under an
# English locale, the original under C.
foreach(case "en_US.UTF-8|Tamsel Recorder, a sound recorder" "C|Tamsel录音机, a sound recorder")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 lang)
  list(GET case 1 want)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LC_ALL --unset=LC_MESSAGES --unset=LANGUAGE LANG=${lang}
                          QT_QPA_PLATFORM=offscreen ${PREFIX}/bin/tamsel --help
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(FIND "${out}" "${want}" at)
  if(NOT rc EQUAL 0 OR at LESS 0)
    message(FATAL_ERROR "tamsel --help under LANG=${lang} gave ${rc}, without '${want}': '${out}' ${err}")
  endif()
endforeach()
# What it does not take stops it with a message instead of opening the window.
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${PREFIX}/bin/tamsel --no-such-option
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 30)
if(NOT rc EQUAL 2 OR NOT err MATCHES "no-such-option")
  message(FATAL_ERROR "tamsel --no-such-option gave ${rc}: '${err}'")
endif()

execute_process(COMMAND ${desktop-file-validate} ${desktop} OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "the installed desktop entry does not validate:\n${out}")
endif()
execute_process(COMMAND ${appstreamcli} validate --no-net ${metainfo} OUTPUT_VARIABLE out ERROR_VARIABLE out
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed metainfo does not validate:\n${out}")
endif()

# The entry starts the installed program, shows the installed icon and has
# an English and a Chinese name; the metainfo names the entry, carries the
# English and Chinese names and screenshots, and its newest release is this version.
file(STRINGS ${desktop} entry ENCODING UTF-8)
foreach(key "Exec=tamsel" "Icon=tamsel" "Name=Tamsel Recorder" "Name[zh_CN]=Tamsel录音机")
  list(FIND entry "${key}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the desktop entry has no '${key}'")
  endif()
endforeach()
file(READ ${metainfo} xml)
foreach(want "<launchable type=\"desktop-id\">org.tamsel.Recorder.desktop</launchable>" "<name>Tamsel Recorder</name>"
             "<name xml:lang=\"zh-CN\">Tamsel录音机</name>" "<summary xml:lang=\"zh-CN\">" "<screenshot type=\"default\">"
             "<content_rating type=\"oars-1.1\"")
  string(FIND "${xml}" "${want}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the metainfo has no ${want}")
  endif()
endforeach()
if(xml MATCHES "@[A-Z_]+@")
  message(FATAL_ERROR "the metainfo keeps a placeholder: ${CMAKE_MATCH_0}")
endif()
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${xml}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  message(FATAL_ERROR "the metainfo's newest release is ${CMAKE_MATCH_1}, the program is ${VERSION}")
endif()
# Each screenshot is one of the pictures in docs/, at its size.
string(REGEX MATCHALL "<image type=\"source\" width=\"[0-9]+\" height=\"[0-9]+\">[^<]*</image>" images "${xml}")
if(NOT images)
  message(FATAL_ERROR "the metainfo has no screenshots")
endif()
foreach(image ${images})
  string(REGEX MATCH "width=\"([0-9]+)\" height=\"([0-9]+)\">.*/docs/([^<]+)<" _ "${image}")
  set(w ${CMAKE_MATCH_1})
  set(h ${CMAKE_MATCH_2})
  set(name ${CMAKE_MATCH_3})
  if(NOT EXISTS ${SOURCE}/docs/${name})
    message(FATAL_ERROR "the screenshot ${name} is not in docs/")
  endif()
  png_size(${SOURCE}/docs/${name} pw ph)
  if(NOT pw EQUAL w OR NOT ph EQUAL h)
    message(FATAL_ERROR "the screenshot ${name} is ${pw}x${ph}, the metainfo says ${w}x${h}")
  endif()
endforeach()
