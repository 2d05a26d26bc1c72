# cmake -DLIBRARY=lib -DEXPECTED="a;b" -P CheckExports.cmake
# Fails unless LIBRARY's dynamic symbol table defines exactly the EXPECTED symbols (sorted).
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names)
foreach(line ${lines})
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
if(NOT names STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "exported symbols: ${names}")
endif()
