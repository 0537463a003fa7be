# Settings shared by the MinGW-w64 toolchain files. The including file sets
# QV_MINGW_TRIPLET (x86_64-w64-mingw32 or i686-w64-mingw32) and
# CMAKE_SYSTEM_PROCESSOR, and chooses the compilers.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_RC_COMPILER ${QV_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${QV_MINGW_TRIPLET}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${QV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages also outside the MinGW-w64 folder: a project that uses qv finds
# an installed qv package with -DCMAKE_PREFIX_PATH=<install prefix>.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The runtime (libgcc, libstdc++, winpthread) is linked statically so that the
# binaries run without MinGW DLLs beside them.
set(qv_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${qv_static_runtime} ${QV_EXTRA_LINK_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${qv_static_runtime} ${QV_EXTRA_LINK_FLAGS}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${qv_static_runtime} ${QV_EXTRA_LINK_FLAGS}")

# Compiler-specific switches live in the toolchain files, not in the project
# files.
set(QV_COMPILER_WARNINGS -Wall -Wextra)
set(QV_COMPILER_WERROR -Werror)
# The tests' own code (and GoogleTest) in a Release build: -O2 runs every
# pass that GCC's warnings rest on, at about three quarters of -O3's time.
set(QV_TEST_OPTIMIZATION -O2)
# Wide-character entry point (wmain) for console programs.
set(QV_WIDE_ENTRY_LINK_OPTIONS -municode)
