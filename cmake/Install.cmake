# cmake --install <build> --prefix <dir> lays out the program folder under
# <dir>/${OSTRELA_INSTALL_PROGRAM_DIR}: the program and its two libraries
# (which find each other through RPATH $ORIGIN), the "vexa.exe" link to ffmpeg,
# the skin component, its skin file and pictures (lumora/) when they were
# built, help.chm and the pictures. <dir>/bin/ostrela links to the program, and the desktop entry and
# the icon go where freedesktop menus look for them, so Ostrela shows in the
# application menu when <dir> is one of the data folders (~/.local, /usr/local).
#
# The program keeps option.ini in its own folder when the user may write
# there, and in ~/.config/Ostrela otherwise.
#
# The package (OSTRELA_PACKAGE_LAYOUT) keeps what is the same on every
# architecture (help.chm, the pictures, the skin file and its pictures) in
# <prefix>/share/ostrela, as Debian wants, and links it from the program
# folder, where the program looks for it. It also lays down the file
# "installed" in the program folder: it tells the program that the folder is
# the package's, never to be written, whoever runs it (root too);
# /etc/ostrela/option.ini gives the defaults.

set(OSTRELA_INSTALL_PROGRAM_DIR lib/ostrela CACHE STRING
  "Program folder, relative to the install prefix")
option(OSTRELA_PACKAGE_LAYOUT "Install as the Debian package does" OFF)
if(OSTRELA_PACKAGE_LAYOUT)
  set(OSTRELA_INSTALL_DATA_DIR share/ostrela)
else()
  set(OSTRELA_INSTALL_DATA_DIR ${OSTRELA_INSTALL_PROGRAM_DIR})
endif()

install(TARGETS ostrela ostrela_core ostrela_widgets
  RUNTIME DESTINATION ${OSTRELA_INSTALL_PROGRAM_DIR}
  LIBRARY DESTINATION ${OSTRELA_INSTALL_PROGRAM_DIR})

install(FILES ${OSTRELA_BIN_DIR}/help.chm DESTINATION ${OSTRELA_INSTALL_DATA_DIR})
if(OSTRELA_PACKAGE_LAYOUT)
  file(WRITE ${CMAKE_BINARY_DIR}/installed
    "Installed by the package: settings are kept in ~/.config/Ostrela/option.ini.\n")
  install(FILES ${CMAKE_BINARY_DIR}/installed DESTINATION ${OSTRELA_INSTALL_PROGRAM_DIR})
endif()
install(DIRECTORY ${OSTRELA_PICTURE_DIR}/ DESTINATION ${OSTRELA_INSTALL_DATA_DIR}/pictures
  FILES_MATCHING PATTERN "*.png")

# The skin component and its skin file are optional: without them the program
# starts with the default look.
install(PROGRAMS ${OSTRELA_BIN_DIR}/SkinCrafter.dll DESTINATION ${OSTRELA_INSTALL_PROGRAM_DIR} OPTIONAL)
install(FILES ${OSTRELA_BIN_DIR}/lumora.skf DESTINATION ${OSTRELA_INSTALL_DATA_DIR} OPTIONAL)

foreach(size IN LISTS OSTRELA_ICON_SIZES)
  install(FILES ${OSTRELA_PICTURE_DIR}/ostrela-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ostrela.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/res/pictures/ostrela.svg DESTINATION share/icons/hicolor/scalable/apps)

# Links and the desktop entry depend on the prefix given at install time, so
# a script makes them then.
install(CODE "
  set(OSTRELA_FFMPEG_PROGRAM \"${FFMPEG_PROGRAM}\")
  set(OSTRELA_INSTALL_PROGRAM_DIR \"${OSTRELA_INSTALL_PROGRAM_DIR}\")
  set(OSTRELA_DESKTOP_TEMPLATE \"${CMAKE_SOURCE_DIR}/res/ostrela.desktop.in\")
  set(OSTRELA_STRIP \"${CMAKE_STRIP}\")
  set(OSTRELA_INSTALL_DATA_DIR \"${OSTRELA_INSTALL_DATA_DIR}\")
  set(OSTRELA_BUILT_DIR \"${OSTRELA_BIN_DIR}\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallDesktop.cmake)

# Building the program builds its help too, so F1 works in <build>/bin.
add_dependencies(ostrela ostrela_help)
