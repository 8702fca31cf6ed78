# Runs at install time (cmake --install), after the files are copied, with
# CMAKE_INSTALL_PREFIX the prefix given then and OSTRELA_FFMPEG_PROGRAM,
# OSTRELA_INSTALL_PROGRAM_DIR, OSTRELA_INSTALL_DATA_DIR, OSTRELA_BUILT_DIR (the
# build's bin/), OSTRELA_DESKTOP_TEMPLATE and OSTRELA_STRIP set by Install.cmake.

set(program_dir "${CMAKE_INSTALL_PREFIX}/${OSTRELA_INSTALL_PROGRAM_DIR}")
set(staged_dir "$ENV{DESTDIR}${program_dir}")

# The skin component is installed as a plain file, so a stripping install
# (the package's) strips it here like the program's own targets.
if(CMAKE_INSTALL_DO_STRIP AND OSTRELA_STRIP AND EXISTS "${staged_dir}/SkinCrafter.dll")
  execute_process(COMMAND "${OSTRELA_STRIP}" --strip-unneeded "${staged_dir}/SkinCrafter.dll")
endif()

# The encoder under the name the program looks for: relative when it lies
# under the same prefix (the package's /usr/bin/ffmpeg), as Debian wants.
set(encoder "${OSTRELA_FFMPEG_PROGRAM}")
cmake_path(IS_PREFIX CMAKE_INSTALL_PREFIX "${encoder}" NORMALIZE under_prefix)
if(under_prefix)
  file(RELATIVE_PATH encoder "${program_dir}" "${encoder}")
endif()
message(STATUS "Linking: ${staged_dir}/vexa.exe -> ${encoder}")
file(REMOVE "${staged_dir}/vexa.exe")
file(CREATE_LINK "${encoder}" "${staged_dir}/vexa.exe" SYMBOLIC)

# Data kept apart from the program folder is linked into it, where the
# program looks for it (made by the build; the skin's parts are installed
# after this script).
if(DEFINED OSTRELA_INSTALL_DATA_DIR AND NOT OSTRELA_INSTALL_DATA_DIR STREQUAL OSTRELA_INSTALL_PROGRAM_DIR)
  set(data_dir "${CMAKE_INSTALL_PREFIX}/${OSTRELA_INSTALL_DATA_DIR}")
  foreach(name help.chm pictures lumora.skf lumora)
    if(EXISTS "${OSTRELA_BUILT_DIR}/${name}")
      file(RELATIVE_PATH target "${program_dir}" "${data_dir}/${name}")
      message(STATUS "Linking: ${staged_dir}/${name} -> ${target}")
      file(REMOVE_RECURSE "${staged_dir}/${name}")
      file(CREATE_LINK "${target}" "${staged_dir}/${name}" SYMBOLIC)
    endif()
  endforeach()
endif()

# <prefix>/bin/ostrela, relative so that the tree can be moved whole. The
# program resolves the link and finds its folder.
set(bin_dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
file(MAKE_DIRECTORY "${bin_dir}")
file(RELATIVE_PATH link_target "${bin_dir}" "${staged_dir}/ostrela")
message(STATUS "Linking: ${bin_dir}/ostrela -> ${link_target}")
file(REMOVE "${bin_dir}/ostrela")
file(CREATE_LINK "${link_target}" "${bin_dir}/ostrela" SYMBOLIC)

# The desktop entry names the program by its final path (without DESTDIR).
# Exec quotes it: inside the quotes " ` $ \ take a backslash, and the entry's
# string escaping doubles every backslash again; % is doubled.
set(exec "${program_dir}/ostrela")
string(REPLACE "\\" "\\\\\\\\" exec "${exec}")
string(REPLACE "\"" "\\\\\"" exec "${exec}")
string(REPLACE "`" "\\\\`" exec "${exec}")
string(REPLACE "$" "\\\\$" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(OSTRELA_DESKTOP_EXEC "\"${exec}\"")
string(REPLACE "\\" "\\\\" OSTRELA_DESKTOP_TRYEXEC "${program_dir}/ostrela")

set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/ostrela.desktop")
message(STATUS "Installing: ${entry}")
# 0644 whatever mode the template has in the source tree.
configure_file("${OSTRELA_DESKTOP_TEMPLATE}" "${entry}" @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
