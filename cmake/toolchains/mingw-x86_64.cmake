# Cross-build for 64-bit Windows (x64) with Debian's mingw-w64, POSIX-threads
# variant: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake ...
set(CORVANEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CORVANEL_TOOLCHAIN_FILE ${CMAKE_CURRENT_LIST_FILE})
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
