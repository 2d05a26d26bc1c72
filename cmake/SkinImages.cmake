# The skin images: resource id and file name. They live in resources/img/; an image
# that is not there is left out of the build and its id is then simply not found.
set(CORVANEL_SKIN_IMAGES
  100 bg.png
  101 knob.png
  102 but1.png
  103 but2.png
  104 but3.png
  105 radio.png
  106 slider.png
  107 on.png
  108 on_.png
  # The same images drawn at twice the size, for the editor at 150 % and 200 %: the id
  # plus 1000.
  1100 bg@2x.png
  1101 knob@2x.png
  1102 but1@2x.png
  1103 but2@2x.png
  1104 but3@2x.png
  1105 radio@2x.png
  1106 slider@2x.png
  1107 on@2x.png
  1108 on_@2x.png)
set(CORVANEL_SKIN_DIR ${PROJECT_SOURCE_DIR}/resources)

# Sets <outvar> to the list "id;path;id;path..." of the images present under
# <dir>/img or <dir>, and configures again when an image is added or removed.
function(corvanel_find_skin_images dir outvar)
  set(found)
  set(list ${CORVANEL_SKIN_IMAGES})
  while(list)
    list(POP_FRONT list id name)
    foreach(candidate ${dir}/img/${name} ${dir}/${name})
      if(EXISTS ${candidate})
        list(APPEND found ${id} ${candidate})
        break()
      endif()
    endforeach()
  endwhile()
  file(GLOB _seen CONFIGURE_DEPENDS ${dir}/*.png ${dir}/img/*.png)
  set(${outvar} ${found} PARENT_SCOPE)
endfunction()

# Adds to <target> a generated source that holds the skin images' bytes, for
# FindSkinImage (graphics/linux/SkinImages.h). Rebuilt when an image changes.
function(corvanel_embed_skin target)
  corvanel_find_skin_images(${CORVANEL_SKIN_DIR} images)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_SkinImages.cpp)
  set(files)
  set(list ${images})
  while(list)
    list(POP_FRONT list id path)
    list(APPEND files ${path})
  endwhile()
  string(REPLACE ";" "|" images_arg "${images}")
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} "-DIMAGES=${images_arg}"
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedSkin.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedSkin.cmake
    COMMENT "Embedding the skin images"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
