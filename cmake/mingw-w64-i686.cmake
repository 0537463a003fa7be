# Cross-compiles 32-bit Windows binaries with MinGW-w64 GCC (posix thread
# model), for the users of 32-bit Office: a program that loads Outlook's MAPI
# must have Outlook's bitness.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QV_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW_TRIPLET}-g++-posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
