# The 32-bit Windows lane: Debian's i686 mingw-w64. Its programs need a 32-bit
# Wine to run, which Debian 12 cannot install beside wine64 on these machines,
# so this lane is built (and packaged) but its tests run only where it can.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
