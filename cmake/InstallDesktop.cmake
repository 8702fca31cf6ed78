# Runs at install time (cmake --install), after the files are copied, with
# CMAKE_INSTALL_PREFIX the prefix given then and OSTRELA_FFMPEG_PROGRAM,
# OSTRELA_INSTALL_PROGRAM_DIR, OSTRELA_DESKTOP_TEMPLATE and OSTRELA_STRIP set
# by Install.cmake.

set(program_dir "${CMAKE_INSTALL_PREFIX}/${OSTRELA_INSTALL_PROGRAM_DIR}")
set(staged_dir "$ENV{DESTDIR}${program_dir}")

# The skin component is installed as a plain file, so a stripping install
# (the package's) strips it here like the program's own targets.
if(CMAKE_INSTALL_DO_STRIP AND OSTRELA_STRIP AND EXISTS "${staged_dir}/SkinCrafter.dll")
  execute_process(COMMAND "${OSTRELA_STRIP}" --strip-unneeded "${staged_dir}/SkinCrafter.dll")
endif()

# The encoder under the name the program looks for.
message(STATUS "Linking: ${staged_dir}/vexa.exe -> ${OSTRELA_FFMPEG_PROGRAM}")
file(REMOVE "${staged_dir}/vexa.exe")
file(CREATE_LINK "${OSTRELA_FFMPEG_PROGRAM}" "${staged_dir}/vexa.exe" SYMBOLIC)

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
configure_file("${OSTRELA_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
