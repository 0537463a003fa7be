# Cross-compiles 64-bit Windows binaries with MinGW-w64 GCC (posix thread
# model, which provides std::thread and std::mutex).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QV_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW_TRIPLET}-g++-posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
