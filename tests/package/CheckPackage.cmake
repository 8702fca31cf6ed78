# Builds the package twice from copies of the source tree, in two folders one
# after the other, and checks that both .deb files are the same byte for byte;
# then checks the first with lintian and uses it unpacked:
#   cmake -DSOURCE_DIR=... -DSCRATCH=... -DVERSION=... -DDRIVER=... -DICON_SIZES=16,32 -P CheckPackage.cmake

set(failures 0)
macro(fail message)
  message(SEND_ERROR "${message}")
  math(EXPR failures "${failures} + 1")
endmacro()
macro(need program)
  find_program(${program}_PATH ${program})
  if(NOT ${program}_PATH)
    message(FATAL_ERROR "${program} is missing (./ostrela.sh installs it)")
  endif()
endmacro()
foreach(program dpkg-buildpackage dpkg-deb lintian desktop-file-validate appstreamcli ffmpeg timeout)
  need(${program})
endforeach()

file(REMOVE_RECURSE "${SCRATCH}")
# The first build makes the source package too, for lintian; the second only
# what is compared.
set(builds "${SCRATCH}/first" "${SCRATCH}/second-build")
set(options "" "-b")
set(sums)
foreach(folder option IN ZIP_LISTS builds options)
  execute_process(COMMAND "${SOURCE_DIR}/res/package/build-deb.sh" "${folder}" ${option}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(deb "${folder}/ostrela_${VERSION}_amd64.deb")
  if(NOT rc EQUAL 0 OR NOT EXISTS "${deb}")
    message(FATAL_ERROR "dpkg-buildpackage made no ${deb} (${rc}):\n${out}\n${err}")
  endif()
  file(SHA256 "${deb}" sum)
  message(STATUS "sha256 ${sum}  ${deb}")
  list(APPEND sums ${sum})
endforeach()
list(REMOVE_DUPLICATES sums)
list(LENGTH sums distinct)
if(NOT distinct EQUAL 1)
  fail("two builds of one tree gave different packages")
endif()
list(GET builds 0 first)
set(deb "${first}/ostrela_${VERSION}_amd64.deb")

# lintian on the binary and the source package: no error, and no warning but
# those the README lists under "Accepted lintian warnings".
file(READ "${SOURCE_DIR}/README.md" readme)
string(REGEX MATCH "\n#+ Accepted lintian warnings\n[^#]*" accepted "${readme}")
string(REGEX MATCHALL "\n- `[a-z0-9.+-]+`" accepted "${accepted}")
list(TRANSFORM accepted REPLACE "\n- `(.*)`" "\\1")
execute_process(COMMAND ${lintian_PATH} "${first}/ostrela_${VERSION}_amd64.changes"
  OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "lintian:\n${out}")
string(REGEX MATCHALL "(^|\n)[EW]: [^\n]*" findings "${out}")
foreach(line IN LISTS findings)
  string(STRIP "${line}" line)
  string(REGEX MATCH "^([EW]): [^:]+: ([^ ]+)" tag "${line}")
  if(CMAKE_MATCH_1 STREQUAL "E" OR NOT CMAKE_MATCH_2 IN_LIST accepted)
    fail("lintian: ${line}")
  endif()
endforeach()

# Control fields: computed library dependencies plus the run-time ones.
execute_process(COMMAND ${dpkg-deb_PATH} -f "${deb}" Package Version Architecture Depends Recommends
  OUTPUT_VARIABLE control)
foreach(field "Package: ostrela" "Version: ${VERSION}" "Architecture: amd64"
              "Recommends: qt6-wayland, xchm")
  if(NOT control MATCHES "${field}")
    fail("control lacks ${field}:\n${control}")
  endif()
endforeach()
string(REGEX MATCH "Depends: [^\n]*" depends "${control}")
foreach(dep ffmpeg libmediainfo0v5 xdg-utils libqt6core6 libqt6widgets6 libqt6dbus6 libc6)
  if(NOT depends MATCHES "(^Depends: |, )${dep}( |,|$)")
    fail("Depends lacks ${dep}: ${depends}")
  endif()
endforeach()

# The contents.
execute_process(COMMAND ${dpkg-deb_PATH} -c "${deb}" OUTPUT_VARIABLE listing)
set(expected
  usr/lib/ostrela/ostrela usr/lib/ostrela/libostrela_core.so usr/lib/ostrela/libostrela_widgets.so
  usr/share/ostrela/help.chm usr/share/ostrela/pictures/taskimages.png
  "usr/lib/ostrela/help.chm -> ../../share/ostrela/help.chm"
  "usr/lib/ostrela/vexa.exe -> ../../bin/ffmpeg" "usr/bin/ostrela -> ../lib/ostrela/ostrela"
  usr/share/applications/ostrela.desktop usr/share/metainfo/com.example.ostrela.metainfo.xml
  usr/share/man/man1/ostrela.1.gz usr/share/doc/ostrela/copyright usr/share/doc/ostrela/changelog.gz
  usr/share/icons/hicolor/scalable/apps/ostrela.svg)
list(APPEND expected usr/lib/ostrela/SkinCrafter.dll usr/share/ostrela/lumora.skf
  "usr/lib/ostrela/lumora -> ../../share/ostrela/lumora"
  usr/lib/ostrela/ostrela-convert "usr/bin/ostrela-convert -> ../lib/ostrela/ostrela-convert"
  usr/share/man/man1/ostrela-convert.1.gz)
string(REPLACE "," ";" sizes "${ICON_SIZES}")
foreach(size IN LISTS sizes)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/ostrela.png)
endforeach()
foreach(path IN LISTS expected)
  string(FIND "${listing}" " ./${path}\n" at)
  if(at LESS 0)
    fail("the package lacks ${path}")
  endif()
