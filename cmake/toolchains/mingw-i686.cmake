# Cross-build for 32-bit Windows (x86) with Debian's mingw-w64, POSIX-threads
# variant: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake ...
set(CORVANEL_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CORVANEL_TOOLCHAIN_FILE ${CMAKE_CURRENT_LIST_FILE})
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
