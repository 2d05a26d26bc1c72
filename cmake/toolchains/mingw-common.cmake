# Shared part of the mingw-w64 toolchain files. Expects CORVANEL_MINGW_TRIPLE,
# CORVANEL_TOOLCHAIN_FILE (the including file) and CMAKE_SYSTEM_PROCESSOR
# (i686 or x86_64; cmake/CompilerSettings.cmake keys the SSE2 arithmetic of
# the 32-bit build on it).
#
# Besides the compilers this file provides the libraries Debian does not ship
# for mingw, built once with the same compilers and cached outside the tree:
#   libpng  from Debian's source package (scripts/build-libpng-mingw.sh),
#           linked against the static zlib of libz-mingw-w64-dev;
#   GoogleTest from Debian's sources in /usr/src/googletest.
# The cache lives in $CORVANEL_CACHE_DIR (default ~/.cache/corvanel).
set(CMAKE_SYSTEM_NAME Windows)

set(_triple ${CORVANEL_MINGW_TRIPLE})
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_AR ${_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${_triple}-objdump CACHE FILEPATH "")
set(CMAKE_STRIP ${_triple}-strip CACHE FILEPATH "")

# g++ on glibc always defines _GNU_SOURCE, which brings M_PI and friends;
# mingw's math.h wants _USE_MATH_DEFINES for the same.
set(CMAKE_C_FLAGS_INIT "-D_USE_MATH_DEFINES")
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

# Everything links the compiler runtimes and winpthread statically, so the
# plug-in and every test program import system DLLs only and run under wine
# without a DLL search path.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Cached third-party libraries for this compiler.
if(DEFINED ENV{CORVANEL_CACHE_DIR})
  set(_cache $ENV{CORVANEL_CACHE_DIR})
else()
  set(_cache $ENV{HOME}/.cache/corvanel)
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpfullversion OUTPUT_VARIABLE _gccver
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CORVANEL_MINGW_DEPS ${_cache}/mingw-deps/${_triple}-gcc${_gccver})
get_filename_component(_root ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)

# Try-compile projects re-read this file, and the dependencies' own builds use
# it with CORVANEL_NO_DEPS set in the environment: only the project's
# top-level configure builds them.
if(NOT CMAKE_IN_TRY_COMPILE AND NOT "$ENV{CORVANEL_NO_DEPS}")
  set(ENV{CORVANEL_NO_DEPS} 1)
  if(NOT EXISTS ${CORVANEL_MINGW_DEPS}/lib/libpng16.a)
    message(STATUS "Building libpng for ${_triple} into ${CORVANEL_MINGW_DEPS}")
    execute_process(COMMAND bash ${_root}/scripts/build-libpng-mingw.sh ${_triple}
                            ${CORVANEL_MINGW_DEPS} RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "building libpng for ${_triple} failed")
    endif()
  endif()
  if(NOT EXISTS ${CORVANEL_MINGW_DEPS}/lib/cmake/GTest/GTestConfig.cmake
     AND EXISTS /usr/src/googletest/CMakeLists.txt)
    message(STATUS "Building GoogleTest for ${_triple} into ${CORVANEL_MINGW_DEPS}")
    set(_gtb ${CORVANEL_MINGW_DEPS}-gtest-build)
    file(REMOVE_RECURSE ${_gtb})
    execute_process(
      COMMAND ${CMAKE_COMMAND} -S /usr/src/googletest -B ${_gtb} -G Ninja
              -DCMAKE_TOOLCHAIN_FILE=${CORVANEL_TOOLCHAIN_FILE} -DCMAKE_BUILD_TYPE=Release
              -DCMAKE_INSTALL_PREFIX=${CORVANEL_MINGW_DEPS} -DBUILD_GMOCK=ON
              -Dgtest_disable_pthreads=ON
      COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${_gtb} --target install -j2
                    COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
    file(REMOVE_RECURSE ${_gtb})
  endif()
  unset(ENV{CORVANEL_NO_DEPS})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${CORVANEL_MINGW_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static libraries only: FindZLIB would otherwise take zlib1.dll's import library.
set(ZLIB_LIBRARY /usr/${_triple}/lib/libz.a CACHE FILEPATH "static zlib for mingw")
set(ZLIB_INCLUDE_DIR /usr/${_triple}/include CACHE PATH "zlib headers for mingw")
set(PNG_LIBRARY ${CORVANEL_MINGW_DEPS}/lib/libpng16.a CACHE FILEPATH "static libpng for mingw")
set(PNG_PNG_INCLUDE_DIR ${CORVANEL_MINGW_DEPS}/include CACHE PATH "libpng headers for mingw")

# Test programs run under wine with a prefix in the build folder (see
# tests/windows/wine-run.sh); GoogleTest cases are listed when CTest runs, not
# at build time.
if(_triple MATCHES "^x86_64")
  set(_winearch win64)
else()
  set(_winearch win32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${_root}/tests/windows/wine-run.sh ${_winearch}
                                  ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
