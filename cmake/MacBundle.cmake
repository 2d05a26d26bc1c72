# The macOS plug-in bundles: the Audio Unit's .component, the VST3 .vst3 and the CLAP .clap
# are all the same kind of loadable bundle around one module.

# corvanel_mac_bundle(<target> DIR dir NAME name EXTENSION ext BUNDLE_ID id
#   RESOURCES_DIR dir [DISPLAY_NAME name] [PLIST_KEYS text])
#
# Lays out the bundle <DIR>/<NAME>.<EXTENSION> around the module <target>:
#   Contents/Info.plist      the bundle's identity, named DISPLAY_NAME (else NAME), and
#                            PLIST_KEYS, more keys of the dictionary
#   Contents/PkgInfo         "BNDL????"
#   Contents/MacOS/<NAME>    the binary (an ELF shared object off macOS)
#   Contents/Resources/      the skin images (*.png of RESOURCES_DIR)
# With Apple's toolchain the same call makes a Mach-O loadable bundle.
function(corvanel_mac_bundle target)
  cmake_parse_arguments(B "" "DIR;NAME;DISPLAY_NAME;EXTENSION;BUNDLE_ID;RESOURCES_DIR;PLIST_KEYS" "" ${ARGN})
  set(bundle ${B_DIR}/${B_NAME}.${B_EXTENSION})
  set(contents ${bundle}/Contents)

  set(CORVANEL_BUNDLE_EXECUTABLE ${B_NAME})
  set(CORVANEL_BUNDLE_ID ${B_BUNDLE_ID})
  set(CORVANEL_BUNDLE_NAME ${B_NAME})
  if(B_DISPLAY_NAME)
    set(CORVANEL_BUNDLE_NAME ${B_DISPLAY_NAME})
  endif()
  set(CORVANEL_BUNDLE_VERSION ${PROJECT_VERSION})
  set(CORVANEL_BUNDLE_PLIST_KEYS "${B_PLIST_KEYS}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/MacBundleInfo.plist.in ${contents}/Info.plist @ONLY)
  file(CONFIGURE OUTPUT ${contents}/PkgInfo CONTENT "BNDL????")

  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${B_NAME} PREFIX "" SUFFIX "")
  if(APPLE)
    set_target_properties(${target} PROPERTIES
      BUNDLE TRUE
      BUNDLE_EXTENSION ${B_EXTENSION}
      MACOSX_BUNDLE_INFO_PLIST ${contents}/Info.plist
      LIBRARY_OUTPUT_DIRECTORY ${B_DIR})
  else()
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${contents}/MacOS)
  endif()

  # The skin images travel in Resources/; the folder is re-read when the build is configured.
  file(GLOB images CONFIGURE_DEPENDS ${B_RESOURCES_DIR}/*.png)
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

# corvanel_audio_unit_bundle(<target> BUNDLE_ID id NAME name MANUFACTURER_NAME name
#   TYPE code SUBTYPE code MANUFACTURER code ENTRY symbol COMPONENTS_PLIST template
#   RESOURCES_DIR dir)
#
# The version 2 Audio Unit component bundle <target>.component in the build folder's top
# level, its binary named <target>: a bundle whose property list also registers the
# component (COMPONENTS_PLIST, the AudioComponents key filled from the other arguments).
function(corvanel_audio_unit_bundle target)
  cmake_parse_arguments(AU ""
    "BUNDLE_ID;NAME;MANUFACTURER_NAME;TYPE;SUBTYPE;MANUFACTURER;ENTRY;COMPONENTS_PLIST;RESOURCES_DIR" ""
    ${ARGN})
  set(CORVANEL_AU_NAME ${AU_NAME})
  set(CORVANEL_AU_MFR_NAME ${AU_MANUFACTURER_NAME})
  set(CORVANEL_AU_TYPE ${AU_TYPE})
  set(CORVANEL_AU_SUBTYPE ${AU_SUBTYPE})
  set(CORVANEL_AU_MANUFACTURER ${AU_MANUFACTURER})
  set(CORVANEL_AU_ENTRY ${AU_ENTRY})
  math(EXPR CORVANEL_AU_VERSION_INT
       "${PROJECT_VERSION_MAJOR} * 65536 + ${PROJECT_VERSION_MINOR} * 256 + ${PROJECT_VERSION_PATCH}")
  file(READ ${AU_COMPONENTS_PLIST} keys)
  string(CONFIGURE "${keys}" keys @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${AU_COMPONENTS_PLIST})
  corvanel_mac_bundle(${target} DIR ${CMAKE_BINARY_DIR} NAME ${target} EXTENSION component
    DISPLAY_NAME ${AU_NAME} BUNDLE_ID ${AU_BUNDLE_ID} RESOURCES_DIR ${AU_RESOURCES_DIR} PLIST_KEYS "${keys}")
endfunction()
