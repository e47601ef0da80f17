# cmake -DOBJDUMP=... -DLIBRARY=Tarvel.dll -P check-exports.cmake
# Fails unless the library exports each operation the card order tool binds, by name, at
# its ordinal.
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} failed")
endif()

if(NOT table MATCHES "Ordinal Base[ \t]+([0-9]+)")
  message(FATAL_ERROR "${LIBRARY} has no export table")
endif()
set(base ${CMAKE_MATCH_1})

# The name table lists each name with its ordinal less the base.
set(missing "")
foreach(export IN ITEMS SetEventHandler:1 OpenCards:3 CloseCards:4 GetCardCount:7
                        GetLineNumber:70 WriteCardSetting:122)
  string(REPLACE ":" ";" export ${export})
  list(GET export 0 name)
  list(GET export 1 ordinal)
  math(EXPR index "${ordinal} - ${base}")
  if(NOT table MATCHES "\n[ \t]*\\[ *${index}\\] ${name}\n")
    string(APPEND missing " ${name}@${ordinal}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "${LIBRARY} does not export:${missing}")
endif()