endforeach()
foreach(stray "/tests/" "Bench" "fake_mediainfo" "usr/local")
  string(FIND "${listing}" "${stray}" at)
  if(NOT at LESS 0)
    fail("the package holds ${stray}:\n${listing}")
  endif()
endforeach()

# Unpacked into the scratch folder: the desktop entry and the metainfo validate.
set(root "${first}/root")
execute_process(COMMAND ${dpkg-deb_PATH} -x "${deb}" "${root}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x failed")
endif()
execute_process(COMMAND ${desktop-file-validate_PATH} "${root}/usr/share/applications/ostrela.desktop"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR out MATCHES "error" OR err MATCHES "error")
  fail("desktop-file-validate:\n${out}${err}")
endif()
execute_process(COMMAND ${appstreamcli_PATH} validate --no-net
  "${root}/usr/share/metainfo/com.example.ostrela.metainfo.xml"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  fail("appstreamcli validate:\n${out}${err}")
endif()

# The unpacked program loads its own libraries and starts: it is still
# running, without a complaint, when it is stopped after a few seconds.
set(dir "${root}/usr/lib/ostrela")
execute_process(COMMAND ldd "${dir}/ostrela" OUTPUT_VARIABLE out)
if(out MATCHES "not found")
  fail("the unpacked program misses libraries:\n${out}")
endif()
foreach(lib libostrela_core.so libostrela_widgets.so)
  string(REGEX MATCH "${lib} => ([^\n]*) \\(" found "${out}")
  if(NOT CMAKE_MATCH_1 STREQUAL "${dir}/${lib}")
    fail("the unpacked program loads ${lib} from '${CMAKE_MATCH_1}'")
  endif()
endforeach()
execute_process(COMMAND ${timeout_PATH} 3 "${dir}/ostrela"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 124)
  fail("the unpacked program ended by itself (${rc}):\n${out}${err}")
endif()

# Used from there, with the encoder where the ffmpeg package puts it
# (vexa.exe leads to ../../bin/ffmpeg): the driver, copied into the unpacked
# program folder, runs the program with that folder's libraries and its
# vexa.exe link, converts one video and quits through Exit.
file(CREATE_LINK "${ffmpeg_PATH}" "${root}/usr/bin/ffmpeg" SYMBOLIC)
file(COPY "${DRIVER}" DESTINATION "${dir}")
get_filename_component(driver_name "${DRIVER}" NAME)
set(video "${SCRATCH}/one video.avi")
execute_process(COMMAND ${ffmpeg_PATH} -hide_banner -loglevel error -y
  -f lavfi -i testsrc=size=160x120:rate=10:duration=1.5
  -f lavfi -i sine=frequency=440:sample_rate=44100:duration=1.5
  -shortest -c:v mpeg4 -c:a mp3 "${video}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ffmpeg made no test video")
endif()
# Whoever runs it (CI runs as root, who may write the folder), the installed
# copy keeps its settings in the user's folder, never beside the program.
execute_process(COMMAND ${CMAKE_COMMAND} -E env "XDG_CONFIG_HOME=${SCRATCH}/config"
  "${dir}/${driver_name}" "${video}" "${SCRATCH}/audio/"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT EXISTS "${dir}/installed" OR EXISTS "${dir}/option.ini"
   OR NOT EXISTS "${SCRATCH}/config/Ostrela/option.ini")
  fail("the installed program kept its settings beside the program, not in the user's folder")
endif()
if(NOT rc EQUAL 0)
  fail("the unpacked program did not convert and quit cleanly (${rc}):\n${out}${err}")
endif()
file(SIZE "${SCRATCH}/audio/one video.mp3" size)
if(NOT EXISTS "${SCRATCH}/audio/one video.mp3" OR size LESS 1000)
  fail("the unpacked program wrote no 'one video.mp3'")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} package check(s) failed")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
message(STATUS "package checked")
