# The 32-bit Windows lane: Debian's i686 mingw-w64. Its programs run under a
# 32-bit Wine that scripts/wine32.sh fetches without installing it, laid over
# /usr for the lane's tests by scripts/windows32-tests.sh.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
