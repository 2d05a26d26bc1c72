# Fails when any of the project's own static libraries in BUILD_DIR (examined
# with OBJDUMP) does floating-point arithmetic on the x87 stack: the 32-bit
# build must compute in SSE2 like the others, or its audio differs in the last
# bits. x87 loads and stores stay allowed (the 32-bit calling convention
# returns float results in st(0), and they convert exactly).
cmake_minimum_required(VERSION 3.25)
file(GLOB_RECURSE libraries ${BUILD_DIR}/libcorvanel_*.a)
if(NOT libraries)
  message(FATAL_ERROR "no libcorvanel_*.a under ${BUILD_DIR}")
endif()
# AT&T mnemonics as objdump prints them, with their size suffixes (fmull, fiadds).
set(x87 "\t(fi?(add|sub|subr|mul|div|divr)(p|s|l|t)?|fsqrt|fprem1?|f2xm1|fyl2x(p1)?|fscale|frndint|fsin|fcos|fsincos|fpatan|fptan)[ \n]")
foreach(lib ${libraries})
  execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${lib} OUTPUT_VARIABLE code
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} failed on ${lib}")
  endif()
  string(REGEX MATCHALL "${x87}[^\n]*" found "${code}")
  list(LENGTH found count)
  if(count GREATER 0)
    list(GET found 0 first)
    message(FATAL_ERROR "${lib}: ${count} x87 arithmetic instructions, e.g. ${first}")
  endif()
  message(STATUS "SSE2 only: ${lib}")
endforeach()
