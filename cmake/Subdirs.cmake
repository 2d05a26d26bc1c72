# Adds each listed sub-folder that has a CMakeLists.txt (folders appear as the
# subsystems are built).
function(corvanel_add_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
