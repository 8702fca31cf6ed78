# The Debian package: `cmake --build <build> --target package` (or
# ./ostrela.sh package) writes <build>/ostrela_<version>_amd64.deb with CPack.
# It holds the install layout under /usr (program folder /usr/lib/ostrela,
# /usr/bin/ostrela, the desktop entry and icons) plus what a Debian package
# carries: the AppStream metainfo, the manual pages, the changelog and the
# copyright file.

set(OSTRELA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package-files)
configure_file(${CMAKE_SOURCE_DIR}/res/package/ostrela.metainfo.xml.in
  ${OSTRELA_PACKAGE_DIR}/com.example.ostrela.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/package/copyright ${OSTRELA_PACKAGE_DIR}/copyright @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/package/changelog ${OSTRELA_PACKAGE_DIR}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/docs/man/ostrela.1 ${OSTRELA_PACKAGE_DIR}/ostrela.1 @ONLY)
set(manual_pages ostrela.1)
if(TARGET ostrela-convert)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/ostrela-convert.1
    ${OSTRELA_PACKAGE_DIR}/ostrela-convert.1 @ONLY)
  list(APPEND manual_pages ostrela-convert.1)
endif()

# Debian wants manual pages and changelogs compressed, reproducibly (-n: no
# name or time stamp).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(gzipped)
foreach(name ${manual_pages} changelog)
  add_custom_command(
    OUTPUT ${OSTRELA_PACKAGE_DIR}/${name}.gz
    COMMAND ${GZIP_PROGRAM} -9nkf ${OSTRELA_PACKAGE_DIR}/${name}
    DEPENDS ${OSTRELA_PACKAGE_DIR}/${name}
    COMMENT "Compressing ${name}")
  list(APPEND gzipped ${OSTRELA_PACKAGE_DIR}/${name}.gz)
endforeach()
add_custom_target(ostrela_package_files ALL DEPENDS ${gzipped})

install(FILES ${OSTRELA_PACKAGE_DIR}/com.example.ostrela.metainfo.xml DESTINATION share/metainfo)
install(FILES ${OSTRELA_PACKAGE_DIR}/ostrela.1.gz DESTINATION share/man/man1)
install(FILES ${OSTRELA_PACKAGE_DIR}/copyright DESTINATION share/doc/ostrela)
# The version has no Debian revision: a native package, whose changelog is
# changelog.gz.
install(FILES ${OSTRELA_PACKAGE_DIR}/changelog.gz DESTINATION share/doc/ostrela)

# The command-line program joins the package once it exists.
if(TARGET ostrela-convert)
  install(TARGETS ostrela-convert RUNTIME DESTINATION ${OSTRELA_INSTALL_PROGRAM_DIR})
  install(FILES ${OSTRELA_PACKAGE_DIR}/ostrela-convert.1.gz DESTINATION share/man/man1)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK \"../${OSTRELA_INSTALL_PROGRAM_DIR}/ostrela-convert\"
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/ostrela-convert\" SYMBOLIC)")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrela)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ostrela developers <ostrela@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "extract the sound track of videos as MP3, WAV or AC3")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Ostrela gathers video files in a task list, cuts any of them to a clip and
converts them all, one after another, to MP3, WAV or AC3 files with the
chosen bitrate, sample rate and channels, showing the progress of each file
and of the whole list. FFmpeg does the encoding.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.com/ostrela/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # ostrela_<version>_<arch>.deb
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The install scripts see the final prefix (/usr) and stage under DESTDIR,
# so the desktop entry and the links name the installed paths.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries found by dpkg-shlibdeps, plus what is started or loaded at run
# time: the encoder, the media probe (opened with dlopen) and the opener of
# folders; the CHM viewer for F1.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${OSTRELA_BIN_DIR})
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ffmpeg, libmediainfo0v5, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xchm)
# Only the program and its files: not the tests, benchmarks or test libraries.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
