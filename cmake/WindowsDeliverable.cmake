# The Windows shape of the VST2 plug-in: corvanel_windows_deliverable(<target>)
# makes <target> Corvanel.dll (32-bit) or Corvanel64.dll (64-bit) with
#   - the entry points VSTPluginMain and main (one address) from a .def file,
#   - the skin images as resources of type "PNG" under ids 100-108 (and 1100-1108 for the 2x art),
#   - the compiler runtimes, winpthread, libpng and zlib linked statically, so
#     that it imports system DLLs only,
#   - SSE2 floating point on 32-bit x86 (checked when it compiles).

if(WIN32)
  enable_language(RC)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/SkinImages.cmake)

# Writes <rcfile> with one `<id> PNG "<path>"` line per image of
# CORVANEL_SKIN_IMAGES found under <dir>/img or <dir>; sets <outvar> to the
# ids found and <outvar>_FILES to their paths.
function(corvanel_write_png_resources rcfile dir outvar)
  corvanel_find_skin_images(${dir} images)
  set(lines "// Generated from CORVANEL_SKIN_IMAGES: the skin images as PNG resources.\n")
  set(ids)
  set(files)
  while(images)
    list(POP_FRONT images id path)
    string(APPEND lines "${id} PNG \"${path}\"\n")
    list(APPEND ids ${id})
    list(APPEND files ${path})
  endwhile()
  file(CONFIGURE OUTPUT ${rcfile} CONTENT "${lines}")
  set(${outvar} ${ids} PARENT_SCOPE)
  set(${outvar}_FILES ${files} PARENT_SCOPE)
endfunction()

# corvanel_windows_deliverable(<target> [NAME <file name>] [DESCRIPTION <text>]): the
# VST2 DLL by default; another deliverable (the CLAP plug-in) names its file and
# description and exports its entry itself.
function(corvanel_windows_deliverable target)
  cmake_parse_arguments(D "" "NAME;DESCRIPTION" "" ${ARGN})
  if(D_NAME)
    set(file_name ${D_NAME})
    get_filename_component(stem ${D_NAME} NAME_WE)
    get_filename_component(ext ${D_NAME} EXT)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${stem} PREFIX "" SUFFIX ${ext}
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugin
                          LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugin)
  else()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(name Corvanel64)
    else()
      set(name Corvanel)
    endif()
    set(file_name ${name}.dll)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} PREFIX "" SUFFIX ".dll"
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugin)

    # Exports: the adapter's folder brings the .def file that names both entries.
    get_target_property(sources ${target} SOURCES)
    if(NOT sources MATCHES "\\.def(;|$)")
      message(FATAL_ERROR "${target}: no .def file exporting VSTPluginMain and main")
    endif()
  endif()
  if(NOT D_DESCRIPTION)
    set(D_DESCRIPTION "Corvanel VST2 plug-in")
  endif()

  # Resources: the version record and the skin images.
  set(gen ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  corvanel_write_png_resources(${gen}/CorvanelSkin.rc ${PROJECT_SOURCE_DIR}/resources skin_ids)
  set(CORVANEL_SKIN_IDS ${skin_ids} CACHE INTERNAL "skin image ids embedded in the plug-in")
  set(rc ${PROJECT_SOURCE_DIR}/platform/win32/Corvanel.rc)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${gen}/CorvanelSkin.rc;${skin_ids_FILES}")
  # (windres loses quotes in -D values, so the version travels in a header.)
  string(REPLACE "." "," version_commas "${PROJECT_VERSION}")
  file(CONFIGURE OUTPUT ${gen}/CorvanelVersion.rc.h CONTENT
"#define CORVANEL_VERSION_STRING \"${PROJECT_VERSION}\"
#define CORVANEL_VERSION_COMMAS ${version_commas},0
#define CORVANEL_FILE_NAME \"${file_name}\"
#define CORVANEL_FILE_DESCRIPTION \"${D_DESCRIPTION}\"
")
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${gen}>)

  # 32-bit x86 must do its arithmetic in SSE2 like every other build.
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32/FloatingPointCheck.cpp)

  # Fully static: only system DLLs in the import table; stripped when released.
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                      $<$<CONFIG:Release,MinSizeRel>:-s>)
endfunction()
