# Warnings for every target of the project, optional -Werror and sanitizers (AddressSanitizer
# with UndefinedBehaviorSanitizer, or ThreadSanitizer alone: the two cannot be combined).
add_library(corvanel_warnings INTERFACE)
target_compile_options(corvanel_warnings INTERFACE
  -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wformat=2 -Wno-unused-parameter)
if(CORVANEL_WERROR)
  target_compile_options(corvanel_warnings INTERFACE -Werror)
endif()

# The audio path is compared bit for bit across builds: keep to IEEE double
# and single precision with SSE2 arithmetic and no contraction into FMA.
add_compile_options(-ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(CORVANEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(CORVANEL_SANITIZE_BUILD)
endif()
if(CORVANEL_TSAN)
  if(CORVANEL_SANITIZE)
    message(FATAL_ERROR "CORVANEL_TSAN and CORVANEL_SANITIZE exclude each other")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  add_compile_definitions(CORVANEL_TSAN_BUILD)
endif()
