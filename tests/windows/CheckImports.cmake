# Fails unless the Windows DLL LIBRARY (examined with OBJDUMP)
#   - is built for MACHINE (i386 or x86-64),
#   - imports only DLLs that ship with Windows (no compiler runtime, no
#     winpthread, no libpng or zlib DLL),
#   - imports none of the DPI functions of Windows 10 (the editor looks them up at run
#     time, so that the DLL still loads on older Windows),
#   - exports exactly VSTPluginMain and main, at one address (or, with EXPORTS given,
#     exactly those names: the CLAP plug-in's clap_entry).
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${LIBRARY}")
endif()

if(NOT dump MATCHES "file format pei-${MACHINE}")
  message(FATAL_ERROR "${LIBRARY} is not a ${MACHINE} DLL")
endif()

set(system_dlls kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comdlg32.dll
    comctl32.dll ole32.dll oleaut32.dll shlwapi.dll winmm.dll msimg32.dll msvcrt.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "${LIBRARY}: no import table found")
endif()
foreach(entry ${imports})
  string(REGEX REPLACE "DLL Name: " "" dll "${entry}")
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${LIBRARY} imports ${dll}, which is not a system DLL")
  endif()
  message(STATUS "imports ${dll}")
endforeach()

# Import lines: "\t  <hint>  <name>".
string(REGEX MATCHALL "[ \t](GetDpiForWindow|GetDpiForSystem|SetThreadDpiAwarenessContext|GetThreadDpiAwarenessContext|GetWindowDpiAwarenessContext|SetThreadDpiHostingBehavior|AdjustWindowRectExForDpi|GetSystemMetricsForDpi)\n" newer "${dump}")
if(newer)
  message(FATAL_ERROR "${LIBRARY} imports Windows 10 DPI functions by name: ${newer}")
endif()

# Export table lines: "[   0] +base[   1] 1500 Export RVA" and "[   0] VSTPluginMain".
string(REGEX MATCHALL "\\+base\\[ *[0-9]+\\] +[0-9a-f]+ Export RVA" rvas "${dump}")
string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [A-Za-z_][A-Za-z0-9_]*" names "${dump}")
set(exported)
foreach(n ${names})
  string(REGEX REPLACE ".*\\] " "" n "${n}")
  list(APPEND exported ${n})
endforeach()
list(SORT exported)
if(EXPORTS)
  if(NOT exported STREQUAL "${EXPORTS}")
    message(FATAL_ERROR "${LIBRARY} exports '${exported}', not exactly ${EXPORTS}")
  endif()
  return()
endif()
if(NOT exported STREQUAL "VSTPluginMain;main")
  message(FATAL_ERROR "${LIBRARY} exports '${exported}', not exactly VSTPluginMain and main")
endif()
list(LENGTH rvas count)
list(GET rvas 0 first)
list(GET rvas -1 last)
string(REGEX REPLACE ".*\\] +([0-9a-f]+) .*" "\\1" first "${first}")
string(REGEX REPLACE ".*\\] +([0-9a-f]+) .*" "\\1" last "${last}")
if(NOT count EQUAL 2 OR NOT first STREQUAL last)
  message(FATAL_ERROR "${LIBRARY}: VSTPluginMain and main are not one function (${rvas})")
endif()
