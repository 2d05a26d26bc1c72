# corvanel_plugin_exports(<target> <script>): a plug-in module exports only the entry points
# its script names (a version script; with Apple's linker an exported-symbols list), and
# resolves every symbol at link time rather than when a host loads it (the sanitizer and
# fuzzer runtimes come from the loading program instead, so those builds leave symbols open).
function(corvanel_plugin_exports target script)
  if(APPLE)
    target_link_options(${target} PRIVATE -Wl,-exported_symbols_list,${script})
  else()
    target_link_options(${target} PRIVATE -Wl,--version-script=${script})
    if(NOT CORVANEL_SANITIZE AND NOT CORVANEL_FUZZ)
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${script})
endfunction()

# corvanel_plugin_export_symbols(<target> <symbol>...): the same for the C names listed, the
# script written into the build folder in the form the linker takes.
function(corvanel_plugin_export_symbols target)
  if(APPLE)
    list(TRANSFORM ARGN PREPEND "_" OUTPUT_VARIABLE names)
    string(JOIN "\n" text ${names})
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.exp)
  else()
    string(JOIN ";\n    " names ${ARGN})
    set(text "{\n  global:\n    ${names};\n  local:\n    *;\n};")
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  endif()
  file(CONFIGURE OUTPUT ${script} CONTENT "${text}\n")
  corvanel_plugin_exports(${target} ${script})
endfunction()
