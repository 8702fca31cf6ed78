# Fails when any C++ source of the project differs from its clang-format form.
file(GLOB_RECURSE sources
  ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h
  ${SOURCE_DIR}/tasks/*.cpp ${SOURCE_DIR}/tasks/*.h
  ${SOURCE_DIR}/clip/*.cpp ${SOURCE_DIR}/clip/*.h
  ${SOURCE_DIR}/convert/*.cpp ${SOURCE_DIR}/convert/*.h
  ${SOURCE_DIR}/ui/*.cpp ${SOURCE_DIR}/ui/*.h
  ${SOURCE_DIR}/platform/*.cpp ${SOURCE_DIR}/platform/*.h
  ${SOURCE_DIR}/res/*.cpp ${SOURCE_DIR}/res/*.h
  ${SOURCE_DIR}/skin/*.cpp ${SOURCE_DIR}/skin/*.h
  ${SOURCE_DIR}/tests/*.cpp ${SOURCE_DIR}/tests/*.h
  ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/bench/*.h
  ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/fuzz/*.h)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
  RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Sources differ from .clang-format; run clang-format -i on them:\n${errors}")
endif()
