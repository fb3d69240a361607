# Cross build for 32-bit Windows with Debian's mingw-w64: the shipped
# programs, which run on x86 and (in WOW64) on x64 Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
