# corvanel_plugin_exports(<target> <version script>): a Linux plug-in module exports only
# the entry points its version script names, and resolves every symbol at link time rather
# than when a host loads it (the sanitizer and fuzzer runtimes come from the loading
# program instead, so those builds leave symbols open).
function(corvanel_plugin_exports target script)
  target_link_options(${target} PRIVATE -Wl,--version-script=${script})
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${script})
  if(NOT CORVANEL_SANITIZE AND NOT CORVANEL_FUZZ)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
