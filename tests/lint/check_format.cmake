# Runs clang-format over the kit's own C and C++ sources as they are now, and fails on
# any file that is not formatted as .clang-format says.
#   cmake -DCLANG_FORMAT=clang-format -DSOURCE_DIR=<project> -P check_format.cmake
if(NOT EXISTS "${CLANG_FORMAT}")
  message(FATAL_ERROR "clang-format is not installed: run scripts/setup-machine")
endif()
set(sources)
foreach(folder installer cardorder cardsim console tests)
  file(GLOB_RECURSE found "${SOURCE_DIR}/${folder}/*.cc" "${SOURCE_DIR}/${folder}/*.h"
       "${SOURCE_DIR}/${folder}/*.c")
  list(APPEND sources ${found})
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "clang-format: the files above are not formatted")
endif()
list(LENGTH sources count)
message(STATUS "clang-format: ${count} files formatted")
