# What a Debian package carries beside the program, installed with it: the
# AppStream metainfo, the manual pages, the changelog and the copyright file.
# The package itself is built from debian/ with dpkg-buildpackage
# (./ostrela.sh package); its changelog, the AppStream release and the manual
# pages carry the version set in project() and the date of the commit built.

set(OSTRELA_SOURCE_DIR ${CMAKE_SOURCE_DIR})
include(${CMAKE_SOURCE_DIR}/res/package/Release.cmake)

set(OSTRELA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package-files)
configure_file(${CMAKE_SOURCE_DIR}/res/package/ostrela.metainfo.xml.in
  ${OSTRELA_PACKAGE_DIR}/com.example.ostrela.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/package/changelog ${OSTRELA_PACKAGE_DIR}/changelog @ONLY)
set(manual_pages ostrela.1 ostrela-convert.1)
foreach(page IN LISTS manual_pages)
  configure_file(${CMAKE_SOURCE_DIR}/docs/man/${page} ${OSTRELA_PACKAGE_DIR}/${page} @ONLY)
endforeach()

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
install(FILES ${OSTRELA_PACKAGE_DIR}/ostrela.1.gz ${OSTRELA_PACKAGE_DIR}/ostrela-convert.1.gz
  DESTINATION share/man/man1)
# A native package: its changelog is changelog.gz.
install(FILES ${CMAKE_SOURCE_DIR}/debian/copyright ${OSTRELA_PACKAGE_DIR}/changelog.gz
  DESTINATION share/doc/ostrela)

install(TARGETS ostrela-convert RUNTIME DESTINATION ${OSTRELA_INSTALL_PROGRAM_DIR})
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK \"../${OSTRELA_INSTALL_PROGRAM_DIR}/ostrela-convert\"
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/ostrela-convert\" SYMBOLIC)")
