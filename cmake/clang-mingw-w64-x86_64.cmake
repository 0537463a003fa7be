# Cross-compiles 64-bit Windows binaries with Debian's clang, on the
# MinGW-w64 headers and libraries and the C++ library of MinGW-w64 GCC.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QV_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${QV_MINGW_TRIPLET})
set(CMAKE_CXX_COMPILER_TARGET ${QV_MINGW_TRIPLET})

# The sysroot keeps the host's own headers out of the search path. Clang
# does not find the C++ headers of the MinGW-w64 GCC by itself: they are
# given as system folders, and its libraries (libstdc++, libgcc) by path.
set(CMAKE_SYSROOT /usr/${QV_MINGW_TRIPLET})
file(GLOB qv_gcc_dirs /usr/lib/gcc/${QV_MINGW_TRIPLET}/*-posix)
list(SORT qv_gcc_dirs)
list(GET qv_gcc_dirs -1 qv_gcc_dir)
# That libstdc++ keeps its thread-local variables (std::call_once's among
# them) in GCC's emulated TLS: clang's code must reach them the same way.
set(CMAKE_C_FLAGS_INIT "-femulated-tls")
set(CMAKE_CXX_FLAGS_INIT
  "-femulated-tls -isystem ${qv_gcc_dir}/include/c++ -isystem ${qv_gcc_dir}/include/c++/${QV_MINGW_TRIPLET} -isystem ${qv_gcc_dir}/include/c++/backward")
# lld links the GCC-built C++ library without the BFD linker's complaints
# about sections that the two compilers size differently; -pthread adds
# winpthread, which the posix thread model's libstdc++ and libgcc use.
set(QV_EXTRA_LINK_FLAGS "-fuse-ld=lld -pthread -L${qv_gcc_dir}")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
