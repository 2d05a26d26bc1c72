# corvanel_audio_unit_bundle(<target> BUNDLE_ID id NAME name MANUFACTURER_NAME name
#   TYPE code SUBTYPE code MANUFACTURER code ENTRY symbol INFO_PLIST template
#   RESOURCES_DIR dir)
#
# Lays out a version 2 Audio Unit component bundle around the module <target>:
#   <target>.component/Contents/Info.plist      the bundle and its component registration
#   <target>.component/Contents/MacOS/<target>  the binary (an ELF shared object off macOS)
#   <target>.component/Contents/Resources/      the skin images (*.png of RESOURCES_DIR)
# The bundle sits in the build folder's top level. With Apple's toolchain the same call
# makes a Mach-O loadable bundle with the extension .component.
function(corvanel_audio_unit_bundle target)
  cmake_parse_arguments(AU ""
    "BUNDLE_ID;NAME;MANUFACTURER_NAME;TYPE;SUBTYPE;MANUFACTURER;ENTRY;INFO_PLIST;RESOURCES_DIR" ""
    ${ARGN})
  set(bundle ${CMAKE_BINARY_DIR}/${target}.component)
  set(contents ${bundle}/Contents)

  set(CORVANEL_AU_EXECUTABLE ${target})
  set(CORVANEL_AU_BUNDLE_ID ${AU_BUNDLE_ID})
  set(CORVANEL_AU_NAME ${AU_NAME})
  set(CORVANEL_AU_MFR_NAME ${AU_MANUFACTURER_NAME})
  set(CORVANEL_AU_TYPE ${AU_TYPE})
  set(CORVANEL_AU_SUBTYPE ${AU_SUBTYPE})
  set(CORVANEL_AU_MANUFACTURER ${AU_MANUFACTURER})
  set(CORVANEL_AU_ENTRY ${AU_ENTRY})
  set(CORVANEL_AU_VERSION ${PROJECT_VERSION})
  math(EXPR CORVANEL_AU_VERSION_INT
       "${PROJECT_VERSION_MAJOR} * 65536 + ${PROJECT_VERSION_MINOR} * 256 + ${PROJECT_VERSION_PATCH}")
  configure_file(${AU_INFO_PLIST} ${contents}/Info.plist @ONLY)

  if(APPLE)
    set_target_properties(${target} PROPERTIES
      BUNDLE TRUE
      BUNDLE_EXTENSION component
      MACOSX_BUNDLE_INFO_PLIST ${contents}/Info.plist
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  else()
    set_target_properties(${target} PROPERTIES
      PREFIX ""
      SUFFIX ""
      LIBRARY_OUTPUT_DIRECTORY ${contents}/MacOS)
  endif()

  # The skin images travel in Resources/; the folder is re-read when the build is configured.
  file(GLOB images CONFIGURE_DEPENDS ${AU_RESOURCES_DIR}/*.png)
  set(copied)
  foreach(image ${images})
    get_filename_component(name ${image} NAME)
    add_custom_command(OUTPUT ${contents}/Resources/${name}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${contents}/Resources
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${image} ${contents}/Resources/${name}
      DEPENDS ${image} VERBATIM)
    list(APPEND copied ${contents}/Resources/${name})
  endforeach()
  file(MAKE_DIRECTORY ${contents}/Resources)
  add_custom_target(${target}_resources DEPENDS ${copied})
  add_dependencies(${target} ${target}_resources)
  set_property(TARGET ${target} PROPERTY CORVANEL_BUNDLE_DIR ${bundle})
endfunction()
