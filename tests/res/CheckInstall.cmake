# Installs the build into a fresh prefix and checks the program folder, the
# links, the desktop entry and the icons. The package test validates the entry
# and the libraries' lookup in the packaged layout.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPREFIX=... -DPROGRAM_DIR=lib/ostrela -DICON_SIZES=16,32 -P CheckInstall.cmake

set(failures 0)
macro(fail message)
  message(SEND_ERROR "${message}")
  math(EXPR failures "${failures} + 1")
endmacro()
macro(expect_file path)
  if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
    fail("missing file ${path}")
  endif()
endmacro()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(
  COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()

set(dir "${PREFIX}/${PROGRAM_DIR}")
foreach(name ostrela libostrela_core.so libostrela_widgets.so help.chm pictures/taskimages.png)
  expect_file("${dir}/${name}")
endforeach()

# The optional skin parts are installed exactly when the build made them.
foreach(name SkinCrafter.dll lumora.skf)
  if(EXISTS "${BUILD_DIR}/bin/${name}")
    expect_file("${dir}/${name}")
  elseif(EXISTS "${dir}/${name}")
    fail("${name} installed although the build has none")
  endif()
endforeach()

if(IS_DIRECTORY "${BUILD_DIR}/bin/lumora")
  file(GLOB_RECURSE skin_pictures RELATIVE "${BUILD_DIR}/bin/lumora" "${BUILD_DIR}/bin/lumora/*")
  foreach(name IN LISTS skin_pictures)
    expect_file("${dir}/lumora/${name}")
  endforeach()
endif()

# vexa.exe and bin/ostrela are links that lead to programs.
foreach(link "${dir}/vexa.exe" "${PREFIX}/bin/ostrela")
  if(NOT IS_SYMLINK "${link}")
    fail("${link} is not a link")
  endif()
endforeach()
file(REAL_PATH "${dir}/vexa.exe" encoder)
execute_process(COMMAND "${dir}/vexa.exe" -version RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT out MATCHES "ffmpeg version")
  fail("vexa.exe does not run the encoder (${encoder})")
endif()
file(REAL_PATH "${PREFIX}/bin/ostrela" program)
file(REAL_PATH "${dir}/ostrela" expected)
if(NOT program STREQUAL expected)
  fail("bin/ostrela leads to ${program}, not ${expected}")
endif()

# Icons for the menu, one per rendered size (their pixels are the resource test's).
string(REPLACE "," ";" sizes "${ICON_SIZES}")
foreach(size IN LISTS sizes)
  expect_file("${PREFIX}/share/icons/hicolor/${size}x${size}/apps/ostrela.png")
endforeach()
expect_file("${PREFIX}/share/icons/hicolor/scalable/apps/ostrela.svg")

# The desktop entry starts the installed program with the files handed to it,
# quoted for the blank and the "$" in the prefix.
set(entry "${PREFIX}/share/applications/ostrela.desktop")
expect_file("${entry}")
file(STRINGS "${entry}" lines)
set(exec "${dir}/ostrela")
string(REPLACE "$" "\\\\$" exec "${exec}")
foreach(line "Exec=\"${exec}\" %F" "Icon=ostrela" "Type=Application" "Name=Ostrela")
  list(FIND lines "${line}" at)
  if(at LESS 0)
    fail("ostrela.desktop lacks the line ${line}:\n${lines}")
  endif()
endforeach()

# The entry is 0644 even from a group-writable template (a checkout made
# under umask 002): the install script again, with such a copy.
set(template "${PREFIX}/ostrela.desktop.in")
file(COPY_FILE "${SOURCE_DIR}/res/ostrela.desktop.in" "${template}")
file(CHMOD "${template}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ GROUP_WRITE WORLD_READ)
file(READ_SYMLINK "${dir}/vexa.exe" ffmpeg)
execute_process(COMMAND ${CMAKE_COMMAND} "-DCMAKE_INSTALL_PREFIX=${PREFIX}"
  -DOSTRELA_INSTALL_PROGRAM_DIR=${PROGRAM_DIR} -DOSTRELA_FFMPEG_PROGRAM=${ffmpeg}
  "-DOSTRELA_DESKTOP_TEMPLATE=${template}" -P "${SOURCE_DIR}/cmake/InstallDesktop.cmake"
  OUTPUT_QUIET)
execute_process(COMMAND stat -c %a "${entry}" OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT mode STREQUAL "644")
  fail("ostrela.desktop has mode ${mode}, not 644")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} install check(s) failed")
endif()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "install layout checked")
