# The date a build carries (changelog, AppStream release, manual pages): the
# date of the commit it is built from, so two builds of one commit agree.
# SOURCE_DATE_EPOCH wins when set (a package build sets it); without it the
# last commit's date; without git, now.
#
# Included (with OSTRELA_SOURCE_DIR set) it sets OSTRELA_RELEASE_EPOCH,
# OSTRELA_RELEASE_DATE (2024-06-01), OSTRELA_RELEASE_MONTH (June 2024) and
# OSTRELA_RELEASE_RFC2822. As a script it writes the changelog of the version
# in CMakeLists.txt:
#   cmake -DOSTRELA_SOURCE_DIR=<src> -DOUTPUT=<file> -P Release.cmake

if(DEFINED ENV{SOURCE_DATE_EPOCH} AND "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(OSTRELA_RELEASE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${OSTRELA_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE OSTRELA_RELEASE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE rc ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT OSTRELA_RELEASE_EPOCH MATCHES "^[0-9]+$")
    string(TIMESTAMP OSTRELA_RELEASE_EPOCH "%s" UTC)
  endif()
endif()

# string(TIMESTAMP) formats SOURCE_DATE_EPOCH when it is set: lend it the epoch.
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} "${OSTRELA_RELEASE_EPOCH}")
string(TIMESTAMP OSTRELA_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP OSTRELA_RELEASE_MONTH "%B %Y" UTC)
string(TIMESTAMP OSTRELA_RELEASE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
if(saved_epoch STREQUAL "")
  unset(ENV{SOURCE_DATE_EPOCH})
else()
  set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
endif()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  file(STRINGS "${OSTRELA_SOURCE_DIR}/CMakeLists.txt" project_line REGEX "^project\\(Ostrela VERSION ")
  if(NOT project_line MATCHES "VERSION ([0-9.]+)")
    message(FATAL_ERROR "no version in ${OSTRELA_SOURCE_DIR}/CMakeLists.txt")
  endif()
  set(PROJECT_VERSION "${CMAKE_MATCH_1}")
  configure_file("${CMAKE_CURRENT_LIST_DIR}/changelog" "${OUTPUT}" @ONLY)
endif()
